// In-place radix-4 decimation-in-time FFT on interleaved complex doubles, and the real-valued
// transforms built on it. The data are put in bit-reversed order first; a radix-2 pass follows
// when log2(n) is odd, then radix-4 passes of growing span. Blocks larger than kCacheBlock are
// transformed depth first (each quarter completely, then the pass joining them) so that the
// early passes run on data that stays in the processor's cache.
#include "fft.h"

#include <cmath>
#include <utility>

#include "fft_kernels.h"
#include "fft_twiddles.h"

namespace numera::signal {
namespace {

constexpr std::size_t kCacheBlock = 2048;  // complex values (32 KiB)
constexpr double kTwoPi = 6.283185307179586476925286766559;

const FftKernels& kernels() {
  static const FftKernels& k = [] () -> const FftKernels& {
#if defined(__x86_64__) && defined(__GNUC__)
    const FftKernels* fast = avx2_kernels();
    if (fast && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) return *fast;
#endif
    return scalar_kernels();
  }();
  return k;
}

int log2_of(std::size_t n) {
  int lv = 0;
  while ((std::size_t{1} << lv) < n) ++lv;
  return lv;
}

void bit_reverse(double* z, std::size_t n) {
  std::size_t j = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (i < j) {
      std::swap(z[2 * i], z[2 * j]);
      std::swap(z[2 * i + 1], z[2 * j + 1]);
    }
    std::size_t bit = n >> 1;
    while (bit && (j & bit)) {
      j ^= bit;
      bit >>= 1;
    }
    j |= bit;
  }
}

// One radix-4 pass of span L over n values, with kept twiddles or, for very large spans,
// twiddles computed block by block on the stack.
void pass(const FftKernels& k, double* z, std::size_t n, std::size_t L, bool inverse) {
  if (L == 1) {
    k.radix4_first(z, n, inverse);
    return;
  }
  const int level = log2_of(L);
  if (const double* t = twiddle_table(level)) {
    k.radix4_pass(z, n, L, 0, L, t, t + 2 * L, t + 4 * L, inverse);
    return;
  }
  constexpr std::size_t kBlock = 256;
  double w1[2 * kBlock], w2[2 * kBlock], w3[2 * kBlock];
  for (std::size_t j0 = 0; j0 < L; j0 += kBlock) {
    const std::size_t j1 = j0 + kBlock < L ? j0 + kBlock : L;
    compute_twiddles(L, j0, j1, w1, w2, w3);
    k.radix4_pass(z, n, L, j0, j1, w1, w2, w3, inverse);
  }
}

// All butterfly passes over a bit-reversed block of n values.
void passes(const FftKernels& k, double* z, std::size_t n, bool inverse) {
  if (n > kCacheBlock) {
    const std::size_t q = n / 4;
    for (int i = 0; i < 4; ++i) passes(k, z + 2 * q * i, q, inverse);
    pass(k, z, n, q, inverse);
    return;
  }
  std::size_t L = 1;
  if (log2_of(n) & 1) {
    k.radix2_first(z, n);
    L = 2;
  }
  for (; 4 * L <= n; L *= 4) pass(k, z, n, L, inverse);
}

// exp(+i*pi*k/n) for 0 <= k <= n/2, from the kept table of span n/2 when there is one.
inline void half_turn(const double* table, std::size_t n, std::size_t k, double& c, double& s) {
  if (2 * k == n) {
    c = 0.0;
    s = 1.0;
  } else if (table) {
    c = table[2 * k];
    s = table[2 * k + 1];
  } else {
    const double angle = kTwoPi * static_cast<double>(k) / static_cast<double>(2 * n);
    c = std::cos(angle);
    s = std::sin(angle);
  }
}

}  // namespace

bool is_power_of_two(long long n) { return n > 0 && (n & (n - 1)) == 0; }

void fft_complex(double* z, std::size_t n, bool inverse, const FftKernels& k) {
  if (n < 2) return;
  bit_reverse(z, n);
  passes(k, z, n, inverse);
}

