// set CHANNELS SETTING VALUE and set-device SETTING VALUE: a setting by name, its value by index
// string or id, checked against the driver's possible values, stored in memory and sent to the
// device (offline: checked and corrected by the driver's rules).
#include <iostream>

#include "channel_output.h"
#include "commands.h"
#include "json_writer.h"
#include "messages.h"
#include "settings_names.h"
#include "text_codec.h"

namespace corvane_cli {
namespace {

constexpr size_t kListCapacity = 64;  // the longest list has 26 entries
constexpr size_t kChannelNameMax = 19;
constexpr size_t kDeviceNameMax = 9;
constexpr int kFirstChoosableSlot = 4, kLastChoosableSlot = 7;

// A set command answered with a warning has been carried out; the warning is shown, not failed.
bool is_warning(int32_t status) { return status == kCvWarnFilterFrequency || status == kCvWarnTareState; }

void check_save(const Session& s, int32_t status, const std::string& what) {
  if (is_warning(status)) {
    std::cerr << tr("Warning: {}: {}.", what, s.describe(status)) << "\n";
    return;
  }
  s.check(status, what);
}

std::vector<int32_t> possible_channel_values(const Driver& d, int32_t channel, int32_t selector) {
  int32_t list[kListCapacity] = {};
  d.CV_GetPsbleChanSettings(channel, 0, selector, list);
  return zero_terminated(list, kListCapacity);
}

std::string channel_label(const ChannelView& v, const Driver& d) {
  return tr("channel {} ({}, {})", v.channel, id_text(d, v.amplifier), id_text(d, v.transducer));
}

// The id a value names for a channel's setting; throws with the possible values when none.
int32_t channel_id_value(const Session& s, const ChannelView& v, const SettingName& setting, const std::string& value) {
  const Driver& d = s.driver();
  if (setting.selector == kCvChanAmplifier) {
    if (!s.offline()) {
      throw CommandError(tr("The amplifier type of channel {} is fixed by the hardware; it can be chosen offline only.",
                            v.channel));
    }
    int slot = v.channel % 10;
    if (slot < kFirstChoosableSlot || slot > kLastChoosableSlot) {
      throw CommandError(tr("The amplifier type can be chosen on slots 4 to 7 of a device only; channel {} is slot {}.",
                            v.channel, slot));
    }
  }
  std::vector<int32_t> possible = possible_channel_values(d, v.channel, setting.selector);
  if (possible.empty()) {
    throw CommandError(tr("Channel {} ({}) has no {} to set.", v.channel, id_text(d, v.amplifier), setting.name));
  }
  std::string wanted = value;
  if (setting.selector == kCvChanSignal) {
    // The shunt is switched on and off by choosing the shunt or the measuring signal.
    // "ein" and "aus" are the words of the German texts.
    if (fold(value) == "on" || fold(value) == "ein") wanted = std::to_string(kSignalShunt);
    if (fold(value) == "off" || fold(value) == "aus") wanted = std::to_string(kSignalMeasure);
  }
  int32_t id = match_id(d, possible, wanted);
  if (id == 0) {
    throw CommandError(tr("\"{}\" is not a possible {} for {}; possible are: {}.", value, setting.name,
                          channel_label(v, d), list_texts(d, possible)));
  }
  return id;
}

std::string channel_summary(const Driver& d, const ChannelView& v) {
  std::string out = tr("Channel {} \"{}\": {}", v.channel, v.name, id_text(d, v.amplifier));
  if (v.amplifier != kAmpNotConnected) {
    out += ", " + id_text(d, v.transducer);
    if (!v.digital_io() && v.amplifier != kAmpAux) out += tr(", range {}", id_text(d, v.range));
    out += ", " + id_text(d, v.state);
    if (v.has_tare()) out += tr(", tare value {}", v.format(v.tare));
    if (v.has_shunt()) out += v.signal == kSignalShunt ? tr(", shunt on") : tr(", shunt off");
    if (v.digital_io()) out += tr(", output word {}", v.digital);
  }
  return out;
}

// A name as the amplifier stores it (8-bit Latin-1); a character outside that set is refused
// rather than stored as "?".
std::string name_for_amplifier(const std::string& utf8) {
  std::string outside;
  std::string latin1 = utf8_to_latin1(utf8, &outside);
  if (!outside.empty()) {
    throw CommandError(
        tr("The name \"{}\" holds \"{}\", which the amplifier cannot store: names take Latin-1 characters only.", utf8,
           outside),
        kExitUsage);
  }
  return latin1;
}

// A channel setting's value, checked for one channel and ready to be stored.
struct PreparedValue {
  int32_t channel = 0;
  int32_t id = 0;      // ids and the digital word
  float number = 0;    // tare value
  std::string text;    // name, Latin-1
};

// Checks value for the channel without changing anything; throws CommandError when the channel
// cannot take it.
PreparedValue prepare_value(const Session& s, int32_t channel, const SettingName& setting, const std::string& value) {
  const Driver& d = s.driver();
  ChannelView v = read_channel(d, channel);
  PreparedValue p;
  p.channel = channel;
  switch (setting.kind) {
    case ValueKind::kId:
      p.id = channel_id_value(s, v, setting, value);
      break;
    case ValueKind::kText:
      p.text = name_for_amplifier(value);
      if (p.text.size() > kChannelNameMax) {
        throw CommandError(tr("The name \"{}\" is too long: a channel name has at most 19 characters.", value), kExitUsage);
      }
      break;
    case ValueKind::kNumber: {
      auto number = parse_double(value);
      if (!number) throw CommandError(tr("The {} needs a number, not \"{}\".", setting.name, value), kExitUsage);
      if (!v.has_tare()) {
        throw CommandError(tr("Channel {} ({}) has no tare value.", channel, id_text(d, v.amplifier)));
      }
      p.number = static_cast<float>(*number);
      break;
    }
    case ValueKind::kInteger: {
      auto number = parse_integer(value);
      if (!number || *number < 0 || *number > 0xFFFF) {
        throw CommandError(
            tr("The digital output word needs a whole number from 0 to 65535 (or 0x0000 to 0xFFFF), not \"{}\".", value),
            kExitUsage);
      }
      if (!v.digital_io()) {
        throw CommandError(tr("Channel {} is not a digital I/O channel.", channel));
      }
      p.id = static_cast<int32_t>(*number);
      break;
    }
  }
  return p;
}

// Stores a checked value in memory and sends it to the device (names stay in memory).
void apply_value(const Session& s, const SettingName& setting, PreparedValue p) {
  const Driver& d = s.driver();
  const int32_t channel = p.channel;
  const std::string what = tr("Setting {} of channel {}", setting.name, channel);
  switch (setting.kind) {
    case ValueKind::kId:
    case ValueKind::kInteger:
      s.check(d.CV_SetChanSettings(channel, setting.selector, &p.id), what);
      break;
    case ValueKind::kText:
      s.check(d.CV_SetChanSettings(channel, setting.selector, p.text.c_str()), what);
      return;  // names live in memory and in setup files; nothing is sent
    case ValueKind::kNumber:
      s.check(d.CV_SetChanSettings(channel, setting.selector, &p.number), what);
      break;
  }
  check_save(s, d.CV_SaveChanSettings(channel, setting.selector),
             s.offline() ? tr("{} is not allowed", what)
                         : tr("Sending {} of channel {} to the device failed", setting.name, channel));
}


int32_t device_id_value(const Session& s, const SettingName& setting, const std::string& value) {
  const Driver& d = s.driver();
  int32_t list[kListCapacity] = {};
  d.CV_GetPsbleDevSettings(0, setting.selector, list);
  std::vector<int32_t> possible = zero_terminated(list, kListCapacity);
  int32_t id = match_id(d, possible, value);
  if (id == 0) {
    if (setting.selector == kCvDevFilterFrequency) {
      throw CommandError(tr("\"{}\" is not a possible {} with the present measuring rate and filter type; possible are: {}.",
                            value, setting.name, list_texts(d, possible)));
    }
    throw CommandError(tr("\"{}\" is not a possible {}; possible are: {}.", value, setting.name, list_texts(d, possible)));
  }
  return id;
}

}  // namespace

void cmd_set(Session& s, const std::vector<std::string>& words) {
  CommandArgs args = parse_command_args("set", words, {}, {});
  if (args.positional.size() != 3) {
    throw CommandError(tr("Usage: set CHANNELS SETTING VALUE (settings: {}).", setting_names(kChannelSettings)), kExitUsage);
  }
  const SettingName* setting = find_setting(kChannelSettings, args.positional[1]);
  if (setting == nullptr) {
    throw CommandError(
        tr("\"{}\" is not a channel setting; the settings are: {}.", args.positional[1], setting_names(kChannelSettings)),
        kExitUsage);
  }
  check_channel_list_syntax(args.positional[0]);
  if (setting->kind == ValueKind::kText) name_for_amplifier(args.positional[2]);
  if (s.checking()) return;
  std::vector<int32_t> channels = parse_channel_list(args.positional[0], s.channel_count());
  // Every channel is checked before any is changed: a value one of them cannot take changes none.
  std::vector<PreparedValue> prepared;
  for (int32_t c : channels) prepared.push_back(prepare_value(s, c, *setting, args.positional[2]));
  std::vector<int32_t> changed;
  for (const PreparedValue& p : prepared) {
    try {
      apply_value(s, *setting, p);
    } catch (const CommandError& e) {
      // The device may still refuse one channel; the message says which ones were changed.
      if (changed.empty()) throw;
      throw CommandError(tr("{} Channels {} were changed already.", e.what(), channel_ranges(changed)), e.status);
    }
    changed.push_back(p.channel);
  }
  if (!s.confirm()) return;
  const Driver& d = s.driver();
  if (s.json()) {
    JsonWriter j;
    j.begin_object().field("command", "set").field("setting", setting->name).key("channels").begin_array();
    for (int32_t c : channels) {
      j.begin_object();
      write_channel_settings(j, d, read_channel(d, c));
      j.end_object();
    }
    j.end_array().end_object();
    print_line(j.text());
    return;
  }
  for (int32_t c : channels) print_confirmation(s, channel_summary(d, read_channel(d, c)));
}

void cmd_set_device(Session& s, const std::vector<std::string>& words) {
  CommandArgs args = parse_command_args("set-device", words, {}, {});
  if (args.positional.size() != 2) {
    throw CommandError(tr("Usage: set-device SETTING VALUE (settings: {}).", setting_names(kDeviceSettings)), kExitUsage);
  }
  const SettingName* setting = find_setting(kDeviceSettings, args.positional[0]);
  if (setting == nullptr) {
    throw CommandError(
        tr("\"{}\" is not a device setting; the settings are: {}.", args.positional[0], setting_names(kDeviceSettings)),
        kExitUsage);
  }
  if (setting->kind == ValueKind::kText) name_for_amplifier(args.positional[1]);
  if (s.checking()) return;
  const Driver& d = s.driver();
  const std::string& value = args.positional[1];
  const std::string what = tr("Setting the {}", setting->name);
  if (setting->kind == ValueKind::kText) {
    std::string text = name_for_amplifier(value);
    if (text.size() > kDeviceNameMax) {
      throw CommandError(tr("The device name \"{}\" is too long: at most 9 characters.", value), kExitUsage);
    }
    s.check(d.CV_SetDevSettings(setting->selector, text.c_str()), what);
  } else if (setting->kind == ValueKind::kInteger) {
    auto n = parse_integer(value);
    if (!n || *n < 1 || *n > 100) throw CommandError(tr("The number of channels must be 1 to 100, not \"{}\".", value), kExitUsage);
    int32_t count = static_cast<int32_t>(*n);
    s.check(d.CV_SetDevSettings(setting->selector, &count), what);
    s.check(d.CV_SaveDevSettings(setting->selector), what);
  } else {
    int32_t id = device_id_value(s, *setting, value);
    s.check(d.CV_SetDevSettings(setting->selector, &id), what);
    check_save(s, d.CV_SaveDevSettings(setting->selector),
               s.offline() ? tr("{} is not allowed", what) : tr("Sending the {} to the device failed", setting->name));
  }
  if (!s.confirm()) return;
  if (s.json()) {
    JsonWriter j;
    j.begin_object().field("command", "set-device").field("setting", setting->name);
    write_device_settings(j, d);
    j.end_object();
    print_line(j.text());
    return;
  }
  int32_t rate = 0, ftype = 0, ffreq = 0, count = 0;
  d.CV_GetDevSettings(kCvDevRate, &rate);
  d.CV_GetDevSettings(kCvDevFilterType, &ftype);
  d.CV_GetDevSettings(kCvDevFilterFrequency, &ffreq);
  d.CV_GetDevSettings(kCvDevChannelCount, &count);
  const std::string name = device_name(d);
  print_confirmation(s, tr("Device {}: {} channels, measuring rate {}, filter {} {}", name, count, id_text(d, rate),
                           id_text(d, ftype), id_text(d, ffreq)));
}

}  // namespace corvane_cli
