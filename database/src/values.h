// Writing and reading the 64-bit values of numeric channels, with the optional write cache and the
// running extremes.
#pragma once

#include <cstdint>

namespace storix {

// Writes `count` contiguous values to one channel at 0-based `position` (-1 appends). The channel is
// valid and numeric, and the bounds were checked by check_write. The values reach the file (or the
// cache when use_cache) before the length that makes them visible.
int32_t write_channel(int32_t channel, const double* values, int32_t count, int32_t position, bool use_cache);

// Checks one channel's write: channel 1..N, numeric, position/count inside the channel.
int32_t check_write(int32_t channel, int32_t count, int32_t position);

// Writes interleaved values of several channels: value k of listed channel i is data[k*channels+i].
// counts[i] per listed channel, or `uniform` for every channel when counts is null.
int32_t write_interleaved(int32_t channels, const int32_t* channel_list, const int32_t* counts, int32_t uniform,
                          const double* data, int32_t position);

// Reads `count` values from 0-based `first` after flushing the channel's cache (bounds checked by the
// caller).
int32_t read_channel(int32_t channel, int64_t first, int64_t count, double* out);

// Reads `count` values with the checks of the read exports (1-based start).
int32_t read_checked(int32_t channel, int32_t start, int32_t count, void* out);

}  // namespace storix
