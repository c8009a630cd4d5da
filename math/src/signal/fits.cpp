// Least-squares fits over database channels: straight line (LinFit), exponential and logarithmic
// models by linearisation (SimpleFit), polynomials by the normal equations (PolyFit); and Pearson's
// correlation coefficient with Fisher's z on arrays in memory (ComputeLinCorrCof).
#include <algorithm>
#include <cmath>
#include <vector>

#include "channel_io.h"
#include "guard.h"
#include "line_fit.h"
#include "linear_solve.h"
#include "numera32_signal.h"

namespace numera::signal {

bool fit_line(const double* x, const double* y, std::size_t n, LineFit& out) {
  if (n == 0) return false;
  double sx = 0, sy = 0;
  for (std::size_t i = 0; i < n; ++i) {
    sx += x[i];
    sy += y[i];
  }
  const double mean = sx / static_cast<double>(n);
  double st2 = 0, sty = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double t = x[i] - mean;
    st2 += t * t;
    sty += t * y[i];
  }
  if (!(st2 > 0.0)) return false;
  const double dn = static_cast<double>(n);
  out.b = sty / st2;
  out.a = (sy - sx * out.b) / dn;
  out.sig_a = std::sqrt((1.0 + sx * sx / (dn * st2)) / dn);
  out.sig_b = std::sqrt(1.0 / st2);
  return true;
}

namespace {

// x = centre + spread * t with t in [-1, 1]; ok false when every x is the same (spread 1 then).
struct Standardised {
  double centre = 0.0;
  double spread = 1.0;
  bool ok = false;
};

Standardised standardise(const std::vector<double>& x) {
  Standardised s;
  const auto [lo, hi] = std::minmax_element(x.begin(), x.end());
  s.centre = *lo + (*hi - *lo) / 2;
  const double half = (*hi - *lo) / 2;
  s.ok = half > 0.0 && std::isfinite(half);
  if (s.ok) s.spread = half;
  return s;
}

// Turns coefficients of a polynomial in t = (x - centre) / spread (constant first) into those of
// the same polynomial in x: divide coefficient k by spread^k (a polynomial in x - centre), then
// shift the origin by repeated synthetic division (the Taylor shift).
void to_power_basis(std::vector<double>& c, const Standardised& s) {
  double scale = 1.0;
  for (double& ck : c) {
    ck /= scale;
    scale *= s.spread;
  }
  const std::size_t degree = c.size() - 1;
  for (std::size_t i = 0; i < degree; ++i)
    for (std::size_t j = degree; j-- > i;) c[j] -= s.centre * c[j + 1];
}

// Slope and intercept of v = s*u + c by centred sums; false when u does not vary.
bool fit_centred(const std::vector<double>& u, const std::vector<double>& v, double& s, double& c) {
  const double n = static_cast<double>(u.size());
  double mu = 0, mv = 0;
  for (std::size_t i = 0; i < u.size(); ++i) {
    mu += u[i];
    mv += v[i];
  }
  mu /= n;
  mv /= n;
  double suu = 0, suv = 0;
  for (std::size_t i = 0; i < u.size(); ++i) {
    suu += (u[i] - mu) * (u[i] - mu);
    suv += (u[i] - mu) * (v[i] - mv);
  }
  if (!(suu > 0.0)) return false;
  s = suv / suu;
  c = mv - s * mu;
  return true;
}

// Reads rows 1 .. n of both channels; false on any database failure.
bool read_pair(int32_t xc, int32_t yc, int32_t n, std::vector<double>& x, std::vector<double>& y) {
  return db::read_rows(xc, n, x) == 0 && db::read_rows(yc, n, y) == 0;
}

}  // namespace
}  // namespace numera::signal

using namespace numera::signal;

