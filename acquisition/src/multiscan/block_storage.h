// Where a read's block goes after scaling and formulas: the channel database and online files, as
// each channel header's storage mode asks. The read calls this once per block.
#pragma once

#include <cstdint>

namespace tallix {

// Stores the block of block_length scans of the listed channels; 0 or the storage's status.
int32_t store_block(int32_t count, const int32_t* channels, int32_t block_length);

}  // namespace tallix
