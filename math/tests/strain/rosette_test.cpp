// Rosette evaluation against independent references: grid strains are generated from a known plane
// strain state by the strain transformation, and the expected principal strains, direction and
// stresses come from Mohr's circle and Hooke's law for plane stress in the x-y frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "numera32.h"

namespace {

constexpr double kE = 210000.0;  // N/mm^2, steel
constexpr double kNu = 0.3;
constexpr double kSentinel = -12345.678;

double Rad(double deg) {
  return deg * std::numbers::pi / 180.0;
}

// Plane strain state in um/m, engineering shear strain gamma.
struct StrainState {
  double ex, ey, gxy;

  // Normal strain along the direction phi (degrees from x).
  double Normal(double phi) const {
    const double c = std::cos(Rad(phi)), s = std::sin(Rad(phi));
    return ex * c * c + ey * s * s + gxy * s * c;
  }
  // Engineering shear strain in the frame whose x axis lies at psi.
  double Shear(double psi) const {
    return -(ex - ey) * std::sin(Rad(2 * psi)) + gxy * std::cos(Rad(2 * psi));
  }
  double Centre() const { return (ex + ey) / 2; }
  double Radius() const { return std::hypot((ex - ey) / 2, gxy / 2); }
  // Direction of the first principal strain from x, degrees.
  double PrincipalDirection() const { return std::atan2(gxy, ex - ey) / 2 * 180.0 / std::numbers::pi; }
};

// Plane-stress Hooke's law in a frame: normal strains along and across, and the shear strain (um/m).
struct Stress {
  double sx, sy, txy;
};
Stress Hooke(double ex, double ey, double gxy, double e = kE, double nu = kNu) {
  const double k = e / (1 - nu * nu) * 1e-6;
  return {k * (ex + nu * ey), k * (ey + nu * ex), e / (2 * (1 + nu)) * gxy * 1e-6};
}
double PrincipalStress(const Stress& s, int sign) {
  return (s.sx + s.sy) / 2 + sign * std::hypot((s.sx - s.sy) / 2, s.txy);
}
double VonMisesOf(const Stress& s) {
  return std::sqrt(s.sx * s.sx + s.sy * s.sy - s.sx * s.sy + 3 * s.txy * s.txy);
}

// Difference of two axis directions, modulo 180 degrees.
double AxisDifference(double a, double b) {
  return std::fabs(std::remainder(a - b, 180.0));
}

struct Case {
  StrainState state;
  double psi;  // direction of grid a from x, degrees
};

const Case kCases[] = {
    {{800, -200, 300}, 0},    {{800, -200, 300}, 30}, {{-500, 400, -700}, 10}, {{120, 900, 50}, -75},
    {{1000, 1000, 600}, 100}, {{-300, -900, 0}, 170}, {{0, 0, -1500}, 20},     {{2500, -2500, 2500}, 63},
};

// Checks the twelve results of a 45 or 60 rosette whose grid a lies at psi in `state`; `across` is
// the factor of results 8, 10 and 11 on the strain across grid a (1 for type 45, 0.99999 for 60).
void ExpectRosette(const double r[12], const StrainState& state, double psi, double across) {
  const double tol_strain = 1e-4;  // um/m: the rounded 1/sqrt(2) and sqrt(3) reach ~3e-8 relative
  const double tol_stress = 1e-4;  // N/mm^2
  EXPECT_LT(AxisDifference(r[0], state.PrincipalDirection() - psi), 3e-6) << r[0];
  EXPECT_GE(r[0], 0.0);
  EXPECT_LE(r[0], 180.0 + 2e-6);
  EXPECT_NEAR(r[4], state.Centre() + state.Radius(), tol_strain);
  EXPECT_NEAR(r[5], state.Centre() - state.Radius(), tol_strain);
  const Stress xy = Hooke(state.ex, state.ey, state.gxy);
  EXPECT_NEAR(r[1], PrincipalStress(xy, +1), tol_stress);
  EXPECT_NEAR(r[2], PrincipalStress(xy, -1), tol_stress);
  EXPECT_NEAR(r[3], VonMisesOf(xy), tol_stress);
  // The frame of grid a: strain along it, across it, shear, and their stresses.
  const double ea = state.Normal(psi), eq = state.Normal(psi + 90), ga = state.Shear(psi);
  const Stress local = Hooke(ea, across * eq, ga);
  EXPECT_NEAR(r[6], local.txy, tol_stress);
  EXPECT_NEAR(r[7], ea, 1e-9);
  EXPECT_NEAR(r[8], across * eq, 1e-9);
  EXPECT_NEAR(r[9], ga, tol_strain);
  EXPECT_NEAR(r[10], local.sx, 1e-9);
  EXPECT_NEAR(r[11], local.sy, 1e-9);
}

// Every case of kCases read by a rosette of `type` whose grids are `spacing` degrees apart.
void ExpectRosetteMatchesMohrCircle(int32_t type, double spacing, double across) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "state " << c.state.ex << "/" << c.state.ey << "/" << c.state.gxy
                                    << " psi " << c.psi);
    const double grids[3] = {c.state.Normal(c.psi), c.state.Normal(c.psi + spacing),
                             c.state.Normal(c.psi + 2 * spacing)};
    double r[12];
    ASSERT_EQ(RosStressCalc(grids, r, type, kE, kNu, 0, nullptr), kStrainOk);
    ExpectRosette(r, c.state, c.psi, across);
  }
}

