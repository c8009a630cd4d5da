// The node comparisons that decide whether a kept program still fits its record, in every variant
// the processor runs, for every node count: each bit of the nodes counts, and no byte beyond them is
// read (the nodes end their heap block, where the address sanitizer catches a read past them).
#include "evaluate/same_nodes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

#include "evaluate/runtime_exp.h"

namespace numera32::evaluate {

// The check instructions' way out for a changed record; these tests call the comparisons only.
double run_changed_record(Frame&, int) { return 0.0; }

}  // namespace numera32::evaluate

namespace {

using numera32::evaluate::SameNodes;

TEST(SameNodes, EveryBitOfEveryNodeCounts) {
  std::mt19937 random(17);
  for (int count = 1; count <= NUMERA32_FORMULA_NODES; ++count) {
    const std::size_t bytes = sizeof(FormulaNode) * static_cast<std::size_t>(count);
    auto a = std::make_unique<unsigned char[]>(bytes);
    auto b = std::make_unique<unsigned char[]>(bytes);
    for (std::size_t i = 0; i < bytes; ++i) a[i] = static_cast<unsigned char>(random());
    std::memcpy(b.get(), a.get(), bytes);
    const auto* x = reinterpret_cast<const FormulaNode*>(a.get());
    const auto* y = reinterpret_cast<const FormulaNode*>(b.get());
    const auto variants = numera32::evaluate::same_nodes_variants(count);
    ASSERT_FALSE(variants.empty());
    EXPECT_EQ(numera32::evaluate::same_nodes(count), variants.back()) << "the widest variant is chosen";
    for (std::size_t v = 0; v < variants.size(); ++v) {
      const SameNodes same = variants[v];
      ASSERT_TRUE(same(x, y)) << count << " nodes, variant " << v;
      for (std::size_t byte = 0; byte < bytes; ++byte) {
        for (int bit = 0; bit < 8; ++bit) {
          b[byte] ^= static_cast<unsigned char>(1u << bit);
          ASSERT_FALSE(same(x, y)) << count << " nodes, variant " << v << ", byte " << byte << " bit " << bit;
          ASSERT_FALSE(same(y, x)) << count << " nodes, variant " << v << ", byte " << byte << " bit " << bit;
          b[byte] ^= static_cast<unsigned char>(1u << bit);
        }
      }
      ASSERT_TRUE(same(x, y)) << count << " nodes, variant " << v;
    }
  }
}

}  // namespace
