// The ZELPLUS exchanges (sequences in zelplus.h).
#include <cstring>
#include <vector>

#include "families/ascii_line.h"
#include "families/corvane/corvane_rates.h"
#include "families/corvane/corvane_trigger.h"
#include "families/trigger_level.h"
#include "families/zelplus/zelplus.h"
#include "kernel_state.h"
#include "linkar32.h"
#include "multiscan/acquisition_state.h"

namespace tallix::zelplus {
namespace {

using namespace ascii;

constexpr int32_t kNotConnected = 5050;
constexpr int32_t kCalibrationMs = 3000;
constexpr int32_t kRestart = -1;
constexpr int32_t kMaxScans = 1023;
constexpr int64_t kMaxBlockPayload = 524280;
constexpr int32_t kCountBytes = 2;
constexpr int32_t kTrailerBytes = 2;
constexpr int32_t kMaxLevelTriggers = 2;  // the device compares two trigger channels

struct LevelTriggers {
  int32_t count = 0;
  LevelCondition conditions[kMaxLevelTriggers] = {};
};

bool slot_connected(const Reply& aid, int32_t hardware) {
  const std::vector<double> v = numbers(aid);
  for (size_t i = 0; i + 1 < v.size(); i += 2)
    if (to_int32(v[i]) == hardware) return to_int32(v[i + 1]) != kNotConnected;
  return false;
}

// The level conditions of the port's level-trigger records (mode 2), in record order: 0; -225 for
// a third one or one that cannot be sent (level_condition).
int32_t level_triggers(const corvane::PortTriggers& port, LevelTriggers* levels) {
  for (int32_t i = 0; i < port.count; ++i) {
    const int32_t* record = port.records[i];
    if (record[corvane::kTrigMode] != corvane::kTriggerLevel) continue;
    if (levels->count == kMaxLevelTriggers || !level_condition(record, &levels->conditions[levels->count]))
      return kAcqTriggerRefused;
    ++levels->count;
  }
  return kAcqOk;
}

// The triggered start: "DOM2", the level conditions (a refused one: -225) and "TSV" with the mode
// and pre-trigger percent of the port's first trigger record.
int32_t trigger_start(Exchange& x, const int32_t* record, const LevelTriggers& levels, int32_t block_length,
                      int32_t option) {
  x(line("DOM2\n"));
  for (int32_t n = 0; n < levels.count; ++n) {
    if (!x.ok()) return x.status();
    const LevelCondition& c = levels.conditions[n];
    x(line("DTR%i,%i,%i,%li,,16777215\n", c.hardware, c.condition, n, static_cast<long>(c.raw)));
    if (!x.ok()) return error_as(x.status(), kAcqTriggerRefused);
  }
  int32_t pre =
      static_cast<int32_t>(static_cast<double>(record[corvane::kTrigPretrigger]) * block_length * 0.01);
  if (pre < 1) pre = 1;
  return x(line("TSV0,28,%li,%li,%i,%i\n", static_cast<long>(block_length), static_cast<long>(pre),
                record[corvane::kTrigMode], option))
      .status();
}

}  // namespace

int32_t device_setup(int32_t, int32_t) {
  return Exchange(kLf, kAcqDeviceErrorStatus)(line("SRB0,1\n")).status();
}

int32_t channel_setup(int32_t channel) {
  AcqHdr& h = header(channel);
  const int32_t hw = h.hardware_channel;
  Exchange x(kLf, kAcqChannelNotAvailable);
  x(line("AID?\n"));
  if (x.ok() && !slot_connected(x.reply(), hw)) return kAcqChannelNotAvailable;
  x(line("ACT%i,%i,1\n", hw, hw))(line("CSA?%i,%i\n", hw, hw))(line("ASA?%i,%i\n", hw, hw));
  if (!x.ok()) return x.status();
  if (!has_text(x.reply())) return kAcqOk;
  const std::vector<double> v = numbers(x.reply());
  h.range = static_cast<float>(v[0]);
  if (v.size() > 1 && v[1] != 0.0) h.full_scale = to_int32(v[1]);
  return kAcqOk;
}

int32_t start(int32_t, int32_t count, const int32_t* channels, int32_t block_length, int32_t option) {
  if (!acquisition().measured_present) return kAcqOk;
  // The trigger is checked whole before anything is sent: a refused one leaves the device as it was.
  const corvane::PortTriggers port = corvane::triggers_of_current_port();
  const bool triggered =
      option != kRestart && port.count > 0 && port.records[0][corvane::kTrigMode] != corvane::kTriggerNone;
  LevelTriggers levels;
  if (triggered) {
    if (int32_t r = level_triggers(port, &levels); r != 0) return r;
  }
  KernelState& k = kernel();
  Exchange x(kLf, kAcqDeviceErrorStatus);
  x(line("CHS%li\n", static_cast<long>(channel_mask(count, channels))));
  if (int32_t r = error_status(x, line("EST?\n")); r != 0) return r;
  const corvane::RateCode rate = corvane::quantise_rate(k.sample_rate);
  k.sample_rate = rate.rate;
  x(line("COF3\n"))(line("ICR%i\n", rate.code))(line("WAI\n"));
  if (option == kRestart)
    return x(line("DOM0;MSV0,28,%li,0,%li\n", static_cast<long>(block_length), 0L)).status();
  if (triggered) return trigger_start(x, port.records[0], levels, block_length, option);
  x(line(block_length == 0 ? "DOM0\n" : "DOM1\n"));
  return x(line("MSV0,28,%li,%i,%li\n", static_cast<long>(block_length), option, 0L)).status();
}

int32_t read(int32_t number, int32_t, const int32_t*, int32_t* length, double read_mode) {
  const int32_t k = acquisition().order[number].count;
  if (k == 0) return kAcqOk;
  return once_per_cycle(number, length, [&]() -> int32_t {
    const bool read_all = read_mode == kReadAll;
    const int32_t L = read_all ? kMaxScans : *length;
    if (L <= 0) return deliver_nothing(number, length, 0);
    if (int64_t{L} * k * 2 > kMaxBlockPayload || (!read_all && !buffers_hold(number, L))) {
      clear_block_counts(number);
      return kAcqBlockTooLarge;
    }
    int32_t r = QBX_WritePort(line(read_all ? "OMB?%i,1,2\n" : "OMB?%i,1,1\n", L).text);
    const uint8_t* data = nullptr;
    if (r == 0) r = read_binary(kCountBytes, &data);
    if (r < 0) return r;
    const int32_t n = data[0] | data[1] << 8;
    if (n > L || (n > 0 && !buffers_hold(number, n))) {
      QBX_FlushInQueue();
      clear_block_counts(number);
      return kAcqBlockTooLarge;
    }
    if ((r = read_binary(n * k * 2 + kTrailerBytes, &data)) < 0) return r;
    if (n > 0) distribute(number, data, n, Sample::kInt16Le);
    Exchange x(kLf, kAcqDeviceErrorStatus);
    if ((r = error_status(x, line("EST?\n"))) != 0) return r;
    if (n == 0) return not_complete(number, length, read_all);
    *length = n;
    return kAcqOk;
  });
}

int32_t stop(int32_t) {
  return Exchange(kLf, kAcqDeviceErrorStatus)(line("CLS\n")).status();
}

int32_t command(int32_t, int32_t count, const int16_t* channels, int32_t code, void* value) {
  int32_t v = 0;
  if (value != nullptr) std::memcpy(&v, value, sizeof v);
  Exchange x(kLf, kAcqDeviceRefused);
  x(line("CHS%li\n", static_cast<long>(channel_mask(count, channels))));
  if (int32_t r = error_status(x, line("EST?\n")); r != 0) return r;
  switch (code) {
    case kAcqCmdTare:
      return x(line("TAR1,28,%i\n", v)).status();
    case kAcqCmdCalibrate:
      x(line("CAL1,28\n"));
      if (x.ok()) QBX_Delay(kCalibrationMs);
      return x.status();
    case kAcqCmdTareSource:
      return x(line("TAS1,28,%i\n", v)).status();
    default:
      return kAcqCommandNotSupported;
  }
}

}  // namespace tallix::zelplus
