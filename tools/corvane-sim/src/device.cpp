// The chain's power-on state and its command table: each command word with its query or set
// form, the number of arguments it takes and its handler. Settings commands check the
// amplifier rules and refuse with the error number the amplifier would set.
#include "device.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "device_tables.h"

namespace corvane_sim {
namespace {

std::string int_text(int64_t value) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  (void)ec;
  return std::string(buf, end);
}

// An argument that must be a whole number in [lo, hi].
bool whole(double value, int64_t lo, int64_t hi, int64_t* out) {
  if (!std::isfinite(value) || value != std::floor(value) || value < static_cast<double>(lo) ||
      value > static_cast<double>(hi)) {
    return false;
  }
  *out = static_cast<int64_t>(value);
  return true;
}

bool whole32(double value, int32_t* out) {
  int64_t v = 0;
  if (!whole(value, INT32_MIN, INT32_MAX, &v)) return false;
  *out = static_cast<int32_t>(v);
  return true;
}

}  // namespace

const Device::CommandEntry Device::kCommands[] = {
    {"EST", true, 0, 0, &Device::est_query},  {"IDN", true, 0, 1, &Device::idn_query},
    {"AID", true, 0, 1, &Device::aid_query},  {"ICR", false, 1, 1, &Device::icr_set},
    {"ICR", true, 0, 0, &Device::icr_query},  {"ASF", false, 2, 2, &Device::asf_set},
    {"ASF", true, 0, 0, &Device::asf_query},  {"ACT", false, 2, 2, &Device::act_set},
    {"ACT", true, 1, 1, &Device::act_query},  {"ASA", false, 3, 3, &Device::asa_set},
    {"ASA", true, 1, 1, &Device::asa_query},  {"TAV", false, 2, 2, &Device::tav_set},
    {"TAV", true, 1, 1, &Device::tav_query},  {"AFS", false, 2, 2, &Device::afs_set},
    {"AFS", true, 1, 1, &Device::afs_query},  {"DPI", false, 2, 2, &Device::dpi_set},
    {"DPI", true, 1, 1, &Device::dpi_query},  {"ASS", false, 2, 2, &Device::ass_set},
    {"ASS", true, 1, 1, &Device::ass_query},  {"TAR", false, 0, 0, &Device::tar_set},
    {"TAR", true, 0, 0, &Device::tar_query},  {"OMB", true, 1, 1, &Device::omb_query},
    {"MSV", false, 3, 4, &Device::msv_set},   {"MSV", true, 0, 0, &Device::msv_query},
    {"STP", false, 0, 0, &Device::stp_set},   {"TRG", false, 0, 0, &Device::trg_set},
    {"DTR", false, 3, 3, &Device::dtr_set},   {"PRG", true, 0, 2, &Device::prg_query},
    {"BDR", false, 1, 1, &Device::bdr_set},   {"FMB", false, 1, 1, &Device::fmb_set},
};

Device::Device(const EngineConfig& config) : config_(config) {
  devices_ = std::clamp(config.devices, 1, kMaxDevices);
  error_ = config.initial_error;
  channels_.resize(static_cast<size_t>(devices_ * kSlotsPerDevice));
  for (int i = 0; i < channel_count(); ++i) {
    int position = i % kSlotsPerDevice;
    int32_t type = default_slot_type(position);
    if (static_cast<size_t>(position) < config.slot_types.size() && is_amplifier_type(config.slot_types[position])) {
      type = config.slot_types[static_cast<size_t>(position)];
    }
    auto it = config.channel_types.find(i);
    if (it != config.channel_types.end() && is_amplifier_type(it->second)) type = it->second;
    ChannelSettings& s = channels_[static_cast<size_t>(i)].settings;
    s.amplifier = type;
    TransducerRange tr = default_transducer_range(type);
    s.transducer = tr.transducer;
    s.range = tr.range;
    if (type == kAmpNotConnected) {
      s.state = kStatePassive;
    } else if (type == kAmpDigitalIo || type == kAmpAux) {
      s.state = kStatePassive + kStateBitMeasure;
    } else {
      s.state = kStatePassive + kStateBitMeasure + kStateBitTare;
    }
    if (type == kAmpAux) channels_[static_cast<size_t>(i)].source = SignalSource::constant(25.0);
  }
}

Answer Device::line(std::string text) {
  text += "\r\n";
  return {std::move(text), false};
}

