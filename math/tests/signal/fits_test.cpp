// LinFit, SimpleFit, PolyFit and ComputeLinCorrCof against closed-form least squares written in
// the textbook determinant form, exact recovery of model parameters, and the refusals.
#include <gtest/gtest.h>

#include <cmath>

#include "channel_fixture.h"
#include "numera32_signal.h"
#include "reference.h"

namespace {

using Fits = ChannelDb;

// Closed-form straight line: b = (n Sxy - Sx Sy)/D, a = (Sxx Sy - Sx Sxy)/D, D = n Sxx - Sx^2;
// sigma_a^2 = Sxx/D, sigma_b^2 = n/D.
struct Closed {
  long double a, b, sa, sb;
};
Closed closed_line(const std::vector<double>& x, const std::vector<double>& y) {
  long double n = x.size(), sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    sx += x[i];
    sy += y[i];
    sxx += (long double)x[i] * x[i];
    sxy += (long double)x[i] * y[i];
  }
  const long double d = n * sxx - sx * sx;
  return {(sxx * sy - sx * sxy) / d, (n * sxy - sx * sy) / d, std::sqrt(sxx / d), std::sqrt(n / d)};
}

std::vector<double> noisy(const std::vector<double>& x, double (*f)(double), std::uint32_t seed, double amp) {
  const auto e = ref::random_values(x.size(), seed);
  std::vector<double> y(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) y[i] = f(x[i]) + amp * e[i];
  return y;
}

std::vector<double> grid(int n, double from, double step) {
  std::vector<double> x(n);
  for (int i = 0; i < n; ++i) x[i] = from + i * step;
  return x;
}

TEST_F(Fits, LinFitMatchesClosedFormOverTheCommonRows) {
  const auto x = grid(400, -3.0, 0.05);
  const auto y = noisy(x, [](double v) { return 2.5 - 0.75 * v; }, 1, 0.2);
  put(1, x);
  put(2, std::vector<double>(y.begin(), y.begin() + 350));  // y shorter: 350 common rows
  double a, b, sa, sb;
  ASSERT_EQ(LinFit(1, 2, &a, &b, &sa, &sb), 0);
  const auto c = closed_line(std::vector<double>(x.begin(), x.begin() + 350), std::vector<double>(y.begin(), y.begin() + 350));
  EXPECT_NEAR(a, (double)c.a, 1e-12);
  EXPECT_NEAR(b, (double)c.b, 1e-12);
  EXPECT_NEAR(sa, (double)c.sa, 1e-12);
  EXPECT_NEAR(sb, (double)c.sb, 1e-12);
}

TEST_F(Fits, LinFitRefusesEmptyAndVerticalData) {
  double a = 0, b = 0, sa = 0, sb = 0;
  put(1, {1, 2, 3});
  EXPECT_EQ(LinFit(1, 2, &a, &b, &sa, &sb), kSpectraFailed);  // empty y
  put(2, {4, 5, 6});
  put(3, {2, 2, 2});
  EXPECT_EQ(LinFit(3, 2, &a, &b, &sa, &sb), kSpectraFailed);  // every x equal: no line
  EXPECT_EQ(LinFit(1, 99, &a, &b, &sa, &sb), kSpectraFailed);
  EXPECT_EQ(LinFit(1, 2, nullptr, &b, &sa, &sb), kSpectraFailed);
}

TEST_F(Fits, SimpleFitRecoversExactModelsAndMatchesLogLinearClosedForm) {
  const auto x = grid(50, 0.1, 0.1);
  std::vector<double> ye, yl;
  for (double v : x) {
    ye.push_back(3.0 * std::exp(-1.7 * v));
    yl.push_back(2.0 * std::log(4.0 * v));
  }
  put(1, x);
  put(2, ye);
  put(3, yl);
  double a = 0, b = 0;
  ASSERT_EQ(SimpleFit(1, 1, 2, &a, &b), 0);
  EXPECT_NEAR(a, 3.0, 1e-12);
  EXPECT_NEAR(b, -1.7, 1e-12);
  ASSERT_EQ(SimpleFit(2, 1, 3, &a, &b), 0);
  EXPECT_NEAR(a, 2.0, 1e-12);
  EXPECT_NEAR(b, 4.0, 1e-11);
  // Noisy exponential: the closed-form line through (x, ln y).
  auto yn = noisy(x, [](double v) { return 5.0 * std::exp(0.3 * v); }, 3, 0.05);
  put(4, yn);
  ASSERT_EQ(SimpleFit(1, 1, 4, &a, &b), 0);
  std::vector<double> ln(yn.size());
  for (std::size_t i = 0; i < yn.size(); ++i) ln[i] = std::log(yn[i]);
  const auto c = closed_line(x, ln);
  EXPECT_NEAR(b, (double)c.b, 1e-12);
  EXPECT_NEAR(a, std::exp((double)c.a), 1e-12);
}

