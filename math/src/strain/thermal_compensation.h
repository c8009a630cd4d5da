// Temperature compensation of strain readings: the apparent strain (thermal output) of a gauge, its
// removal from a reading, and the expansion coefficient of a material measured with two gauges.
#ifndef NUMERA32_STRAIN_THERMAL_COMPENSATION_H
#define NUMERA32_STRAIN_THERMAL_COMPENSATION_H

#include <cstdint>

namespace numera32::strain {

// c[0] + c[1] t + c[2] t^2 + c[3] t^3; 0 for a null polynomial.
double ApparentStrain(double t, const double* c);

// Reading less the apparent strain and the expansion mismatch (alpha2 - alpha1) since t0.
double CompensateThermalOutput(double eps, double t, const double* c, double alpha1, double alpha2,
                               double t0);

// Reading less the drift interpolated between two reference readings; -1e66 for a zero span.
double CompensateTwoPoint(double eps, double t, double t0, double eps1, double eps2, double t1, double t2);

// Expansion coefficients over the temperature steps of a series (1-based positions, see DetAlphaMat).
void ExpansionCoefficients(const double* a, const double* b, const double* t, int32_t n, double alpha0,
                           double* alpha);

}  // namespace numera32::strain

#endif
