// The circular buffers inside the kernel: the ring update that runs after every read for each
// listed channel with a ring (the multi-scan read calls it), and the release of a ring.
#pragma once

#include <cstdint>

namespace tallix {

// Appends the channel's last block (its header's read block count of values from IO buffer index
// 0) to its ring. A channel without ring: nothing, 0. -412 when the ring is marked allocated but
// has no memory, or when the block is not in the IO buffer; -411 when the block is longer than the
// IO buffer's capacity. A block longer than the ring keeps its last ring-capacity values, and the
// counters advance as if every value had passed through. Checked channel numbers only.
int32_t ring_update(int32_t channel);

// Frees the channel's ring and clears its fields.
void free_ring(int32_t channel);

}  // namespace tallix
