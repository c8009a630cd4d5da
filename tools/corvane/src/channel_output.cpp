// Shared JSON fields and tables of channels.
#include "channel_output.h"

#include "messages.h"
#include "text_codec.h"
#include "text_table.h"

namespace corvane_cli {

std::string dev_text(const Driver& d, int32_t selector) {
  char text[256] = {};
  d.CV_GetDevSettings(selector, text);
  return latin1_to_utf8(text);
}

std::string chain_text(const Driver& d, int32_t row, int32_t selector) {
  char text[256] = {};
  d.CV_GetSystemSettings(row, selector, text);
  return latin1_to_utf8(text);
}

void write_id(JsonWriter& j, const Driver& d, const char* name, int32_t id) {
  j.key(name).begin_object().field("id", id).field("text", id_text(d, id)).end_object();
}

void write_device_settings(JsonWriter& j, const Driver& d) {
  int32_t count = 0, rate = 0, ftype = 0, ffreq = 0;
  d.CV_GetDevSettings(kCvDevChannelCount, &count);
  d.CV_GetDevSettings(kCvDevRate, &rate);
  d.CV_GetDevSettings(kCvDevFilterType, &ftype);
  d.CV_GetDevSettings(kCvDevFilterFrequency, &ffreq);
  j.field("name", device_name(d)).field("channels", count);
  write_id(j, d, "rate", rate);
  write_id(j, d, "filter_type", ftype);
  write_id(j, d, "filter_frequency", ffreq);
}

void write_channel_settings(JsonWriter& j, const Driver& d, const ChannelView& v) {
  j.field("channel", v.channel).field("name", v.name);
  write_id(j, d, "amplifier", v.amplifier);
  write_id(j, d, "state", v.state);
  write_id(j, d, "transducer", v.transducer);
  write_id(j, d, "range", v.range);
  write_id(j, d, "filter", v.filter_mode);
  j.field("unit", v.display_unit())
      .field("range_value", v.range_value)
      .field("measuring", v.measuring())
      .field("tare", v.taring())
      .field("shunt", v.signal == kSignalShunt)
      .field("scale_factor", v.scale)
      .field("digital", v.digital);
  write_physical_field(j, "tare_value", v.tare);
}

void write_measured_value(JsonWriter& j, const ChannelView& v, bool available) {
  if (!available || v.inactive()) {
    j.key("value").null();
    return;
  }
  if (v.digital_io()) {
    j.field("value", static_cast<long long>(v.digital));
    return;
  }
  std::string word = overflow_word(v.measured);
  if (word.empty()) {
    j.field("value", v.measured);
  } else {
    j.key("value").null().field("overflow", word);
  }
}

void write_physical_field(JsonWriter& j, const std::string& name, float value) {
  std::string word = overflow_word(value);
  if (word.empty()) {
    j.field(name, value);
  } else {
    j.key(name).null().field(name + "_overflow", word);
  }
}

std::string csv_field(const std::string& text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string csv_value(const ChannelView& v, float value) {
  std::string word = overflow_word(value);
  if (!word.empty()) return word;
  if (v.digital_io()) return std::to_string(static_cast<long long>(value));
  return format_number(value);
}

std::string csv_label(const ChannelView& v) {
  std::string u = v.display_unit();
  return v.name + (u.empty() ? "" : " [" + u + "]");
}

std::string channel_table(const Driver& d, const std::vector<int32_t>& channels, const std::string& header,
                          const std::function<std::string(const ChannelView&)>& cell) {
  TextTable t;
  t.add_column(tr("Chan."), TextTable::Align::kRight);
  t.add_column(tr("Name"), TextTable::Align::kLeft);
  t.add_column(header, TextTable::Align::kRight);
  for (int32_t c : channels) {
    ChannelView v = read_channel(d, c);
    t.add_row({std::to_string(c), v.name, cell(v)});
  }
  return t.render();
}

}  // namespace corvane_cli
