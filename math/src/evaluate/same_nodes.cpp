// Node comparisons in 16-byte chunks, or in 32-byte chunks on processors with AVX2, folded with one
// ternary-logic instruction per chunk where AVX-512VL is present (chosen once at load). The byte
// count is a template argument, so each comparison is a fixed row of loads; the last chunk overlaps
// the one before it, so no byte beyond the nodes is read.
#include "evaluate/same_nodes.h"

#include "evaluate/runtime_exp.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace numera32::evaluate {

namespace {

constexpr std::size_t kNode = sizeof(FormulaNode);
static_assert(kNode >= 16, "a node holds at least one 16-byte chunk");

using Chunk16 = uint64_t __attribute__((vector_size(16)));

inline Chunk16 difference16(const unsigned char* p, const unsigned char* q) {
  Chunk16 x;
  Chunk16 y;
  std::memcpy(&x, p, sizeof x);
  std::memcpy(&y, q, sizeof y);
  return x ^ y;
}

template <std::size_t Bytes>
bool same_16(const FormulaNode* a, const FormulaNode* b) {
  const auto* p = reinterpret_cast<const unsigned char*>(a);
  const auto* q = reinterpret_cast<const unsigned char*>(b);
  Chunk16 d = {0, 0};
#pragma GCC unroll 64
  for (std::size_t i = 0; i + 16 <= Bytes; i += 16) d |= difference16(p + i, q + i);
  if constexpr (Bytes % 16 != 0) d |= difference16(p + Bytes - 16, q + Bytes - 16);
  return (d[0] | d[1]) == 0;
}

template <std::size_t Bytes>
double check_16(const Instruction* ip, double* reg, Frame& f, const double* arguments, double acc) {
  if (!same_16<Bytes>(f.record->node, f.kept)) [[unlikely]] return run_changed_record(f, Bytes / kNode - 1);
  return ip[1].fn(ip + 1, reg, f, arguments, acc);
}

template <std::size_t... I>
constexpr std::array<SameNodes, sizeof...(I)> table_16(std::index_sequence<I...>) {
  return {&same_16<(I + 1) * kNode>...};
}
template <std::size_t... I>
constexpr std::array<Handler, sizeof...(I)> checks_16(std::index_sequence<I...>) {
  return {&check_16<(I + 1) * kNode>...};
}
constexpr auto kSame16 = table_16(std::make_index_sequence<NUMERA32_FORMULA_NODES>{});
constexpr auto kCheck16 = checks_16(std::make_index_sequence<NUMERA32_FORMULA_NODES>{});

#if defined(__x86_64__)
__attribute__((target("avx2"))) inline __m256i difference32(const unsigned char* p, const unsigned char* q) {
  return _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
                          _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q)));
}

template <std::size_t Bytes>
__attribute__((target("avx2"))) bool same_32(const FormulaNode* a, const FormulaNode* b) {
  if constexpr (Bytes < 32) {
    return same_16<Bytes>(a, b);
  } else {
    const auto* p = reinterpret_cast<const unsigned char*>(a);
    const auto* q = reinterpret_cast<const unsigned char*>(b);
    __m256i d = _mm256_setzero_si256();
#pragma GCC unroll 32
    for (std::size_t i = 0; i + 32 <= Bytes; i += 32) d = _mm256_or_si256(d, difference32(p + i, q + i));
    if constexpr (Bytes % 32 != 0) d = _mm256_or_si256(d, difference32(p + Bytes - 32, q + Bytes - 32));
    return _mm256_testz_si256(d, d) != 0;
  }
}

template <std::size_t Bytes>
__attribute__((target("avx2"))) double check_32(const Instruction* ip, double* reg, Frame& f,
                                                const double* arguments, double acc) {
  if (!same_32<Bytes>(f.record->node, f.kept)) [[unlikely]] return run_changed_record(f, Bytes / kNode - 1);
  return ip[1].fn(ip + 1, reg, f, arguments, acc);
}

