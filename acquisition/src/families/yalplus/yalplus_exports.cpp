// The YALPLUS exports: the family settings (dynamic read mode and block, minimal pre-trigger, FIFO
// modes, read mode) and the restart of a measurement.
#include "device_line.h"
#include "export_guard.h"
#include "families/yalplus/yalplus_line.h"
#include "families/yalplus/yalplus_state.h"
#include "kernel_state.h"
#include "tallix32.h"

using namespace tallix;
using namespace tallix::yalplus;

namespace {

constexpr int32_t kModeRead = 0;
constexpr int16_t kFifoBoth = 4;

// Mode 0: the FIFO runs at the device's FIFO 0 rate, and its FIFO-4 channels get the full-scale
// count of the FIFO's sample width with the scale factor from their span (idempotent: the span is
// kept apart, so repeated calls do not scale again).
void fix_shared_channels(int32_t number, int32_t fifo) {
  DeviceRecord& d = device(number);
  FamilyState& s = family_state();
  d.fifo_rate[fifo] = d.fifo_rate[0];
  const int32_t full_scale = full_scale_of(d, fifo);
  for (int32_t j = 0; j < d.fifo_channel_count[fifo]; ++j) {
    const int32_t ch = d.fifo_list[fifo][j];
    AcqHdr& h = header(ch);
    if (h.fifo != kFifoBoth) continue;
    h.full_scale = full_scale;
    s.scale[ch] = s.span[ch] / static_cast<float>(full_scale);
  }
}

}  // namespace

extern "C" {

int32_t YALPLUS_SetDynReadMode(int32_t mode) {
  family_state().dyn_read_mode = mode;
  return kAcqOk;
}

int32_t YALPLUS_SetMaxDynReadBlock(int32_t n) {
  family_state().max_dyn_block = n > 0 ? n : kDefaultMaxDynBlock;
  return kAcqOk;
}

int32_t YALPLUS_SetMinPreTrig(int32_t n) {
  family_state().min_pretrigger = n > 0 ? n : 1;
  return kAcqOk;
}

int32_t YALPLUS_SetFIFOMode(int32_t number, int32_t fifo, int32_t mode, int32_t value1, int32_t value2,
                            int32_t value3) {
  if (!valid_device(number) || fifo < 0 || fifo >= kAcqFifoCount) return kAcqBadArgument;
  FifoMode& m = family_state().devices[number].fifo[fifo];
  m = FifoMode{mode, {value1, value2, value3}};
  device(number).skip_fifo[fifo] = static_cast<int16_t>(mode);
  if (mode == kModeRead) fix_shared_channels(number, fifo);
  return kAcqOk;
}

int32_t YALPLUS_RestartMeasurement(int32_t number) {
  if (!valid_device(number)) return kAcqBadArgument;
  return guarded([&]() -> int32_t {
    const DeviceRecord& d = device(number);
    int32_t r = select_device_line(d.port, d.address);
    if (r < 0) return r;
    for (const char* text : {"STP\n", "TSV\n"}) {
      Reply reply;
      if ((r = exchange(text, &reply)) != 0) return r;
      if (reply.refused()) {
        int32_t error = 0;
        device_error(&error);
        return kAcqBadArgument;
      }
    }
    return kAcqOk;
  });
}

int32_t QBX_ACQSetReadMode(int32_t mode) {
  if (kernel().last_initialised_type == kAcqTypeYalplus) family_state().read_mode = mode;
  return kAcqOk;
}

}  // extern "C"
