// Port-number table: kind, COM line and display name of every port number.
#include "port_numbers.h"

#include <array>

#include "platform.h"

namespace linkar {
namespace {

struct SerialNumber {
  int32_t port;
  int line;
  const char* display;
};

// Serial numbers that open a device. Every other serial number (7, 8, 11..80 but these) is
// accepted but names no device: its open fails.
constexpr std::array<SerialNumber, 10> kSerialNumbers{{
    {1, 1, "COM1 (RS232)"},
    {2, 2, "COM2 (RS232)"},
    {3, 3, "COM3 (RS232)"},
    {4, 4, "COM4 (RS232)"},
    {5, 5, "COM5 (RS232)"},
    {6, 6, "COM6 (RS232)"},
    {10, 1, "COM1 (RS485)"},
    {20, 2, "COM2 (RS485)"},
    {30, 3, "COM3 (RS485)"},
    {40, 4, "COM4 (RS485)"},
}};

const SerialNumber* find_serial(int32_t port) {
  for (const auto& s : kSerialNumbers)
    if (s.port == port) return &s;
  return nullptr;
}

}  // namespace

PortKind port_kind(int32_t port) {
  if ((port >= 1 && port <= 8) || (port >= 10 && port <= kLastSerial)) return PortKind::kSerial;
  if (is_parallel_number(port)) return PortKind::kParallel;
  if (port == kQbxPortNull) return PortKind::kNull;
  if (port == kQbxPortTcp) return PortKind::kTcp;
  if (port == kQbxPortUsb) return PortKind::kUsb;
  if (is_gpib_number(port)) return PortKind::kGpib;
  if (port >= kNoPortFrom) return PortKind::kNoPort;
  return PortKind::kOther;
}

bool is_multidrop_number(int32_t port) {
  return (port >= 10 && port <= 89) || (port >= 92 && port <= 98) || (port >= 101 && port <= 199) ||
         (port >= 201 && port <= 999);
}

int com_line(int32_t port) {
  const SerialNumber* s = find_serial(port);
  return s ? s->line : 0;
}

std::string display_name(int32_t port) {
  if (const SerialNumber* s = find_serial(port)) return s->display;
  switch (port) {
    case kQbxPortLpt1: return "LPT1";
    case kQbxPortLpt2: return "LPT2";
    case kQbxPortTcp: return "TCP/IP";
    case kQbxPortUsb: return "USB";
    default: break;
  }
  if (is_gpib_number(port)) return "GPIB" + std::to_string(port - kFirstGpib);
  return "NONE";
}

std::string com_device_path(int line) {
  std::string var = "LINKAR32_COM" + std::to_string(line);
  const char* path = platform().getenv(var.c_str());
  if (path && *path) return path;
  return "/dev/ttyS" + std::to_string(line - 1);
}

}  // namespace linkar
