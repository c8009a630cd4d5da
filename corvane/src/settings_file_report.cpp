// The readable settings report: labels from the edition's string resources, padded to 30
// characters, values from the device block and every channel record; numbers with four decimals
// formatted the same under every locale.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "connection.h"
#include "ids.h"
#include "settings_file.h"
#include "settings_model.h"
#include "texts.h"

namespace corvan {
namespace {

// Resource ids of the report's labels and title.
enum ReportText : int32_t {
  kTitle = 3001,
  kDate = 3002,
  kSerialNumber = 3003,
  kSoftwareVersion = 3004,
  kFilterType = 3005,
  kFilterFrequency = 3006,
  kChannelCount = 3008,
  kMeasuringRate = 3009,
  kDeviceName = 3011,
  kChannelNumber = 3015,
  kChannelType = 3016,
  kChannelName = 3017,
  kUnit = 3018,
  kStatus = 3019,
  kTransducer = 3020,  // labelled "Amplifier type" in the report
  kMeasuringRange = 3022,
  kFilter = 3024,
  kRangeValue = 3025,
  kTareValue = 3026,
};

constexpr const char* kLineEnd = "\r\n";
constexpr size_t kLabelWidth = 30;
constexpr const char* kNoValue = "-";

// Words of the overflow floats in the report.
struct OverflowWord {
  float value;
  const char* word;
};
constexpr std::array<OverflowWord, 5> kOverflowWords = {{
    {1e36f, "+overflow"}, {1e37f, "+OVERFLOW"}, {-1e36f, "-overflow"}, {-1e37f, "-OVERFLOW"}, {-1e38f, "OVERFLOW"}}};

const char* text_or_empty(const char* text) { return text != nullptr ? text : ""; }
const char* resource(int32_t id) { return text_or_empty(find_text(resource_table(), id)); }
const char* index_string(int32_t id) { return text_or_empty(find_text(index_string_table(), id)); }

template <size_t N>
std::string field(const char (&f)[N]) {
  return std::string(f, strnlen(f, N));
}

// "%-30s" of "<label>:" followed by the value and the line end.
void labelled(std::string& out, int32_t label, const std::string& value) {
  std::string head = resource(label);
  head += ':';
  if (head.size() < kLabelWidth) head.append(kLabelWidth - head.size(), ' ');
  out += head;
  out += value;
  out += kLineEnd;
}

// Fixed point with four decimals, "-" for negatives, "0" before the point below 1.
std::string fixed4(float v) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, static_cast<double>(v), std::chars_format::fixed, 4);
  return std::string(buf, res.ptr);
}

std::string tare_text(float v) {
  for (const OverflowWord& w : kOverflowWords) {
    if (v == w.value) return w.word;
  }
  return fixed4(v);
}

// The 24-character date-time text "Www Mmm dd hh:mm:ss yyyy" of the C library's asctime, with
// English names under every locale.
std::string date_text(std::time_t now) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm tm{};
  if (localtime_r(&now, &tm) == nullptr) return std::string(24, ' ');
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s %s %2d %02d:%02d:%02d %d", kDays[std::clamp(tm.tm_wday, 0, 6)],
                kMonths[std::clamp(tm.tm_mon, 0, 11)], tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                tm.tm_year + 1900);
  return buf;
}

void channel_block(std::string& out, int32_t channel, const ChannelRecord& rec) {
  // Channels without a measuring amplifier have no state, filter or values of their own.
  const bool no_status = rec.amplifier == id::kAmpNotConnected || rec.amplifier == id::kAmpDigitalIo ||
                         rec.amplifier == id::kAmpAux;
  out += kLineEnd;
  labelled(out, kChannelNumber, std::to_string(channel));
  labelled(out, kChannelType, index_string(rec.amplifier));
  labelled(out, kChannelName, field(rec.name));
  labelled(out, kUnit, field(rec.unit));
  labelled(out, kStatus, no_status ? kNoValue : index_string(rec.state));
  labelled(out, kTransducer, index_string(rec.transducer));
  labelled(out, kMeasuringRange, index_string(rec.range));
  labelled(out, kFilter, no_status ? kNoValue : index_string(rec.filter_mode));
  labelled(out, kRangeValue, no_status ? kNoValue : fixed4(rec.range_value));
  labelled(out, kTareValue, no_status ? kNoValue : tare_text(rec.tare));
}

}  // namespace

std::string settings_report(std::time_t now) {
  const State& s = state();
  const DeviceBlock& dev = s.device;
  std::string out;
  out += resource(kTitle);
  out += kLineEnd;
  out += kLineEnd;
  // The date text is followed by its own line end and then the label line's one: an empty line,
  // then one more empty line.
  labelled(out, kDate, date_text(now) + kLineEnd);
  out += kLineEnd;
  labelled(out, kDeviceName, field(dev.device_type));
  labelled(out, kSerialNumber, field(dev.serial));
  labelled(out, kSoftwareVersion, field(dev.version));
  labelled(out, kChannelCount, std::to_string(dev.channel_count));
  labelled(out, kMeasuringRate, index_string(dev.rate));
  labelled(out, kFilterType, index_string(dev.filter_type));
  labelled(out, kFilterFrequency, index_string(dev.filter_frequency));
  const int32_t n = std::clamp(dev.channel_count, 0, kMaxChannels);
  for (int32_t ch = 0; ch < n; ++ch) {
    const ChannelRecord* rec = s.records[ch];
    if (rec == nullptr || rec->amplifier == id::kAmpAux) continue;
    channel_block(out, ch, *rec);
  }
  return out;
}

int32_t write_settings_report(const char* path) { return write_whole_file(path, settings_report(std::time(nullptr))); }

}  // namespace corvan
