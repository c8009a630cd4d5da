// info (identity of the driver, the line and every device of the chain), show (all channels
// in the columns of the setup program's channel grid) and ports (the lines a Corvane may be on).
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <iostream>

#include "channel_output.h"
#include "commands.h"
#include "json_writer.h"
#include "linkar32.h"
#include "messages.h"
#include "text_codec.h"
#include "text_table.h"

namespace corvane_cli {
namespace {

constexpr int32_t kChainRows = 11;
// Grid header texts of the driver's string table: Chan. ... Meas. Value.
constexpr int32_t kHeaderChan = 608, kHeaderName = 609, kHeaderTrans = 610, kHeaderRange = 611,
                  kHeaderFilter = 612, kHeaderTare = 613, kHeaderTareValue = 614, kHeaderValue = 615,
                  kHeaderShunt = 616;

std::string res_text(const Driver& d, int32_t id, const char* fallback) {
  char text[256] = {};
  if (d.CV_GetResString(id, text) != 0 || text[0] == 0) return fallback;
  return latin1_to_utf8(text);
}


int32_t dev_int(const Driver& d, int32_t selector) {
  int32_t v = 0;
  d.CV_GetDevSettings(selector, &v);
  return v;
}

std::string port_description(const Session& s) {
  const PortChoice& p = s.options().port;
  switch (p.kind) {
    case PortChoice::Kind::kSim: return tr("sim (built-in simulator, {} device(s))", s.options().devices);
    case PortChoice::Kind::kSerial:
    case PortChoice::Kind::kParallel: return p.text + " (" + port_device_path(p) + ")";
    case PortChoice::Kind::kOffline: return tr("offline (no device; settings are checked in memory)");
    default: return p.text;
  }
}

// Whether a single reading could be taken; fills every channel's measured value.
enum class Reading { kOffline, kDone, kNoChannel, kFailed };

Reading take_reading(const Session& s) {
  if (s.offline()) return Reading::kOffline;
  int32_t r = s.driver().CV_MeasOneVal();
  if (r == 0) return Reading::kDone;
  return r == kCvNoActiveChannel ? Reading::kNoChannel : Reading::kFailed;
}

std::string value_cell(const ChannelView& v, Reading reading) {
  if (v.inactive() || !v.measuring()) return "";
  switch (reading) {
    case Reading::kOffline: return "OFFLINE";
    case Reading::kFailed: return tr("ERROR");
    case Reading::kNoChannel: return "";
    case Reading::kDone: break;
  }
  return v.format(v.digital_io() ? static_cast<float>(v.digital) : v.measured);
}

}  // namespace

void cmd_info(Session& s, const std::vector<std::string>& words) {
  CommandArgs args = parse_command_args("info", words, {}, {});
  if (!args.positional.empty()) throw CommandError(tr("The command info takes no arguments."), kExitUsage);
  if (s.checking()) return;
  const Driver& d = s.driver();
  char version[64] = {};
  d.CV_GetVersion(version);
  char comlib[64] = {};
  QBX_GetComLibVersion(comlib);
  const int32_t channels = s.channel_count();
  const int32_t devices = (channels + 9) / 10;
  const int32_t rate = dev_int(d, kCvDevRate), ftype = dev_int(d, kCvDevFilterType), ffreq = dev_int(d, kCvDevFilterFrequency);
  if (s.json()) {
    JsonWriter j;
    j.begin_object()
        .field("command", "info")
        .field("driver", d.library)
        .field("driver_version", std::string(version))
        .field("interface_version", latin1_to_utf8(comlib))
        .field("port", s.options().port.text)
        .field("offline", s.offline())
        .field("serial_number", dev_text(d, kCvDevSerial))
        .field("program_version", dev_text(d, kCvDevVersion));
    write_device_settings(j, d);
    j.key("chain").begin_array();
    for (int32_t k = 0; k < devices && k < kChainRows; ++k) {
      j.begin_object()
          .field("device", k)
          .field("serial_number", chain_text(d, k, kChainSerial))
          .field("program_version", chain_text(d, k, kChainVersion))
          .field("first_channel", k * 10)
          .field("last_channel", std::min(channels, (k + 1) * 10) - 1)
          .end_object();
    }
    j.end_array().end_object();
    print_line(j.text());
    return;
  }
  std::string out;
  out += tr("Driver:            {} version {}\n", d.library, version);
  out += tr("Interface library: {}\n", latin1_to_utf8(comlib));
  out += tr("Port:              {}\n", port_description(s));
  out += tr("Device:            {}, serial number {}, program version {}\n", device_name(d), dev_text(d, kCvDevSerial),
            dev_text(d, kCvDevVersion));
  out += devices == 1 ? tr("Channels:          {} ({} device of 10 slots)\n", channels, devices)
                      : tr("Channels:          {} ({} devices of 10 slots)\n", channels, devices);
  out += tr("Measuring rate:    {}\n", id_text(d, rate));
  out += tr("Filter:            {}, {}\n", id_text(d, ftype), id_text(d, ffreq));
  out += tr("Chain:\n");
  for (int32_t k = 0; k < devices && k < kChainRows; ++k) {
    out += tr("  device {}: channels {}-{}, serial number {}, program version {}\n", k, k * 10,
              std::min(channels, (k + 1) * 10) - 1, chain_text(d, k, kChainSerial), chain_text(d, k, kChainVersion));
  }
  std::cout << out << std::flush;
}

void cmd_show(Session& s, const std::vector<std::string>& words) {
  CommandArgs args = parse_command_args("show", words, {"--channels"}, {});
  if (!args.positional.empty()) throw CommandError(tr("Usage: show [--channels LIST]"), kExitUsage);
  if (args.has("--channels")) check_channel_list_syntax(args.get("--channels"));
  if (s.checking()) return;
  const Driver& d = s.driver();
  const int32_t count = s.channel_count();
  std::vector<int32_t> list;
  if (args.has("--channels")) {
    list = parse_channel_list(args.get("--channels"), count);
  } else {
    for (int32_t c = 0; c < count; ++c) list.push_back(c);
  }
  const Reading reading = take_reading(s);
  const int32_t rate = dev_int(d, kCvDevRate), ftype = dev_int(d, kCvDevFilterType), ffreq = dev_int(d, kCvDevFilterFrequency);
  if (s.json()) {
    JsonWriter j;
    j.begin_object().field("command", "show").field("offline", s.offline());
    j.key("device").begin_object();
    write_device_settings(j, d);
    j.end_object();
    j.key("channels").begin_array();
    for (int32_t c : list) {
      ChannelView v = read_channel(d, c);
      j.begin_object();
      write_channel_settings(j, d, v);
      write_measured_value(j, v, reading == Reading::kDone && v.measuring());
      j.end_object();
    }
    j.end_array().end_object();
    print_line(j.text());
    return;
  }
  TextTable t;
  using A = TextTable::Align;
  t.add_column(res_text(d, kHeaderChan, "Chan."), A::kRight);
  t.add_column(res_text(d, kHeaderName, "Name"), A::kLeft);
  t.add_column(res_text(d, kHeaderTrans, "Trans."), A::kLeft);
  t.add_column(res_text(d, kHeaderRange, "Meas. Rng."), A::kLeft);
  t.add_column(res_text(d, kHeaderFilter, "Filter"), A::kLeft);
  t.add_column(res_text(d, kHeaderTare, "Tare"), A::kLeft);
  t.add_column(res_text(d, kHeaderShunt, "Shunt"), A::kLeft);
  t.add_column(res_text(d, kHeaderTareValue, "Tare Val."), A::kRight);
  t.add_column(tr("Scale"), A::kRight);
  t.add_column(res_text(d, kHeaderValue, "Meas. Value"), A::kRight);
  for (int32_t c : list) {
    ChannelView v = read_channel(d, c);
    const bool none = v.amplifier == kAmpNotConnected;
    const bool no_range = none || v.digital_io() || v.amplifier == kAmpAux;
    t.add_row({std::to_string(c), v.inactive() ? "" : v.name, none ? "" : id_text(d, v.transducer),
               no_range ? "" : id_text(d, v.range), none ? "" : id_text(d, v.filter_mode),
               v.has_tare() ? (v.taring() ? tr("on") : tr("off")) : "",
               no_range ? "" : (v.has_shunt() && v.signal == kSignalShunt ? tr("on") : tr("off")),
               v.has_tare() ? (overflow_word(v.tare).empty() ? format_fixed(v.tare, v.decimals()) : tr(overflow_word(v.tare))) : "",
               no_range ? "" : format_number(v.scale), value_cell(v, reading)});
  }
  std::cout << tr("Device {}: {} channels, measuring rate {}, filter {} {}", device_name(d), count, id_text(d, rate),
                  id_text(d, ftype), id_text(d, ffreq))
            << (s.offline() ? tr(" (offline)") : "") << "\n"
            << t.render() << std::flush;
}

namespace {

struct SerialPort {
  std::string path;
  std::string by_id;  // /dev/serial/by-id/... naming it, "" when none
};

// Serial devices with hardware behind them: USB adapters, modems, and the on-board ports that a
// driver other than the placeholder "platform" one claims.
std::vector<SerialPort> serial_ports() {
  std::vector<SerialPort> ports;
  if (DIR* dir = opendir("/sys/class/tty")) {
    while (dirent* e = readdir(dir)) {
      const std::string name = e->d_name;
      if (name.rfind("tty", 0) != 0) continue;
      const std::string device = "/sys/class/tty/" + name + "/device";
      char subsystem[PATH_MAX] = {};
      const ssize_t n = readlink((device + "/subsystem").c_str(), subsystem, sizeof subsystem - 1);
      if (n <= 0) continue;
      const std::string kind = std::string(subsystem, static_cast<size_t>(n));
      if (name.rfind("ttyS", 0) == 0 && kind.size() >= 9 && kind.compare(kind.size() - 9, 9, "/platform") == 0) continue;
      ports.push_back({"/dev/" + name, ""});
    }
    closedir(dir);
  }
  if (DIR* dir = opendir("/dev/serial/by-id")) {
    while (dirent* e = readdir(dir)) {
      if (e->d_name[0] == '.') continue;
      const std::string link = std::string("/dev/serial/by-id/") + e->d_name;
      char target[PATH_MAX] = {};
      if (realpath(link.c_str(), target) == nullptr) continue;
      for (auto& p : ports) {
        if (p.path == target) p.by_id = link;
      }
    }
    closedir(dir);
  }
  std::sort(ports.begin(), ports.end(), [](const SerialPort& a, const SerialPort& b) { return a.path < b.path; });
  return ports;
}

}  // namespace

void cmd_ports(Session& s, const std::vector<std::string>& words) {
  CommandArgs args = parse_command_args("ports", words, {}, {});
  if (!args.positional.empty()) throw CommandError(tr("The command ports takes no arguments."), kExitUsage);
  if (s.checking()) return;
  const std::vector<SerialPort> serial = serial_ports();
  std::vector<std::string> usb;
  const int32_t usb_status = attached_usb_serials(&usb);
  if (s.json()) {
    JsonWriter j;
    j.begin_object().field("command", "ports").key("serial").begin_array();
    for (const auto& p : serial) {
      j.begin_object().field("path", p.path);
      if (!p.by_id.empty()) j.field("by_id", p.by_id);
      j.end_object();
    }
    j.end_array().key("usb").begin_array();
    for (const auto& u : usb) j.begin_object().field("serial_number", u).field("port", "usb:" + u).end_object();
    j.end_array();
    if (usb_status != 0) j.field("usb_error", s.describe(usb_status));
    j.end_object();
    print_line(j.text());
    return;
  }
  std::string out = tr("Serial ports (--port PATH):\n");
  if (serial.empty()) out += tr("  none found\n");
  for (const auto& p : serial) out += "  " + p.path + (p.by_id.empty() ? "" : "  " + p.by_id) + "\n";
  out += tr("USB Corvanes (--port usb:SERIAL):\n");
  if (usb_status != 0) out += tr("  not available: {}\n", s.describe(usb_status));
  if (usb_status == 0 && usb.empty()) out += tr("  none found\n");
  for (const auto& u : usb) out += "  usb:" + u + "\n";
  std::cout << out << std::flush;
}

}  // namespace corvane_cli
