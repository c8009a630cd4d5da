// The YALPLUS tables: signal codes by the header's sort index, the FIFO rate codes, and the
// sample format words of "MBF".
#pragma once

#include <cstdint>

namespace tallix::yalplus {

inline constexpr int32_t kSignals = 6;  // sort index 0..5; others count as gross
inline constexpr int32_t kSignalBitMask = 5;
inline constexpr int32_t kFormat4Byte = 1253;  // "MBF" word of a FIFO of 4-byte samples
inline constexpr int32_t kFormat2Byte = 1255;

// The signal of a channel's sort index (0 gross, 1 net, 2 peak 1, 3 peak 2, 4 "S5", 5 bit mask).
int32_t signal_of(int32_t sort_index);
// The "MSS" code of a signal (0..5).
int32_t signal_code(int32_t signal);

struct RateCode {
  float rate;    // the rate the device runs at
  int32_t code;  // 0: no entry (the rate is left as it is)
};
// The first table rate not below the requested one (with the device's tolerance below 1 Hz).
RateCode rate_code(float requested);

}  // namespace tallix::yalplus
