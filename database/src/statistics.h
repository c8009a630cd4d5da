// Minimum, maximum, mean and standard deviation of a numeric channel.
#pragma once

#include <cstdint>

namespace storix {

int32_t channel_min(int32_t channel, double* value, int32_t* position);
int32_t channel_max(int32_t channel, double* value, int32_t* position);
int32_t channel_mean(int32_t channel, double* value);
int32_t channel_std(int32_t channel, double* value);

}  // namespace storix
