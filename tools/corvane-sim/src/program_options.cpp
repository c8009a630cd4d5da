// Option parsing of the corvane-sim program. Numbers are read with std::from_chars, so the
// options mean the same under every locale.
#include "program_options.h"

#include <charconv>

namespace corvane_sim {
namespace {

// The interface library keeps USB device names in 32-byte fields.
constexpr size_t kMaxUsbSerial = 31;
// Serial number of device 0 when none is given ("4711" followed by the device index).
constexpr char kFirstDefaultSerial[] = "47110";

std::optional<double> number(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double v = 0.0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return v;
}

std::optional<int> integer(std::string_view text) {
  int v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return v;
}

std::vector<std::string> split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t at = text.find(sep, start);
    parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) break;
    start = at + 1;
  }
  return parts;
}

std::optional<std::vector<double>> numbers(const std::string& text) {
  std::vector<double> out;
  for (const auto& part : split(text, ',')) {
    auto v = number(part);
    if (!v) return std::nullopt;
    out.push_back(*v);
  }
  return out;
}

struct FaultName {
  const char* name;
  FaultKind kind;
};
const FaultName kFaultNames[] = {
    {"noanswer", FaultKind::kNoAnswer}, {"delay", FaultKind::kDelay},   {"refuse", FaultKind::kRefuse},
    {"garbage", FaultKind::kGarbage},   {"cut", FaultKind::kCutLine},   {"short", FaultKind::kShortBlock},
    {"corrupt", FaultKind::kCorruptBlock},
};

}  // namespace

const char* const kUsage =
    "usage: corvane-sim [options]\n"
    "Plays a chain of Corvane amplifiers on a pseudo-terminal (default), a TCP port or stdin/stdout.\n"
    "  --personality NAME     the instrument to play (default corvane; --personalities lists them)\n"
    "  --devices N            devices in the chain, 1..10 (default 1; ten channels each)\n"
    "  --types T0,...,T9      amplifier type per slot position, for every device\n"
    "  --type CH=TYPE         amplifier type of one channel (repeatable)\n"
    "  --source CH=SPEC       signal source of a channel (repeatable); SPEC is one of\n"
    "                         const:V  raw:COUNTS  temp:DEGC  sine:OFFSET,AMPL,HZ\n"
    "                         ramp:START,SLOPE[,PERIOD_S]  noise:CENTRE,AMPL[,SEED]\n"
    "                         (temp-sine:, temp-ramp:, temp-noise: take degrees Celsius)\n"
    "  --tcp PORT             serve on 127.0.0.1:PORT (0: a free port) instead of a pty\n"
    "  --pty                  also serve a pty when --tcp or --usb is given\n"
    "  --stdio                serve stdin/stdout instead of a pty\n"
    "  --usb SOCKETPATH       play a Corvane attached by USB for the interface library's\n"
    "                         simulator backend (LINKAR32_USB_BACKEND=sim,\n"
    "                         LINKAR32_USB_SIM=SOCKETPATH) instead of a pty\n"
    "  --usb-serial NAME      serial-number text of the USB device (default: the serial\n"
    "                         number of device 0, as IDN? reports it)\n"
    "  --virtual-clock        scans advance only with the clock step below\n"
    "  --clock-step MS        virtual clock: advance MS milliseconds per received line\n"
    "  --buffer-samples N     measured-value memory in samples (default 262144)\n"
    "  --initial-error N      error number held at power-on (e.g. 10000)\n"
    "  --serial S             serial number of the next device (repeatable)\n"
    "  --version TEXT         program version reported by IDN?\n"
    "  --shunt MVV            shunt signal in mV/V (default 1.0)\n"
    "  --fault KIND[:MATCH[:COUNT[:VALUE]]]   inject a fault (repeatable); KIND is noanswer,\n"
    "                         delay (VALUE ms), refuse (VALUE error number), garbage (VALUE bytes),\n"
    "                         cut (VALUE bytes kept), short (VALUE bytes dropped), corrupt (VALUE\n"
    "                         byte offset); MATCH is a command prefix, COUNT 0 means always\n"
    "  --log                  print every line and reply to standard error\n"
    "  --personalities        list the instruments --personality can play\n"
    "  --help                 this text\n"
    "Prints the pty slave path, 127.0.0.1:PORT and the USB socket path (each served one on its\n"
    "own line, in this order) on standard output, then serves until interrupted.\n";

