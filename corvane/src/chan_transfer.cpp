// Channel settings between memory and the amplifier: amplifier types ("AID?"), state ("ACT"),
// transducer and range ("ASA"), tare value ("TAV"), filter mode ("AFS"), digital output ("DPI")
// and signal selector ("ASS"). Bits are handled in a fixed order and the first failure ends the
// operation. A refused query leaves a safe value where a wrong one would mislead (state, tare,
// signal selector). Offline, saving only checks against the amplifier rules and corrects.
#include "connection.h"
#include "export_guard.h"
#include "ids.h"
#include "operations.h"
#include "settings_model.h"
#include "settings_rules.h"

using namespace corvan;

namespace {

constexpr int32_t kLoadHandledBits = kCvChanRangeValue | kCvChanAmplifier | kCvChanIdent | kCvChanState |
                                     kCvChanTransducer | kCvChanRange | kCvChanUnit | kCvChanTare |
                                     kCvChanFilterMode | kCvChanDigital | kCvChanSignal;
constexpr int32_t kSaveHandledBits = 0x1FFF;  // every bit but the scale factor
constexpr int32_t kDigitalMax = 65535;

bool has(int32_t selectors, int32_t bit) { return (selectors & bit) != 0; }

// A query whose reply holds the value wanted in field `index` (0-based). A refusal or a malformed
// reply returns its status; on a refusal `on_refusal` runs first (the safe value).
template <class OnRefusal>
int32_t query_value(const Command& cmd, Reply& reply, int32_t index, int32_t* value, OnRefusal&& on_refusal) {
  bool refused = false;
  int32_t r = query(cmd, reply, &refused);
  if (refused) on_refusal();
  if (r != 0) return r;
  for (int32_t k = 0; k <= index; ++k)
    if ((r = reply.next_int(value)) != 0) return r;
  return kCvOk;
}

int32_t load_amplifier_types(int32_t channel, int32_t selectors, Reply& reply) {
  State& s = state();
  if (s.channel_types_read && selectors != kCvChanAmplifier) return kCvOk;
  if (int32_t r = query(command("AID?"), reply); r != 0) return r;
  const bool only_this = selectors == kCvChanAmplifier;
  while (!reply.at_end()) {
    int32_t ch = 0;
    int32_t amplifier = 0;
    if (reply.next_int(&ch) != 0 || reply.next_int(&amplifier) != 0) return kCvBadReply;
    if (only_this) {
      if (ch == channel) {
        record(channel).amplifier = amplifier;
        break;
      }
    } else if (ch >= 0 && ch < kMaxChannels && s.records[ch] != nullptr) {
      s.records[ch]->amplifier = amplifier;
    }
  }
  s.channel_types_read = true;
  return kCvOk;
}

int32_t load_chan(int32_t channel, int32_t selectors, Reply& reply) {
  ChannelRecord& rec = record(channel);
  State& s = state();
  int32_t r = 0;
  if (has(selectors, kCvChanAmplifier) && (r = load_amplifier_types(channel, selectors, reply)) != 0) return r;
  if (has(selectors, kCvChanIdent)) rec.ident[0] = '\0';
  if (has(selectors, kCvChanState)) {
    int32_t v = 0;
    if ((r = query_value(command("ACT?", {channel}), reply, 0, &v, [&] { rec.state = id::kStatePassive; })) != 0)
      return r;
    rec.state = v;
  }
  const bool want_transducer = has(selectors, kCvChanTransducer);
  if (want_transducer || has(selectors, kCvChanRange)) {
    // One "ASA?" answers both transducer and range.
    int32_t transducer = 0;
    int32_t range = 0;
    if ((r = query(command("ASA?", {channel}), reply)) != 0) return r;
    if ((r = reply.next_int(&transducer)) != 0) return r;
    const bool want_range = has(selectors, kCvChanRange);
    if (want_range && (r = reply.next_int(&range)) != 0) return r;
    if (want_transducer) rec.transducer = transducer;
    if (want_range) {
      rec.range = range;
      derive_range(rec);
    }
  }
  if (has(selectors, kCvChanRangeValue)) derive_range_value(rec);
  if (has(selectors, kCvChanUnit)) derive_unit(rec);
  if (has(selectors, kCvChanTare) && rec.amplifier != id::kAmpDigitalIo && rec.amplifier != id::kAmpAux) {
    int32_t raw = 0;
    if ((r = query_value(command("TAV?", {channel}), reply, 0, &raw, [&] { rec.tare = 0.0f; })) != 0) return r;
    rec.tare = tare_from_raw(raw, s.scale_factor[channel], rec);
  }
  if (has(selectors, kCvChanFilterMode)) {
    int32_t v = 0;
    if ((r = query_value(command("AFS?", {channel}), reply, 0, &v, [&] { rec.state = id::kStatePassive; })) != 0)
      return r;
    rec.filter_mode = v;
  }
  if (has(selectors, kCvChanDigital)) rec.digital = 0;
  if (has(selectors, kCvChanSignal)) {
    int32_t v = 0;
    if ((r = query_value(command("ASS?", {channel}), reply, 0, &v,
                         [&] { s.signal_selector[channel] = id::kSignalMeasuring; })) != 0)
      return r;
    s.signal_selector[channel] = v;
  }
  return kCvOk;
}

// Takes the first allowed range when the stored one is not allowed for amplifier and transducer.
void correct_range(ChannelRecord& rec) {
  const Allowed allowed = allowed_ranges(rec.amplifier, rec.transducer);
  if (is_allowed(allowed, rec.range)) return;
  if (int32_t first = first_allowed(allowed); first != 0) {
    rec.range = first;
    derive_range(rec);
  }
}

// Amplifier type of the fixed slots of a device (eight amplifiers, digital I/O, auxiliary); 0 for
// the slots 4..7 that take a user-chosen amplifier.
int32_t fixed_slot_amplifier(int32_t position) {
  switch (position) {
    case 0:
    case 1: return id::kAmpTfWithF;
    case 2:
    case 3: return id::kAmpTf;
    case 8: return id::kAmpDigitalIo;
    case 9: return id::kAmpAux;
    default: return 0;
  }
}

// Offline check of the amplifier type: a fixed slot keeps its own type, slots 4..7 take 5053,
// 5054 or 5058 (with that amplifier's transducer and range), 5050 (not connected) fits anywhere.
int32_t check_amplifier_offline(int32_t channel, ChannelRecord& rec) {
  const int32_t fixed = fixed_slot_amplifier(channel % 10);
  if (rec.amplifier == id::kAmpNotConnected) return kCvOk;
  if (fixed != 0) return rec.amplifier == fixed ? kCvOk : kCvBadValue;
  switch (rec.amplifier) {
    case id::kAmpKx4:
    case id::kAmpKx3:
      rec.transducer = id::kFullBridge;
      rec.range = id::kRange3mVV;
      break;
    case id::kAmpKx1:
      rec.transducer = id::kDcVoltage;
      rec.range = id::kRange10V;
      break;
    default: return kCvBadValue;
  }
  derive_range(rec);
  rec.state = id::kStateMeasureTare;
  default_channel_name(channel, rec.name);
  return kCvOk;
}

int32_t check_chan_offline(int32_t channel, int32_t selectors) {
  ChannelRecord& rec = record(channel);
  const State& s = state();
  if (has(selectors, kCvChanAmplifier)) {
    if (int32_t r = check_amplifier_offline(channel, rec); r != 0) return r;
  }
  if (has(selectors, kCvChanState) && rec.amplifier == id::kAmpNotConnected && rec.state != id::kStatePassive)
    return kCvBadValue;
  if (has(selectors, kCvChanTransducer)) {
    if (!is_allowed(allowed_transducers(rec.amplifier), rec.transducer)) return kCvBadValue;
    correct_range(rec);
  }
  if (has(selectors, kCvChanRange) && !is_allowed(allowed_ranges(rec.amplifier, rec.transducer), rec.range))
    return kCvBadValue;
  if (has(selectors, kCvChanDigital) && rec.digital > kDigitalMax) return kCvBadValue;
  if (has(selectors, kCvChanSignal) && s.signal_selector[channel] != id::kSignalMeasuring &&
      s.signal_selector[channel] != id::kSignalShunt)
    return kCvBadValue;
  return kCvOk;
}

int32_t save_chan_online(int32_t channel, int32_t selectors, Reply& reply) {
  ChannelRecord& rec = record(channel);
  const State& s = state();
  int32_t r = 0;
  if (has(selectors, kCvChanState) && (r = set_command(command("ACT", {channel, rec.state}), reply)) != 0) return r;
  if (has(selectors, kCvChanTransducer | kCvChanRange)) {
    correct_range(rec);
    if ((r = set_command(command("ASA", {channel, rec.transducer, rec.range}), reply)) != 0) return r;
  }
  if (has(selectors, kCvChanTare) && !is_overflow_float(rec.tare)) {
    int32_t raw = 0;
    if (!tare_to_raw(rec.tare, s.scale_factor[channel], rec, &raw)) return kCvBadValue;
    if ((r = set_command(command("TAV", {channel, raw}), reply)) != 0) return r;
  }
  if (has(selectors, kCvChanFilterMode) &&
      (r = set_command(command("AFS", {channel, rec.filter_mode}), reply)) != 0)
    return r;
  if (has(selectors, kCvChanDigital) && rec.amplifier == id::kAmpDigitalIo &&
      (r = set_command(command("DPI", {channel, rec.digital}), reply)) != 0)
    return r;
  if (has(selectors, kCvChanSignal) &&
      (r = set_command(command("ASS", {channel, s.signal_selector[channel]}), reply)) != 0)
    return r;
  return kCvOk;
}

}  // namespace

namespace corvan {

int32_t load_chan_settings(int32_t channel, int32_t selectors, Reply& reply) {
  if (int32_t r = check_channel(channel); r != 0) return r;
  if ((selectors & kLoadHandledBits) == 0) return kCvUnknownSelector;
  if (offline()) return kCvOk;
  return load_chan(channel, selectors, reply);
}

int32_t save_chan_settings(int32_t channel, int32_t selectors, Reply& reply) {
  if (int32_t r = check_channel(channel); r != 0) return r;
  if ((selectors & kSaveHandledBits) == 0) return kCvUnknownSelector;
  return offline() ? check_chan_offline(channel, selectors) : save_chan_online(channel, selectors, reply);
}

}  // namespace corvan

extern "C" {

CORVAN32_API int32_t CV_LoadChanSettings(int32_t channel, int32_t selectors) {
  return recorded([&]() -> int32_t { return load_chan_settings(channel, selectors, state().reply); });
}

CORVAN32_API int32_t CV_SaveChanSettings(int32_t channel, int32_t selectors) {
  return recorded([&]() -> int32_t { return save_chan_settings(channel, selectors, state().reply); });
}

}  // extern "C"
