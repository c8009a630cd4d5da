// AVX2/FMA butterfly passes of the radix-4 FFT (see fft_kernels.h): two complex values per
// 256-bit register, complex products by fused multiply-add/subtract. This file is compiled for
// AVX2 (by its build options, and with GCC also by the pragma below) and includes nothing with
// inline code shared with other files, so no AVX2 instruction leaks into code that runs on
// processors without it; fft.cpp calls these kernels only after checking the processor.
#if defined(__x86_64__) && defined(__GNUC__)
#if !defined(__clang__)
#pragma GCC target("avx2,fma")
#endif
#include <immintrin.h>
#endif

#include "fft_kernels.h"

namespace numera::signal {

#if defined(__x86_64__) && defined(__GNUC__)
namespace {

// a * w (conjugated w for the inverse) for two complex values per register.
template <bool Inverse>
__attribute__((always_inline)) inline __m256d cmul(__m256d a, __m256d w) {
  const __m256d wr = _mm256_movedup_pd(w);
  const __m256d wi = _mm256_permute_pd(w, 0xF);
  const __m256d t = _mm256_mul_pd(_mm256_permute_pd(a, 0x5), wi);
  return Inverse ? _mm256_fmsubadd_pd(a, wr, t) : _mm256_fmaddsub_pd(a, wr, t);
}

// +i * d (forward) or -i * d (inverse) for two complex values.
template <bool Inverse>
__attribute__((always_inline)) inline __m256d rot(__m256d d) {
  const __m256d swapped = _mm256_permute_pd(d, 0x5);
  const __m256d mask = Inverse ? _mm256_set_pd(-0.0, 0.0, -0.0, 0.0) : _mm256_set_pd(0.0, -0.0, 0.0, -0.0);
  return _mm256_xor_pd(swapped, mask);
}

template <bool Inverse>
__attribute__((always_inline)) inline void butterfly(double* p0, double* p1, double* p2, double* p3,
                                                     __m256d u1, __m256d u2, __m256d u3) {
  const __m256d a0 = _mm256_loadu_pd(p0);
  const __m256d s0 = _mm256_add_pd(a0, u1), d0 = _mm256_sub_pd(a0, u1);
  const __m256d s1 = _mm256_add_pd(u2, u3), e = rot<Inverse>(_mm256_sub_pd(u2, u3));
  _mm256_storeu_pd(p0, _mm256_add_pd(s0, s1));
  _mm256_storeu_pd(p2, _mm256_sub_pd(s0, s1));
  _mm256_storeu_pd(p1, _mm256_add_pd(d0, e));
  _mm256_storeu_pd(p3, _mm256_sub_pd(d0, e));
}

void radix2_first(double* x, std::size_t n) {
  // Two pairs per iteration: lanes (a, b) of each 128-bit half.
  std::size_t j = 0;
  for (; j + 4 <= n; j += 4) {
    const __m256d v0 = _mm256_loadu_pd(x + 2 * j);      // a0 b0
    const __m256d v1 = _mm256_loadu_pd(x + 2 * j + 4);  // a1 b1
    const __m256d a = _mm256_permute2f128_pd(v0, v1, 0x20);
    const __m256d b = _mm256_permute2f128_pd(v0, v1, 0x31);
    const __m256d s = _mm256_add_pd(a, b), d = _mm256_sub_pd(a, b);
    _mm256_storeu_pd(x + 2 * j, _mm256_permute2f128_pd(s, d, 0x20));
    _mm256_storeu_pd(x + 2 * j + 4, _mm256_permute2f128_pd(s, d, 0x31));
  }
  if (j < n) scalar_kernels().radix2_first(x + 2 * j, n - j);
}

template <bool Inverse>
void radix4_first_t(double* x, std::size_t n) {
  // Two groups of four per iteration, transposed so that each register holds the same element
  // of both groups.
  std::size_t g = 0;
  for (; g + 8 <= n; g += 8) {
    double* p = x + 2 * g;
    const __m256d v0 = _mm256_loadu_pd(p), v1 = _mm256_loadu_pd(p + 4);
    const __m256d v2 = _mm256_loadu_pd(p + 8), v3 = _mm256_loadu_pd(p + 12);
    const __m256d a0 = _mm256_permute2f128_pd(v0, v2, 0x20), a1 = _mm256_permute2f128_pd(v0, v2, 0x31);
    const __m256d a2 = _mm256_permute2f128_pd(v1, v3, 0x20), a3 = _mm256_permute2f128_pd(v1, v3, 0x31);
    const __m256d s0 = _mm256_add_pd(a0, a1), d0 = _mm256_sub_pd(a0, a1);
    const __m256d s1 = _mm256_add_pd(a2, a3), e = rot<Inverse>(_mm256_sub_pd(a2, a3));
    const __m256d c0 = _mm256_add_pd(s0, s1), c2 = _mm256_sub_pd(s0, s1);
    const __m256d c1 = _mm256_add_pd(d0, e), c3 = _mm256_sub_pd(d0, e);
    _mm256_storeu_pd(p, _mm256_permute2f128_pd(c0, c1, 0x20));
    _mm256_storeu_pd(p + 4, _mm256_permute2f128_pd(c2, c3, 0x20));
    _mm256_storeu_pd(p + 8, _mm256_permute2f128_pd(c0, c1, 0x31));
    _mm256_storeu_pd(p + 12, _mm256_permute2f128_pd(c2, c3, 0x31));
  }
  if (g < n) scalar_kernels().radix4_first(x + 2 * g, n - g, Inverse);
}

void radix4_first(double* x, std::size_t n, bool inverse) {
  inverse ? radix4_first_t<true>(x, n) : radix4_first_t<false>(x, n);
}

template <bool Inverse>
void radix4_pass_t(double* x, std::size_t n, std::size_t L, std::size_t j0, std::size_t j1,
                   const double* w1, const double* w2, const double* w3) {
  // L >= 2 and j0, j1 even here, so butterflies go two at a time.
  for (std::size_t g = 0; g < n; g += 4 * L) {
    double* base = x + 2 * g;
    for (std::size_t j = j0; j < j1; j += 2) {
      const std::size_t t = 2 * (j - j0);
      double* p0 = base + 2 * j;
      double* p1 = p0 + 2 * L;
      double* p2 = p1 + 2 * L;
      double* p3 = p2 + 2 * L;
      const __m256d u1 = cmul<Inverse>(_mm256_loadu_pd(p1), _mm256_loadu_pd(w2 + t));
      const __m256d u2 = cmul<Inverse>(_mm256_loadu_pd(p2), _mm256_loadu_pd(w1 + t));
      const __m256d u3 = cmul<Inverse>(_mm256_loadu_pd(p3), _mm256_loadu_pd(w3 + t));
      butterfly<Inverse>(p0, p1, p2, p3, u1, u2, u3);
    }
  }
}

void radix4_pass(double* x, std::size_t n, std::size_t L, std::size_t j0, std::size_t j1,
                 const double* w1, const double* w2, const double* w3, bool inverse) {
  if (L < 2 || (j0 | j1) & 1) {
    scalar_kernels().radix4_pass(x, n, L, j0, j1, w1, w2, w3, inverse);
    return;
  }
  inverse ? radix4_pass_t<true>(x, n, L, j0, j1, w1, w2, w3)
          : radix4_pass_t<false>(x, n, L, j0, j1, w1, w2, w3);
}

const FftKernels kAvx2{radix2_first, radix4_first, radix4_pass};

}  // namespace

const FftKernels* avx2_kernels() { return &kAvx2; }

#else

const FftKernels* avx2_kernels() { return nullptr; }

#endif

}  // namespace numera::signal
