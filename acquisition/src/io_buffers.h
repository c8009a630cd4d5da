// Channel IO buffers inside the kernel: the checks every export makes and the release of a
// channel's buffer.
#pragma once

#include <cstdint>

#include "kernel_state.h"

namespace tallix {

// The channel an export names (the low 16 bits of its argument), or a status: -450 outside
// 1..10000, -412 without IO buffer when `need_buffer`.
int32_t check_channel(int32_t argument, bool need_buffer, int32_t* channel);

// Frees the channel's IO buffer and clears pointer, capacity, lengths, offsets and tag.
void free_io_buffer(int32_t channel);

}  // namespace tallix
