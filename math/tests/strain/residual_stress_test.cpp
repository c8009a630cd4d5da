// Residual stress evaluations against released strains built forward from a known plane stress state:
// the normal stresses along the grids come from the stress transformation, the strains from the
// calibrated relation of each method, and each evaluation must give back the principal stresses
// and their direction.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "numera32.h"

namespace {

constexpr double kE = 210000.0;
constexpr double kNu = 0.3;
constexpr double kSentinel = -4242.0;

double Rad(double deg) {
  return deg * std::numbers::pi / 180.0;
}
double AxisDifference(double a, double b) {
  return std::fabs(std::remainder(a - b, 180.0));
}

// Plane stress state by its principal stresses and the direction of s1 from grid a (towards b).
struct StressState {
  double s1, s2, phi;
  // Normal stress along the direction theta (degrees from grid a).
  double Normal(double theta) const {
    return (s1 + s2) / 2 + (s1 - s2) / 2 * std::cos(Rad(2 * (theta - phi)));
  }
};

const StressState kStates[] = {{250, -80, 30}, {120, 60, 100},  {-20, -300, 170}, {400, 0, 0},
                               {90, -90, 45},  {300, 150, 135}, {15, 5, 89}};

// Horner evaluation of a0 + a1 x + ... + a4 x^4.
double Poly(const float c[5], double x) {
  double v = 0;
  for (int k = 4; k >= 0; --k) v = v * x + c[k];
  return v;
}

void ExpectPrincipal(const double r[3], const StressState& s, double tol) {
  EXPECT_LT(AxisDifference(r[0], s.phi), 1e-5) << r[0];
  EXPECT_NEAR(r[1], s.s1, tol);
  EXPECT_NEAR(r[2], s.s2, tol);
}

const float kA[5] = {0.0f, -0.6f, 0.2f, -0.05f, 0.004f};
const float kB[5] = {0.0f, -0.9f, 0.5f, -0.1f, 0.008f};

// Incremental hole drilling: the strain of a grid changes by (dA * own stress + dB * cross stress) / m
// um/m between the normalised depths u1 and u2, with dA = A(u2) - A(u1), dB likewise and m the
// modulus divisor. The modulus itself drops out.
void BuildHoleDrillStrains(const StressState& s, const float a[5], const float b[5], double m, double u1,
                           double u2, double out[6]) {
  const double da = Poly(a, u2) - Poly(a, u1), db = Poly(b, u2) - Poly(b, u1);
  const double base[3] = {12.5, -3.0, 40.0};
  for (int g = 0; g < 3; ++g) {
    const double theta = 45.0 * g;
    out[g] = base[g];
    out[g + 3] = base[g] + (da * s.Normal(theta) + db * s.Normal(theta + 90)) / m;
  }
}

TEST(HoleDrillCalc, RecoversTheStressStateOfForwardBuiltStrains) {
  const double length = 2.0, divisor = 1.5;
  ASSERT_EQ(SetAdvRosPars(0.5f, kA, kB, static_cast<float>(divisor), static_cast<float>(length), 1.0f),
            kStrainOk);
  const double depths[2] = {0.4, 0.9};
  for (const StressState& s : kStates) {
    SCOPED_TRACE(testing::Message() << s.s1 << "/" << s.s2 << " at " << s.phi);
    double strains[6];
    BuildHoleDrillStrains(s, kA, kB, divisor, depths[0] / length, depths[1] / length, strains);
    for (double e : {kE, 70000.0}) {
      double r[3];
      ASSERT_EQ(HoleDrillCalc(strains, depths, r, e, kNu), kStrainOk);
      ExpectPrincipal(r, s, 1e-7);
    }
  }
}

TEST(SetAdvRosPars, ChecksTheLengthRatio) {
  const float zeros[5] = {};
  EXPECT_EQ(SetAdvRosPars(0.6f, zeros, zeros, 1.0f, 10.0f, 4.0f), kStrainRatioMismatch);
  EXPECT_EQ(SetAdvRosPars(0.45f, zeros, zeros, 1.0f, 10.0f, 4.0f), kStrainOk);
  EXPECT_EQ(SetAdvRosPars(0.35f, zeros, zeros, 1.0f, 10.0f, 4.0f), kStrainOk);
  EXPECT_EQ(SetAdvRosPars(0.29f, zeros, zeros, 1.0f, 10.0f, 4.0f), kStrainRatioMismatch);
  // Both lengths zero: no ratio at all.
  EXPECT_EQ(SetAdvRosPars(0.0f, zeros, zeros, 1.0f, 0.0f, 0.0f), kStrainRatioMismatch);
  EXPECT_EQ(SetAdvRosPars(0.5f, nullptr, zeros, 1.0f, 2.0f, 1.0f), kStrainBadArgument);
  EXPECT_EQ(SetAdvRosPars(0.5f, zeros, nullptr, 1.0f, 2.0f, 1.0f), kStrainBadArgument);
}

// A mismatch keeps the new coefficients and lengths but not the new modulus divisor.
TEST(SetAdvRosPars, MismatchStoresAllButTheModulusDivisor) {
  const float old_a[5] = {0, -1.0f, 0, 0, 0}, old_b[5] = {0, -0.5f, 0, 0, 0};
  ASSERT_EQ(SetAdvRosPars(1.0f, old_a, old_b, 3.0f, 1.0f, 1.0f), kStrainOk);
  ASSERT_EQ(SetAdvRosPars(0.9f, kA, kB, 7.0f, 4.0f, 1.0f), kStrainRatioMismatch);
  const StressState s{180, -40, 60};
  const double depths[2] = {0.8, 2.0};
  double strains[6], r[3];
  BuildHoleDrillStrains(s, kA, kB, 3.0, depths[0] / 4.0, depths[1] / 4.0, strains);
  ASSERT_EQ(HoleDrillCalc(strains, depths, r, kE, kNu), kStrainOk);
  ExpectPrincipal(r, s, 1e-7);
}

TEST(HoleDrillCalc, EqualDepthsWriteNothing) {
  ASSERT_EQ(SetAdvRosPars(0.5f, kA, kB, 1.0f, 2.0f, 1.0f), kStrainOk);
  const double strains[6] = {1, 2, 3, 4, 5, 6};
  double r[3] = {kSentinel, kSentinel, kSentinel};
  const double same[2] = {0.5, 0.5};
  EXPECT_EQ(HoleDrillCalc(strains, same, r, kE, kNu), kStrainDepthsEqual);
  const double within[2] = {0.0, 1e-30};  // 5e-31 after normalisation
  EXPECT_EQ(HoleDrillCalc(strains, within, r, kE, kNu), kStrainDepthsEqual);
  EXPECT_EQ(RingCoreCalc(strains, same, r, kE, kNu), kStrainDepthsEqual);
  const double nan_depth[2] = {0.0, std::nan("")};
  EXPECT_EQ(HoleDrillCalc(strains, nan_depth, r, kE, kNu), kStrainDepthsEqual);
  EXPECT_EQ(RingCoreCalc(strains, nan_depth, r, kE, kNu), kStrainDepthsEqual);
  for (double v : r) EXPECT_EQ(v, kSentinel);
}

TEST(HoleDrillCalc, UnusableCalibrationIsReportedNotComputed) {
  const double strains[6] = {0, 0, 0, -30, -10, 20};
  const double depths[2] = {0.2, 0.6};
  double r[3] = {kSentinel, kSentinel, kSentinel};
  const float zeros[5] = {};
  // Nothing calibrated (all zero): the stiffness factor is undefined.
  ASSERT_EQ(SetAdvRosPars(0.0f, zeros, zeros, 0.0f, 1.0f, 0.0f), kStrainOk);
  EXPECT_EQ(HoleDrillCalc(strains, depths, r, kE, kNu), kStrainStiffnessOverflow);
  EXPECT_EQ(RingCoreCalc(strains, depths, r, kE, kNu), kStrainStiffnessOverflow);
  // Equal A and B polynomials: A^2 - B^2 nu^2 vanishes for nu = 1, and the denominator
  // of the hole-drilling factor whenever the steps of A and B are equal.
  const float same[5] = {0, -0.7f, 0.1f, 0, 0};
  ASSERT_EQ(SetAdvRosPars(1.0f, same, same, 1.0f, 1.0f, 1.0f), kStrainOk);
  EXPECT_EQ(HoleDrillCalc(strains, depths, r, kE, kNu), kStrainStiffnessOverflow);
  EXPECT_EQ(RingCoreCalc(strains, depths, r, kE, 1.0), kStrainStiffnessOverflow);
  // A finite factor beyond 1e20 in magnitude (negative here).
  const float near_b[5] = {0, -0.7f - 1.0f / 1048576, 0.1f, 0, 0};
  ASSERT_EQ(SetAdvRosPars(1.0f, same, near_b, 1e10f, 1.0f, 1.0f), kStrainOk);
  EXPECT_EQ(HoleDrillCalc(strains, depths, r, 1.0, kNu), kStrainStiffnessOverflow);
  // A zero depth reference length leaves the depths without scale.
  EXPECT_EQ(SetAdvRosPars(0.5f, kA, kB, 1.0f, 0.0f, 0.0f), kStrainRatioMismatch);
  EXPECT_EQ(HoleDrillCalc(strains, depths, r, kE, kNu), kStrainDepthsEqual);
  for (double v : r) EXPECT_EQ(v, kSentinel);
}

// Ring core: d(strain)/dz = -(A * own stress - B * nu * cross stress) / E with A and B at the lower
// depth z2, depths as given.
TEST(RingCoreCalc, RecoversTheStressStateOfForwardBuiltStrains) {
  // Lengths and modulus divisor play no part in the ring-core evaluation.
  ASSERT_EQ(SetAdvRosPars(3.0f, kA, kB, 123.0f, 0.5f, 1.5f), kStrainOk);
  const double depths[2] = {1.0, 1.5};
  const double a = Poly(kA, depths[1]), b = Poly(kB, depths[1]), dz = depths[1] - depths[0];
  for (const StressState& s : kStates) {
    SCOPED_TRACE(testing::Message() << s.s1 << "/" << s.s2 << " at " << s.phi);
    double strains[6];
    for (int g = 0; g < 3; ++g) {
      const double theta = 45.0 * g;
      strains[g] = -7.0 * g;
      strains[g + 3] = strains[g] - dz * (a * s.Normal(theta) - b * kNu * s.Normal(theta + 90)) / kE * 1e6;
    }
    double r[3];
    ASSERT_EQ(RingCoreCalc(strains, depths, r, kE, kNu), kStrainOk);
    ExpectPrincipal(r, s, 1e-7);
  }
}

// Through hole: the released strain along theta is
//   -[(s1 + s2) * 0.1894 (1 + nu) + (s1 - s2) * (0.7576 - 0.0606 (1 + nu)) * cos 2(theta - phi)] / (4 E).
TEST(IntegralHoleDrill, RecoversTheStressStateOfForwardBuiltStrains) {
  for (const StressState& s : kStates) {
    SCOPED_TRACE(testing::Message() << s.s1 << "/" << s.s2 << " at " << s.phi);
    double strains[3];
    for (int g = 0; g < 3; ++g) {
      const double theta = 45.0 * g;
      strains[g] = -((s.s1 + s.s2) * 0.1894 * (1 + kNu) +
                     (s.s1 - s.s2) * (0.7576 - 0.0606 * (1 + kNu)) * std::cos(Rad(2 * (theta - s.phi)))) /
                   (4 * kE) * 1e6;
    }
    double r[3];
    ASSERT_EQ(IntegralHoleDrill(strains, r, kE, kNu), kStrainOk);
    ExpectPrincipal(r, s, 1e-7);
  }
}

// Released strains of grids a and c equal, grid b the least compressed: the first principal stress
// lies across grid b, at 135 degrees.
TEST(IntegralHoleDrill, FirstPrincipalStressAcrossGridB) {
  const double strains[3] = {-100, -50, -100};
  double r[3];
  ASSERT_EQ(IntegralHoleDrill(strains, r, kE, kNu), kStrainOk);
  EXPECT_NEAR(r[0], 135.0, 1e-5);
  EXPECT_GT(r[1], r[2]);
}

TEST(ResidualStress, NullPointersAreRejected) {
  const double strains[6] = {};
  const double depths[2] = {0, 1};
  double r[3];
  EXPECT_EQ(HoleDrillCalc(nullptr, depths, r, kE, kNu), kStrainBadArgument);
  EXPECT_EQ(HoleDrillCalc(strains, nullptr, r, kE, kNu), kStrainBadArgument);
  EXPECT_EQ(HoleDrillCalc(strains, depths, nullptr, kE, kNu), kStrainBadArgument);
  EXPECT_EQ(RingCoreCalc(nullptr, depths, r, kE, kNu), kStrainBadArgument);
  EXPECT_EQ(RingCoreCalc(strains, nullptr, r, kE, kNu), kStrainBadArgument);
  EXPECT_EQ(RingCoreCalc(strains, depths, nullptr, kE, kNu), kStrainBadArgument);
  EXPECT_EQ(IntegralHoleDrill(nullptr, r, kE, kNu), kStrainBadArgument);
  EXPECT_EQ(IntegralHoleDrill(strains, nullptr, kE, kNu), kStrainBadArgument);
}

}  // namespace