extern "C" {

int32_t LinFit(int32_t x_channel, int32_t y_channel, double* a, double* b, double* sig_a, double* sig_b) {
  if (!a || !b || !sig_a || !sig_b) return kSpectraFailed;
  return guarded([&]() -> int32_t {
    const int32_t n = std::min(db::length(x_channel), db::length(y_channel));
    if (n < 1) return kSpectraFailed;
    std::vector<double> x, y;
    if (!read_pair(x_channel, y_channel, n, x, y)) return kSpectraFailed;
    LineFit fit;
    if (!fit_line(x.data(), y.data(), x.size(), fit)) return kSpectraFailed;
    *a = fit.a;
    *b = fit.b;
    *sig_a = fit.sig_a;
    *sig_b = fit.sig_b;
    return kSpectraOk;
  });
}

int32_t SimpleFit(int32_t mode, int32_t x_channel, int32_t y_channel, double* a, double* b) {
  if (mode != 1 && mode != 2) return kSpectraOk;
  if (!a || !b) return kSpectraFailed;
  return guarded([&]() -> int32_t {
    const int32_t n = db::length(y_channel);
    if (n < 1) return kSpectraFailed;
    std::vector<double> x, y;
    if (!read_pair(x_channel, y_channel, n, x, y)) return kSpectraFailed;
    double s = 0, c = 0;
    if (mode == 1) {
      // y = a*exp(b*x): ln y = ln a + b*x.
      for (auto& v : y) {
        if (!(v > 0.0)) return kSpectraFailed;
        v = std::log(v);
      }
      if (!fit_centred(x, y, s, c)) return kSpectraFailed;
      *a = std::exp(c);
      *b = s;
      return kSpectraOk;
    }
    // y = a*ln(b*x) = a*ln x + a*ln b: a = s, b = exp(c/s).
    for (auto& v : x) {
      if (!(v > 0.0)) return kSpectraFailed;
      v = std::log(v);
    }
    if (!fit_centred(x, y, s, c) || s == 0.0) return kSpectraFailed;
    *a = s;
    *b = std::exp(c / s);
    return kSpectraOk;
  });
}

int32_t PolyFit(int32_t x_channel, int32_t y_channel, int32_t degree, double* coeffs) {
  if (!coeffs || degree < 0) return kSpectraFailed;
  return guarded([&]() -> int32_t {
    const int32_t n = db::length(x_channel);
    // Fewer points than coefficients can never determine the polynomial.
    if (n < 1 || static_cast<int64_t>(degree) + 1 > n) return kSpectraFailed;
    std::vector<double> x, y;
    if (!read_pair(x_channel, y_channel, n, x, y)) return kSpectraFailed;
    const std::size_t size = static_cast<std::size_t>(degree) + 1;
    // The system is formed in t = (x - centre) / spread, which lies in [-1, 1]: powers of x far
    // from the origin (x = 1e8, or x^4 at x = 1000) would make a well-posed fit look singular.
    const Standardised t = standardise(x);
    if (!t.ok && degree > 0) return kSpectraFailed;  // every x equal: only a constant is determined
    std::vector<double> a(size * size, 0.0), rhs(size, 0.0), powers(2 * size - 1);
    for (std::size_t i = 0; i < x.size(); ++i) {
      double p = 1.0;
      const double ti = (x[i] - t.centre) / t.spread;
      for (std::size_t k = 0; k < powers.size(); ++k) {
        powers[k] = p;
        p *= ti;
      }
      for (std::size_t r = 0; r < size; ++r) {
        rhs[r] += y[i] * powers[r];
        for (std::size_t c = 0; c < size; ++c) a[r * size + c] += powers[r + c];
      }
    }
    if (!gauss_jordan_normal(a, size, rhs)) return kSpectraFailed;
    to_power_basis(rhs, t);
    for (std::size_t k = 0; k < size; ++k) coeffs[1 + k] = rhs[k];
    return kSpectraOk;
  });
}

int32_t ComputeLinCorrCof(int32_t n, const double* x, const double* y, double* r, double* unused,
                          double* z) {
  (void)unused;
  if (!x || !y || !r || !z || n < 2) return kSpectraFailed;
  double mx = 0, my = 0;
  for (int32_t i = 0; i < n; ++i) {
    mx += x[i];
    my += y[i];
  }
  mx /= n;
  my /= n;
  double sxx = 0, syy = 0, sxy = 0;
  for (int32_t i = 0; i < n; ++i) {
    const double dx = x[i] - mx, dy = y[i] - my;
    sxx += dx * dx;
    syy += dy * dy;
    sxy += dx * dy;
  }
  if (!(sxx > 0.0) || !(syy > 0.0)) return kSpectraFailed;
  // Rounding may carry |r| a hair past 1, where the logarithm below would have no value.
  const double rr = std::clamp(sxy / std::sqrt(sxx * syy), -1.0, 1.0);
  *r = rr;
  *z = 0.5 * std::log((1.0 + rr) / ((1.0 - rr) + 1e-20));
  return kSpectraOk;
}

}  // extern "C"
