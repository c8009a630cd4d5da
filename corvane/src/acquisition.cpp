// Single readings and the simple triggered block acquisition: "OMB?0" for one value of every
// measuring channel; "PRG?9,0", "DTR", "MSV" to start; "MSV?" polling and "OMB?n" to read a block;
// "STP" and "TRG". The driver keeps no acquisition state besides its block buffer: the device
// holds it.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <thread>

#include "acquisition.h"
#include "connection.h"
#include "corvan32_measure.h"
#include "export_guard.h"
#include "ids.h"
#include "linkar32.h"
#include "operations.h"
#include "settings_model.h"
#include "settings_rules.h"

using namespace corvan;

namespace {

// Argument ranges of CV_ACQStart and CV_ACQRead.
constexpr int32_t kMaxStartScans = 20000;
constexpr int32_t kMaxReadScans = 3000;
constexpr int32_t kMaxPreTrigger = 200;
constexpr int32_t kUnchanged = -1;  // rate -1: keep the rate; trigger mode -1: no trigger
constexpr int32_t kTriggerModeFirst = 6100;
constexpr int32_t kTriggerModeLast = 6103;
constexpr int32_t kTriggerInternal = 6103;
constexpr int32_t kTriggerConditionFirst = 6000;
constexpr int32_t kTriggerConditionLast = 6003;
constexpr int32_t kTriggerChannelLast = 7;  // the internal trigger watches one of the first eight
// "MSV?" device state that ends waiting for data.
constexpr int32_t kDeviceStateFailed = 5;
constexpr int32_t kStopSettleMs = 50;
constexpr int32_t kPollPauseMs = 10;

// Puts back the driver's standard interface time-out on every way out of a read.
class StandardTimeoutOnExit {
 public:
  StandardTimeoutOnExit() = default;
  ~StandardTimeoutOnExit() { QBX_SetTimeout(kStandardTimeoutMs); }
  StandardTimeoutOnExit(const StandardTimeoutOnExit&) = delete;
  StandardTimeoutOnExit& operator=(const StandardTimeoutOnExit&) = delete;
};

bool in_range(int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; }

// Trigger level in the channel's unit to the raw count the device compares: inverse linearisation,
// then level x 25000 / (scale x range value), truncated toward zero. False when it does not fit
// 16 bits (or the channel has no usable range).
bool trigger_raw(int32_t channel, float level, int32_t* raw) {
  if (check_channel(channel) != 0) return false;
  const ChannelRecord& rec = record(channel);
  float v = level;
  linearise(&v, rec.transducer, true);
  const double r = std::trunc(static_cast<double>(v) * kRawFullScale /
                              (static_cast<double>(state().scale_factor[channel]) * rec.range_value));
  if (!(r >= INT16_MIN && r <= INT16_MAX)) return false;  // NaN fails too
  *raw = static_cast<int32_t>(r);
  return true;
}

}  // namespace

