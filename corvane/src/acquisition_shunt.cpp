// Shunt calibration of the channels of amplifier 5058: a reading with the shunt switched in (b),
// then one with the measuring signal (c), both with the scale factor 1, and the channel scale
// factor 1 / (b - c).
#include <cmath>

#include "acquisition.h"
#include "connection.h"
#include "corvan32_measure.h"
#include "export_guard.h"
#include "ids.h"
#include "linkar32.h"
#include "operations.h"

using namespace corvan;

namespace {

constexpr int32_t kShuntSettleMs = 100;
constexpr float kValidLimit = 1e36f;  // readings at or beyond are overflow values

bool valid_reading(float v) { return v > -kValidLimit && v < kValidLimit; }

}  // namespace

namespace corvan {

int32_t shunt_calibration(int32_t count, const int32_t* channels, Reply& reply) {
  if (count < 0 || (count > 0 && channels == nullptr)) return kCvBadValue;
  State& s = state();
  auto takes_part = [&](int32_t ch) { return check_channel(ch) == 0 && record(ch).amplifier == id::kAmpKx3; };
  auto switch_signal = [&](int32_t signal) {
    for (int32_t i = 0; i < count; ++i) {
      if (!takes_part(channels[i])) continue;
      s.signal_selector[channels[i]] = signal;
      save_chan_settings(channels[i], kCvChanSignal, reply);
    }
  };
  // Both readings are taken with the scale factor 1, so that the result does not depend on an
  // earlier calibration (scaling the second reading by the first, as the slot would, made
  // repeated calibrations alternate between two factors). Results of the single steps are not
  // checked: every listed channel ends with a scale factor.
  float shunt_reading[kMaxChannels] = {};
  for (int32_t i = 0; i < count; ++i) {
    if (takes_part(channels[i])) s.scale_factor[channels[i]] = 1.0f;
  }
  switch_signal(id::kSignalShunt);
  QBX_Delay(kShuntSettleMs);
  measure_once();
  for (int32_t i = 0; i < count; ++i) {
    if (takes_part(channels[i])) shunt_reading[channels[i]] = record(channels[i]).measured;
  }
  switch_signal(id::kSignalMeasuring);
  QBX_Delay(kShuntSettleMs);
  measure_once();
  for (int32_t i = 0; i < count; ++i) {
    const int32_t ch = channels[i];
    if (!takes_part(ch)) continue;
    const float b = shunt_reading[ch];
    const float c = record(ch).measured;
    const float scale = 1.0f / (b - c);
    // Equal readings (no shunt step seen) would give an infinite factor: keep 1 instead.
    s.scale_factor[ch] = valid_reading(b) && valid_reading(c) && std::isfinite(scale) ? scale : 1.0f;
  }
  return kCvOk;
}

}  // namespace corvan

extern "C" CORVAN32_API int32_t CV_ACQShuntCal(int32_t count, const int32_t* channels) {
  return recorded([&]() -> int32_t { return shunt_calibration(count, channels, state().reply); });
}
