// Channel settings in memory: get and set one setting by its selector bit, and the possible values
// of a channel setting by the amplifier rules. Nothing here talks to the device except the tare
// reload after a transducer change.
#include <cstring>

#include "connection.h"
#include "export_guard.h"
#include "ids.h"
#include "operations.h"
#include "settings_model.h"
#include "settings_rules.h"

using namespace corvan;

namespace {

// Unit text offered for an amplifier and transducer (five characters, right-aligned).
struct UnitRule {
  int32_t amps[4];
  int32_t first_transducer;
  int32_t last_transducer;
  const char* unit;
};
constexpr UnitRule kUnitRules[] = {
    {{5051, 5052, 5053}, id::kFullBridge, id::kQuarterBridge, " mV/V"},
    {{5051, 5052, 5053}, id::kDcVoltage, id::kDcVoltage, "    V"},
    {{5051}, id::kFrequencyFirst, id::kFrequencyLast, "   Hz"},
    {{5054}, id::kDcVoltage, id::kDcVoltage, "    V"},
    {{5054}, id::kDcCurrent, id::kDcCurrent, "   mA"},
    {{5054}, id::kThermoFirst, id::kThermoLast, "   \xB0" "C"},
    {{5054}, id::kPt100, id::kPt1000, "   \xB0" "C"},
    {{5054}, id::kResistor, id::kResistor, "  Ohm"},
};
constexpr const char kAllUnits[] = " mV/V    V   mA  Ohm   \xB0" "C";
static_assert(sizeof kAllUnits == 26, "five units of five characters and the terminator");

const char* unit_choice(int32_t amplifier, int32_t transducer) {
  for (const UnitRule& r : kUnitRules) {
    if (transducer < r.first_transducer || transducer > r.last_transducer) continue;
    for (int32_t a : r.amps)
      if (a == amplifier) return r.unit;
  }
  return nullptr;
}

template <class T>
void put(void* out, T v) {
  std::memcpy(out, &v, sizeof v);
}
template <class T>
T take(const void* in) {
  T v;
  std::memcpy(&v, in, sizeof v);
  return v;
}

}  // namespace

