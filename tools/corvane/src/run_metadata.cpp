// The metadata of a measurement run, gathered from the session and the driver.
#include "run_metadata.h"

#include <ctime>

#include "channel_output.h"
#include "text_codec.h"

#ifndef CORVANE_CLI_VERSION
#define CORVANE_CLI_VERSION "unknown"
#endif

namespace corvane_cli {

std::string iso8601_utc(std::chrono::system_clock::time_point t) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(ms % 1000));
  return text;
}

std::vector<MetaField> run_metadata(const Session& s, const std::vector<ChannelView>& channels) {
  const Driver& d = s.driver();
  std::vector<MetaField> f;
  f.push_back({"tool", std::string("corvane ") + CORVANE_CLI_VERSION + ", driver " + d.library});
  f.push_back({"command", s.options().command_line});
  f.push_back({"port", s.options().port.text});
  int32_t count = 0, rate = 0, ftype = 0, ffreq = 0;
  d.CV_GetDevSettings(kCvDevChannelCount, &count);
  d.CV_GetDevSettings(kCvDevRate, &rate);
  d.CV_GetDevSettings(kCvDevFilterType, &ftype);
  d.CV_GetDevSettings(kCvDevFilterFrequency, &ffreq);
  std::string serials;
  for (int32_t k = 0; k < (count + 9) / 10; ++k) serials += (k ? ", " : "") + chain_text(d, k, kChainSerial);
  f.push_back({"serial numbers", serials});
  f.push_back({"rate", id_text(d, rate)});
  f.push_back({"filter", id_text(d, ftype) + " " + id_text(d, ffreq)});
  for (const ChannelView& v : channels) {
    std::string text = v.name + "; " + id_text(d, v.amplifier) + ", " + id_text(d, v.transducer);
    if (!v.digital_io()) {
      text += "; range " + id_text(d, v.range) + "; unit " + v.display_unit();
      std::string tare = overflow_word(v.tare);
      text += "; tare " + (tare.empty() ? format_number(v.tare) : tare) + "; scale " + format_number(v.scale);
    }
    f.push_back({"channel " + std::to_string(v.channel), text});
  }
  return f;
}

std::string csv_comment_header(const std::vector<MetaField>& fields) {
  std::string out;
  for (const MetaField& m : fields) {
    std::string value = m.value;
    for (char& c : value) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    out += "# " + m.key + ": " + value + "\n";
  }
  return out;
}

void write_meta_fields(JsonWriter& j, const std::vector<MetaField>& fields) {
  for (const MetaField& m : fields) {
    std::string key = m.key;
    for (char& c : key) {
      if (c == ' ') c = '_';
    }
    j.field(key, m.value);
  }
}

}  // namespace corvane_cli
