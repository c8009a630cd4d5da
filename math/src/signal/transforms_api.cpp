// Exports of the array transforms: Four1, RealFFT, TwoFFT, Correl, Convolution and PSDPeriodogram.
// Each checks its arguments and maps the caller's 1-based arrays onto the 0-based transforms of
// fft.cpp (pointer + 1), so element [0] of a caller's array is never touched.
#include <cmath>
#include <vector>

#include "fft.h"
#include "guard.h"
#include "numera32_signal.h"

using namespace numera::signal;

namespace {

bool valid_sign(int32_t sign) { return sign == 1 || sign == -1; }

// Multiplies the half transforms k = 0 .. n/2 of f (data) and r (response, in place in r) as
// Convolution and Correl need them, then transforms r back: r holds n reals afterwards.
// mode: 0 f * conj(r) (correlation), 1 f * r (convolution), 2 f / r (deconvolution).
int32_t combine_and_invert(const double* f, double* r, std::size_t n, int mode) {
  const double half = static_cast<double>(n / 2);
  for (std::size_t k = 0; k <= n / 2; ++k) {
    const double fr = f[2 * k], fi = f[2 * k + 1];
    const double rr = r[2 * k], ri = r[2 * k + 1];
    if (mode == 1) {
      r[2 * k] = (fr * rr - fi * ri) / half;
      r[2 * k + 1] = (fi * rr + fr * ri) / half;
    } else {
      double scale = half;
      if (mode == 2) {
        const double mag2 = rr * rr + ri * ri;
        if (mag2 == 0.0) return kSpectraFailed;
        scale *= mag2;
      }
      r[2 * k] = (fr * rr + fi * ri) / scale;
      r[2 * k + 1] = (fi * rr - fr * ri) / scale;
    }
  }
  // Pack the real Nyquist value next to the zero-frequency one, as the real transform expects.
  r[1] = r[n];
  fft_real(r, n / 2, true);
  return kSpectraOk;
}

}  // namespace

extern "C" {

int32_t Four1(double* data, int32_t n, int32_t sign) {
  if (!data || !is_power_of_two(n) || !valid_sign(sign)) return kSpectraFailed;
  return guarded([&]() -> int32_t {
    fft_complex(data + 1, static_cast<std::size_t>(n), sign == -1);
    return kSpectraOk;
  });
}

int32_t RealFFT(double* data, int32_t n, int32_t sign) {
  if (!data || !is_power_of_two(n) || !valid_sign(sign)) return kSpectraFailed;
  return guarded([&]() -> int32_t {
    fft_real(data + 1, static_cast<std::size_t>(n), sign == -1);
    return kSpectraOk;
  });
}

int32_t TwoFFT(const double* data1, const double* data2, double* fft1, double* fft2, int32_t n) {
  if (!data1 || !data2 || !fft1 || !fft2 || !is_power_of_two(n)) return kSpectraFailed;
  return guarded([&]() -> int32_t {
    fft_two_real(data1 + 1, data2 + 1, fft1 + 1, fft2 + 1, static_cast<std::size_t>(n));
    return kSpectraOk;
  });
}

int32_t Correl(const double* data1, const double* data2, int32_t n, double* ans) {
  if (!data1 || !data2 || !ans || n < 2 || !is_power_of_two(n)) return kSpectraFailed;
  return guarded([&]() -> int32_t {
    const auto un = static_cast<std::size_t>(n);
    std::vector<double> scratch(2 * un + 1);
    double* f = scratch.data() + 1;
    double* out = ans + 1;
    fft_two_real(data1 + 1, data2 + 1, f, out, un);
    return combine_and_invert(f, out, un, 0);
  });
}

int32_t Convolution(const double* data, int32_t n, const double* response, int32_t m, int32_t sign,
                    double* ans) {
  if (!data || !response || !ans || n < 2 || !is_power_of_two(n) || m < 1 || m % 2 == 0 || m > n)
    return kSpectraFailed;
  return guarded([&]() -> int32_t {
    const auto un = static_cast<std::size_t>(n);
    std::vector<double> scratch(2 * un + 1);
    double* f = scratch.data() + 1;
    double* out = ans + 1;
    // The response in wrap-around order, padded with zeros to n, is built in the answer array,
    // which the two-array transform may read as input and overwrite with the response transform.
    const double* r = response + 1;
    const std::size_t half = static_cast<std::size_t>(m - 1) / 2;
    for (std::size_t i = 0; i < un; ++i) out[i] = 0.0;
    for (std::size_t i = 0; i <= half; ++i) out[i] = r[i];
    for (std::size_t i = 1; i <= half; ++i) out[un - i] = r[static_cast<std::size_t>(m) - i];
    fft_two_real(data + 1, out, f, out, un);
    return combine_and_invert(f, out, un, sign == 1 ? 1 : 2);
  });
}

int32_t PSDPeriodogram(const double* re, const double* im, double* out, int32_t n) {
  if (!re || !im || !out || n < 2) return kSpectraFailed;
  const double scale = 2.0 / static_cast<double>(n);
  out[0] = scale * std::sqrt(re[0] * re[0] + im[0] * im[0]);
  for (int32_t k = 1; k < n / 2; ++k) {
    const int32_t m = n - k;
    out[k] = scale * std::sqrt(re[k] * re[k] + im[k] * im[k] + re[m] * re[m] + im[m] * im[m]);
  }
  return kSpectraOk;
}

}  // extern "C"
