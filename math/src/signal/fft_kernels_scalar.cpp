// Portable butterfly passes of the radix-4 FFT (see fft_kernels.h): plain double arithmetic that
// every x86-64 or other processor runs; the compiler may still pair operations into SSE2.
#include "fft_kernels.h"

namespace numera::signal {
namespace {

void radix2_first(double* x, std::size_t n) {
  for (std::size_t j = 0; j < n; j += 2) {
    double* a = x + 2 * j;
    const double br = a[2], bi = a[3];
    a[2] = a[0] - br;
    a[3] = a[1] - bi;
    a[0] += br;
    a[1] += bi;
  }
}

// One radix-4 butterfly on a0..a3 already multiplied by their twiddles (u1 = w^2j*a1,
// u2 = w^j*a2, u3 = w^3j*a3). rot is +1 for the forward direction (multiply by +i), -1 inverse.
inline void butterfly(double* p0, double* p1, double* p2, double* p3, double u1r, double u1i,
                      double u2r, double u2i, double u3r, double u3i, double rot) {
  const double s0r = p0[0] + u1r, s0i = p0[1] + u1i;
  const double d0r = p0[0] - u1r, d0i = p0[1] - u1i;
  const double s1r = u2r + u3r, s1i = u2i + u3i;
  // (+-i) * (u2 - u3)
  const double er = -rot * (u2i - u3i), ei = rot * (u2r - u3r);
  p0[0] = s0r + s1r;
  p0[1] = s0i + s1i;
  p2[0] = s0r - s1r;
  p2[1] = s0i - s1i;
  p1[0] = d0r + er;
  p1[1] = d0i + ei;
  p3[0] = d0r - er;
  p3[1] = d0i - ei;
}

void radix4_first(double* x, std::size_t n, bool inverse) {
  const double rot = inverse ? -1.0 : 1.0;
  for (std::size_t g = 0; g < n; g += 4) {
    double* p = x + 2 * g;
    butterfly(p, p + 2, p + 4, p + 6, p[2], p[3], p[4], p[5], p[6], p[7], rot);
  }
}

void radix4_pass(double* x, std::size_t n, std::size_t L, std::size_t j0, std::size_t j1,
                 const double* w1, const double* w2, const double* w3, bool inverse) {
  const double rot = inverse ? -1.0 : 1.0;
  const double conj = inverse ? -1.0 : 1.0;
  for (std::size_t g = 0; g < n; g += 4 * L) {
    double* base = x + 2 * g;
    for (std::size_t j = j0; j < j1; ++j) {
      const std::size_t t = 2 * (j - j0);
      double* p0 = base + 2 * j;
      double* p1 = p0 + 2 * L;
      double* p2 = p1 + 2 * L;
      double* p3 = p2 + 2 * L;
      const double w1r = w1[t], w1i = conj * w1[t + 1];
      const double w2r = w2[t], w2i = conj * w2[t + 1];
      const double w3r = w3[t], w3i = conj * w3[t + 1];
      const double u1r = p1[0] * w2r - p1[1] * w2i, u1i = p1[0] * w2i + p1[1] * w2r;
      const double u2r = p2[0] * w1r - p2[1] * w1i, u2i = p2[0] * w1i + p2[1] * w1r;
      const double u3r = p3[0] * w3r - p3[1] * w3i, u3i = p3[0] * w3i + p3[1] * w3r;
      butterfly(p0, p1, p2, p3, u1r, u1i, u2r, u2i, u3r, u3i, rot);
    }
  }
}

const FftKernels kScalar{radix2_first, radix4_first, radix4_pass};

}  // namespace

const FftKernels& scalar_kernels() { return kScalar; }

}  // namespace numera::signal
