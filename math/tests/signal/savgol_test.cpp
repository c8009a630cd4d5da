// Savitzky-Golay coefficients against the published tables, and exactness on polynomials for
// windows the tables do not cover.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "numera32_signal.h"

namespace {

// Coefficients by offset -nl .. nr read back from the wrap-around order c[1 + ((np - k) mod np)].
std::vector<double> by_offset(const std::vector<double>& c, int np, int nl, int nr) {
  std::vector<double> out;
  for (int k = -nl; k <= nr; ++k) out.push_back(c[1 + ((np - k) % np)]);
  return out;
}

void expect_table(int nl, int nr, int ld, int m, const std::vector<double>& numerators, double norm) {
  const int np = nl + nr + 1;
  std::vector<double> c(np + 2, 99.0);
  ASSERT_EQ(SavGol(c.data(), np, nl, nr, ld, m), 0);
  EXPECT_EQ(c[0], 99.0);
  EXPECT_EQ(c[np + 1], 99.0);
  const auto got = by_offset(c, np, nl, nr);
  for (std::size_t i = 0; i < got.size(); ++i)
    EXPECT_NEAR(got[i], numerators[i] / norm, 1e-13) << "nl=" << nl << " ld=" << ld << " m=" << m << " i=" << i;
}

TEST(SavGol, ReproducesPublishedTables) {
  expect_table(2, 2, 0, 2, {-3, 12, 17, 12, -3}, 35);
  expect_table(3, 3, 0, 2, {-2, 3, 6, 7, 6, 3, -2}, 21);
  expect_table(4, 4, 0, 2, {-21, 14, 39, 54, 59, 54, 39, 14, -21}, 231);
  expect_table(3, 3, 0, 4, {5, -30, 75, 131, 75, -30, 5}, 231);
  expect_table(2, 2, 1, 2, {-2, -1, 0, 1, 2}, 10);
  expect_table(3, 3, 1, 2, {-3, -2, -1, 0, 1, 2, 3}, 28);
  expect_table(3, 3, 1, 3, {22, -67, -58, 0, 58, 67, -22}, 252);
  expect_table(2, 2, 2, 2, {2, -1, -2, -1, 2}, 7);
  expect_table(3, 3, 2, 2, {5, 0, -3, -4, -3, 0, 5}, 42);
  // Cubic smoothing equals quadratic smoothing for a symmetric window.
  expect_table(2, 2, 0, 3, {-3, 12, 17, 12, -3}, 35);
}

TEST(SavGol, AsymmetricWindowsAreExactOnPolynomialsOfTheirOrder) {
  // p(x) = 1.5 - 2x + 0.75x^2 - 0.1x^3; value and derivatives at 0: 1.5, -2, 1.5, -0.6.
  const double derivs[] = {1.5, -2.0, 1.5, -0.6};
  auto p = [](double x) { return 1.5 - 2 * x + 0.75 * x * x - 0.1 * x * x * x; };
  for (auto [nl, nr] : {std::pair{0, 5}, std::pair{4, 0}, std::pair{6, 2}, std::pair{1, 3}}) {
    for (int ld = 0; ld <= 3; ++ld) {
      const int np = nl + nr + 3;  // a longer array than the window is allowed
      std::vector<double> c(np + 1);
      ASSERT_EQ(SavGol(c.data(), np, nl, nr, ld, 3), 0);
      double sum = 0;
      for (int k = -nl; k <= nr; ++k) sum += c[1 + ((np - k) % np)] * p(k);
      EXPECT_NEAR(sum, derivs[ld], 1e-9) << nl << "," << nr << " ld=" << ld;
      for (int i = nl + 1; i < np - nr; ++i) EXPECT_EQ(c[1 + i], 0.0) << "slots outside the window are cleared";
    }
  }
}

TEST(SavGol, RejectsBadArguments) {
  std::vector<double> c(10);
  EXPECT_EQ(SavGol(c.data(), 4, 2, 2, 0, 2), kSpectraFailed);  // np < nl + nr + 1
  EXPECT_EQ(SavGol(c.data(), 5, -1, 2, 0, 1), kSpectraFailed);
  EXPECT_EQ(SavGol(c.data(), 5, 2, -1, 0, 1), kSpectraFailed);
  EXPECT_EQ(SavGol(c.data(), 5, 2, 2, 3, 2), kSpectraFailed);  // ld > m
  EXPECT_EQ(SavGol(c.data(), 5, 1, 1, 0, 3), kSpectraFailed);  // nl + nr < m
  EXPECT_EQ(SavGol(nullptr, 5, 2, 2, 0, 2), kSpectraFailed);
}

}  // namespace
