// What the scaling and formula-channel tests share: channels with a block of values in their IO
// buffer, and reading a channel's block back.
#pragma once

#include <vector>

#include "kernel_fixture.h"

namespace scaling_test {

// Gives the channel an IO buffer of `capacity` doubles holding `values` as its last block (read
// block count and current length = their number).
inline void put_block(int32_t channel, const std::vector<double>& values, int32_t capacity = 0) {
  const auto n = static_cast<int32_t>(values.size());
  const int32_t size = capacity > n ? capacity : (n > 0 ? n : 1);
  ASSERT_EQ(QBX_ACQAllocIOBuf(channel, size, 0), 0);
  ASSERT_EQ(QBX_ACQSetIOBufBin(channel, n, values.data()), 0);
  ASSERT_EQ(QBX_ACQSetIOBufCurrLen(channel, n), 0);
}

// The channel's block: its read block count of values from the write offset.
inline std::vector<double> block(int32_t channel) {
  const IOBuf& b = tallix::buffer(channel);
  const int32_t n = tallix::header(channel).read_block_count;
  return std::vector<double>(b.values + b.write_offset, b.values + b.write_offset + n);
}

inline int32_t scale(std::vector<int32_t> channels, int32_t block_length, int32_t pass) {
  return QBX_ACQScaleMultiScan(static_cast<int32_t>(channels.size()), channels.data(), block_length, nullptr, 0,
                               pass);
}

}  // namespace scaling_test
