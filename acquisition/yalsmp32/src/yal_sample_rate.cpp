// The YAL system's sample rates: the table of rates it runs at and the limit of its bus.
#include <cmath>
#include <iterator>

#include "yalsmp32.h"

namespace {

constexpr float kRates[] = {1, 2, 5, 10, 25, 50, 75, 100, 150, 200, 300, 400, 600, 1200, 2400, 4800, 9600};

}  // namespace

extern "C" int32_t YAL_SetSampleRate(const int32_t* channel_flags, float* rate) {
  if (channel_flags == nullptr || rate == nullptr) return kYalRejected;
  const float asked = *rate;
  if (!std::isfinite(asked) || asked <= 0.0f) return kYalRejected;
  int32_t active = 0;
  for (int32_t h = 0; h < kYalChannelFlags; ++h) active += channel_flags[h] != 0 ? 1 : 0;
  if (active == 0) return kYalRejected;
  float chosen = kRates[0];
  for (float r : kRates) {
    if (r <= asked) chosen = r;
  }
  if (static_cast<double>(chosen) * active > static_cast<double>(kYalBusSamplesPerS)) return kYalRejected;
  *rate = chosen;
  return 0;
}
