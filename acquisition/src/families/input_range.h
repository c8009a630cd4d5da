// The listed inputs of the current device as one range "first,last" (the commands of the families
// that address input ranges).
#pragma once

#include <cstdint>

#include "families/ascii_line.h"
#include "kernel_state.h"

namespace tallix::ascii {

struct InputRange {
  int32_t first = 0;
  int32_t last = 0;
};

// The smallest and largest hardware channel of the listed measured channels of the current device
// (0, 0 when there is none).
inline InputRange input_range(int32_t count, const int16_t* channels) {
  InputRange r;
  bool any = false;
  for (int32_t i = 0; i < count; ++i) {
    if (!valid_channel(channels[i]) || !measured_on_current(channels[i])) continue;
    const int32_t h = header(channels[i]).hardware_channel;
    if (!any || h < r.first) r.first = h;
    if (!any || h > r.last) r.last = h;
    any = true;
  }
  return r;
}

}  // namespace tallix::ascii
