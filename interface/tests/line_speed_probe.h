// Reads the speed a serial line runs at as the kernel reports it (termios2), for rates with and
// without a B* constant alike.
#pragma once

#include <cstdint>

// Output speed of the line behind fd in bit/s; 0 when the kernel does not report it.
uint32_t line_speed_of(int fd);
