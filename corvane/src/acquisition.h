// Raw readings to physical values, and the measuring and taring channel sets that binary replies
// list in ascending channel order. Used by the single reading, taring, block acquisition and shunt
// calibration.
#pragma once

#include <cstddef>
#include <cstdint>

#include "corvan32.h"
#include "linearisation.h"

namespace corvan {

// How one channel's raw values become floats: digital I/O channels take the raw bit pattern as it
// is; others map overflow codes to their floats, or scale (raw x factor) and linearise.
struct ChannelConversion {
  double factor = 0.0;                // scale factor x range value / 25000
  const LinSensor* sensor = nullptr;  // linearisation of the transducer, null for none
  bool digital = false;               // amplifier 5055
};

ChannelConversion conversion_for(const ChannelRecord& rec, float scale);
// One raw value of a channel as the float the library reports.
float convert_raw(int16_t raw, const ChannelConversion& c);
// A block of `scans` scans of `n` channels each (little-endian 16-bit raw values, scan by scan,
// channels in the plan's order) into out[scans * n].
void convert_block(const unsigned char* payload, int32_t scans, const ChannelConversion* plan, int32_t n, float* out);

// Digital I/O lines as the device reports them: 16 bits, read without sign.
inline int32_t digital_value(int16_t raw) { return static_cast<uint16_t>(raw); }

// Channels taking part, in ascending order: measuring (state 6201, 6203) or taring (6202, 6203).
// Fills channels[kMaxChannels] and returns how many there are.
int32_t measuring_channels(int32_t* channels);
int32_t taring_channels(int32_t* channels);

}  // namespace corvan
