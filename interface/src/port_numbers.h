// The port-number model: which kind of port a number names, the device it opens and the name it
// carries in the log.
#pragma once

#include <cstdint>
#include <string>

#include "linkar32.h"

namespace linkar {

enum class PortKind {
  kSerial,    // 1..8, 10..80: RS232 and RS485 lines (some numbers have no device and fail to open)
  kParallel,  // 90, 91
  kNull,      // 99 (kQbxPortNull)
  kTcp,       // 100
  kUsb,       // 200
  kGpib,      // 488..491
  kNoPort,    // 1000 and above
  kOther      // every other number: opens nothing
};

constexpr int32_t kFirstSerial = 1;
constexpr int32_t kLastSerial = 80;
constexpr int32_t kFirstGpib = 488;
constexpr int32_t kLastGpib = 491;
// 1000 and above: no port (reads and writes are no-ops returning 0).
constexpr int32_t kNoPortFrom = kQbxPortNone;

PortKind port_kind(int32_t port);
// Serial numbers as the line-status calls see them (1 to 80).
inline bool is_serial_number(int32_t port) { return port >= kFirstSerial && port <= kLastSerial; }
inline bool is_gpib_number(int32_t port) { return port >= kFirstGpib && port <= kLastGpib; }
inline bool is_parallel_number(int32_t port) { return port == kQbxPortLpt1 || port == kQbxPortLpt2; }
// Numbers on which reads, writes and flushes do nothing and succeed: the null port and no port.
inline bool is_inert_number(int32_t port) { return port == kQbxPortNull || port >= kNoPortFrom; }
// RS485 multi-drop lines, on which devices are addressed with the "S" command.
bool is_multidrop_number(int32_t port);

// COM line (1..6) a serial number opens, 0 when it has no device ("NONE").
int com_line(int32_t port);
// The name shown in the log: "COM1 (RS232)", "COM2 (RS485)", "LPT1", "TCP/IP", "USB", "GPIB0", "NONE".
std::string display_name(int32_t port);
// The device path of COM line n: $LINKAR32_COM<n>, else /dev/ttyS<n-1>.
std::string com_device_path(int line);

}  // namespace linkar
