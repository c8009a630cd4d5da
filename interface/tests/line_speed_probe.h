// Reads the speed a serial line runs at as the kernel reports it (termios2), for rates with and
// without a B* constant alike.
#pragma once

#include <cstdint>

// Speed of the line behind fd in bit/s when input and output run at the same speed; 0 when they
// differ or the kernel does not report them.
uint32_t line_speed_of(int fd);