TEST_F(Fits, SimpleFitRefusesValuesOutsideTheModelAndIgnoresOtherModes) {
  put(1, {1, 2, 3, 4});
  put(2, {1, 0, 2, 3});  // a zero y: no logarithm
  put(3, {0, 1, 2, 3});  // a zero x
  put(4, {1, 2, 3, 4});
  double a = -5, b = -5;
  EXPECT_EQ(SimpleFit(1, 1, 2, &a, &b), kSpectraFailed);
  EXPECT_EQ(SimpleFit(2, 3, 4, &a, &b), kSpectraFailed);
  EXPECT_EQ(SimpleFit(1, 1, 5, &a, &b), kSpectraFailed);  // empty y
  EXPECT_EQ(SimpleFit(3, 1, 4, &a, &b), 0);
  EXPECT_EQ(SimpleFit(0, 1, 4, nullptr, nullptr), 0);
  EXPECT_EQ(a, -5);
  EXPECT_EQ(b, -5);
}

TEST_F(Fits, PolyFitAwayFromTheOriginMatchesLinFit) {
  // A noisy line over x = 1e8 ... 1e8 + 100: the powers of x alone would make the system look
  // singular, yet the line is as well determined as one near the origin.
  const auto x = grid(101, 1e8, 1.0);
  const auto y = noisy(x, [](double v) { return 3.0 + 2.5 * (v - 1e8); }, 11, 0.5);
  put(1, x);
  put(2, y);
  double a = 0, b = 0, sa = 0, sb = 0;
  ASSERT_EQ(LinFit(1, 2, &a, &b, &sa, &sb), 0);
  std::vector<double> c(3, 0.0);
  ASSERT_EQ(PolyFit(1, 2, 1, c.data()), 0);
  EXPECT_NEAR(c[2], b, 1e-9 * std::fabs(b));
  // The intercept is the line's value at x = 0, 1e8 away from the data: compare it in units of
  // what one rounding of a value near the data (about 2.5e8) can shift it.
  EXPECT_NEAR(c[1], a, 64 * 2.5e8 * 2.2e-16);
  // Both lines agree where the data are.
  for (double v : {x.front(), x[50], x.back()}) EXPECT_NEAR(c[1] + c[2] * v, a + b * v, 1e-6) << v;
}

TEST_F(Fits, PolyFitReproducesAnExactQuadraticFarFromTheOrigin) {
  const auto x = grid(11, 1000.0, 1.0);
  std::vector<double> y;
  for (double v : x) y.push_back(5.0 - 0.75 * v + 0.125 * v * v);
  put(1, x);
  put(2, y);
  std::vector<double> c(4, 0.0);
  ASSERT_EQ(PolyFit(1, 2, 2, c.data()), 0);
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double fitted = c[1] + c[2] * x[i] + c[3] * x[i] * x[i];
    EXPECT_NEAR(fitted, y[i], 1e-6 * std::fabs(y[i])) << x[i];
  }
  EXPECT_NEAR(c[3], 0.125, 1e-6);
  // Every x equal still determines only a constant.
  put(3, std::vector<double>(5, 1000.0));
  put(4, {1, 2, 3, 4, 5});
  EXPECT_EQ(PolyFit(3, 4, 1, c.data()), kSpectraFailed);
  ASSERT_EQ(PolyFit(3, 4, 0, c.data()), 0);
  EXPECT_DOUBLE_EQ(c[1], 3.0);
}

