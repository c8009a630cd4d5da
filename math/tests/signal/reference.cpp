// Direct-sum references (see reference.h).
#include "reference.h"

#include <cmath>
#include <random>

namespace ref {

namespace {
constexpr long double kTwoPi = 6.283185307179586476925286766559005768L;
}

void dft_bin(const double* z, std::size_t n, std::size_t k, int sign, double& re, double& im) {
  long double sr = 0, si = 0;
  for (std::size_t j = 0; j < n; ++j) {
    // The angle is reduced exactly (integer modulo) and evaluated in double: per-term error ~1e-16.
    const double a = static_cast<double>(sign * kTwoPi * static_cast<long double>((j * k) % n) / n);
    const long double c = std::cos(a), s = std::sin(a);
    sr += z[2 * j] * c - z[2 * j + 1] * s;
    si += z[2 * j] * s + z[2 * j + 1] * c;
  }
  re = static_cast<double>(sr);
  im = static_cast<double>(si);
}

std::vector<double> dft(const std::vector<double>& z, int sign) {
  const std::size_t n = z.size() / 2;
  // exp(sign*2*pi*i*m/n) for m = 0 .. n-1; entry (j*k) mod n is the factor of z_j in X_k.
  std::vector<long double> c(n), s(n);
  for (std::size_t m = 0; m < n; ++m) {
    const long double a = sign * kTwoPi * static_cast<long double>(m) / n;
    c[m] = std::cos(a);
    s[m] = std::sin(a);
  }
  std::vector<double> out(2 * n);
  for (std::size_t k = 0; k < n; ++k) {
    long double sr = 0, si = 0;
    std::size_t m = 0;
    for (std::size_t j = 0; j < n; ++j) {
      sr += z[2 * j] * c[m] - z[2 * j + 1] * s[m];
      si += z[2 * j] * s[m] + z[2 * j + 1] * c[m];
      m += k;
      if (m >= n) m -= n;
    }
    out[2 * k] = static_cast<double>(sr);
    out[2 * k + 1] = static_cast<double>(si);
  }
  return out;
}

std::vector<double> correlation(const std::vector<double>& a, const std::vector<double>& b) {
  const std::size_t n = a.size();
  std::vector<double> c(n);
  for (std::size_t j = 0; j < n; ++j) {
    long double s = 0;
    for (std::size_t k = 0; k < n; ++k) s += static_cast<long double>(a[(j + k) % n]) * b[k];
    c[j] = static_cast<double>(s);
  }
  return c;
}

std::vector<double> convolution(const std::vector<double>& s, const std::vector<double>& lag_values,
                                int half) {
  const long n = static_cast<long>(s.size());
  std::vector<double> y(n);
  for (long j = 0; j < n; ++j) {
    long double sum = 0;
    for (long k = -half; k <= half; ++k) {
      const long idx = ((j - k) % n + n) % n;
      sum += static_cast<long double>(lag_values[k + half]) * s[idx];
    }
    y[j] = static_cast<double>(sum);
  }
  return y;
}

std::vector<double> random_values(std::size_t n, std::uint32_t seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  std::vector<double> v(n);
  for (auto& x : v) x = dist(gen);
  return v;
}

double relative_error(const double* a, const double* b, std::size_t n) {
  double worst = 0, scale = 0;
  for (std::size_t i = 0; i < n; ++i) {
    worst = std::fmax(worst, std::fabs(a[i] - b[i]));
    scale = std::fmax(scale, std::fabs(b[i]));
  }
  return scale > 0 ? worst / scale : worst;
}

}  // namespace ref