TEST(RosStressCalc, RectangularRosetteMatchesMohrCircle) {
  ExpectRosetteMatchesMohrCircle(kRosette45, 45, 1.0);
}

TEST(RosStressCalc, DeltaRosetteMatchesMohrCircle) {
  ExpectRosetteMatchesMohrCircle(kRosette60, 60, 0.99999);
}

TEST(RosStressCalc, TwoGridRosetteGivesStressesAlongItsGrids) {
  const StrainState state{640, -180, 90};
  const double grids[3] = {state.Normal(0), state.Normal(90), 777.0};
  double r[12];
  std::fill(r, r + 12, kSentinel);
  ASSERT_EQ(RosStressCalc(grids, r, kRosette90, kE, kNu, 0, nullptr), kStrainOk);
  const Stress s = Hooke(grids[0], grids[1], 0);
  EXPECT_EQ(r[0], 90.0);
  EXPECT_NEAR(r[1], s.sx, 1e-9);
  EXPECT_NEAR(r[2], s.sy, 1e-9);
  EXPECT_NEAR(r[3], std::sqrt(s.sx * s.sx + s.sy * s.sy - s.sx * s.sy), 1e-9);
  EXPECT_NEAR(r[4], grids[0], 1e-9);
  EXPECT_NEAR(r[5], grids[1], 1e-9);
  EXPECT_NEAR(r[6], (s.sx - s.sy) / 2, 1e-9);
  EXPECT_NEAR(r[7], grids[0], 1e-9);
  EXPECT_NEAR(r[8], grids[1], 1e-9);
  EXPECT_EQ(r[9], kSentinel);
  EXPECT_NEAR(r[10], s.sx, 1e-9);
  EXPECT_NEAR(r[11], s.sy, 1e-9);
  // Grid c plays no part.
  double r2[12];
  std::fill(r2, r2 + 12, kSentinel);
  const double other_c[3] = {grids[0], grids[1], -5000.0};
  ASSERT_EQ(RosStressCalc(other_c, r2, kRosette90, kE, kNu, 0, nullptr), kStrainOk);
  EXPECT_EQ(std::memcmp(r, r2, sizeof r), 0);
}