template <std::size_t... I>
constexpr std::array<SameNodes, sizeof...(I)> table_32(std::index_sequence<I...>) {
  return {&same_32<(I + 1) * kNode>...};
}
template <std::size_t... I>
constexpr std::array<Handler, sizeof...(I)> checks_32(std::index_sequence<I...>) {
  return {&check_32<(I + 1) * kNode>...};
}
constexpr auto kSame32 = table_32(std::make_index_sequence<NUMERA32_FORMULA_NODES>{});
constexpr auto kCheck32 = checks_32(std::make_index_sequence<NUMERA32_FORMULA_NODES>{});

// With AVX-512VL: one ternary-logic instruction folds a chunk's difference into the sum of the ones
// before, with the chunk of one side read straight from memory.
__attribute__((target("avx2"))) inline __m256i load32(const unsigned char* at) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

template <std::size_t Bytes>
__attribute__((target("avx2,avx512f,avx512vl"))) bool same_vl(const FormulaNode* a, const FormulaNode* b) {
  if constexpr (Bytes < 32) {
    return same_16<Bytes>(a, b);
  } else {
    const auto* p = reinterpret_cast<const unsigned char*>(a);
    const auto* q = reinterpret_cast<const unsigned char*>(b);
    __m256i d = _mm256_xor_si256(load32(p), load32(q));
#pragma GCC unroll 32
    for (std::size_t i = 32; i + 32 <= Bytes; i += 32) d = _mm256_ternarylogic_epi64(d, load32(p + i), load32(q + i), 0xf6);
    if constexpr (Bytes % 32 != 0) {
      d = _mm256_ternarylogic_epi64(d, load32(p + Bytes - 32), load32(q + Bytes - 32), 0xf6);
    }
    return _mm256_testz_si256(d, d) != 0;
  }
}

template <std::size_t Bytes>
__attribute__((target("avx2,avx512f,avx512vl"))) double check_vl(const Instruction* ip, double* reg, Frame& f,
                                                                 const double* arguments, double acc) {
  if (!same_vl<Bytes>(f.record->node, f.kept)) [[unlikely]] return run_changed_record(f, Bytes / kNode - 1);
  return ip[1].fn(ip + 1, reg, f, arguments, acc);
}

template <std::size_t... I>
constexpr std::array<SameNodes, sizeof...(I)> table_vl(std::index_sequence<I...>) {
  return {&same_vl<(I + 1) * kNode>...};
}
template <std::size_t... I>
constexpr std::array<Handler, sizeof...(I)> checks_vl(std::index_sequence<I...>) {
  return {&check_vl<(I + 1) * kNode>...};
}
constexpr auto kSameVl = table_vl(std::make_index_sequence<NUMERA32_FORMULA_NODES>{});
constexpr auto kCheckVl = checks_vl(std::make_index_sequence<NUMERA32_FORMULA_NODES>{});

const bool g_avx2 = __builtin_cpu_supports("avx2");
const bool g_avx512vl = g_avx2 && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
#endif

}  // namespace

SameNodes same_nodes(int count) {
  const auto i = static_cast<std::size_t>(count - 1);
#if defined(__x86_64__)
  if (g_avx512vl) return kSameVl[i];
  if (g_avx2) return kSame32[i];
#endif
  return kSame16[i];
}

std::vector<SameNodes> same_nodes_variants(int count) {
  const auto i = static_cast<std::size_t>(count - 1);
  std::vector<SameNodes> variants = {kSame16[i]};
#if defined(__x86_64__)
  if (g_avx2) variants.push_back(kSame32[i]);
  if (g_avx512vl) variants.push_back(kSameVl[i]);
#endif
  return variants;
}

Handler check_nodes(int count) {
  const auto i = static_cast<std::size_t>(count - 1);
#if defined(__x86_64__)
  if (g_avx512vl) return kCheckVl[i];
  if (g_avx2) return kCheck32[i];
#endif
  return kCheck16[i];
}

}  // namespace numera32::evaluate
