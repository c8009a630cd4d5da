// Test helper: takes a binary block reply apart (lead-in, little-endian 16-bit values, trailer).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvane_sim/engine.h"

namespace corvane_sim {

// The values of a block; fails the test when lead-in or trailer are not the block's.
inline std::vector<int16_t> block_values(const std::string& reply) {
  std::vector<int16_t> values;
  EXPECT_GE(reply.size(), 4u);
  if (reply.size() < 4) return values;
  EXPECT_EQ(reply.substr(0, 2), std::string(kBlockLeadIn, 2));
  EXPECT_EQ(reply.substr(reply.size() - 2), std::string(kBlockTrailer, 2));
  EXPECT_EQ(reply.size() % 2, 0u);
  for (size_t i = 2; i + 3 < reply.size(); i += 2) {
    auto lo = static_cast<uint8_t>(reply[i]);
    auto hi = static_cast<uint8_t>(reply[i + 1]);
    values.push_back(static_cast<int16_t>(static_cast<uint16_t>(lo | (hi << 8))));
  }
  return values;
}

}  // namespace corvane_sim