// A gauge with transverse sensitivity q, calibrated with Poisson's ratio nu, reads
// (strain along + q * strain across) / (1 - nu q). With equal q on every grid the correction recovers
// the true strain state exactly, so the results equal those of the uncorrected true strains.
TEST(RosStressCalc, TransverseSensitivityCorrectionRecoversTrueStrains) {
  const double q = 0.035;
  const double percent[3] = {q * 100, q * 100, q * 100};
  const auto reading = [&](const StrainState& s, double phi) {
    return (s.Normal(phi) + q * s.Normal(phi + 90)) / (1 - kNu * q);
  };
  const int types[] = {kRosette45, kRosette60, kRosette90};
  const double spacing[] = {45, 60, 90};
  for (const Case& c : kCases) {
    for (int i = 0; i < 3; ++i) {
      SCOPED_TRACE(testing::Message() << "type " << types[i] << " psi " << c.psi);
      const double truth[3] = {c.state.Normal(c.psi), c.state.Normal(c.psi + spacing[i]),
                               c.state.Normal(c.psi + 2 * spacing[i])};
      const double read[3] = {reading(c.state, c.psi), reading(c.state, c.psi + spacing[i]),
                              reading(c.state, c.psi + 2 * spacing[i])};
      double expected[12] = {}, got[12] = {};
      ASSERT_EQ(RosStressCalc(truth, expected, types[i], kE, kNu, 0, nullptr), kStrainOk);
      ASSERT_EQ(RosStressCalc(read, got, types[i], kE, kNu, 0, percent), kStrainOk);
      EXPECT_LT(AxisDifference(got[0], expected[0]), 1e-7);
      for (int k = 1; k < 12; ++k) {
        if (k == 9 && types[i] == kRosette90) continue;
        EXPECT_NEAR(got[k], expected[k], 1e-7 * (1 + std::fabs(expected[k]))) << "result " << k;
      }
    }
  }
}

// A transverse sensitivity on one grid corrects that grid alone, by (1 - q nu) / (1 - q^2) times its
// reading less q times the strain across it.
TEST(RosStressCalc, TransverseSensitivityOfOneGridCorrectsOnlyThatGrid) {
  const double ea = 500, eb = 260, ec = -120, q = 0.04;
  const double grids[3] = {ea, eb, ec};
  const double k = (1 - q * kNu) / (1 - q * q);
  double plain[12], corrected[12];
  ASSERT_EQ(RosStressCalc(grids, plain, kRosette45, kE, kNu, 0, nullptr), kStrainOk);
  // Results 7 and 8 are grids a and c; result 9 is 2 b - a - c.
  const double on_a[3] = {4.0, 0, 0}, on_b[3] = {0, 4.0, 0}, on_c[3] = {0, 0, 4.0};
  ASSERT_EQ(RosStressCalc(grids, corrected, kRosette45, kE, kNu, 0, on_a), kStrainOk);
  EXPECT_NEAR(corrected[7], k * (ea - q * ec), 1e-9);
  EXPECT_EQ(corrected[8], plain[8]);
  ASSERT_EQ(RosStressCalc(grids, corrected, kRosette45, kE, kNu, 0, on_c), kStrainOk);
  EXPECT_EQ(corrected[7], plain[7]);
  EXPECT_NEAR(corrected[8], k * (ec - q * ea), 1e-9);
  ASSERT_EQ(RosStressCalc(grids, corrected, kRosette45, kE, kNu, 0, on_b), kStrainOk);
  EXPECT_EQ(corrected[7], plain[7]);
  EXPECT_EQ(corrected[8], plain[8]);
  EXPECT_NEAR(corrected[9] - plain[9], 2 * (k * (eb - q * (ea + ec - eb)) - eb), 1e-9);
  // Delta rosette: result 7 is grid a, result 9 is proportional to b - c; the strain across a grid
  // is 2/3 of the other two less 1/3 of its own.
  ASSERT_EQ(RosStressCalc(grids, plain, kRosette60, kE, kNu, 0, nullptr), kStrainOk);
  ASSERT_EQ(RosStressCalc(grids, corrected, kRosette60, kE, kNu, 0, on_a), kStrainOk);
  EXPECT_NEAR(corrected[7], k * (ea - q * (2 * (eb + ec) - ea) / 3), 1e-9);
  EXPECT_EQ(corrected[9], plain[9]);
  ASSERT_EQ(RosStressCalc(grids, corrected, kRosette60, kE, kNu, 0, on_c), kStrainOk);
  EXPECT_EQ(corrected[7], plain[7]);
  const double ec60 = k * (ec - q * (2 * (ea + eb) - ec) / 3);
  EXPECT_NEAR(corrected[9], (eb - ec60) * 2 / std::sqrt(3.0), 1e-5);  // 2 / 1.7320508 in the factor
}

