// Conversion of raw 16-bit readings into physical values: overflow codes become their fixed floats
// and are never scaled; other values are scaled to the range (25000 = full range) and linearised
// for thermocouple and Pt transducers. Digital I/O channels pass their bit pattern.
#include <cstring>

#include "acquisition.h"
#include "connection.h"
#include "ids.h"
#include "settings_model.h"

namespace corvan {

ChannelConversion conversion_for(const ChannelRecord& rec, float scale) {
  ChannelConversion c;
  c.digital = rec.amplifier == id::kAmpDigitalIo;
  c.factor = static_cast<double>(scale) * static_cast<double>(rec.range_value) * 0.00004;
  c.sensor = find_lin_sensor(rec.transducer);
  return c;
}

float convert_raw(int16_t raw, const ChannelConversion& c) {
  if (c.digital) return static_cast<float>(digital_value(raw));
  float v;
  if (overflow_value(raw, &v)) return v;
  v = static_cast<float>(raw * c.factor);
  if (c.sensor != nullptr) linearise(&v, *c.sensor, false);  // clamped values are kept as clamped
  return v;
}

void convert_block(const unsigned char* payload, int32_t scans, const ChannelConversion* plan, int32_t n, float* out) {
  for (int32_t s = 0; s < scans; ++s) {
    for (int32_t ch = 0; ch < n; ++ch) {
      *out++ = convert_raw(raw_value(payload, 0), plan[ch]);
      payload += 2;
    }
  }
}

namespace {

template <class Takes>
int32_t channels_where(int32_t* channels, Takes takes) {
  const State& s = state();
  int32_t n = 0;
  const int32_t count = s.device.channel_count < kMaxChannels ? s.device.channel_count : kMaxChannels;
  for (int32_t ch = 0; ch < count; ++ch) {
    const ChannelRecord* rec = s.records[ch];
    if (rec != nullptr && takes(rec->state)) channels[n++] = ch;
  }
  return n;
}

}  // namespace

int32_t measuring_channels(int32_t* channels) {
  return channels_where(channels, [](int32_t st) { return st == id::kStateMeasure || st == id::kStateMeasureTare; });
}

int32_t taring_channels(int32_t* channels) {
  return channels_where(channels, [](int32_t st) { return st == id::kStateTare || st == id::kStateMeasureTare; });
}

}  // namespace corvan
