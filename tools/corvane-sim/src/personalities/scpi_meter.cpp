// The scpi-meter personality: a plain ASCII multimeter with four input channels that answers
// SCPI-style lines. Channel c's k-th reading (k = 0, 1, ... counted per channel since power-on or
// *RST) is its --source signal at k x 0.1 s (without --source: the constant c), so a host can
// check every value it receives. Replies end with LF; set commands answer nothing; errors go to
// the error queue that SYST:ERR? empties.
//
//   *IDN?                 "QBX,SCPI-Meter,SM-0001,1.0"
//   *RST                  readings counters and error queue cleared
//   MEAS?                 the next reading of channel 1
//   MEAS? (@c)            the next reading of channel c (1..4)
//   MEAS? (@a:b)          the next readings of channels a..b, comma-separated (one scan)
//   SYST:ERR?             the oldest error "-113,\"Undefined header\"" or "0,\"No error\""
//
// A reading is written "%+.6E" (sign, mantissa, exponent), the '.' under every locale.
#include <charconv>
#include <cstdio>
#include <cmath>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <string>

#include "personality.h"

namespace corvane_sim {

namespace {

constexpr int kMeterChannels = 4;
constexpr double kReadingInterval = 0.1;  // seconds between a channel's readings
constexpr double kPi = 3.14159265358979323846;
constexpr const char* kUndefinedHeader = "-113,\"Undefined header\"";
constexpr const char* kDataOutOfRange = "-222,\"Data out of range\"";

std::string reading_text(double value) {
  char text[64];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 6);
  if (ec != std::errc()) return "+9.910000E+37";  // SCPI's not-a-number
  std::string s(text, end);
  if (s[0] != '-') s.insert(s.begin(), '+');
  // to_chars writes e+00; SCPI meters write E+00.
  const size_t e = s.find('e');
  if (e != std::string::npos) s[e] = 'E';
  return s;
}

class ScpiMeter : public LineDevice {
 public:
  explicit ScpiMeter(const ProgramOptions& options) {
    for (int c = 1; c <= kMeterChannels; ++c) sources_[c] = SignalSource::constant(c);
    for (const auto& [channel, source] : options.sources) {
      if (channel < 1 || channel > kMeterChannels)
        throw std::invalid_argument("scpi-meter has channels 1 to 4 (--source " + std::to_string(channel) + "=...)");
      if (source.quantity != SignalSource::Quantity::kSignal)
        throw std::invalid_argument("scpi-meter measures plain signals: temp and raw sources do not apply");
      sources_[channel] = source;
    }
    log_ = options.log;
  }

  Reply handle_line(std::string_view line) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    Reply reply;
    reply.bytes = answer(std::string(line));
    if (log_) fprintf(stderr, "<< %.*s\n>> %s", static_cast<int>(line.size()), line.data(), reply.bytes.c_str());
    return reply;
  }

 private:
  std::string answer(const std::string& line) {
    if (line.empty()) return {};
    if (line == "*IDN?") return "QBX,SCPI-Meter,SM-0001,1.0\n";
    if (line == "*RST") {
      for (long& k : taken_) k = 0;
      errors_.clear();
      return {};
    }
    if (line == "SYST:ERR?") {
      if (errors_.empty()) return "0,\"No error\"\n";
      std::string e = errors_.front();
      errors_.pop_front();
      return e + "\n";
    }
    if (line == "MEAS?") return reading(1) + "\n";
    if (line.rfind("MEAS? (@", 0) == 0 && line.back() == ')') {
      const std::string list = line.substr(8, line.size() - 9);
      int first = 0, last = 0;
      const size_t colon = list.find(':');
      if (!whole(list.substr(0, colon), &first) ||
          !whole(colon == std::string::npos ? list : list.substr(colon + 1), &last) || first < 1 ||
          last > kMeterChannels || first > last) {
        push_error(kDataOutOfRange);
        return {};
      }
      std::string out;
      for (int c = first; c <= last; ++c) out += (c > first ? "," : "") + reading(c);
      return out + "\n";
    }
    push_error(kUndefinedHeader);
    return {};
  }

  static bool whole(const std::string& text, int* value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return ec == std::errc() && end == text.data() + text.size();
  }

  void push_error(const char* text) {
    if (errors_.size() < 20) errors_.push_back(text);
  }

  std::string reading(int channel) {
    const double t = static_cast<double>(taken_[channel]++) * kReadingInterval;
    const SignalSource& s = sources_[channel];
    double v = s.offset;
    switch (s.shape) {
      case SignalSource::Shape::kSine: v = s.offset + s.amplitude * std::sin(2.0 * kPi * s.frequency_hz * t); break;
      case SignalSource::Shape::kRamp:
        v = s.offset + s.slope_per_s * (s.period_s > 0.0 ? std::fmod(t, s.period_s) : t);
        break;
      case SignalSource::Shape::kNoise:  // a meter that averages: its noise is below the shown digits
      case SignalSource::Shape::kConstant: break;
    }
    return reading_text(v);
  }

  std::mutex mutex_;
  SignalSource sources_[kMeterChannels + 1];
  long taken_[kMeterChannels + 1] = {};
  std::deque<std::string> errors_;
  bool log_ = false;
};

}  // namespace

std::unique_ptr<LineDevice> make_scpi_meter(const ProgramOptions& options) {
  return std::make_unique<ScpiMeter>(options);
}

}  // namespace corvane_sim
