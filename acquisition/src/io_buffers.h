// Channel IO buffers inside the kernel: the checks every export makes and the release of a
// channel's buffer.
#pragma once

#include <cstdint>

#include "kernel_state.h"

namespace tallix {

// Frees the channel's IO buffer and clears pointer, capacity, lengths, offsets and tag.
void free_io_buffer(int32_t channel);

}  // namespace tallix