TEST(RosStressCalc, NullTransverseSensitivityEqualsZeros) {
  const double zeros[3] = {0, 0, 0};
  const double grids[3] = {734.5, -211.25, 98.0};
  for (int type : {kRosette45, kRosette60, kRosette90}) {
    double a[12], b[12];
    std::fill(a, a + 12, kSentinel);
    std::fill(b, b + 12, kSentinel);
    ASSERT_EQ(RosStressCalc(grids, a, type, kE, kNu, 0, nullptr), kStrainOk);
    ASSERT_EQ(RosStressCalc(grids, b, type, kE, kNu, 0, zeros), kStrainOk);
    EXPECT_EQ(std::memcmp(a, b, sizeof a), 0) << "type " << type;
  }
}

TEST(RosStressCalc, EqualStrainsHaveNoDirectionOrShear) {
  const double grids[3] = {100, 100, 100};
  double r[12];
  ASSERT_EQ(RosStressCalc(grids, r, kRosette45, kE, kNu, 0, nullptr), kStrainOk);
  EXPECT_EQ(r[0], 0.0);
  EXPECT_NEAR(r[4], 100.0, 1e-9);
  EXPECT_NEAR(r[5], 100.0, 1e-9);
  EXPECT_EQ(r[6], 0.0);
  EXPECT_EQ(r[9], 0.0);
}

// The quadrant angle on its axes, with the rounded pi and 57.29578 of the direction.
TEST(RosStressCalc, DirectionsOnTheAxesUseTheRoundedConstants) {
  struct AxisCase {
    double a, b, c, direction;
  };
  const AxisCase cases[] = {
      {100, 0, -100, 0.0},                // N = 0, D > 0
      {-100, 0, 100, 90.00000076514091},  // N = 0, D < 0: pi
      {0, 50, 0, 45.000000382570455},     // N > 0, D = 0: pi/2
      {0, -50, 0, 135.00000114771137},    // N < 0, D = 0: 3 pi/2
  };
  for (const AxisCase& c : cases) {
    const double grids[3] = {c.a, c.b, c.c};
    double r[12];
    ASSERT_EQ(RosStressCalc(grids, r, kRosette45, kE, kNu, 0, nullptr), kStrainOk);
    EXPECT_NEAR(r[0], c.direction, 1e-12) << c.a << " " << c.b << " " << c.c;
  }
  // pi exactly as the rounded constant gives it.
  const double grids[3] = {-100, 0, 100};
  double r[12];
  ASSERT_EQ(RosStressCalc(grids, r, kRosette45, kE, kNu, 0, nullptr), kStrainOk);
  EXPECT_DOUBLE_EQ(r[0], 90.00000076514091);
  EXPECT_NE(r[0], 90.0);
}

TEST(RosStressCalc, RejectsUnknownTypesAndNullPointers) {
  const double grids[3] = {1, 2, 3};
  double r[12];
  for (int type : {0, 30, 44, 46, 59, 61, 89, 91, -45, 120}) {
    std::fill(r, r + 12, kSentinel);
    EXPECT_EQ(RosStressCalc(grids, r, type, kE, kNu, 0, nullptr), kStrainBadArgument) << type;
    for (double v : r) EXPECT_EQ(v, kSentinel);
  }
  EXPECT_EQ(RosStressCalc(nullptr, r, kRosette45, kE, kNu, 0, nullptr), kStrainBadArgument);
  EXPECT_EQ(RosStressCalc(grids, nullptr, kRosette60, kE, kNu, 0, nullptr), kStrainBadArgument);
}

TEST(RosStressCalc, IgnoresItsUnusedArgument) {
  const double grids[3] = {310, -40, 95};
  double a[12], b[12];
  ASSERT_EQ(RosStressCalc(grids, a, kRosette60, kE, kNu, 0, nullptr), kStrainOk);
  ASSERT_EQ(RosStressCalc(grids, b, kRosette60, kE, kNu, -987654, nullptr), kStrainOk);
  EXPECT_EQ(std::memcmp(a, b, sizeof a), 0);
}

}  // namespace

extern "C" int32_t numera32_strain_c_rosette(const double* strains, double* results);

TEST(RosStressCalc, CallableFromC) {
  const double grids[3] = {-100, 0, 100};
  double r[12];
  ASSERT_EQ(numera32_strain_c_rosette(grids, r), kStrainOk);
  EXPECT_DOUBLE_EQ(r[0], 90.00000076514091);
}