namespace corvan {

int32_t get_chan_settings(int32_t channel, int32_t selector, void* out) {
  if (int32_t r = check_channel(channel); r != 0) return r;
  const ChannelRecord& rec = record(channel);
  State& s = state();
  switch (selector) {
    case kCvChanRangeValue: put(out, rec.range_value); break;
    case kCvChanAmplifier: put(out, rec.amplifier); break;
    case kCvChanIdent: copy_field_out(static_cast<char*>(out), rec.ident, sizeof rec.ident); break;
    case kCvChanName: copy_field_out(static_cast<char*>(out), rec.name, sizeof rec.name); break;
    case kCvChanState: put(out, rec.state); break;
    case kCvChanTransducer: put(out, rec.transducer); break;
    case kCvChanRange: put(out, rec.range); break;
    case kCvChanUnit: copy_field_out(static_cast<char*>(out), rec.unit, sizeof rec.unit); break;
    case kCvChanMeasured: put(out, rec.measured); break;
    case kCvChanTare: put(out, rec.tare); break;
    case kCvChanFilterMode: put(out, rec.filter_mode); break;
    case kCvChanDigital: put(out, rec.digital); break;
    case kCvChanSignal: put(out, s.signal_selector[channel]); break;
    case kCvChanScale: put(out, s.scale_factor[channel]); break;
    default: return kCvUnknownSelector;
  }
  return kCvOk;
}

int32_t set_chan_settings(int32_t channel, int32_t selector, const void* in, Reply& reply) {
  if (int32_t r = check_channel(channel); r != 0) return r;
  ChannelRecord& rec = record(channel);
  State& s = state();
  switch (selector) {
    case kCvChanRangeValue: rec.range_value = take<float>(in); break;
    case kCvChanAmplifier: rec.amplifier = take<int32_t>(in); break;
    case kCvChanIdent: copy_field_in(rec.ident, sizeof rec.ident, static_cast<const char*>(in)); break;
    case kCvChanName: copy_field_in(rec.name, sizeof rec.name, static_cast<const char*>(in)); break;
    case kCvChanState: rec.state = take<int32_t>(in); break;
    case kCvChanTransducer:
      rec.transducer = take<int32_t>(in);
      derive_range(rec);
      load_chan_settings(channel, kCvChanTare, reply);  // the tare value depends on the transducer
      break;
    case kCvChanRange:
      rec.range = take<int32_t>(in);
      derive_range(rec);
      break;
    case kCvChanUnit: return kCvUnitDerived;
    case kCvChanMeasured: rec.measured = take<float>(in); break;
    case kCvChanTare: rec.tare = take<float>(in); break;
    case kCvChanFilterMode: rec.filter_mode = take<int32_t>(in); break;
    case kCvChanDigital: rec.digital = take<int32_t>(in); break;
    case kCvChanSignal: s.signal_selector[channel] = take<int32_t>(in); break;
    case kCvChanScale: s.scale_factor[channel] = take<float>(in); break;
    default: return kCvUnknownSelector;
  }
  return kCvOk;
}

int32_t possible_chan_settings(int32_t channel, int32_t all_units, int32_t selector, void* out) {
  if (int32_t r = check_channel(channel); r != 0) return r;
  const ChannelRecord& rec = record(channel);
  auto* list = static_cast<int32_t*>(out);
  switch (selector) {
    case kCvChanAmplifier: {
      auto amps = user_amplifier_list();
      write_list({amps, (1u << amps.size()) - 1}, list);
      return kCvOk;
    }
    case kCvChanState: write_list(allowed_states(rec.amplifier), list); return kCvOk;
    case kCvChanTransducer: write_list(allowed_transducers(rec.amplifier), list); return kCvOk;
    case kCvChanRange: write_list(allowed_ranges(rec.amplifier, rec.transducer), list); return kCvOk;
    case kCvChanSignal:
    case kCvChanScale: write_list(allowed_signals(rec.amplifier), list); return kCvOk;
    case kCvChanFilterMode: {
      const bool none = rec.amplifier == id::kAmpDigitalIo || rec.amplifier == id::kAmpAux;
      write_list({filter_mode_list(), none ? 0u : 3u}, list);
      return kCvOk;
    }
    case kCvChanUnit: {
      const char* unit = all_units != 0 ? kAllUnits : unit_choice(rec.amplifier, rec.transducer);
      if (unit == nullptr) return kCvNoUnit;
      std::memcpy(out, unit, std::strlen(unit) + 1);
      return kCvOk;
    }
    case kCvChanRangeValue:
    case kCvChanIdent:
    case kCvChanName:
    case kCvChanMeasured:
    case kCvChanTare:
    case kCvChanDigital: return kCvOk;
    default: return kCvUnknownSelector;
  }
}

}  // namespace corvan

extern "C" {

CORVAN32_API int32_t CV_GetChanSettings(int32_t channel, int32_t selector, void* out) {
  if (out == nullptr) return kCvBadValue;
  return guarded([&]() -> int32_t { return get_chan_settings(channel, selector, out); });
}

CORVAN32_API int32_t CV_SetChanSettings(int32_t channel, int32_t selector, const void* in) {
  if (in == nullptr) return note_device(kCvBadValue);
  return recorded([&]() -> int32_t { return set_chan_settings(channel, selector, in, state().reply); });
}

CORVAN32_API int32_t CV_GetPsbleChanSettings(int32_t channel, int32_t all_units, int32_t selector, void* out) {
  if (out == nullptr) return kCvBadValue;
  return guarded([&]() -> int32_t { return possible_chan_settings(channel, all_units, selector, out); });
}

}  // extern "C"
