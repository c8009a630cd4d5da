/*
 * NUMERA32 strain analysis: three-grid strain rosettes (principal strains, principal stresses and
 * their direction), residual stress by incremental and integral hole drilling and by the ring-core
 * method, and compensation of the temperature-induced apparent strain of a gauge.
 *
 * Units: strains in and out are in um/m; E (modulus of elasticity) is in the unit the stresses are
 * wanted in; nu (Poisson's ratio) is dimensionless; directions are in degrees, 0 to 180, counted
 * from grid a towards grid b. Every function is a plain calculation on doubles; the only state is
 * the hole-drilling calibration set by SetAdvRosPars (all zero when the library is loaded).
 * No function writes the formula error flag. Calls are not thread-safe: callers serialise them.
 */
#ifndef NUMERA32_STRAIN_H
#define NUMERA32_STRAIN_H

#include <stdint.h>

#include "numera32_api.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes of the strain functions. */
enum {
  kStrainOk = 0,
  kStrainBadArgument = -1,        /* unknown rosette type, null pointer, fewer than 2 points */
  kStrainRatioMismatch = -10,     /* SetAdvRosPars: lengths do not match the ratio */
  kStrainDepthsEqual = -20,       /* the two depths cannot be told apart */
  kStrainStiffnessOverflow = -100 /* the stiffness factor is beyond 1e20 or undefined */
};

/* Rosette types of RosStressCalc. */
enum {
  kRosette45 = 45, /* rectangular: grids at 0, 45 and 90 degrees */
  kRosette60 = 60, /* delta: grids at 0, 60 and 120 degrees */
  kRosette90 = 90  /* two grids at 0 and 90 degrees; grid c is not used */
};

/* Value of DoThermoComp2 when the two reference temperatures coincide. */
#define NUMERA32_THERMO_NO_SPAN (-1e66)

/*
 * RosStressCalc: principal strains, principal stresses and their direction from one rosette reading.
 *   strains   3 doubles: grids a, b, c in um/m.
 *   results   12 doubles, out:
 *               0 direction of the first principal strain from grid a (degrees; 90.0 for type 90)
 *               1, 2 first and second principal stress (type 90: stress along grid a, along grid b)
 *               3 equivalent stress after von Mises
 *               4, 5 first and second principal strain (type 90: corrected strains a, b), um/m
 *               6 shear stress in the frame of grids a and c (type 90: half the stress difference)
 *               7 corrected strain of grid a, um/m
 *               8 strain across grid a (type 45: corrected grid c; type 60: 0.99999 times the
 *                 strain across grid a; type 90: corrected grid b), um/m
 *               9 shear strain in the frame of grid a, um/m (type 90: left as it was)
 *              10, 11 stress along grid a and across it
 *   type      kRosette45, kRosette60 or kRosette90.
 *   e, nu     modulus of elasticity and Poisson's ratio (nu must lie strictly between -1 and 1).
 *   unused    accepted and ignored (hosts pass 0).
 *   transverse 3 doubles: transverse sensitivities of grids a, b, c in percent; NULL for none.
 * Returns kStrainOk; kStrainBadArgument for another type or a null strains/results pointer (results
 * are then untouched).
 */
NUMERA32_API int32_t RosStressCalc(const double* strains, double* results, int32_t type, double e, double nu,
                                   int32_t unused, const double* transverse);

/*
 * SetAdvRosPars: stores the hole-drilling calibration used by HoleDrillCalc and RingCoreCalc.
 *   ratio            expected ratio second_length / depth_ref_length.
 *   a, b             5 floats each: coefficients a0..a4 and b0..b4 of the polynomials A(u) and B(u).
 *   modulus_divisor  HoleDrillCalc divides the modulus by it.
 *   depth_ref_length HoleDrillCalc divides the hole depths by it.
 *   second_length    only checked against the ratio.
 * Returns kStrainOk; kStrainRatioMismatch when |ratio - second_length / depth_ref_length| > 0.1 or
 * that quotient is undefined (coefficients and both lengths are then stored, the modulus divisor
 * is not); kStrainBadArgument for a null a or b (nothing stored).
 */
