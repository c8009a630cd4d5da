// Residual stress from the strains released by drilling a hole or cutting a ring core: the library's
// hole-drilling calibration and the incremental, ring-core and through-hole evaluations.
#ifndef NUMERA32_STRAIN_RESIDUAL_STRESS_H
#define NUMERA32_STRAIN_RESIDUAL_STRESS_H

#include <cstdint>

namespace numera32::strain {

// Calibration of the incremental methods: polynomials A(u) = sum a[k] u^k and B(u) = sum b[k] u^k.
struct HoleDrillCalibration {
  double a[5];
  double b[5];
  double modulus_divisor;   // the modulus is divided by it (hole drilling)
  double depth_ref_length;  // depths are divided by it (hole drilling)
  double second_length;     // only checked against the ratio
};

// The library-wide calibration (all zero at load).
HoleDrillCalibration& Calibration();

// Stores a calibration; see SetAdvRosPars for the ratio check and what is kept when it fails.
int32_t SetCalibration(double ratio, const float a[5], const float b[5], double modulus_divisor,
                       double depth_ref_length, double second_length);

// Incremental hole drilling and ring core between the depths z[0] and z[1] from the strains s[0..5]
// (a, b, c before, a, b, c after, um/m) into out[0..2] (direction, first and second principal
// stress). Return a status of numera32_strain.h; out is written only on success.
int32_t HoleDrill(const double s[6], const double z[2], double e, double nu, double out[3]);
int32_t RingCore(const double s[6], const double z[2], double e, double nu, double out[3]);

// Through-hole evaluation of the released strains s[0..2] (um/m) into out[0..2].
void IntegralHole(const double s[3], double e, double nu, double out[3]);

}  // namespace numera32::strain

#endif
