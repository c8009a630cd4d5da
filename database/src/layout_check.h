// Soundness check of a database file's description table before anything of it is used.
#pragma once

#include <cstdint>

#include "storix32.h"

namespace storix {

// True when n (1..4065) descriptions describe a file of `file_size` bytes that the database can work
// on: known kinds, numeric element size 8 and text element size at least 1, maximum lengths
// 1..2000000000, lengths 0..maximum, and data areas inside [1000000, file_size) that do not overlap.
bool layout_is_sound(int32_t n, const DbChannelHeader* headers, int64_t file_size);

}  // namespace storix
