// Conversion between a numeric channel and a packed array of 64/32-bit floats or 32/16/8-bit integers.
#pragma once

#include <cstdint>

namespace storix {

int32_t channel_to_packed(int32_t channel, void* out, int32_t type);
int32_t packed_to_channel(int32_t channel, const void* data, int32_t type, int32_t count);

}  // namespace storix