Answer Device::refuse(int32_t error) {
  error_ = error;
  return line("?");
}

Answer Device::block(const std::vector<int16_t>& values) {
  Answer a;
  a.binary = true;
  a.bytes.reserve(values.size() * 2 + 4);
  a.bytes.append(kBlockLeadIn, 2);
  for (int16_t v : values) {
    auto u = static_cast<uint16_t>(v);
    a.bytes.push_back(static_cast<char>(u & 0xFF));
    a.bytes.push_back(static_cast<char>(u >> 8));
  }
  a.bytes.append(kBlockTrailer, 2);
  return a;
}

bool Device::channel_arg(double value, int* channel) const {
  int64_t c = 0;
  if (!whole(value, 0, channel_count() - 1, &c)) return false;
  *channel = static_cast<int>(c);
  return true;
}

bool Device::measuring() const {
  return acq_.state == kStateWaitTrigger || acq_.state == kStateMeasuring;
}

std::vector<int> Device::channels_where(int32_t state_bit) const {
  std::vector<int> out;
  for (int i = 0; i < channel_count(); ++i) {
    const ChannelSettings& s = channels_[static_cast<size_t>(i)].settings;
    if (s.amplifier != kAmpNotConnected && ((s.state - kStatePassive) & state_bit) != 0) out.push_back(i);
  }
  return out;
}

Answer Device::execute(std::string_view text, int64_t now_ns) {
  update(now_ns);
  auto cmd = parse_command(text);
  if (!cmd) return refuse(kUnknownCommand);
  const CommandEntry* entry = nullptr;
  for (const auto& e : kCommands) {
    if (cmd->word == e.word && cmd->query == e.query) {
      entry = &e;
      break;
    }
  }
  if (entry == nullptr) return refuse(kUnknownCommand);
  int count = static_cast<int>(cmd->args.size());
  if (count < entry->min_args || count > entry->max_args) return refuse(kWrongParameterCount);
  if (!cmd->args_valid) return refuse(kWrongParameterValue);
  return (this->*(entry->handler))(*cmd);
}

// --- Status and identity --------------------------------------------------------------------

Answer Device::est_query(const CommandLine&) {
  int32_t e = error_;
  error_ = kNoError;
  return line(int_text(e));
}

Answer Device::idn_query(const CommandLine& cmd) {
  auto identity = [this](int device) {
    std::string serial = static_cast<size_t>(device) < config_.serial_numbers.size()
                             ? config_.serial_numbers[static_cast<size_t>(device)]
                             : "4711" + int_text(device);
    return config_.maker + "," + config_.device_type + "," + serial + "," + config_.program_version;
  };
  if (cmd.args.empty()) return line(identity(0));
  int64_t which = 0;
  if (whole(cmd.args[0], 100, 100, &which)) {
    std::string all;
    for (int d = 0; d < devices_; ++d) all += (d ? "," : "") + identity(d);
    return line(all);
  }
  if (!whole(cmd.args[0], 0, devices_ - 1, &which)) return refuse(kWrongParameterValue);
  return line(identity(static_cast<int>(which)));
}

Answer Device::aid_query(const CommandLine& cmd) {
  if (!cmd.args.empty()) {
    int c = 0;
    if (!channel_arg(cmd.args[0], &c)) return refuse(kWrongChannel);
    return line(int_text(channels_[static_cast<size_t>(c)].settings.amplifier));
  }
  std::string out;
  for (int i = 0; i < channel_count(); ++i) {
    if (i) out += ',';
    out += int_text(i) + "," + int_text(channels_[static_cast<size_t>(i)].settings.amplifier);
  }
  return line(out);
}

Answer Device::prg_query(const CommandLine&) { return ok(); }

Answer Device::bdr_set(const CommandLine& cmd) {
  int32_t code = 0;
  if (!whole32(cmd.args[0], &code) || !is_baud_code(code)) return refuse(kWrongParameterValue);
  settings_.baud_code = code;
  return ok();
}

Answer Device::fmb_set(const CommandLine& cmd) {
  int32_t format = 0;
  if (!whole32(cmd.args[0], &format) || (format != 0 && format != 1)) return refuse(kWrongParameterValue);
  settings_.block_format = format;
  return ok();
}

// --- Device settings --------------------------------------------------------------------------

