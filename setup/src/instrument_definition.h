// The one instrument the program opens (its name and interface), with its defaults, and the
// hand-off file "INP_SWP.$$$" through which another program passes such a definition.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace setup {

// Port numbers of the definition (the interface library's numbering; -1 no port).
inline constexpr int16_t kPortOffline = -1;
inline constexpr int16_t kPortCom1 = 1;
inline constexpr int16_t kPortLpt1 = 90;
inline constexpr int16_t kPortLpt2 = 91;
inline constexpr int16_t kPortUsb = 200;
inline constexpr int16_t kPortGpib = 488;

struct InstrumentDefinition {
  int16_t reserved0 = 0;
  std::string name;              // instrument name (text 2001 "Device Name" by default)
  int16_t reserved1 = 0;
  int16_t port = kPortCom1;
  int16_t reserved2 = 4;
  int32_t baud = 9600;           // baud rate, or the parallel mode 1..4 for LPT1/LPT2
  int16_t parity = 1;            // 0 none, 1 even, 2 odd
  int16_t stop_bits = 1;
  int16_t data_bits = 8;
  int32_t receive_buffer = 4096; // bytes
  int16_t hardware_handshake = 0;
  int16_t reserved3[5] = {1, 0, 0, 0, 1};
  int32_t timeout_ms = 10000;
  int16_t reserved4[4] = {0, 0, 0, 0};
  std::string usb_address;       // used when the port is 200
};

// Name of the hand-off file in the program folder.
inline constexpr const char* kHandOffFileName = "INP_SWP.$$$";

// Parses the bytes of a hand-off file (little-endian, no padding, texts as a 16-bit length and
// that many 8-bit characters). Every length is checked against the bytes that are left: a file
// that ends inside a field or whose text length runs past its end gives nullopt (and *problem
// says where). Bytes after the last field are ignored.
std::optional<InstrumentDefinition> parse_hand_off(std::string_view bytes, std::string* problem);
// The bytes of a hand-off file for a definition (what another program writes; used by tests).
std::string hand_off_bytes(const InstrumentDefinition& definition);

}  // namespace setup
