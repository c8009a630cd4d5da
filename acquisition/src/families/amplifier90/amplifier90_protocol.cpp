// The exchanges of device type 90 (sequences in amplifier90.h).
#include <cmath>
#include <cstring>

#include "families/amplifier90/amplifier90.h"
#include "families/ascii_line.h"
#include "families/corvane/corvane_trigger.h"
#include "families/input_range.h"
#include "families/trigger_level.h"
#include "kernel_state.h"
#include "linkar32.h"
#include "multiscan/acquisition_state.h"

namespace tallix::amplifier90 {
namespace {

using namespace ascii;

constexpr int32_t kCalibrationMs = 1500;
constexpr int32_t kStopSettleMs = 10;

// A command of QBX_ACQCmd followed by "EST".
int32_t checked(Exchange& x, const Line& l) {
  x(l);
  return error_as(error_status(x, line("EST\r")), kAcqDeviceRefused);
}

}  // namespace

int32_t device_setup(int32_t, int32_t) {
  Exchange x(kCr, kAcqDeviceErrorStatus);
  if (int32_t r = error_status(x, line("EST\r")); r != 0) return r;
  return x(line("SYN\r")).status();
}

int32_t channel_setup(int32_t channel) {
  const int32_t h = header(channel).hardware_channel;
  Exchange x(kCr, kAcqChannelNotAvailable);
  x(line("ODU\r"))(line("ICH%i,%i,1\r", h, h))(line("OMM%i,%i\r", h, h));
  return error_as(error_status(x, line("EST\r")), kAcqChannelNotAvailable);
}

int32_t start(int32_t number, int32_t, const int32_t*, int32_t block_length, int32_t option) {
  const BlockOrder& order = acquisition().order[number];
  const int32_t k = order.count;
  if (k == 0) return kAcqOk;
  // The trigger is checked before anything is sent: a refused one leaves the device as it was.
  const int32_t* trigger = corvane::trigger_of_current_port();
  if (trigger != nullptr && trigger[corvane::kTrigMode] == corvane::kTriggerNone) trigger = nullptr;
  LevelCondition level{};
  if (trigger != nullptr && trigger[corvane::kTrigMode] == corvane::kTriggerLevel &&
      !level_condition(trigger, &level))
    return kAcqTriggerRefused;
  KernelState& kn = kernel();
  const int32_t rate =
      kn.sample_rate >= 1.0f && std::isfinite(kn.sample_rate) ? static_cast<int32_t>(kn.sample_rate) : 1;
  kn.sample_rate = static_cast<float>(rate);
  Exchange x(kCr, kAcqDeviceErrorStatus);
  x(line("ODU\r"));
  for (int32_t j = 0; j < k; ++j) {
    const int32_t h = header(order.channels[j]).hardware_channel;
    x(line("ICH%i,%i,1\r", h, h));
  }
  x(line("COF4\r"))(line("ISR%i\r", rate))(line("ICR%i\r", k));
  if (!x.ok()) return x.status();
  int32_t pre = 0;
  if (trigger != nullptr) {
    const int32_t mode = trigger[corvane::kTrigMode];
    const int32_t ch = trigger[corvane::kTrigChannel];
    const int32_t input = valid_channel(ch) ? header(ch).hardware_channel : 0;  // mode 1: may name none
    pre = static_cast<int32_t>(static_cast<double>(trigger[corvane::kTrigPretrigger]) * block_length * 0.01);
    x(line("TSV1,%i,%li,%li,%i\r", input, static_cast<long>(block_length), static_cast<long>(pre), mode));
    if (!x.ok()) return x.status();
    if (mode == corvane::kTriggerLevel) {
      x(line("TRG%i,%li,%i\r", level.hardware, static_cast<long>(level.raw), level.condition));
      if (!x.ok()) return error_as(x.status(), kAcqTriggerRefused);
    }
  }
  return x
      .send_only(
          line("MSV1,%i,%li,%i,%li\r", k, static_cast<long>(block_length), option, static_cast<long>(pre)))
      .status();
}

int32_t read(int32_t number, int32_t, const int32_t*, int32_t* length, double read_mode) {
  const int32_t k = acquisition().order[number].count;
  if (k == 0) return kAcqOk;
  return once_per_cycle(number, length,
                        [&] { return read_stream(number, length, read_mode, Sample::kInt16Le, k); });
}

int32_t stop(int32_t) {
  const int32_t r = QBX_WritePort("STP\r");
  drain_input(kStopSettleMs);
  return r;
}

int32_t command(int32_t, int32_t count, const int16_t* channels, int32_t code, void* value) {
  const InputRange range = input_range(count, channels);
  int32_t v = 0;
  if (value != nullptr) std::memcpy(&v, value, sizeof v);
  Exchange x(kCr, kAcqDeviceRefused);
  switch (code) {
    case kAcqCmdTare:
      return checked(x, line("TAR%i,%i,1\r", range.first, range.last));
    case kAcqCmdCalibrate: {
      x(line("CAL%i,%i\r", range.first, range.last));
      if (x.ok()) QBX_Delay(kCalibrationMs);
      return error_as(error_status(x, line("EST\r")), kAcqDeviceRefused);
    }
    case kAcqCmdTareSource:
      return checked(x, line("ITS%i,%i,%i\r", range.first, range.last, v));
    default:
      return kAcqCommandNotSupported;
  }
}

}  // namespace tallix::amplifier90
