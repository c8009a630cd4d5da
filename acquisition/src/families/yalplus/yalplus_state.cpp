// The YALPLUS family's static state and its defaults.
#include "families/yalplus/yalplus_state.h"

namespace tallix::yalplus {

namespace {
constexpr int16_t kClassMeasured = 0;
constexpr int16_t kSignalMeasured = 8;
constexpr int16_t kTwoByteSamples = 2;

FamilyState make_state() {
  FamilyState s{};
  s.max_dyn_block = kDefaultMaxDynBlock;
  s.min_pretrigger = 1;
  return s;
}
}  // namespace

FamilyState& family_state() {
  static FamilyState state = make_state();
  return state;
}

void reset_settings() {
  FamilyState& s = family_state();
  s.dyn_read_mode = 0;
  s.max_dyn_block = kDefaultMaxDynBlock;
  s.min_pretrigger = 1;
  s.read_mode = 0;
  s.disk_recording = 0;
  for (DeviceState& d : s.devices) d = DeviceState{};
}

bool measured_on(const AcqHdr& h, const DeviceRecord& d) {
  return h.acq_class == kClassMeasured && h.signal_kind == kSignalMeasured && h.interface == d.port &&
         h.device_address == d.address;
}

int32_t full_scale_of(const DeviceRecord& d, int32_t fifo) {
  const int16_t width = d.sample_width[fifo < 0 || fifo >= 6 ? 0 : fifo];
  return width == kTwoByteSamples ? kFullScale2 : kFullScale4;
}

}  // namespace tallix::yalplus
