// The setting-name tables and the matching of values against the driver's index strings.
#include "settings_names.h"

#include "channel_view.h"
#include "messages.h"
#include "text_codec.h"

namespace corvane_cli {

const std::vector<SettingName> kChannelSettings = {
    {"amplifier", kCvChanAmplifier, ValueKind::kId, "amplifier type (offline, slots 4 to 7 only)"},
    {"name", kCvChanName, ValueKind::kText, "channel name (up to 19 characters)"},
    {"state", kCvChanState, ValueKind::kId, "passive, measure active, tare active, measure/tare active"},
    {"transducer", kCvChanTransducer, ValueKind::kId, "transducer, e.g. \"full bridge\", \"thermocouple K\""},
    {"range", kCvChanRange, ValueKind::kId, "measuring range, e.g. \"125 mV/V\", \"10 V\""},
    {"filter", kCvChanFilterMode, ValueKind::kId, "filter mode: variable or const"},
    {"tare", kCvChanTare, ValueKind::kNumber, "tare value in the channel's unit"},
    {"digital", kCvChanDigital, ValueKind::kInteger, "output word of a digital I/O channel (0..65535)"},
    {"shunt", kCvChanSignal, ValueKind::kId, "\"measuring signal\" or \"shunt measuring\" (on/off)"},
};

const std::vector<SettingName> kDeviceSettings = {
    {"rate", kCvDevRate, ValueKind::kId, "measuring rate, e.g. 600 or \"600 Hz\""},
    {"filter-type", kCvDevFilterType, ValueKind::kId, "\"no filter\", butterworth, bessel"},
    {"filter-frequency", kCvDevFilterFrequency, ValueKind::kId, "filter frequency, e.g. \"10 Hz\", averaging"},
    {"channels", kCvDevChannelCount, ValueKind::kInteger, "number of channels (offline only)"},
    {"name", kCvDevType, ValueKind::kText, "device name (up to 9 characters)"},
};

const SettingName* find_setting(const std::vector<SettingName>& table, const std::string& name) {
  const std::string wanted = fold(name);
  for (const auto& s : table) {
    if (fold(s.name) == wanted) return &s;
  }
  return nullptr;
}

std::string setting_names(const std::vector<SettingName>& table) {
  std::string out;
  for (const auto& s : table) out += (out.empty() ? "" : ", ") + std::string(s.name);
  return out;
}

namespace {

std::string squeeze(const std::string& latin1) {
  std::string out;
  for (char c : fold(latin1)) {
    if (c != ' ') out.push_back(c);
  }
  return out;
}

}  // namespace

int32_t match_id(const Driver& driver, const std::vector<int32_t>& possible, const std::string& value) {
  if (auto id = parse_integer(value)) {
    for (int32_t p : possible) {
      if (p == *id) return p;
    }
  }
  const std::string wanted = squeeze(utf8_to_latin1(value));
  const bool bare_number = parse_double(value).has_value();
  for (int32_t p : possible) {
    char text[256] = {};
    if (driver.GetIDString(p, text) != 0) continue;
    const std::string have = squeeze(text);
    if (have == wanted || (bare_number && have == wanted + "hz")) return p;
  }
  return 0;
}

std::string list_texts(const Driver& driver, const std::vector<int32_t>& ids) {
  std::string out;
  for (int32_t id : ids) {
    out += (out.empty() ? "" : ", ") + std::string("\"") + id_text(driver, id) + "\" (" + std::to_string(id) + ")";
  }
  return out.empty() ? tr("none") : out;
}

}  // namespace corvane_cli
