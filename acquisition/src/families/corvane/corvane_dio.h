// The Corvane's digital port: the digital I/O channel of each device of a chain (hardware channel
// 8, 18, .. 78), bits 0..7, on the current port and address.
#pragma once

#include <cstdint>

namespace tallix::corvane {

// Sets (value != 0) or clears the bit: wake-up, "DPI?<hw>" (the port value), "DPI<hw>,<value>"
// with the bit changed. -253 for another hardware channel or a bit outside 0..7; -207 when the
// device refuses; interface statuses.
int32_t digital_out(int32_t hardware, int32_t bit, int32_t value);
// The bit (0 or 1) into *value: wake-up, "DPI?<hw>". Results as digital_out.
int32_t digital_in(int32_t hardware, int32_t bit, int32_t* value);

}  // namespace tallix::corvane
