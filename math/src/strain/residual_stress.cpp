// Residual stress from released strains. The incremental methods turn the strain change of one
// drilling or cutting step into the normal stresses along the three grid directions by inverting the
// calibrated relation  strain change = (A * own stress - B * nu * cross stress) / E  per grid, then
// take the principal stresses and their direction from those three normal stresses (Mohr's circle).
#include "strain/residual_stress.h"

#include <cmath>

#include "numera32_strain.h"
#include "strain/quadrant_angle.h"

namespace numera32::strain {
namespace {

constexpr double kMicro = 1e-6;
constexpr double kMinDepthStep = 1e-29;
constexpr double kMaxStiffness = 1e20;

// Polynomial c[0] + c[1] u + ... + c[4] u^4, powers by the general power function as the
// calibration tables were fitted with.
double CalibrationPolynomial(const double c[5], double u) {
  double sum = 0.0;
  for (int k = 0; k < 5; ++k) sum += c[k] * std::pow(u, static_cast<double>(k));
  return sum;
}

struct StrainSteps {
  double a, b, c;
};

StrainSteps Released(const double s[6]) {
  return {(s[3] - s[0]) * kMicro, (s[4] - s[1]) * kMicro, (s[5] - s[2]) * kMicro};
}

// A step too small to divide by, or none at all (a depth that is not a number), cannot be evaluated.
bool DepthStepUsable(double step) {
  return std::isfinite(step) && std::fabs(step) >= kMinDepthStep;
}

// A stiffness factor that is infinite or undefined (e.g. no calibration loaded) is as unusable as a
// huge one.
bool StiffnessUsable(double k) {
  return std::fabs(k) <= kMaxStiffness;
}

// Principal stresses and direction from the normal stresses along grids a (0), b (45) and c (90).
void PrincipalFromGridStresses(double sa, double sb, double sc, double out[3]) {
  const double n = 2.0 * sb - sa - sc;
  const double d = sa - sc;
  const double r = std::sqrt(n * n + d * d);
  out[0] = DirectionDegrees(QuadrantAngle(n, d));
  out[1] = (sa + sc + r) * 0.5;
  out[2] = (sa + sc - r) * 0.5;
}

}  // namespace

int32_t HoleDrill(const double s[6], const double z[2], double e, double nu, double out[3]) {
  const HoleDrillCalibration& cal = Calibration();
  const StrainSteps de = Released(s);
  const double u1 = z[0] / cal.depth_ref_length;
  const double u2 = z[1] / cal.depth_ref_length;
  const double du = u2 - u1;
  if (!DepthStepUsable(du)) return kStrainDepthsEqual;
  const double a1 = CalibrationPolynomial(cal.a, u1);
  const double a2 = CalibrationPolynomial(cal.a, u2);
  const double b1 = CalibrationPolynomial(cal.b, u1);
  const double b2 = CalibrationPolynomial(cal.b, u2);
  const double f = e / cal.modulus_divisor;
  const double abar = (a2 - a1) * f / du * kMicro;
  const double bbar = -(f / nu) * (b2 - b1) / du * kMicro;
  const double k = e / (abar * abar - bbar * bbar * nu * nu);
  if (!StiffnessUsable(k)) return kStrainStiffnessOverflow;
  const double bnu = bbar * nu;
  const double sa = (abar * de.a + bnu * de.c) / du * k;
  const double sc = (abar * de.c + bnu * de.a) / du * k;
  const double sb = (abar * de.b + bnu * (de.a + de.c - de.b)) / du * k;
  PrincipalFromGridStresses(sa, sb, sc, out);
  return kStrainOk;
}

int32_t RingCore(const double s[6], const double z[2], double e, double nu, double out[3]) {
  const HoleDrillCalibration& cal = Calibration();
  const StrainSteps de = Released(s);
  const double dz = z[1] - z[0];
  if (!DepthStepUsable(dz)) return kStrainDepthsEqual;
  const double a = CalibrationPolynomial(cal.a, z[1]);
  const double b = CalibrationPolynomial(cal.b, z[1]);
  const double k = e / (a * a - b * b * nu * nu);
  if (!StiffnessUsable(k)) return kStrainStiffnessOverflow;
  const double bnu = b * nu;
  const double sa = -(a * de.a + bnu * de.c) / dz * k;
  const double sc = -(a * de.c + bnu * de.a) / dz * k;
  const double sb = -(a * de.b + bnu * (de.a + de.c - de.b)) / dz * k;
  PrincipalFromGridStresses(sa, sb, sc, out);
  return kStrainOk;
}

void IntegralHole(const double s[3], double e, double nu, double out[3]) {
  // Through-hole coefficients of the gauge geometry the integral method is calibrated for.
  constexpr double kB0 = 0.7576;
  constexpr double kB1 = 0.0606;
  constexpr double kA = 0.1894;
  const double ea = s[0] * kMicro;
  const double eb = s[1] * kMicro;
  const double ec = s[2] * kMicro;
  const double p = ea + ec;
  const double n = ea + ec - 2.0 * eb;
  const double d = ec - ea;
  out[0] = DirectionDegrees(QuadrantAngle(n, d));
  const double q = std::sqrt(n * n + d * d) * e / (kB0 - kB1 * (1.0 + nu));
  const double sum = p * e / (kA * (1.0 + nu));
  out[1] = q - sum;
  out[2] = -sum - q;
}

}  // namespace numera32::strain
