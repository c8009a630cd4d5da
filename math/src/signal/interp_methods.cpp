// Interpolation through the few points of a window: Neville's polynomial scheme, the
// Bulirsch-Stoer diagonal rational function, a natural cubic spline and a straight line.
#include "interp_methods.h"

#include <cmath>

#include "numera32_signal.h"

namespace numera::signal {
namespace {

constexpr std::size_t kMaxWindow = 8;

// Index of the window point nearest to x (the tableau starts from it).
std::size_t nearest(const double* xs, std::size_t n, double x) {
  std::size_t ns = 0;
  for (std::size_t i = 1; i < n; ++i)
    if (std::fabs(x - xs[i]) < std::fabs(x - xs[ns])) ns = i;
  return ns;
}

bool has_equal_x(const double* xs, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j)
      if (xs[i] == xs[j]) return true;
  return false;
}

// Walks the tableau from the nearest point: the correction taken at level m is c[ns+1] while the
// path can still go down, else d[ns] (moving up).
// d starts at ys + d_offset.
template <class Update>
double tableau(const double* ys, std::size_t n, std::size_t start, double* c, double* d, double d_offset,
               Update update, bool& failed) {
  for (std::size_t i = 0; i < n; ++i) {
    c[i] = ys[i];
    d[i] = ys[i] + d_offset;
  }
  long ns = static_cast<long>(start);
  double y = ys[ns--];
  for (std::size_t m = 1; m < n; ++m) {
    for (std::size_t i = 0; i + m < n; ++i)
      if (!update(i, m)) {
        failed = true;
        return 0.0;
      }
    y += 2 * (ns + 1) < static_cast<long>(n - m) ? c[ns + 1] : d[ns--];
  }
  return y;
}

int32_t neville(const double* xs, const double* ys, std::size_t n, double x, double& y) {
  double c[kMaxWindow], d[kMaxWindow];
  bool failed = false;
  y = tableau(ys, n, nearest(xs, n, x), c, d, 0.0, [&](std::size_t i, std::size_t m) {
    const double ho = xs[i] - x, hp = xs[i + m] - x;
    const double den = (c[i + 1] - d[i]) / (ho - hp);
    d[i] = hp * den;
    c[i] = ho * den;
    return true;
  }, failed);
  return kSpectraOk;
}

int32_t rational(const double* xs, const double* ys, std::size_t n, double x, double& y) {
  constexpr double kTiny = 1e-25;  // keeps a zero numerator from giving 0/0
  for (std::size_t i = 0; i < n; ++i)
    if (x == xs[i]) {
      y = ys[i];
      return kSpectraOk;
    }
  double c[kMaxWindow], d[kMaxWindow];
  bool failed = false;
  y = tableau(ys, n, nearest(xs, n, x), c, d, kTiny, [&](std::size_t i, std::size_t m) {
    const double w = c[i + 1] - d[i];
    const double h = xs[i + m] - x;
    const double t = (xs[i] - x) * d[i] / h;
    double dd = t - c[i + 1];
    if (dd == 0.0) return false;
    dd = w / dd;
    d[i] = c[i + 1] * dd;
    c[i] = t * dd;
    return true;
  }, failed);
  return failed ? kSpectraPole : kSpectraOk;
}

int32_t natural_spline(const double* xs, const double* ys, std::size_t n, double x, double& y) {
  double y2[kMaxWindow], u[kMaxWindow];
  y2[0] = u[0] = 0.0;
  for (std::size_t i = 1; i + 1 < n; ++i) {
    const double sig = (xs[i] - xs[i - 1]) / (xs[i + 1] - xs[i - 1]);
    const double p = sig * y2[i - 1] + 2.0;
    y2[i] = (sig - 1.0) / p;
    const double slope_diff = (ys[i + 1] - ys[i]) / (xs[i + 1] - xs[i]) - (ys[i] - ys[i - 1]) / (xs[i] - xs[i - 1]);
    u[i] = (6.0 * slope_diff / (xs[i + 1] - xs[i - 1]) - sig * u[i - 1]) / p;
  }
  y2[n - 1] = 0.0;
  for (std::size_t k = n - 1; k-- > 0;) y2[k] = y2[k] * y2[k + 1] + u[k];
  std::size_t lo = 0, hi = n - 1;
  while (hi - lo > 1) {
    const std::size_t mid = (hi + lo) / 2;
    (xs[mid] > x ? hi : lo) = mid;
  }
  const double h = xs[hi] - xs[lo];
  const double a = (xs[hi] - x) / h, b = (x - xs[lo]) / h;
  y = a * ys[lo] + b * ys[hi] + ((a * a * a - a) * y2[lo] + (b * b * b - b) * y2[hi]) * h * h / 6.0;
  return kSpectraOk;
}

int32_t straight_line(const double* xs, const double* ys, std::size_t n, double x, double& y) {
  // The two points around x (the outer pair when x lies outside the window).
  std::size_t i = 0;
  while (i + 2 < n && x > xs[i + 1]) ++i;
  double x0 = xs[i];
  const double x1 = xs[i + 1];
  if (x0 == x1) x0 -= 1e-8;
  y = ys[i] + (x - x0) * (ys[i + 1] - ys[i]) / (x1 - x0);
  return kSpectraOk;
}

}  // namespace

int32_t interpolate_window(int method, const double* xs, const double* ys, std::size_t n, double x, double& y) {
  if (n < 2 || n > kMaxWindow) return kSpectraFailed;
  switch (method) {
    case kInterpPolynomial:
      return has_equal_x(xs, n) ? kSpectraEqualX : neville(xs, ys, n, x, y);
    case kInterpRational:
      return has_equal_x(xs, n) ? kSpectraEqualX : rational(xs, ys, n, x, y);
    case kInterpSpline:
      return has_equal_x(xs, n) ? kSpectraEqualX : natural_spline(xs, ys, n, x, y);
    case kInterpLinear:
      return straight_line(xs, ys, n, x, y);
    default:
      return kSpectraBadMethod;
  }
}

}  // namespace numera::signal
