// Time channels (acquisition class 2): the times of a read's values, computed from the host's
// sample rate, the acquisition's elapsed time, the devices' FIFO rates or the read's external time.
#pragma once

#include <cstdint>

namespace tallix {

inline constexpr int16_t kTimeEverySeconds = 0;  // one value per time interval
inline constexpr int16_t kTimeElapsed = 1;       // one value: the elapsed time
inline constexpr int16_t kTimePerScan = 2;       // one value per scan at the host's sample rate
inline constexpr int16_t kTimeOfDevice = 3;      // 3 + device number: the times of that device's block

// Writes the channel's times for a read of block_length scans at its IO buffer's write offset and
// sets its read block count and current length to their number. -214 when the buffer cannot hold
// them (nothing written).
int32_t compute_time_channel(int32_t channel, int32_t block_length);

}  // namespace tallix
