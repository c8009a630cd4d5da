// Strain rosettes. Each grid strain is first corrected for the gauge's transverse sensitivity q
// (the share of the strain across the grid that the gauge also sees), using the strain across the
// grid that the other grids of the rosette imply; then the corrected strains give Mohr's circle:
// its centre and radius are the mean strain and the half difference of the principal strains, its
// doubled angle the principal direction. Stresses follow from Hooke's law for plane stress.
#include "strain/rosette.h"

#include <cmath>

#include "numera32_strain.h"
#include "strain/quadrant_angle.h"

namespace numera32::strain {
namespace {

constexpr double kMicro = 1e-6;
constexpr double kPerMicro = 1e6;
constexpr double kInvSqrt2 = 0.7071068;
constexpr double kSqrt3 = 1.7320508;
constexpr double kPercent = 100.0;
// A two-grid rosette reports its grids as the principal axes: the second is 90 degrees from the first.
constexpr double kTwoGridDirection = 90.0;
// Strain across grid a of a delta rosette is 2/3 of s = e_b + e_c - e_a / 2; the historical rounded
// factors are kept so that results match earlier releases.
constexpr double kTwoThirds = 0.66666;
constexpr double kTwoThirdsPerMicro = 666660.0;
// 2 / 1.7320508 * 1e6 (the rounded sqrt 3 of the direction): turns e_b - e_c of a delta rosette into
// the shear strain in um/m.
constexpr double kDeltaShearPerMicro = 1154700.5434251698;

// Correction factor (1 - q*nu) / (1 - q^2) of a gauge with transverse sensitivity q.
double TransverseFactor(double q, double nu) {
  return (1.0 - q * nu) / (1.0 - q * q);
}

// Von Mises equivalent stress of a plane principal stress state.
double VonMises(double s1, double s2) {
  return std::sqrt(s1 * s1 + s2 * s2 - s1 * s2);
}

struct Corrected {
  double a, b, c;
};

// Type 45: grid b's cross strain is e_a + e_c - e_b (the sum of two perpendicular strains is fixed).
Corrected Correct45(double ea, double eb, double ec, const double q[3], double nu) {
  return {TransverseFactor(q[0], nu) * (ea - q[0] * ec),
          TransverseFactor(q[1], nu) * (eb - q[1] * (ea + ec - eb)),
          TransverseFactor(q[2], nu) * (ec - q[2] * ea)};
}

// Type 60: the strain across a grid is 2/3 of the sum of the other two less 1/3 of its own.
double Correct60Grid(double own, double other1, double other2, double q, double nu) {
  return TransverseFactor(q, nu) * ((1.0 + q / 3.0) * own - (2.0 * q / 3.0) * (other1 + other2));
}

void Rosette45(double ea, double eb, double ec, const double q[3], double e, double nu, double r[12]) {
  const Corrected c = Correct45(ea, eb, ec, q, nu);
  const double n = 2.0 * c.b - c.a - c.c;
  const double d = c.a - c.c;
  const double theta = QuadrantAngle(n, d);
  const double m = (c.a + c.c) * 0.5;
  const double rad = kInvSqrt2 * std::sqrt((c.a - c.b) * (c.a - c.b) + (c.c - c.b) * (c.c - c.b));
  const double e1 = m + rad;
  const double e2 = m - rad;
  const double stiff = e / (1.0 - nu * nu);
  const double s1 = stiff * (e1 + nu * e2);
  const double s2 = stiff * (e2 + nu * e1);
  r[0] = DirectionDegrees(theta);
  r[1] = s1;
  r[2] = s2;
  r[3] = VonMises(s1, s2);
  r[4] = e1 * kPerMicro;
  r[5] = e2 * kPerMicro;
  r[6] = std::sin(theta) * (s1 - s2) * 0.5;
  r[7] = c.a * kPerMicro;
  r[8] = c.c * kPerMicro;
  r[9] = n * kPerMicro;
  r[10] = stiff * (c.a + nu * c.c);
  r[11] = stiff * (c.c + nu * c.a);
}

void Rosette60(double ea, double eb, double ec, const double q[3], double e, double nu, double r[12]) {
  const double ca = Correct60Grid(ea, eb, ec, q[0], nu);
  const double cb = Correct60Grid(eb, ea, ec, q[1], nu);
  const double cc = Correct60Grid(ec, ea, eb, q[2], nu);
  const double n = kSqrt3 * (cb - cc);
  const double d = 2.0 * ca - cb - cc;
  const double theta = QuadrantAngle(n, d);
  const double m = (ca + cb + cc) / 3.0;
  const double third = (2.0 * ca - cb - cc) / 3.0;
  const double rad = std::sqrt(third * third + (cb - cc) * (cb - cc) / 3.0);
  const double s1 = e * (m / (1.0 - nu) + rad / (1.0 + nu));
  const double s2 = e * (m / (1.0 - nu) - rad / (1.0 + nu));
  const double s = cb + cc - 0.5 * ca;
  const double stiff = e / (1.0 - nu * nu);
  r[0] = DirectionDegrees(theta);
  r[1] = s1;
  r[2] = s2;
  r[3] = VonMises(s1, s2);
  r[4] = (m + rad) * kPerMicro;
  r[5] = (m - rad) * kPerMicro;
  r[6] = std::sin(theta) * (s1 - s2) * 0.5;
  r[7] = ca * kPerMicro;
  r[8] = s * kTwoThirdsPerMicro;
  r[9] = (cb - cc) * kDeltaShearPerMicro;
  r[10] = stiff * (ca + nu * kTwoThirds * s);
  r[11] = stiff * (nu * ca + kTwoThirds * s);
}

// Type 90: two perpendicular grids, assumed to lie on the principal axes.
void Rosette90(double ea, double eb, const double q[3], double e, double nu, double r[12]) {
  const double ca = TransverseFactor(q[0], nu) * (ea - q[0] * eb);
  const double cb = TransverseFactor(q[1], nu) * (eb - q[1] * ea);
  const double stiff = e / (1.0 - nu * nu);
  const double sa = stiff * (ca + nu * cb);
  const double sb = stiff * (cb + nu * ca);
  r[0] = kTwoGridDirection;
  r[1] = sa;
  r[2] = sb;
  r[3] = VonMises(sa, sb);
  r[4] = ca * kPerMicro;
  r[5] = cb * kPerMicro;
  r[6] = (sa - sb) * 0.5;
  r[7] = ca * kPerMicro;
  r[8] = cb * kPerMicro;
  r[10] = sa;
  r[11] = sb;
}

}  // namespace

bool EvaluateRosette(const double strains[3], int32_t type, double e, double nu, const double* transverse,
                     double results[12]) {
  if (type != kRosette45 && type != kRosette60 && type != kRosette90) return false;
  double q[3] = {0.0, 0.0, 0.0};
  if (transverse != nullptr) {
    for (int i = 0; i < 3; ++i) q[i] = transverse[i] / kPercent;
  }
  const double ea = strains[0] * kMicro;
  const double eb = strains[1] * kMicro;
  const double ec = strains[2] * kMicro;
  if (type == kRosette45) {
    Rosette45(ea, eb, ec, q, e, nu, results);
  } else if (type == kRosette60) {
    Rosette60(ea, eb, ec, q, e, nu, results);
  } else {
    Rosette90(ea, eb, q, e, nu, results);
  }
  return true;
}

}  // namespace numera32::strain
