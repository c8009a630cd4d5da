// The one instrument the program opens (its name and interface), with its defaults, and the
// hand-off file "INP_SWP.$$$" through which another program passes such a definition.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// ---- Rules of the define-instrument and interface dialogs ----

// Entries of the define-instrument dialog's interface list, in order; entry 4 ("LPT1") is selected
// when the dialog opens.
const std::vector<std::string>& interface_names();
inline constexpr int kDefaultInterfaceEntry = 4;
// Port number of an interface entry: COM1..COM4 1..4, LPT1 90, LPT2 91, USB 200, GPIB 488, any
// other text -1 (OFFLINE).
int16_t port_for_interface(const std::string& text);
// The name as the dialog stores it: every blank replaced by "_".
std::string name_without_blanks(std::string name);
bool is_parallel_port(int16_t port);
bool is_serial_port(int16_t port);
// A parallel port keeps its parallel mode (1..4) in the baud field; a baud rate left there from a
// serial definition (5 or more) becomes parallel mode 1 (Nibble).
void fit_parallel_mode(InstrumentDefinition* definition);

// Lists of the interface dialog: baud rates, stop bits, data bits, parallel modes.
inline constexpr int32_t kBaudRates[] = {2400, 4800, 9600, 19200, 38400};
inline constexpr const char* kParallelModes[] = {"Nibble Mode", "Bit 8 Mode", "Byte Mode", "EPP Mode"};
// The serial line as the interface dialog's entries hold it (texts as typed or chosen).
struct SerialEntries {
  std::string baud;
  int parity_index = 1;  // 0 none, 1 even, 2 odd
  std::string stop_bits;
  std::string data_bits;
  std::string receive_buffer;
  std::string timeout_seconds;
  bool hardware_handshake = false;
};
// Stores the entries: numbers are the leading numbers of the texts; the receive buffer is at least
// 512 bytes; the time-out is given in seconds and kept in milliseconds (rounded; below 0 gives 0).
void store_serial_entries(const SerialEntries& entries, InstrumentDefinition* definition);
inline constexpr int32_t kMinReceiveBuffer = 512;
// The USB frame stores the address and 2 in the baud field.
inline constexpr int32_t kUsbBaudField = 2;

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
