// What a channel reads: its signal source at a time, turned into what the sensor gives
// (thermocouple voltage, Pt resistance, shunt detuning of a bridge), then into raw counts of
// its measuring range (25000 = full range), net of the tare value in tare state, with the
// overflow codes beyond +-32765.
#include <cmath>
#include <cstdlib>

#include "device.h"
#include "device_tables.h"
#include "sensor_physics.h"

namespace corvane_sim {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kHardOverflow = 2.0 * kFullScale;

uint64_t mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// Uniform in [-1, 1], the same for the same (seed, channel, time).
double noise_at(uint32_t seed, int channel, int64_t t_ns) {
  uint64_t h = mix(mix(seed) ^ mix(static_cast<uint64_t>(channel) + 1) ^ static_cast<uint64_t>(t_ns));
  return static_cast<double>(h >> 11) / static_cast<double>(1ull << 53) * 2.0 - 1.0;
}

double shape_value(const SignalSource& src, int channel, int64_t t_ns) {
  double t = static_cast<double>(t_ns) * 1e-9;
  switch (src.shape) {
    case SignalSource::Shape::kSine: return src.offset + src.amplitude * std::sin(2.0 * kPi * src.frequency_hz * t);
    case SignalSource::Shape::kRamp: {
      double span = src.period_s > 0.0 ? std::fmod(t, src.period_s) : t;
      return src.offset + src.slope_per_s * span;
    }
    case SignalSource::Shape::kNoise: return src.offset + src.amplitude * noise_at(src.seed, channel, t_ns);
    case SignalSource::Shape::kConstant: break;
  }
  return src.offset;
}

bool is_bridge(int32_t transducer) { return transducer >= 350 && transducer <= 352; }

// Counts beyond the largest reading become overflow codes; not-a-number is a broken input.
int16_t to_reading(double counts) {
  if (std::isnan(counts)) return kOverflowBroken;
  double r = std::round(counts);
  if (r > kHardOverflow) return kOverflowPlusHard;
  if (r > kLargestReading) return kOverflowPlus;
  if (r < -kHardOverflow) return kOverflowMinusHard;
  if (r < -kLargestReading) return kOverflowMinus;
  return static_cast<int16_t>(r);
}

bool is_overflow(int16_t reading) { return std::abs(static_cast<int32_t>(reading)) > kLargestReading; }

}  // namespace

double Device::gross_counts(int channel, int64_t t_ns) const {
  const Channel& ch = channels_[static_cast<size_t>(channel)];
  const ChannelSettings& s = ch.settings;
  double v = shape_value(ch.source, channel, t_ns);
  if (ch.source.quantity == SignalSource::Quantity::kRawCounts) return v;
  if (ch.source.quantity == SignalSource::Quantity::kTemperature) {
    if (is_thermocouple(s.transducer)) {
      v = thermocouple_volts(s.transducer, v);
    } else if (pt_nominal_ohm(s.transducer) > 0.0) {
      v = platinum_ohm(pt_nominal_ohm(s.transducer), v);
    }
  }
  if (s.signal_selector == kSelectorShunt && has_shunt(s.amplifier) && is_bridge(s.transducer)) {
    v += config_.shunt_mv_per_v;
  }
  return v / range_value(s.range) * kFullScale;
}

int16_t Device::gross_reading(int channel, int64_t t_ns) const {
  const ChannelSettings& s = channels_[static_cast<size_t>(channel)].settings;
  if (s.amplifier == kAmpNotConnected) return 0;
  double counts = gross_counts(channel, t_ns);
  if (s.amplifier == kAmpDigitalIo) {
    // The port word: the outputs set by DPI and the inputs driven by the source.
    long inputs = std::isfinite(counts) ? std::lround(counts) : 0;
    auto word = static_cast<uint16_t>((s.digital_value | inputs) & 0xFFFF);
    return static_cast<int16_t>(word);
  }
  const Channel& ch = channels_[static_cast<size_t>(channel)];
  if (ch.source.quantity == SignalSource::Quantity::kRawCounts && counts >= INT16_MIN && counts <= INT16_MAX) {
    return static_cast<int16_t>(std::lround(counts));  // overflow codes may be given directly
  }
  return to_reading(counts);
}

int32_t Device::tare_offset_counts(int channel) const {
  const ChannelSettings& s = channels_[static_cast<size_t>(channel)].settings;
  double r0 = pt_nominal_ohm(s.transducer);
  if (r0 <= 0.0) return 0;
  return static_cast<int32_t>(std::lround(r0 / range_value(s.range) * kFullScale));
}

int16_t Device::reading(int channel, int64_t t_ns) const {
  if (!valid_channel(channel)) return 0;
  int16_t gross = gross_reading(channel, t_ns);
  const ChannelSettings& s = channels_[static_cast<size_t>(channel)].settings;
  bool tare_state = ((s.state - kStatePassive) & kStateBitTare) != 0;
  if (!tare_state || !is_analog_amplifier(s.amplifier) || is_overflow(gross) || s.tare_raw == 0) return gross;
  return to_reading(static_cast<double>(gross) - s.tare_raw);
}

}  // namespace corvane_sim
