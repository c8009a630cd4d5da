// Interpolate_Pt and Interpolate over database channels: exact reproduction of the functions each
// method represents, a natural spline solved independently, the window rules at the ends, the
// densified point layout, grid channels, and every status.
#include <gtest/gtest.h>

#include <cmath>

#include "channel_fixture.h"
#include "numera32_signal.h"

namespace {

using Interp = ChannelDb;

double cubic(double x) { return 1.0 + x - 0.5 * x * x + 0.2 * x * x * x; }

// Natural cubic spline through four points at x, from its 2x2 system for the inner second
// derivatives.
double natural_spline4(const double* xs, const double* ys, double x) {
  const double h0 = xs[1] - xs[0], h1 = xs[2] - xs[1], h2 = xs[3] - xs[2];
  const double r1 = 6 * ((ys[2] - ys[1]) / h1 - (ys[1] - ys[0]) / h0);
  const double r2 = 6 * ((ys[3] - ys[2]) / h2 - (ys[2] - ys[1]) / h1);
  const double a11 = 2 * (h0 + h1), a12 = h1, a21 = h1, a22 = 2 * (h1 + h2);
  const double det = a11 * a22 - a12 * a21;
  const double m[4] = {0, (r1 * a22 - a12 * r2) / det, (a11 * r2 - a21 * r1) / det, 0};
  int i = 0;
  while (i < 2 && x > xs[i + 1]) ++i;
  const double h = xs[i + 1] - xs[i], u = xs[i + 1] - x, v = x - xs[i];
  return m[i] * u * u * u / (6 * h) + m[i + 1] * v * v * v / (6 * h) + (ys[i] / h - m[i] * h / 6) * u +
         (ys[i + 1] / h - m[i + 1] * h / 6) * v;
}

TEST_F(Interp, PointUsesFourRowsInsideAndTwoAtTheEnds) {
  const std::vector<double> x = {0, 1, 2.5, 3, 4.5, 6};
  std::vector<double> y, yr;
  for (double v : x) {
    y.push_back(cubic(v));
    yr.push_back(1.0 / (1.0 + v));
  }
  put(1, x);
  put(2, y);
  put(3, yr);
  double out = 0;
  // 2.7: r = 4, rows 2..5; a cubic through four points is exact.
  ASSERT_EQ(Interpolate_Pt(1, 2, 2.7, &out, kInterpPolynomial), 0);
  EXPECT_NEAR(out, cubic(2.7), 1e-12);
  // The rational function reproduces 1/(1+x) from four and from two points.
  ASSERT_EQ(Interpolate_Pt(1, 3, 2.7, &out, kInterpRational), 0);
  EXPECT_NEAR(out, 1 / 3.7, 1e-13);
  ASSERT_EQ(Interpolate_Pt(1, 3, 0.4, &out, kInterpRational), 0);
  EXPECT_NEAR(out, 1 / 1.4, 1e-13);
  ASSERT_EQ(Interpolate_Pt(1, 3, 3.0, &out, kInterpRational), 0);
  EXPECT_DOUBLE_EQ(out, 0.25);
  // Spline through rows 2..5 against the independently solved spline.
  ASSERT_EQ(Interpolate_Pt(1, 2, 2.7, &out, kInterpSpline), 0);
  EXPECT_NEAR(out, natural_spline4(&x[1], &y[1], 2.7), 1e-12);
  ASSERT_EQ(Interpolate_Pt(1, 2, 4.0, &out, kInterpSpline), 0);  // r = 5: rows 3..6
  EXPECT_NEAR(out, natural_spline4(&x[2], &y[2], 4.0), 1e-12);
  // r <= 2 and r = n: the straight line through the two end rows (also below the first x).
  auto line = [&](int i, double v) { return y[i] + (v - x[i]) * (y[i + 1] - y[i]) / (x[i + 1] - x[i]); };
  ASSERT_EQ(Interpolate_Pt(1, 2, 0.5, &out, kInterpPolynomial), 0);
  EXPECT_NEAR(out, line(0, 0.5), 1e-12);
  ASSERT_EQ(Interpolate_Pt(1, 2, -1.0, &out, kInterpPolynomial), 0);
  EXPECT_NEAR(out, line(0, -1.0), 1e-12);
  ASSERT_EQ(Interpolate_Pt(1, 2, 5.0, &out, kInterpSpline), 0);
  EXPECT_NEAR(out, line(4, 5.0), 1e-12);
}

TEST_F(Interp, PointStatuses) {
  put(1, {0, 1, 2, 3, 4});
  put(2, {1, 2, 3, 4, 5});
  put(3, {1, 2, 3});
  put(4, {0, 4, 5, 6});
  put(5, {1, -1, 0, 0});
  put(6, {0, 1, 1, 2, 3});
  double out = 99;
  EXPECT_EQ(Interpolate_Pt(1, 2, 4.5, &out, kInterpPolynomial), kSpectraOutsideRange);
  EXPECT_EQ(Interpolate_Pt(1, 2, 1.5, &out, kInterpLinear), kSpectraBadMethod);
  EXPECT_EQ(Interpolate_Pt(1, 2, 1.5, &out, 0), kSpectraBadMethod);
  EXPECT_EQ(out, 99) << "nothing written on failure";
  EXPECT_EQ(Interpolate_Pt(3, 2, 1.5, &out, kInterpPolynomial), kSpectraFailed);
  EXPECT_EQ(Interpolate_Pt(1, 3, 1.5, &out, kInterpPolynomial), kSpectraShortY);
  EXPECT_EQ(Interpolate_Pt(1, 11, 1.5, &out, kInterpPolynomial), kSpectraShortY);
  // 1/(1 - x/2) through (0, 1) and (4, -1) has its pole at 2.
  EXPECT_EQ(Interpolate_Pt(4, 5, 2.0, &out, kInterpRational), kSpectraPole);
  // Rows 2..5 of channel 6 hold x = 1 twice.
  EXPECT_EQ(Interpolate_Pt(6, 2, 1.5, &out, kInterpSpline), kSpectraEqualX);
  EXPECT_EQ(Interpolate_Pt(1, 2, 1.5, nullptr, kInterpPolynomial), kSpectraFailed);
  EXPECT_EQ(out, 99);
}

TEST_F(Interp, DensifyPlacesKMinusOnePointsPerPairAndTwiceThatInTheLast) {
  put(1, {0, 1, 2, 3, 4});
  put(2, {1, 3, 5, 7, 9});  // 2x + 1
  for (int16_t method : {kInterpPolynomial, kInterpRational, kInterpSpline, kInterpLinear}) {
    const int32_t out = 2 * method + 1;  // 3, 5, 7, 9 with y in the channel after
    ASSERT_EQ(Interpolate(1, 2, -3, out, method), 0) << method;
    const std::vector<double> expect_x = {0, 1.0 / 3, 2.0 / 3, 1, 4.0 / 3, 5.0 / 3, 2, 7.0 / 3, 8.0 / 3,
                                          3, 3.2, 3.4, 3.6, 3.8, 4};
    const auto gx = values(out), gy = values(out + 1);
    ASSERT_EQ(gx.size(), 15u) << "n*k points";
    ASSERT_EQ(gy.size(), 15u);
    for (std::size_t i = 0; i < gx.size(); ++i) {
      EXPECT_NEAR(gx[i], expect_x[i], 1e-14) << i;
      // A rational function through two points is 1/(a + bx), not a line: only the inner
      // pairs, which use four rows, reproduce the line.
      if (method == kInterpRational && (i < 3 || i >= 9)) continue;
      EXPECT_NEAR(gy[i], 2 * expect_x[i] + 1, 1e-12) << "method " << method << " point " << i;
    }
  }
}

TEST_F(Interp, DensifyDropsRowsAtTheSameXAndCubicsComeBackExactly) {
  put(1, {0, 1, 1 + 1e-9, 2, 3});
  put(2, {0, 1, 1, 2, 3});
  ASSERT_EQ(Interpolate(1, 2, -2, 3, kInterpLinear), 0);
  // Four kept rows: pairs (0, 1), (1, 2) and the last pair (2, 3) with two inner points.
  const std::vector<double> want = {0, 0.5, 1, 1.5, 2, 7.0 / 3, 8.0 / 3, 3};
  const auto got = values(3);
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-14) << i;
  EXPECT_EQ(values(4), got) << "y = x";
  // Interior pairs of a cubic use four rows: exact. The first and last pairs use two.
  std::vector<double> x = {0, 0.5, 1.5, 2, 3.5, 4};
  std::vector<double> y;
  for (double v : x) y.push_back(cubic(v));
  put(5, x);
  put(6, y);
  ASSERT_EQ(Interpolate(5, 6, -4, 7, kInterpPolynomial), 0);
  const auto gx = values(7), gy = values(8);
  ASSERT_EQ(gx.size(), 24u);
  for (std::size_t i = 4; i < 16; ++i) EXPECT_NEAR(gy[i], cubic(gx[i]), 1e-12) << i;  // pairs 2..4
}

