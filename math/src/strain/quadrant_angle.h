// The quadrant angle shared by every strain calculation: the angle of a numerator/denominator pair
// in 0 .. 2*pi, with the rounded constants the calculations have always used, and its conversion to
// a principal direction in degrees.
#ifndef NUMERA32_STRAIN_QUADRANT_ANGLE_H
#define NUMERA32_STRAIN_QUADRANT_ANGLE_H

namespace numera32::strain {

// The rounded constants are kept on purpose: results must match those of earlier releases digit for
// digit (a quadrant angle of pi gives the direction 90.00000076514091, not 90).
inline constexpr double kPi = 3.1415926536;
inline constexpr double kTwoPi = 6.2831853072;
inline constexpr double kHalfPi = 1.5707963268;
inline constexpr double kThreeHalfPi = 4.7123889804;
inline constexpr double kDegreesPerRadian = 57.29578;

// Angle in 0 .. 2*pi of the point (d, n): 0 when both are within 1e-30 of zero; the axes map to
// 0, pi/2, pi and 3*pi/2.
double QuadrantAngle(double n, double d);

// Direction in degrees (0 .. 180) of a principal axis whose doubled angle is `angle`.
inline double DirectionDegrees(double angle) {
  return angle * 0.5 * kDegreesPerRadian;
}

}  // namespace numera32::strain

#endif
