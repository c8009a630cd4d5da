// The outside parallel-port drivers, loaded at run time: PORTIX32 (libportix32.so, both LPT ports,
// power handling by open and close) and PARLINK (libparlink.so, the link protocol on both ports).
// Each is looked up at the first open that needs it: the path in $LINKAR32_PORTIX32 / $LINKAR32_PARLINK, else
// the folder this library was loaded from, else the system's library search path. A driver stays loaded for
// the life of the process, since its ports keep state inside it; a failed lookup is tried again at the next
// open.
#pragma once

#include <cstdint>

namespace linkar {

// Entry points shared by both drivers: read with the five arguments of QBX_ReadPort (status 0 on
// success), write a zero-terminated text (negative on failure), close, time-out in milliseconds.
struct ParallelDriver {
  // Opens LPT n (1 or 2). PORTIX32 takes the address of the stored open parameter; PARLINK ignores it.
  int32_t (*open)(int32_t n, int32_t* parameter) = nullptr;
  int32_t (*read)(char* buffer, int32_t count, int32_t* status, int32_t* bytes_read,
                  int32_t terminator) = nullptr;
  int32_t (*write)(const char* text) = nullptr;
  int32_t (*close)() = nullptr;
  int32_t (*set_timeout)(int32_t milliseconds) = nullptr;
  // Makes LPT n the port the driver's reads, writes and close act on (both drivers keep a line per
  // port and act on the selected one).
  int32_t (*select)(int32_t n) = nullptr;
};

// The loaded driver, or nullptr when its library or one of its entry points is missing.
const ParallelDriver* portix32_driver();
const ParallelDriver* parlink_driver();

// Makes the next open look the drivers up again (the libraries stay loaded). For tests only.
void forget_parallel_drivers();

}  // namespace linkar