TEST_F(Interp, GridChannelUsesThreeRowsAroundEachValue) {
  std::vector<double> x, y;
  for (int i = 0; i < 10; ++i) {
    x.push_back(i);
    y.push_back(i * i);
  }
  put(1, x);
  put(2, y);
  put(3, {0, 0.5, 4.25, 8.5, 9});
  ASSERT_EQ(Interpolate(1, 2, 3, 4, kInterpPolynomial), 0);
  const auto out = values(4);
  ASSERT_EQ(out.size(), 5u);
  EXPECT_NEAR(out[0], 0.0, 1e-14);
  EXPECT_NEAR(out[1], 0.25, 1e-13);       // rows 0, 1, 2: a parabola is exact
  EXPECT_NEAR(out[2], 4.25 * 4.25, 1e-12);
  EXPECT_NEAR(out[3], 72.5, 1e-12);       // last interval: two rows, a straight line
  EXPECT_NEAR(out[4], 81.0, 1e-12);
  ASSERT_EQ(Interpolate(1, 2, 3, 5, kInterpLinear), 0);
  EXPECT_NEAR(values(5)[2], 16 + 0.25 * 9, 1e-12);
  // A grid of more than one block.
  std::vector<double> g;
  for (int i = 0; i < 600; ++i) g.push_back(1 + i * 0.01);
  put(6, g);
  ASSERT_EQ(Interpolate(1, 2, 6, 7, kInterpSpline), 0);
  EXPECT_EQ(length(7), 600);
}

