// The hole-drilling calibration that a host loads once (from its gauge tables) and that every later
// incremental evaluation uses: the coefficient polynomials A and B and the lengths they refer to.
#include <cmath>

#include "numera32_strain.h"
#include "strain/residual_stress.h"

namespace numera32::strain {

HoleDrillCalibration& Calibration() {
  static HoleDrillCalibration calibration{};
  return calibration;
}

int32_t SetCalibration(double ratio, const float a[5], const float b[5], double modulus_divisor,
                       double depth_ref_length, double second_length) {
  constexpr double kRatioTolerance = 0.1;
  HoleDrillCalibration& cal = Calibration();
  for (int k = 0; k < 5; ++k) {
    cal.a[k] = a[k];
    cal.b[k] = b[k];
  }
  cal.depth_ref_length = depth_ref_length;
  cal.second_length = second_length;
  // The coefficients and lengths stay stored on a mismatch; only the modulus divisor is withheld.
  // An undefined quotient (both lengths 0) counts as a mismatch.
  if (!(std::fabs(ratio - second_length / depth_ref_length) <= kRatioTolerance)) return kStrainRatioMismatch;
  cal.modulus_divisor = modulus_divisor;
  return kStrainOk;
}

}  // namespace numera32::strain