std::optional<SignalSource> parse_source(const std::string& text) {
  size_t colon = text.find(':');
  if (colon == std::string::npos) return std::nullopt;
  std::string kind = text.substr(0, colon);
  auto values = numbers(text.substr(colon + 1));
  if (!values || values->empty()) return std::nullopt;
  const auto& v = *values;
  auto at = [&](size_t i, double fallback) { return i < v.size() ? v[i] : fallback; };
  SignalSource src;
  bool temperature = kind.rfind("temp-", 0) == 0;
  if (temperature) kind = kind.substr(5);
  if (kind == "const" && v.size() == 1) {
    src = SignalSource::constant(v[0]);
  } else if (kind == "raw" && v.size() == 1 && !temperature) {
    src = SignalSource::raw(v[0]);
  } else if (kind == "temp" && v.size() == 1 && !temperature) {
    src = SignalSource::temperature(v[0]);
  } else if (kind == "sine" && v.size() == 3) {
    src = SignalSource::sine(v[0], v[1], v[2]);
  } else if (kind == "ramp" && (v.size() == 2 || v.size() == 3)) {
    src = SignalSource::ramp(v[0], v[1], at(2, 0.0));
  } else if (kind == "noise" && (v.size() == 2 || v.size() == 3)) {
    src = SignalSource::noise(v[0], v[1], static_cast<uint32_t>(at(2, 1.0)));
  } else {
    return std::nullopt;
  }
  if (temperature) src.quantity = SignalSource::Quantity::kTemperature;
  return src;
}

std::optional<Fault> parse_fault(const std::string& text) {
  auto parts = split(text, ':');
  Fault fault;
  bool known = false;
  for (const auto& f : kFaultNames) {
    if (parts[0] == f.name) {
      fault.kind = f.kind;
      known = true;
    }
  }
  if (!known || parts.size() > 4) return std::nullopt;
  if (parts.size() > 1) fault.match = parts[1];
  if (parts.size() > 2) {
    auto count = integer(parts[2]);
    if (!count || *count < 0) return std::nullopt;
    fault.count = *count;
  }
  if (parts.size() > 3) {
    if (fault.kind == FaultKind::kGarbage) {
      fault.garbage = parts[3];
      return fault;
    }
    auto value = integer(parts[3]);
    if (!value || *value < 0) return std::nullopt;
    switch (fault.kind) {
      case FaultKind::kDelay: fault.delay_ms = *value; break;
      case FaultKind::kRefuse: fault.error = *value; break;
      case FaultKind::kCutLine: fault.keep_bytes = static_cast<size_t>(*value); break;
      case FaultKind::kShortBlock: fault.drop_bytes = static_cast<size_t>(*value); break;
      case FaultKind::kCorruptBlock: fault.offset = static_cast<size_t>(*value); break;
      default: return std::nullopt;
    }
  }
  return fault;
}