TEST_F(Interp, GridStatuses) {
  put(1, {0, 1, 2, 3});
  put(2, {0, 1, 4, 9});
  put(3, {0.5, 1.5, 3.5, 2.0});
  ASSERT_EQ(Interpolate(1, 2, 3, 4, kInterpPolynomial), kSpectraOutsideRange);
  EXPECT_EQ(length(4), 2) << "values before the one that cannot be placed stay appended";
  put(5, {-0.1});
  EXPECT_EQ(Interpolate(1, 2, 5, 4, kInterpPolynomial), kSpectraOutsideRange);
  EXPECT_EQ(Interpolate(1, 2, 6, 4, kInterpPolynomial), kSpectraGridFailed);   // empty grid
  EXPECT_EQ(Interpolate(1, 2, 99, 4, kInterpPolynomial), kSpectraGridFailed);  // no such channel
  EXPECT_EQ(Interpolate(1, 2, 3, 4, 5), kSpectraBadMethod);
  EXPECT_EQ(Interpolate(1, 2, -2, 4, 0), kSpectraBadMethod);
  EXPECT_EQ(Interpolate(5, 2, -2, 4, kInterpLinear), kSpectraFailed);
  EXPECT_EQ(Interpolate(1, 5, -2, 4, kInterpLinear), kSpectraShortY);
  // 4 rows densified by 3 give 12 points, more than the small y channel takes: x and y belong
  // together, so neither gets any.
  EXPECT_EQ(Interpolate(1, 2, -3, kSmallChannel - 1, kInterpLinear), -106);
  EXPECT_EQ(length(kSmallChannel - 1), 0);
  EXPECT_EQ(length(kSmallChannel), 0);
  // A grid with more values than the small channel takes.
  put(7, {0.5, 1, 1.5, 2, 2.5, 3});
  EXPECT_EQ(Interpolate(1, 2, 7, kSmallChannel, kInterpLinear), -106);
  EXPECT_EQ(length(kSmallChannel), 0);
  // Exactly the room there is: 4 rows densified by 1 give 4 points.
  ASSERT_EQ(Interpolate(1, 2, -1, kSmallChannel - 1, kInterpLinear), 0);
  EXPECT_EQ(values(kSmallChannel - 1), (std::vector<double>{0, 1, 2, 3}));
  EXPECT_EQ(values(kSmallChannel), (std::vector<double>{0, 1, 4, 9}));
}

}  // namespace
