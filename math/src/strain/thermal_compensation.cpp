// Temperature compensation. A gauge on a material reads, besides the mechanical strain, an apparent
// strain that depends on temperature: its thermal output on the material it is matched to (a cubic
// in the temperature from its data sheet) plus the expansion mismatch when it is bonded to another
// material. These functions remove it, or measure the expansion coefficient from two gauges.
#include "strain/thermal_compensation.h"

#include <cmath>

#include "numera32_strain.h"

namespace numera32::strain {

double ApparentStrain(double t, const double* c) {
  if (c == nullptr) return 0.0;
  return c[0] + c[1] * t + c[2] * t * t + c[3] * t * t * t;
}

double CompensateThermalOutput(double eps, double t, const double* c, double alpha1, double alpha2,
                               double t0) {
  return eps - ApparentStrain(t, c) - (t - t0) * (alpha2 - alpha1);
}

double CompensateTwoPoint(double eps, double t, double t0, double eps1, double eps2, double t1, double t2) {
  constexpr double kMinSpan = 1e-20;
  if (std::fabs(t1 - t2) < kMinSpan) return NUMERA32_THERMO_NO_SPAN;
  return eps - (t - t0) * (eps2 - eps1) / (t2 - t1);
}

void ExpansionCoefficients(const double* a, const double* b, const double* t, int32_t n, double alpha0,
                           double* alpha) {
  constexpr double kMinStep = 1e-20;
  // Marks a step whose temperatures cannot be told apart; 1.0 is far beyond any real coefficient.
  constexpr double kNoStepMark = 1.0;
  for (int32_t i = 1; i < n; ++i) {
    const double dt = t[i + 1] - t[i];
    const double dd = (a[i + 1] - b[i + 1]) - (a[i] - b[i]);
    // A falling temperature is as good a step as a rising one; only a vanishing step is marked.
    alpha[i] = std::fabs(dt) >= kMinStep ? alpha0 + dd / dt : alpha0 + kNoStepMark;
  }
}

}  // namespace numera32::strain
