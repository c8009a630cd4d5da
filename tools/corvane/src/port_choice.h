// The --port option: which line the tool talks on, and why a line cannot be used.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace corvane_cli {

struct PortChoice {
  enum class Kind { kSim, kSerial, kParallel, kTcp, kUsb, kOffline };
  // What answers on the line: a Corvane chain, or a YALPLUS rack (recorded on the kernel only).
  enum class Family { kCorvane, kYalplus };
  Kind kind = Kind::kSim;
  Family family = Family::kCorvane;
  int32_t number = 0;     // LINKAR32 port number (1..6, 90/91, 100, 200)
  std::string host;       // tcp: host name or dotted address
  int32_t tcp_port = 0;   // tcp: 0 means the library's default service
  std::string usb_serial; // usb: the device's serial number text
  std::string device_path; // serial: a device path given instead of COMn (reached as COM1)
  std::string text;       // the option as given, for messages
};

// Parses "sim", "offline", "COM1".."COM6", a device path ("/dev/ttyUSB0", "/dev/serial/by-id/...",
// reached as COM1), "LPT1", "LPT2", "tcp:HOST[:PORT]", "usb:SERIAL" (case-insensitive kinds), and
// "yalplus:" before sim, a serial port or a tcp port for a YALPLUS rack on that line. nullopt when
// the text is none of these.
std::optional<PortChoice> parse_port(const std::string& text);

// Device path behind a serial or parallel port (LINKAR32_COMn / LINKAR32_LPTn, else the default).
std::string port_device_path(const PortChoice& choice);

// Why the device path of a serial or parallel port cannot be opened, as the end of a sentence:
// "the device /dev/ttyS0 does not exist", "... is in use by another program (busy)",
// "no permission to open ... (add the user to the dialout group)". Empty when the path looks
// usable (the failure lies elsewhere).
std::string diagnose_port(const std::string& path);

}  // namespace corvane_cli
