// Where a read's block goes after scaling and formulas: the channel database and online files, as
// each channel header's storage mode asks. The read calls this once per block.
#pragma once

#include <cstdint>

namespace tallix {

// Stores the block of the listed channels as their headers ask: database channels of the same
// number (modes 1, 3); 0, the database's negative status, -411 when a header's block count runs
// past its IO buffer, or -303 for a channel asking for an online
// file while none can be written.
int32_t store_block(int32_t count, const int32_t* channels, int32_t block_length);

}  // namespace tallix