std::optional<ProgramOptions> parse_options(const std::vector<std::string>& args, std::string* error) {
  ProgramOptions opt;
  bool pty_requested = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    auto bad = [&](const std::string& why) -> std::optional<ProgramOptions> {
      *error = why;
      return std::nullopt;
    };
    if (a == "--help" || a == "-h") {
      opt.help = true;
    } else if (a == "--pty") {
      pty_requested = true;
    } else if (a == "--stdio") {
      opt.stdio = true;
    } else if (a == "--virtual-clock") {
      opt.config.virtual_clock = true;
    } else if (a == "--log") {
      opt.log = true;
    } else if (a == "--personalities") {
      opt.list_personalities = true;
    } else {
      static const char* const kValueOptions[] = {"--devices", "--types", "--type", "--source", "--tcp",
                                                  "--clock-step", "--buffer-samples", "--initial-error",
                                                  "--serial", "--version", "--shunt", "--fault",
                                                  "--usb", "--usb-serial", "--personality"};
      bool known = false;
      for (const char* name : kValueOptions) known = known || a == name;
      if (!known) return bad("unknown option " + a);
      auto v = value();
      if (!v) return bad("option " + a + " needs a value");
      if (a == "--devices") {
        auto n = integer(*v);
        if (!n || *n < 1 || *n > kMaxDevices) return bad("--devices takes 1 to 10");
        opt.config.devices = *n;
      } else if (a == "--types") {
        for (const auto& part : split(*v, ',')) {
          auto t = integer(part);
          if (!t || *t < 5050 || *t > 5058) return bad("--types takes amplifier ids 5050 to 5058");
          opt.config.slot_types.push_back(*t);
        }
        if (opt.config.slot_types.size() > kSlotsPerDevice) return bad("--types takes at most ten ids");
      } else if (a == "--type" || a == "--source") {
        size_t eq = v->find('=');
        auto ch = eq == std::string::npos ? std::nullopt : integer(v->substr(0, eq));
        if (!ch || *ch < 0 || *ch >= kMaxDevices * kSlotsPerDevice) return bad(a + " takes CHANNEL=VALUE");
        if (a == "--type") {
          auto t = integer(v->substr(eq + 1));
          if (!t || *t < 5050 || *t > 5058) return bad("--type takes an amplifier id 5050 to 5058");
          opt.config.channel_types[*ch] = *t;
        } else {
          auto src = parse_source(v->substr(eq + 1));
          if (!src) return bad("--source: cannot read " + *v);
          opt.sources.emplace_back(*ch, *src);
        }
      } else if (a == "--tcp") {
        auto port = integer(*v);
        if (!port || *port < 0 || *port > 65535) return bad("--tcp takes a port 0 to 65535");
        opt.tcp_port = *port;
      } else if (a == "--personality") {
        if (v->empty()) return bad("--personality takes a name (--personalities lists them)");
        opt.personality = *v;
      } else if (a == "--usb") {
        if (v->empty()) return bad("--usb takes a socket path");
        opt.usb_socket = *v;
      } else if (a == "--usb-serial") {
        if (v->empty() || v->size() > kMaxUsbSerial) return bad("--usb-serial takes a name of 1 to 31 characters");
        opt.usb_serial = *v;
      } else if (a == "--clock-step") {
        auto ms = number(*v);
        if (!ms || *ms < 0) return bad("--clock-step takes milliseconds");
        opt.clock_step_ms = *ms;
      } else if (a == "--buffer-samples") {
        auto n = integer(*v);
        if (!n || *n < 1) return bad("--buffer-samples takes a positive number");
        opt.config.buffer_samples = static_cast<size_t>(*n);
      } else if (a == "--initial-error") {
        auto n = integer(*v);
        if (!n || *n < 0) return bad("--initial-error takes an error number");
        opt.config.initial_error = *n;
      } else if (a == "--serial") {
        opt.config.serial_numbers.push_back(*v);
      } else if (a == "--version") {
        opt.config.program_version = *v;
      } else if (a == "--shunt") {
        auto s = number(*v);
        if (!s) return bad("--shunt takes mV/V");
        opt.config.shunt_mv_per_v = *s;
      } else if (a == "--fault") {
        auto f = parse_fault(*v);
        if (!f) return bad("--fault: cannot read " + *v);
        opt.faults.push_back(*f);
      }
    }
  }
  opt.pty = pty_requested || (!opt.tcp_port && !opt.stdio && !opt.usb_socket);
  if (opt.usb_serial.empty())
    opt.usb_serial = opt.config.serial_numbers.empty() ? kFirstDefaultSerial : opt.config.serial_numbers.front();
  return opt;
}

}  // namespace corvane_sim