NUMERA32_API int32_t SetAdvRosPars(float ratio, const float* a, const float* b, float modulus_divisor,
                                   float depth_ref_length, float second_length);

/*
 * HoleDrillCalc: residual stress of one incremental hole-drilling step.
 *   strains  6 doubles: grids a, b, c at depth z1, then a, b, c at depth z2, in um/m.
 *   depths   2 doubles: z1, z2 (in the unit of the depth reference length).
 *   results  3 doubles, out: 0 direction of the first principal stress from grid a (degrees),
 *            1 first (larger) principal stress, 2 second principal stress.
 *   e, nu    modulus of elasticity and Poisson's ratio (nu must not be 0).
 * Returns kStrainOk; kStrainDepthsEqual when the normalised depths differ by less than 1e-29 or
 * cannot be normalised (depth reference length 0); kStrainStiffnessOverflow when the stiffness
 * factor exceeds 1e20 in magnitude or is undefined (e.g. no calibration set);
 * kStrainBadArgument for a null pointer. Results are written only on success.
 */
NUMERA32_API int32_t HoleDrillCalc(const double* strains, const double* depths, double* results, double e,
                                   double nu);

/*
 * RingCoreCalc: residual stress of one ring-core step; arguments, results and status codes as
 * HoleDrillCalc. The depths are used as given and the calibration polynomials are taken at z2;
 * the modulus divisor and the lengths of the calibration are not used.
 */
NUMERA32_API int32_t RingCoreCalc(const double* strains, const double* depths, double* results, double e,
                                  double nu);

/*
 * IntegralHoleDrill: principal residual stresses of a through hole from the released strains.
 *   strains  3 doubles: grids a, b, c in um/m.  results  3 doubles, out, as HoleDrillCalc.
 * Returns kStrainOk; kStrainBadArgument for a null pointer.
 */
NUMERA32_API int32_t IntegralHoleDrill(const double* strains, double* results, double e, double nu);

/*
 * AppStrain: apparent strain c0 + c1*t + c2*t^2 + c3*t^3 of a gauge at temperature t.
 *   poly  4 doubles c0..c3; NULL means no thermal output (the result is 0).
 */
NUMERA32_API double AppStrain(double t, const double* poly);

/*
 * DoThermoComp: strain eps measured at temperature t, less the gauge's apparent strain AppStrain(t)
 * and the mismatch (t - t0) * (alpha2 - alpha1) of the expansion coefficients alpha1 (the material
 * the gauge is matched to) and alpha2 (the material it is bonded to), relative to t0.
 */
NUMERA32_API double DoThermoComp(double eps, double t, const double* poly, double alpha1, double alpha2,
                                 double t0);

/*
 * DoThermoComp2: strain eps at temperature t less the drift (t - t0) * (eps2 - eps1) / (t2 - t1)
 * interpolated between the readings eps1 at t1 and eps2 at t2. Returns NUMERA32_THERMO_NO_SPAN
 * (-1e66) when |t1 - t2| < 1e-20.
 */
NUMERA32_API double DoThermoComp2(double eps, double t, double t0, double eps1, double eps2, double t1,
                                  double t2);

/*
 * DetAlphaMat: expansion coefficient of a material from two gauges read over a temperature series.
 *   a, b, t  n + 1 doubles each; positions 1..n hold the readings of the gauge on the material, of
 *            the gauge on the reference material and the temperatures (position 0 is not read).
 *   n        number of points, at least 2.
 *   alpha0   expansion coefficient of the reference material.
 *   alpha    n doubles, out: positions 1..n-1 receive alpha0 + the slope of (a - b) over each
 *            temperature step, or alpha0 + 1.0 where the step is shorter than 1e-20 (position 0 is
 *            not written).
 * Returns kStrainOk; kStrainBadArgument when n < 2 or a pointer is null (nothing written).
 */
NUMERA32_API int32_t DetAlphaMat(const double* a, const double* b, const double* t, int32_t n, double alpha0,
                                 double* alpha);

#ifdef __cplusplus
}
#endif

#endif /* NUMERA32_STRAIN_H */