void fft_complex(double* z, std::size_t n, bool inverse) { fft_complex(z, n, inverse, kernels()); }

void fft_real(double* x, std::size_t n, bool inverse) {
  // With z_j = x_2j + i x_2j+1 and Z its n-point transform, the transforms of the even and odd
  // samples are E_k = (Z_k + conj Z_{n-k})/2 and O_k = (Z_k - conj Z_{n-k})/(2i), and the 2n-point
  // transform is F_k = E_k + W^k O_k with W = exp(i*pi/n); F_{n-k} = conj(E_k - W^k O_k).
  const double* table = n >= 2 ? twiddle_table(log2_of(n / 2)) : nullptr;
  if (!inverse) {
    fft_complex(x, n, false);
    const double r0 = x[0], i0 = x[1];
    x[0] = r0 + i0;
    x[1] = r0 - i0;
    for (std::size_t k = 1; 2 * k <= n; ++k) {
      double* a = x + 2 * k;
      double* b = x + 2 * (n - k);
      const double er = 0.5 * (a[0] + b[0]), ei = 0.5 * (a[1] - b[1]);
      const double or_ = 0.5 * (a[1] + b[1]), oi = -0.5 * (a[0] - b[0]);
      double c, s;
      half_turn(table, n, k, c, s);
      const double tr = c * or_ - s * oi, ti = c * oi + s * or_;
      a[0] = er + tr;
      a[1] = ei + ti;
      b[0] = er - tr;
      b[1] = -(ei - ti);
    }
    return;
  }
  // Inverse: E_k = (F_k + conj F_{n-k})/2, O_k = (F_k - conj F_{n-k}) conj(W^k)/2, Z_k = E_k + i O_k.
  const double f0 = x[0], fn = x[1];
  x[0] = 0.5 * (f0 + fn);
  x[1] = 0.5 * (f0 - fn);
  for (std::size_t k = 1; 2 * k <= n; ++k) {
    double* a = x + 2 * k;
    double* b = x + 2 * (n - k);
    const double er = 0.5 * (a[0] + b[0]), ei = 0.5 * (a[1] - b[1]);
    const double dr = 0.5 * (a[0] - b[0]), di = 0.5 * (a[1] + b[1]);
    double c, s;
    half_turn(table, n, k, c, s);
    const double or_ = dr * c + di * s, oi = di * c - dr * s;
    // Z_k = E + iO; Z_{n-k} = conj E + i conj O.
    a[0] = er - oi;
    a[1] = ei + or_;
    b[0] = er + oi;
    b[1] = -ei + or_;
  }
  fft_complex(x, n, true);
}

void fft_two_real(const double* d1, const double* d2, double* f1, double* f2, std::size_t n) {
  for (std::size_t j = 0; j < n; ++j) {
    f1[2 * j] = d1[j];
    f1[2 * j + 1] = d2[j];
  }
  fft_complex(f1, n, false);
  // X1_k = (Z_k + conj Z_{n-k})/2, X2_k = (Z_k - conj Z_{n-k})/(2i), for k and n-k together.
  f2[0] = f1[1];
  f2[1] = 0.0;
  f1[1] = 0.0;
  for (std::size_t k = 1; 2 * k <= n; ++k) {
    double* a = f1 + 2 * k;
    double* b = f1 + 2 * (n - k);
    const double rep = 0.5 * (a[0] + b[0]), rem = 0.5 * (a[0] - b[0]);
    const double ip = 0.5 * (a[1] + b[1]), im = 0.5 * (a[1] - b[1]);
    a[0] = rep;
    a[1] = im;
    b[0] = rep;
    b[1] = -im;
    f2[2 * k] = ip;
    f2[2 * k + 1] = -rem;
    f2[2 * (n - k)] = ip;
    f2[2 * (n - k) + 1] = rem;
  }
}

}  // namespace numera::signal
