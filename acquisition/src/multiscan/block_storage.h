// Where a read's block goes after scaling and formulas: the channel database and online files, as
// the storage flag and each channel header's storage mode ask. The read calls this once per block.
#pragma once

#include <cstdint>

namespace tallix {

// Stores the block of the listed channels (the contract of the read's storage in tallix32.h): 0,
// the database's negative status, -411 when a header's block count runs past its IO buffer, or the
// online writer's -302, -303, -304.
int32_t store_block(int32_t count, const int32_t* channels, int32_t block_length);

}  // namespace tallix
