// Node comparisons in 16-byte chunks, or in 32-byte chunks on processors with AVX2, folded with one
// ternary-logic instruction per chunk where AVX-512VL is present (chosen once at load). The byte
// count is a template argument, so each comparison is a fixed row of loads; the last chunk overlaps
// the one before it, so no byte beyond the nodes is read.
#include "evaluate/same_nodes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "evaluate/runtime_exp.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace numera32::evaluate {

namespace {

constexpr std::size_t kNode = sizeof(FormulaNode);
static_assert(kNode >= 16, "a node holds at least one 16-byte chunk");

// The check instruction's way on: the next instruction, or the record as it is now.
[[gnu::always_inline]] inline double go_on(bool same, std::size_t bytes, const Instruction* ip, double* reg, Frame& f,
                                           const double* arguments, double acc) {
  if (!same) [[unlikely]] return run_changed_record(f, static_cast<int>(bytes / kNode) - 1);
  return ip[1].fn(ip + 1, reg, f, arguments, acc);
}

// Each width below: same<Bytes> compares the first Bytes bytes at a and b; check<Bytes> is the check
// instruction of a program of Bytes / kNode nodes.
using Chunk16 = uint64_t __attribute__((vector_size(16)));

struct Width16 {
  static Chunk16 difference(const unsigned char* p, const unsigned char* q) {
    Chunk16 x;
    Chunk16 y;
    std::memcpy(&x, p, sizeof x);
    std::memcpy(&y, q, sizeof y);
    return x ^ y;
  }

  template <std::size_t Bytes>
  static bool same(const FormulaNode* a, const FormulaNode* b) {
    const auto* p = reinterpret_cast<const unsigned char*>(a);
    const auto* q = reinterpret_cast<const unsigned char*>(b);
    Chunk16 d = {0, 0};
#pragma GCC unroll 64
    for (std::size_t i = 0; i + 16 <= Bytes; i += 16) d |= difference(p + i, q + i);
    if constexpr (Bytes % 16 != 0) d |= difference(p + Bytes - 16, q + Bytes - 16);
    return (d[0] | d[1]) == 0;
  }

  template <std::size_t Bytes>
  static double check(const Instruction* ip, double* reg, Frame& f, const double* arguments, double acc) {
    return go_on(same<Bytes>(f.record->node, f.kept), Bytes, ip, reg, f, arguments, acc);
  }
};

#if defined(__x86_64__)
__attribute__((target("avx2"))) inline __m256i load32(const unsigned char* at) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

struct Width32 {
  template <std::size_t Bytes>
  __attribute__((target("avx2"))) static bool same(const FormulaNode* a, const FormulaNode* b) {
    if constexpr (Bytes < 32) {
      return Width16::same<Bytes>(a, b);
    } else {
      const auto* p = reinterpret_cast<const unsigned char*>(a);
      const auto* q = reinterpret_cast<const unsigned char*>(b);
      __m256i d = _mm256_setzero_si256();
#pragma GCC unroll 32
      for (std::size_t i = 0; i + 32 <= Bytes; i += 32) d = _mm256_or_si256(d, _mm256_xor_si256(load32(p + i), load32(q + i)));
      if constexpr (Bytes % 32 != 0) {
        d = _mm256_or_si256(d, _mm256_xor_si256(load32(p + Bytes - 32), load32(q + Bytes - 32)));
      }
      return _mm256_testz_si256(d, d) != 0;
    }
  }

  template <std::size_t Bytes>
  __attribute__((target("avx2"))) static double check(const Instruction* ip, double* reg, Frame& f,
                                                       const double* arguments, double acc) {
    return go_on(same<Bytes>(f.record->node, f.kept), Bytes, ip, reg, f, arguments, acc);
  }
};

// One ternary-logic instruction folds a chunk's difference into the sum of the ones before, with
// the chunk of one side read straight from memory.
struct WidthVl {
  template <std::size_t Bytes>
  __attribute__((target("avx2,avx512f,avx512vl"))) static bool same(const FormulaNode* a, const FormulaNode* b) {
    if constexpr (Bytes < 32) {
      return Width16::same<Bytes>(a, b);
    } else {
      const auto* p = reinterpret_cast<const unsigned char*>(a);
      const auto* q = reinterpret_cast<const unsigned char*>(b);
      __m256i d = _mm256_xor_si256(load32(p), load32(q));
#pragma GCC unroll 32
      for (std::size_t i = 32; i + 32 <= Bytes; i += 32) {
        d = _mm256_ternarylogic_epi64(d, load32(p + i), load32(q + i), 0xf6);  // d | (p ^ q)
      }
      if constexpr (Bytes % 32 != 0) {
        d = _mm256_ternarylogic_epi64(d, load32(p + Bytes - 32), load32(q + Bytes - 32), 0xf6);
      }
      return _mm256_testz_si256(d, d) != 0;
    }
  }

  template <std::size_t Bytes>
  __attribute__((target("avx2,avx512f,avx512vl"))) static double check(const Instruction* ip, double* reg, Frame& f,
                                                                       const double* arguments, double acc) {
    return go_on(same<Bytes>(f.record->node, f.kept), Bytes, ip, reg, f, arguments, acc);
  }
};
#endif

// The comparisons and check instructions of one width for 1..NUMERA32_FORMULA_NODES nodes.
template <typename W>
struct Tables {
  std::array<SameNodes, NUMERA32_FORMULA_NODES> same;
  std::array<Handler, NUMERA32_FORMULA_NODES> check;
};

template <typename W, std::size_t... I>
constexpr Tables<W> tables_of(std::index_sequence<I...>) {
  return {{&W::template same<(I + 1) * kNode>...}, {&W::template check<(I + 1) * kNode>...}};
}

template <typename W>
constexpr Tables<W> kTables = tables_of<W>(std::make_index_sequence<NUMERA32_FORMULA_NODES>{});

#if defined(__x86_64__)
const bool g_avx2 = __builtin_cpu_supports("avx2");
const bool g_avx512vl = g_avx2 && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
#endif

}  // namespace

SameNodes same_nodes(int count) {
  const auto i = static_cast<std::size_t>(count - 1);
#if defined(__x86_64__)
  if (g_avx512vl) return kTables<WidthVl>.same[i];
  if (g_avx2) return kTables<Width32>.same[i];
#endif
  return kTables<Width16>.same[i];
}

std::vector<SameNodes> same_nodes_variants(int count) {
  const auto i = static_cast<std::size_t>(count - 1);
  std::vector<SameNodes> variants = {kTables<Width16>.same[i]};
#if defined(__x86_64__)
  if (g_avx2) variants.push_back(kTables<Width32>.same[i]);
  if (g_avx512vl) variants.push_back(kTables<WidthVl>.same[i]);
#endif
  return variants;
}

Handler check_nodes(int count) {
  const auto i = static_cast<std::size_t>(count - 1);
#if defined(__x86_64__)
  if (g_avx512vl) return kTables<WidthVl>.check[i];
  if (g_avx2) return kTables<Width32>.check[i];
#endif
  return kTables<Width16>.check[i];
}

}  // namespace numera32::evaluate
