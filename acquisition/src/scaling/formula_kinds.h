// The formula kinds of derived channels: the numbers QBX_ACQCreateFormula takes, the size of the
// parameter list a computation reads, and the rosette result each strain kind outputs.
#pragma once

#include <cstdint>

namespace tallix {

inline constexpr int32_t kKindText = 0;
inline constexpr int32_t kKindSum = 8, kKindMean = 9;
inline constexpr int32_t kKindRosetteFirst = 10, kKindRosetteLast = 12;
inline constexpr int32_t kKindMovingMean = 13, kKindMovingMeanOffset = 14;
inline constexpr int32_t kKindMinimum = 15, kKindMaximum = 16, kKindRange = 17;
inline constexpr int32_t kKindSpectrumReal = 18, kKindSpectrumImaginary = 19, kKindSpectrumPower = 20;
inline constexpr int32_t kKindRunningSum = 21;
inline constexpr int32_t kKindDifferenceQuotient = 25;
inline constexpr int32_t kKindIntegral = 40;
inline constexpr int32_t kKindFilter4 = 43, kKindFilter2 = 44;
inline constexpr int32_t kKindGroupStatistic = 45;
inline constexpr int32_t kKindAdvancedRosetteFirst = 50, kKindAdvancedRosetteLast = 58;

inline constexpr int32_t kFormulaParameters = 16;  // parameters p0..p15 any kind reads (more are kept, unread)

// Rosette types whose evaluation keeps the previous reading in the work area.
inline constexpr int32_t kRosetteRingCore = 100, kRosetteHoleDrilling = 200;

inline bool is_rosette_kind(int32_t kind) {
  return (kind >= kKindRosetteFirst && kind <= kKindRosetteLast) ||
         (kind >= kKindAdvancedRosetteFirst && kind <= kKindAdvancedRosetteLast);
}

// Moving-mean width of kinds 13 and 14: parameter 1 cut to an integer, at least 2; -1 when the
// parameter is not a usable number.
int32_t moving_mean_width(double parameter);

}  // namespace tallix
