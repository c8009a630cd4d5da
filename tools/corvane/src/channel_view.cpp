// Reading a channel record field by field through the driver's get operation, and the display
// rules shared by show, read and acquire.
#include "channel_view.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "messages.h"
#include "session.h"
#include "text_codec.h"

namespace corvane_cli {
namespace {

struct OverflowWord {
  uint32_t bits;
  const char* word;
};
// The five overflow floats, by bit pattern.
const OverflowWord kOverflowWords[] = {
    {0x7B4097CEu, N_("+overflow")}, {0x7CF0BDC2u, N_("+OVERFLOW")}, {0xFE967699u, N_("OVERFLOW")},
    {0xFCF0BDC2u, N_("-OVERFLOW")}, {0xFB4097CEu, N_("-overflow")},
};

struct RangeDecimals {
  int32_t range;
  int decimals;
};
// Decimals shown per measuring range; others 2.
const RangeDecimals kRangeDecimals[] = {
    {700, 4}, {711, 4}, {740, 4}, {743, 4}, {752, 4}, {701, 3}, {712, 3}, {720, 3}, {742, 3},
    {750, 3}, {753, 3}, {710, 5}, {731, 1}, {760, 0}, {761, 0},
};

bool is_temperature(int32_t transducer) {
  return (transducer >= 450 && transducer <= 456) || (transducer >= 501 && transducer <= 503);
}

std::string trim(const std::string& s) {
  size_t a = s.find_first_not_of(' ');
  if (a == std::string::npos) return {};
  size_t b = s.find_last_not_of(' ');
  return s.substr(a, b - a + 1);
}

}  // namespace

int ChannelView::decimals() const {
  if (is_temperature(transducer)) return 1;
  for (const auto& r : kRangeDecimals) {
    if (r.range == range) return r.decimals;
  }
  return 2;
}

std::string ChannelView::format(float value) const {
  std::string word = overflow_word(value);
  if (!word.empty()) return tr(word);
  if (digital_io()) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%04X", static_cast<unsigned>(static_cast<int32_t>(value)) & 0xFFFFu);
    return hex;
  }
  std::string text = format_fixed(value, decimals());
  return unit.empty() || unit == " " ? text : text + " " + unit;
}

std::string overflow_word(float value) {
  uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  for (const auto& w : kOverflowWords) {
    if (w.bits == bits) return w.word;
  }
  return {};
}

std::string id_text(const Driver& driver, int32_t id) {
  char text[256] = {};
  if (driver.GetIDString(id, text) != 0) return {};
  return trim(latin1_to_utf8(text));
}

std::string device_name(const Driver& driver) {
  char text[256] = {};
  driver.CV_GetDevSettings(kCvDevType, text);
  std::string name = trim(latin1_to_utf8(text));
  return name.empty() ? "Corvane" : name;
}

std::vector<int32_t> zero_terminated(const int32_t* list, size_t capacity) {
  std::vector<int32_t> out;
  for (size_t i = 0; i < capacity && list[i] != 0; ++i) out.push_back(list[i]);
  return out;
}

ChannelView read_channel(const Driver& d, int32_t channel) {
  ChannelView v;
  v.channel = channel;
  char text[256] = {};
  d.CV_GetChanSettings(channel, kCvChanAmplifier, &v.amplifier);
  d.CV_GetChanSettings(channel, kCvChanName, text);
  v.name = latin1_to_utf8(text);
  if (trim(v.name).empty()) v.name = tr("Channel {}", channel);
  std::memset(text, 0, sizeof text);
  d.CV_GetChanSettings(channel, kCvChanUnit, text);
  v.unit = trim(latin1_to_utf8(text));
  d.CV_GetChanSettings(channel, kCvChanState, &v.state);
  d.CV_GetChanSettings(channel, kCvChanTransducer, &v.transducer);
  d.CV_GetChanSettings(channel, kCvChanRange, &v.range);
  d.CV_GetChanSettings(channel, kCvChanFilterMode, &v.filter_mode);
  d.CV_GetChanSettings(channel, kCvChanSignal, &v.signal);
  d.CV_GetChanSettings(channel, kCvChanRangeValue, &v.range_value);
  d.CV_GetChanSettings(channel, kCvChanMeasured, &v.measured);
  d.CV_GetChanSettings(channel, kCvChanTare, &v.tare);
  d.CV_GetChanSettings(channel, kCvChanScale, &v.scale);
  d.CV_GetChanSettings(channel, kCvChanDigital, &v.digital);
  return v;
}

std::vector<int32_t> parse_channel_list(const std::string& text, int32_t count) {
  std::vector<int32_t> out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    size_t dash = part.find('-', 1);
    auto first = parse_integer(dash == std::string::npos ? part : part.substr(0, dash));
    auto last = dash == std::string::npos ? first : parse_integer(part.substr(dash + 1));
    if (!first || !last || *first < 0 || *last < *first) {
      throw CommandError(tr("\"{}\" is not a channel list (examples: 4, 0-7, 0,2,5-6).", text), kExitUsage);
    }
    if (*last >= count) {
      throw CommandError(tr("Channel {} does not exist: the chain has {} channels (0 to {}).", *last, count, count - 1));
    }
    for (long long c = *first; c <= *last; ++c) out.push_back(static_cast<int32_t>(c));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

void check_channel_list_syntax(const std::string& text) {
  constexpr int32_t kMostChannels = 100;  // a chain of ten devices
  parse_channel_list(text, kMostChannels);
}

// "0-3,7" for a list of channels.
std::string channel_ranges(const std::vector<int32_t>& channels) {
  std::string out;
  for (size_t i = 0; i < channels.size();) {
    size_t j = i;
    while (j + 1 < channels.size() && channels[j + 1] == channels[j] + 1) ++j;
    out += (out.empty() ? "" : ",") + std::to_string(channels[i]) + (j > i ? "-" + std::to_string(channels[j]) : "");
    i = j + 1;
  }
  return out;
}

}  // namespace corvane_cli
