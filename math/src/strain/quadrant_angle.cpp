// The quadrant angle: arctangent of a numerator/denominator pair folded into 0 .. 2*pi, with a dead
// zone of 1e-30 around the axes so that rounding noise does not flip a direction by 180 degrees.
#include "strain/quadrant_angle.h"

#include <cmath>

namespace numera32::strain {

double QuadrantAngle(double n, double d) {
  constexpr double kTiny = 1e-30;
  if (std::fabs(n) <= kTiny && std::fabs(d) <= kTiny) return 0.0;
  if (n >= kTiny && d > 0.0) return std::atan(n / d);
  if (n > 0.0 && d <= kTiny) return std::fabs(d) > kTiny ? kPi - std::fabs(std::atan(n / d)) : kHalfPi;
  if (n <= kTiny && d < 0.0) return std::fabs(std::atan(n / d)) + kPi;
  // Here d >= 0 (every d < 0 was taken above). A negative numerator on the axis (d within 1e-30)
  // is 3*pi/2, the mirror of pi/2 above; testing d >= 1e-30 here would fold it to 0.
  if (n < 0.0) return d > kTiny ? kTwoPi - std::fabs(std::atan(n / d)) : kThreeHalfPi;
  return 0.0;
}

}  // namespace numera32::strain