TEST_F(Fits, PolyFitRecoversACubicAndMatchesClosedFormQuadratic) {
  const auto x = grid(40, -2.0, 0.1);
  std::vector<double> y;
  for (double v : x) y.push_back(1.0 - 2.0 * v + 0.5 * v * v + 0.25 * v * v * v);
  put(1, x);
  put(2, y);
  std::vector<double> c(6, 42.0);
  ASSERT_EQ(PolyFit(1, 2, 3, c.data()), 0);
  EXPECT_EQ(c[0], 42.0);
  EXPECT_NEAR(c[1], 1.0, 1e-10);
  EXPECT_NEAR(c[2], -2.0, 1e-10);
  EXPECT_NEAR(c[3], 0.5, 1e-10);
  EXPECT_NEAR(c[4], 0.25, 1e-10);
  EXPECT_EQ(c[5], 42.0);
  // Noisy quadratic: normal equations solved by Cramer's rule in long double.
  const auto yn = noisy(x, [](double v) { return 0.3 + v - 0.2 * v * v; }, 9, 0.1);
  put(3, yn);
  ASSERT_EQ(PolyFit(1, 3, 2, c.data()), 0);
  long double s[5] = {0}, t[3] = {0};
  for (std::size_t i = 0; i < x.size(); ++i) {
    long double p = 1;
    for (int k = 0; k < 5; ++k) {
      if (k < 3) t[k] += p * yn[i];
      s[k] += p;
      p *= x[i];
    }
  }
  auto det3 = [](long double m[3][3]) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  };
  long double m[3][3] = {{s[0], s[1], s[2]}, {s[1], s[2], s[3]}, {s[2], s[3], s[4]}};
  const long double d = det3(m);
  for (int k = 0; k < 3; ++k) {
    long double mk[3][3];
    for (int r = 0; r < 3; ++r)
      for (int q = 0; q < 3; ++q) mk[r][q] = q == k ? t[r] : m[r][q];
    EXPECT_NEAR(c[1 + k], (double)(det3(mk) / d), 1e-11) << k;
  }
  // Degree 1 is the straight line.
  ASSERT_EQ(PolyFit(1, 3, 1, c.data()), 0);
  const auto line = closed_line(x, yn);
  EXPECT_NEAR(c[1], (double)line.a, 1e-12);
  EXPECT_NEAR(c[2], (double)line.b, 1e-12);
}

TEST_F(Fits, PolyFitRefusesSingularSystems) {
  put(1, {1, 1, 2, 2, 1, 2});  // two distinct x
  put(2, {1, 2, 3, 4, 5, 6});
  std::vector<double> c(5);
  EXPECT_EQ(PolyFit(1, 2, 2, c.data()), kSpectraFailed);
  EXPECT_EQ(PolyFit(1, 2, 1, c.data()), 0);
  EXPECT_EQ(PolyFit(1, 2, 6, c.data()), kSpectraFailed);  // more coefficients than rows
  EXPECT_EQ(PolyFit(1, 2, -1, c.data()), kSpectraFailed);
  EXPECT_EQ(PolyFit(3, 2, 1, c.data()), kSpectraFailed);  // empty x
  put(4, {1, 2, 3, 4, 5, 6, 7});
  EXPECT_EQ(PolyFit(4, 2, 1, c.data()), kSpectraFailed) << "y shorter than x";
}

TEST(ComputeLinCorrCof, PerfectLineAndRandomDataAgainstTextbookForm) {
  std::vector<double> x = {1, 2, 3, 4, 5}, y = {2, 4, 6, 8, 10};
  double r = 0, z = 0;
  double untouched = 77;
  ASSERT_EQ(ComputeLinCorrCof(5, x.data(), y.data(), &r, &untouched, &z), 0);
  EXPECT_DOUBLE_EQ(r, 1.0);
  EXPECT_NEAR(z, 0.5 * std::log(2.0 / 1e-20), 1e-9);
  EXPECT_EQ(untouched, 77);
  const auto a = ref::random_values(200, 1), b = ref::random_values(200, 2);
  std::vector<double> bb(200);
  for (int i = 0; i < 200; ++i) bb[i] = 0.6 * a[i] + b[i];
  ASSERT_EQ(ComputeLinCorrCof(200, a.data(), bb.data(), &r, nullptr, &z), 0);
  long double n = 200, sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
  for (int i = 0; i < 200; ++i) {
    sx += a[i];
    sy += bb[i];
    sxx += (long double)a[i] * a[i];
    syy += (long double)bb[i] * bb[i];
    sxy += (long double)a[i] * bb[i];
  }
  const long double expect = (n * sxy - sx * sy) / std::sqrt((n * sxx - sx * sx) * (n * syy - sy * sy));
  EXPECT_NEAR(r, (double)expect, 1e-13);
  EXPECT_NEAR(z, 0.5 * std::log((1 + (double)expect) / (1 - (double)expect + 1e-20)), 1e-12);
  const std::vector<double> flat = {3, 3, 3};
  EXPECT_EQ(ComputeLinCorrCof(3, flat.data(), x.data(), &r, nullptr, &z), kSpectraFailed);
  EXPECT_EQ(ComputeLinCorrCof(1, x.data(), y.data(), &r, nullptr, &z), kSpectraFailed);
  EXPECT_EQ(ComputeLinCorrCof(5, x.data(), nullptr, &r, nullptr, &z), kSpectraFailed);
}

}  // namespace