Answer Device::icr_set(const CommandLine& cmd) {
  int32_t rate = 0;
  if (!whole32(cmd.args[0], &rate) || !rate_hz(rate)) return refuse(kWrongParameterValue);
  if (measuring()) return refuse(kCommandNotExecutable);
  settings_.rate = rate;
  if (!filter_allowed(rate, settings_.filter_type, settings_.filter_frequency)) {
    // The amplifier moves the filter to the first frequency the new rate allows and says so.
    settings_.filter_frequency = first_allowed_filter(rate, settings_.filter_type);
    return line(int_text(kWarningFilterFrequency));
  }
  return ok();
}

Answer Device::icr_query(const CommandLine&) { return line(int_text(settings_.rate)); }

Answer Device::asf_set(const CommandLine& cmd) {
  int32_t type = 0;
  int32_t frequency = 0;
  if (!whole32(cmd.args[0], &type) || !is_filter_type(type)) return refuse(kWrongParameterValue);
  if (!whole32(cmd.args[1], &frequency) || !is_filter_frequency(frequency)) return refuse(kWrongParameterValue);
  if (!filter_allowed(settings_.rate, type, frequency)) return refuse(kWrongFilterFrequency);
  settings_.filter_type = type;
  settings_.filter_frequency = frequency;
  return ok();
}

Answer Device::asf_query(const CommandLine&) {
  return line(int_text(settings_.filter_type) + "," + int_text(settings_.filter_frequency));
}

// --- Channel settings -------------------------------------------------------------------------

Answer Device::act_set(const CommandLine& cmd) {
  int64_t target = 0;
  if (!whole(cmd.args[0], 0, kAllChannels, &target) ||
      (target != kAllChannels && target >= channel_count())) {
    return refuse(kWrongChannel);
  }
  int32_t state = 0;
  if (!whole32(cmd.args[1], &state)) return refuse(kWrongParameterValue);
  // The short forms 0..3 stand for 6200..6203.
  if (state >= 0 && state <= 3) state += kStatePassive;
  if (state < kStatePassive || state > kStatePassive + 3) return refuse(kWrongParameterValue);
  if (measuring()) return refuse(kCommandNotExecutable);
  if (target == kAllChannels) {
    for (auto& ch : channels_) {
      if (state_allowed(ch.settings.amplifier, state)) ch.settings.state = state;
    }
    return ok();
  }
  ChannelSettings& s = channels_[static_cast<size_t>(target)].settings;
  if (!state_allowed(s.amplifier, state)) return refuse(kWrongParameterValue);
  s.state = state;
  return ok();
}

Answer Device::act_query(const CommandLine& cmd) {
  int c = 0;
  if (!channel_arg(cmd.args[0], &c)) return refuse(kWrongChannel);
  return line(int_text(channels_[static_cast<size_t>(c)].settings.state));
}

Answer Device::asa_set(const CommandLine& cmd) {
  int c = 0;
  if (!channel_arg(cmd.args[0], &c)) return refuse(kWrongChannel);
  int32_t transducer = 0;
  int32_t range = 0;
  if (!whole32(cmd.args[1], &transducer) || !whole32(cmd.args[2], &range)) return refuse(kWrongParameterValue);
  ChannelSettings& s = channels_[static_cast<size_t>(c)].settings;
  if (!transducer_allowed(s.amplifier, transducer)) return refuse(kWrongParameterValue);
  if (!range_allowed(s.amplifier, transducer, range)) return refuse(kWrongRange);
  s.transducer = transducer;
  s.range = range;
  return ok();
}

Answer Device::asa_query(const CommandLine& cmd) {
  int c = 0;
  if (!channel_arg(cmd.args[0], &c)) return refuse(kWrongChannel);
  const ChannelSettings& s = channels_[static_cast<size_t>(c)].settings;
  return line(int_text(s.transducer) + "," + int_text(s.range));
}

Answer Device::tav_set(const CommandLine& cmd) {
  int c = 0;
  if (!channel_arg(cmd.args[0], &c)) return refuse(kWrongChannel);
  ChannelSettings& s = channels_[static_cast<size_t>(c)].settings;
  if (!is_analog_amplifier(s.amplifier)) return refuse(kWrongParameterValue);
  double raw = std::round(cmd.args[1]);
  if (!(raw >= INT16_MIN && raw <= INT16_MAX)) return refuse(kWrongParameterValue);
  s.tare_raw = static_cast<int32_t>(raw);
  // Taken, but it acts only once the channel is in tare state.
  if (((s.state - kStatePassive) & kStateBitTare) == 0) return line(int_text(kWarningTareState));
  return ok();
}

