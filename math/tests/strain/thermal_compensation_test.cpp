// Thermal compensation against readings built from a known mechanical strain plus a known thermal
// drift, and the expansion coefficients of a temperature series against the exact derivative of a
// quadratic drift and the telescoping sum of the steps.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "numera32.h"

namespace {

TEST(AppStrain, EvaluatesTheThermalOutputCubic) {
  const double poly[4] = {-30.0, 2.5, -0.04, 1e-4};
  for (double t : {-40.0, 0.0, 23.0, 150.0}) {
    const double horner = ((1e-4 * t - 0.04) * t + 2.5) * t - 30.0;
    EXPECT_NEAR(AppStrain(t, poly), horner, 1e-9 * (1 + std::fabs(horner))) << t;
  }
  const double p[4] = {1, 2, 3, 4};
  EXPECT_EQ(AppStrain(2.0, p), 49.0);
  EXPECT_EQ(AppStrain(25.0, nullptr), 0.0);
}

// A gauge matched to alpha1, bonded to alpha2, reads the mechanical strain plus its thermal output
// plus the mismatch (alpha2 - alpha1)(T - T0).
TEST(DoThermoComp, RemovesThermalOutputAndExpansionMismatch) {
  const double poly[4] = {-12.0, 0.9, -0.015, 2e-5};
  const double alpha1 = 10.8, alpha2 = 23.4, t0 = 20.0;  // um/m per K
  for (double t : {-20.0, 20.0, 85.0}) {
    const double mechanical = 412.0;
    const double output = -12.0 + 0.9 * t - 0.015 * t * t + 2e-5 * t * t * t;
    const double reading = mechanical + output + (alpha2 - alpha1) * (t - t0);
    EXPECT_NEAR(DoThermoComp(reading, t, poly, alpha1, alpha2, t0), mechanical, 1e-9) << t;
  }
  // Same material and no thermal output: the reading stays.
  EXPECT_EQ(DoThermoComp(250.0, 80.0, nullptr, 11.0, 11.0, 20.0), 250.0);
}

// Two reference readings eps1 at T1 and eps2 at T2 of an unloaded part define a linear drift.
TEST(DoThermoComp2, RemovesLinearDriftBetweenTwoReferencePoints) {
  const double slope = -3.5, t0 = 22.0;
  const auto drift = [&](double t) { return slope * (t - t0); };
  for (double t : {0.0, 22.0, 60.0, 120.0}) {
    const double reading = 300.0 + drift(t);
    EXPECT_NEAR(DoThermoComp2(reading, t, t0, drift(30.0), drift(90.0), 30.0, 90.0), 300.0, 1e-9) << t;
    // The reference points may come in either order.
    EXPECT_NEAR(DoThermoComp2(reading, t, t0, drift(90.0), drift(30.0), 90.0, 30.0), 300.0, 1e-9) << t;
  }
  EXPECT_EQ(DoThermoComp2(300.0, 50.0, 20.0, 1.0, 2.0, 40.0, 40.0), NUMERA32_THERMO_NO_SPAN);
  EXPECT_EQ(DoThermoComp2(300.0, 50.0, 20.0, 1.0, 2.0, 0.0, 5e-21), -1e66);
}

// Points 1..n of a series whose gauge difference d(T) = a - b is quadratic: the difference quotient of
// a step equals the derivative at its midpoint, alpha(T) - alpha0 = k1 + k2 T.
struct Series {
  std::vector<double> a, b, t;
};
Series QuadraticSeries(const std::vector<double>& temps, double k1, double k2) {
  Series s{{0.0}, {0.0}, {0.0}};  // position 0 is not used
  for (double t : temps) {
    const double b = 5.0 + 0.3 * t;  // anything: only a - b counts
    s.a.push_back(b + k1 * t + k2 * t * t / 2);
    s.b.push_back(b);
    s.t.push_back(t);
  }
  return s;
}

TEST(DetAlphaMat, GivesTheExpansionCoefficientOfEachStep) {
  const double alpha0 = 11.5, k1 = 12.0, k2 = 0.02;
  // Rising, then falling temperatures (a cooling run is as valid as a heating run).
  const std::vector<double> temps = {20, 40, 70, 100, 150, 120, 60, -10};
  const Series s = QuadraticSeries(temps, k1, k2);
  const int32_t n = static_cast<int32_t>(temps.size());
  std::vector<double> alpha(n + 1, -1.0);
  ASSERT_EQ(DetAlphaMat(s.a.data(), s.b.data(), s.t.data(), n, alpha0, alpha.data()), kStrainOk);
  EXPECT_EQ(alpha[0], -1.0);
  EXPECT_EQ(alpha[n], -1.0);
  double sum = 0.0;
  for (int32_t i = 1; i < n; ++i) {
    const double mid = (s.t[i] + s.t[i + 1]) / 2;
    EXPECT_NEAR(alpha[i], alpha0 + k1 + k2 * mid, 1e-9) << i;
    sum += (alpha[i] - alpha0) * (s.t[i + 1] - s.t[i]);
  }
  // The steps add up to the whole change of the gauge difference.
  const double whole = (s.a[n] - s.b[n]) - (s.a[1] - s.b[1]);
  EXPECT_NEAR(sum, whole, 1e-9 * std::fabs(whole));
}

TEST(DetAlphaMat, MarksStepsWithoutTemperatureChange) {
  const double a[3] = {0, 10, 30}, b[3] = {0, 1, 2}, t[3] = {0, 25, 25};
  double alpha[2] = {-1, -1};
  ASSERT_EQ(DetAlphaMat(a, b, t, 2, 16.5, alpha), kStrainOk);
  EXPECT_EQ(alpha[1], 17.5);
  EXPECT_EQ(alpha[0], -1);
}

TEST(DetAlphaMat, RejectsShortSeriesAndNullPointers) {
  const double v[3] = {0, 1, 2};
  double alpha[3] = {-1, -1, -1};
  EXPECT_EQ(DetAlphaMat(v, v, v, 1, 0.0, alpha), kStrainBadArgument);
  EXPECT_EQ(DetAlphaMat(v, v, v, 0, 0.0, alpha), kStrainBadArgument);
  EXPECT_EQ(DetAlphaMat(v, v, v, -5, 0.0, alpha), kStrainBadArgument);
  EXPECT_EQ(DetAlphaMat(nullptr, v, v, 2, 0.0, alpha), kStrainBadArgument);
  EXPECT_EQ(DetAlphaMat(v, nullptr, v, 2, 0.0, alpha), kStrainBadArgument);
  EXPECT_EQ(DetAlphaMat(v, v, nullptr, 2, 0.0, alpha), kStrainBadArgument);
  EXPECT_EQ(DetAlphaMat(v, v, v, 2, 0.0, nullptr), kStrainBadArgument);
  for (double x : alpha) EXPECT_EQ(x, -1);
}

}  // namespace
