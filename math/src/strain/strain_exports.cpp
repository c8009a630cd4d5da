// The C entry points of the strain functions: argument checks, then the calculation inside a
// catch-all so that nothing thrown below ever crosses the library boundary.
#include <limits>

#include "numera32_strain.h"
#include "strain/residual_stress.h"
#include "strain/rosette.h"
#include "strain/thermal_compensation.h"

using namespace numera32::strain;

namespace {

// Runs `body`; a stray exception becomes `on_error`.
template <typename T, typename F>
T Guarded(T on_error, F&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return on_error;
  }
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

extern "C" {

NUMERA32_API int32_t RosStressCalc(const double* strains, double* results, int32_t type, double e, double nu,
                                   int32_t /*unused*/, const double* transverse) {
  if (strains == nullptr || results == nullptr) return kStrainBadArgument;
  return Guarded<int32_t>(kStrainBadArgument, [&] {
    return EvaluateRosette(strains, type, e, nu, transverse, results) ? kStrainOk : kStrainBadArgument;
  });
}

NUMERA32_API int32_t SetAdvRosPars(float ratio, const float* a, const float* b, float modulus_divisor,
                                   float depth_ref_length, float second_length) {
  if (a == nullptr || b == nullptr) return kStrainBadArgument;
  return Guarded<int32_t>(kStrainBadArgument, [&] {
    return SetCalibration(ratio, a, b, modulus_divisor, depth_ref_length, second_length);
  });
}

NUMERA32_API int32_t HoleDrillCalc(const double* strains, const double* depths, double* results, double e,
                                   double nu) {
  if (strains == nullptr || depths == nullptr || results == nullptr) return kStrainBadArgument;
  return Guarded<int32_t>(kStrainBadArgument, [&] { return HoleDrill(strains, depths, e, nu, results); });
}

NUMERA32_API int32_t RingCoreCalc(const double* strains, const double* depths, double* results, double e,
                                  double nu) {
  if (strains == nullptr || depths == nullptr || results == nullptr) return kStrainBadArgument;
  return Guarded<int32_t>(kStrainBadArgument, [&] { return RingCore(strains, depths, e, nu, results); });
}

NUMERA32_API int32_t IntegralHoleDrill(const double* strains, double* results, double e, double nu) {
  if (strains == nullptr || results == nullptr) return kStrainBadArgument;
  return Guarded<int32_t>(kStrainBadArgument, [&] {
    IntegralHole(strains, e, nu, results);
    return kStrainOk;
  });
}

NUMERA32_API double AppStrain(double t, const double* poly) {
  return Guarded(kNaN, [&] { return ApparentStrain(t, poly); });
}

NUMERA32_API double DoThermoComp(double eps, double t, const double* poly, double alpha1, double alpha2,
                                 double t0) {
  return Guarded(kNaN, [&] { return CompensateThermalOutput(eps, t, poly, alpha1, alpha2, t0); });
}

NUMERA32_API double DoThermoComp2(double eps, double t, double t0, double eps1, double eps2, double t1,
                                  double t2) {
  return Guarded(kNaN, [&] { return CompensateTwoPoint(eps, t, t0, eps1, eps2, t1, t2); });
}

NUMERA32_API int32_t DetAlphaMat(const double* a, const double* b, const double* t, int32_t n, double alpha0,
                                 double* alpha) {
  if (n < 2 || a == nullptr || b == nullptr || t == nullptr || alpha == nullptr) return kStrainBadArgument;
  return Guarded<int32_t>(kStrainBadArgument, [&] {
    ExpansionCoefficients(a, b, t, n, alpha0, alpha);
    return kStrainOk;
  });
}

}  // extern "C"