Answer Device::tav_query(const CommandLine& cmd) {
  int c = 0;
  if (!channel_arg(cmd.args[0], &c)) return refuse(kWrongChannel);
  return line(int_text(channels_[static_cast<size_t>(c)].settings.tare_raw));
}

Answer Device::afs_set(const CommandLine& cmd) {
  int c = 0;
  if (!channel_arg(cmd.args[0], &c)) return refuse(kWrongChannel);
  int32_t mode = 0;
  ChannelSettings& s = channels_[static_cast<size_t>(c)].settings;
  if (!whole32(cmd.args[1], &mode) || !filter_mode_allowed(s.amplifier, mode)) return refuse(kWrongParameterValue);
  s.filter_mode = mode;
  return ok();
}

Answer Device::afs_query(const CommandLine& cmd) {
  int c = 0;
  if (!channel_arg(cmd.args[0], &c)) return refuse(kWrongChannel);
  return line(int_text(channels_[static_cast<size_t>(c)].settings.filter_mode));
}

Answer Device::dpi_set(const CommandLine& cmd) {
  int c = 0;
  if (!channel_arg(cmd.args[0], &c) || channels_[static_cast<size_t>(c)].settings.amplifier != kAmpDigitalIo) {
    return refuse(kWrongChannel);
  }
  int64_t value = 0;
  if (!whole(cmd.args[1], 0, 65535, &value)) return refuse(kWrongParameterValue);
  channels_[static_cast<size_t>(c)].settings.digital_value = static_cast<int32_t>(value);
  return ok();
}

Answer Device::dpi_query(const CommandLine& cmd) {
  int c = 0;
  if (!channel_arg(cmd.args[0], &c) || channels_[static_cast<size_t>(c)].settings.amplifier != kAmpDigitalIo) {
    return refuse(kWrongChannel);
  }
  return line(int_text(static_cast<uint16_t>(gross_reading(c, now_ns_))));
}

Answer Device::ass_set(const CommandLine& cmd) {
  int c = 0;
  if (!channel_arg(cmd.args[0], &c)) return refuse(kWrongChannel);
  int32_t selector = 0;
  ChannelSettings& s = channels_[static_cast<size_t>(c)].settings;
  if (!whole32(cmd.args[1], &selector) || !selector_allowed(s.amplifier, selector)) {
    return refuse(kWrongParameterValue);
  }
  s.signal_selector = selector;
  return ok();
}

Answer Device::ass_query(const CommandLine& cmd) {
  int c = 0;
  if (!channel_arg(cmd.args[0], &c)) return refuse(kWrongChannel);
  return line(int_text(channels_[static_cast<size_t>(c)].settings.signal_selector));
}

// --- Tare ---------------------------------------------------------------------------------------

Answer Device::tar_set(const CommandLine&) {
  std::vector<int> tared = channels_where(kStateBitTare);
  if (tared.empty()) return refuse(kTareFailed);
  std::vector<int32_t> values;
  for (int c : tared) {
    int16_t gross = gross_reading(c, now_ns_);
    if (std::abs(static_cast<int32_t>(gross)) > kLargestReading) return refuse(kTareFailed);
    values.push_back(gross - tare_offset_counts(c));
  }
  for (size_t i = 0; i < tared.size(); ++i) channels_[static_cast<size_t>(tared[i])].settings.tare_raw = values[i];
  return ok();
}

Answer Device::tar_query(const CommandLine&) {
  std::vector<int> tared = channels_where(kStateBitTare);
  if (tared.empty()) return refuse(kTareFailed);
  std::vector<int16_t> values;
  for (int c : tared) {
    int16_t gross = gross_reading(c, now_ns_);
    int32_t value = gross;
    if (std::abs(value) <= kLargestReading) value -= tare_offset_counts(c);
    values.push_back(static_cast<int16_t>(std::clamp<int32_t>(value, -kLargestReading, kLargestReading)));
    if (std::abs(static_cast<int32_t>(gross)) > kLargestReading) values.back() = gross;
  }
  return block(values);
}

}  // namespace corvane_sim