namespace corvan {

int32_t measure_once() {
  if (offline()) return kCvOk;
  int32_t channels[kMaxChannels];
  const int32_t n = measuring_channels(channels);
  if (n == 0) return kCvNoActiveChannel;
  int32_t r = write_command(command("OMB?", {0}));
  if (r != 0) return r;
  unsigned char payload[2 * kMaxChannels + 1];
  r = read_binary(payload, 2 * n);
  if (r != 0) return r;
  State& s = state();
  for (int32_t i = 0; i < n; ++i) {
    const int32_t ch = channels[i];
    ChannelRecord& rec = *s.records[ch];
    const int16_t raw = raw_value(payload, static_cast<size_t>(i));
    if (rec.amplifier == id::kAmpDigitalIo) {
      rec.digital = digital_value(raw);
    } else {
      rec.measured = convert_raw(raw, conversion_for(rec, s.scale_factor[ch]));
    }
  }
  return kCvOk;
}

int32_t acq_start(int32_t scans, int32_t rate, int32_t trigger_mode, int32_t trigger_channel,
                  float trigger_level, int32_t trigger_condition, int32_t pre_trigger, Reply& reply,
                  int32_t* rate_status) {
  if (!in_range(scans, 0, kMaxStartScans)) return kCvBadValue;
  if (rate != kUnchanged && !in_range(rate, id::kRateFirst, id::kRateLast)) return kCvBadValue;
  if (trigger_mode != kUnchanged && !in_range(trigger_mode, kTriggerModeFirst, kTriggerModeLast)) return kCvBadValue;
  int32_t level_raw = 0;
  if (trigger_mode == kTriggerInternal) {
    if (!in_range(trigger_channel, 0, kTriggerChannelLast)) return kCvBadValue;
    if (!trigger_raw(trigger_channel, trigger_level, &level_raw)) return kCvBadValue;
    if (!in_range(trigger_condition, kTriggerConditionFirst, kTriggerConditionLast)) return kCvBadValue;
  }
  if (!in_range(pre_trigger, 0, kMaxPreTrigger)) return kCvBadValue;
  if (offline()) return kCvBadValue;  // nothing is sent without a device

  int32_t r = query(command("PRG?9,0"), reply);
  if (r != 0) return r;
  if (rate != kUnchanged) {
    state().device.rate = rate;
    *rate_status = save_dev_settings(kCvDevRate, reply);  // kept, not checked: the start goes on
  }
  if (trigger_mode == kTriggerInternal) {
    r = query(command("DTR", {trigger_channel, trigger_condition, level_raw}), reply);
    if (r != 0) return r;
  }
  return query(command("MSV", {scans, pre_trigger, trigger_mode, 1}), reply);
}

int32_t acq_read(int32_t scans, int32_t timeout_ms, float* values, Reply& reply) {
  StandardTimeoutOnExit restore;
  if (scans < 1 || scans > kMaxReadScans || timeout_ms < 0 || values == nullptr) return kCvBadValue;
  if (offline()) return kCvBadValue;
  int32_t channels[kMaxChannels];
  const int32_t n = measuring_channels(channels);
  if (n == 0) return kCvNoActiveChannel;

  note_interface(QBX_SetTimeout(timeout_ms));
  const uint32_t start = QBX_GetSysTime();
  for (;;) {
    int32_t r = query(command("MSV?"), reply);
    if (r != 0) return r;
    int32_t device_state = 0, available = 0;
    if (reply.next_int(&device_state) != 0 || reply.next_int(&available) != 0) return kCvBadReply;
    if (device_state == kDeviceStateFailed) return kCvDeviceState5;
    if (available >= scans) break;
    if (QBX_GetSysTime() - start > static_cast<uint32_t>(timeout_ms)) return kCvDataTimeout;
    // A short pause between polls, sleeping (QBX_Delay waits busily): the scans come at the
    // measuring rate, and polling without one keeps the computer and the line busy for nothing.
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollPauseMs));
  }

  const size_t bytes = static_cast<size_t>(scans) * static_cast<size_t>(n) * 2;
  unsigned char* block = block_buffer(bytes);
  if (block == nullptr) return kCvOutOfMemory;
  ChannelConversion plan[kMaxChannels];
  const State& s = state();
  for (int32_t i = 0; i < n; ++i) plan[i] = conversion_for(*s.records[channels[i]], s.scale_factor[channels[i]]);

  int32_t r = write_command(command("OMB?", {scans}));
  if (r != 0) return r;
  r = read_binary(block, static_cast<int32_t>(bytes));
  if (r != 0) return r;
  convert_block(block, scans, plan, n, values);
  return kCvOk;
}

int32_t acq_stop(Reply& reply) {
  if (offline()) return kCvBadValue;
  const int32_t r = query(command("STP"), reply);
  if (r != 0) return r;
  QBX_Delay(kStopSettleMs);
  // Data still on the line after the stop are discarded; the count discarded is no status.
  const int32_t flushed = note_interface(QBX_FlushInQueue());
  return flushed < 0 ? flushed : kCvOk;
}

int32_t trigger(Reply& reply) {
  if (offline()) return kCvBadValue;
  return query(command("TRG"), reply);
}

}  // namespace corvan

extern "C" {

CORVAN32_API int32_t CV_MeasOneVal(void) { return recorded([]() -> int32_t { return measure_once(); }); }

CORVAN32_API int32_t CV_ACQStart(int32_t scans, int32_t rate, int32_t trigger_mode, int32_t trigger_channel,
                                 float trigger_level, int32_t trigger_condition, int32_t pre_trigger) {
  // A start that goes on although the rate was not taken keeps the rate's status.
  int32_t rate_status = kCvOk;
  const int32_t r = guarded([&]() -> int32_t {
    return acq_start(scans, rate, trigger_mode, trigger_channel, trigger_level, trigger_condition, pre_trigger,
                     state().reply, &rate_status);
  });
  note_device(r != kCvOk ? r : rate_status);
  return r;
}

CORVAN32_API int32_t CV_ACQRead(int32_t scans, int32_t timeout_ms, float* values) {
  return recorded([&]() -> int32_t { return acq_read(scans, timeout_ms, values, state().reply); });
}

CORVAN32_API int32_t CV_ACQStop(void) { return recorded([]() -> int32_t { return acq_stop(state().reply); }); }

CORVAN32_API int32_t CV_Trigger(void) { return recorded([]() -> int32_t { return trigger(state().reply); }); }

}  // extern "C"
