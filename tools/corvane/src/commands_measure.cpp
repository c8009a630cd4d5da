// tare [CHANNELS], read (live single values) and shunt-cal CHANNELS.
#include <algorithm>
#include <chrono>
#include <iostream>
#include <sstream>
#include <thread>

#include "channel_output.h"
#include "data_file.h"
#include "run_metadata.h"
#include "commands.h"
#include "json_writer.h"
#include "messages.h"
#include "terminal.h"
#include "text_codec.h"

namespace corvane_cli {
namespace {

constexpr int32_t kShuntAmplifier = 5058;  // the amplifier whose shunt the driver calibrates

std::vector<int32_t> channels_where(const Session& s, bool (ChannelView::*pred)() const) {
  std::vector<int32_t> out;
  for (int32_t c = 0; c < s.channel_count(); ++c) {
    ChannelView v = read_channel(s.driver(), c);
    if (!v.inactive() && (v.*pred)()) out.push_back(c);
  }
  return out;
}

std::vector<int32_t> to_vector_checked(const Session& s, const std::string& list) {
  return parse_channel_list(list, s.channel_count());
}

// Waits until reading i of a series that started at `start` is due, or a signal came.
void wait_for_reading(std::chrono::steady_clock::time_point start, double interval, long long i) {
  if (i == 0) return;
  auto due = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                         std::chrono::duration<double>(interval * static_cast<double>(i)));
  // Short sleeps, so that Ctrl-C ends the wait at once; no busy waiting.
  while (std::chrono::steady_clock::now() < due && !interrupted()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// The logger: one CSV row per reading with its time (ISO 8601, UTC) and the seconds since the
// first, flushed row by row, kept whatever ends the series (see DataFile).
void log_readings(const Session& s, const std::vector<int32_t>& list, long long count, double interval,
                  const std::string& path) {
  const Driver& d = s.driver();
  DataFile csv(path, N_("CSV file"));
  std::vector<ChannelView> views;
  for (int32_t c : list) views.push_back(read_channel(d, c));
  std::vector<MetaField> meta = run_metadata(s, views);
  meta.push_back({"start time", iso8601_utc(std::chrono::system_clock::now())});
  meta.push_back({"interval", format_number(interval) + " s"});
  std::string header = csv_comment_header(meta) + "time,elapsed [s]";
  for (const auto& v : views) header += "," + csv_field(csv_label(v));
  const auto start = std::chrono::steady_clock::now();
  long long rows = 0;
  try {
    for (long long i = 0; count == 0 || i < count; ++i) {
      wait_for_reading(start, interval, i);
      if (interrupted()) break;
      if (!s.offline()) s.check(d.CV_MeasOneVal(), tr("Reading the measured values failed after {} readings", rows));
      const auto now = std::chrono::system_clock::now();
      std::string row = (rows == 0 ? header + "\n" : std::string()) + iso8601_utc(now) + "," +
                        format_fixed(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 3);
      for (int32_t c : list) {
        ChannelView v = read_channel(d, c);
        row += "," + (s.offline() ? std::string() : csv_value(v, v.digital_io() ? static_cast<float>(v.digital) : v.measured));
      }
      csv.write(row + "\n");
      csv.flush();
      ++rows;
    }
  } catch (const CommandError&) {
    try {
      csv.finish(rows > 0);
    } catch (const CommandError&) {
      // The first failure is the one reported; the temporary file holds the rows.
    }
    throw;
  }
  csv.finish(rows > 0);
}

}  // namespace

void measure_only(const Session& s, const std::vector<int32_t>& channels) {
  const Driver& d = s.driver();
  std::vector<int32_t> stopped;
  for (int32_t c : channels_where(s, &ChannelView::measuring)) {
    if (std::find(channels.begin(), channels.end(), c) == channels.end()) stopped.push_back(c);
  }
  s.check(d.CV_ACQSetup(static_cast<int32_t>(channels.size()), channels.data()), tr("Switching the channels to measure failed"));
  if (!stopped.empty()) {
    print_confirmation(
        s, stopped.size() == 1
               ? tr("Channel {} no longer measures; the amplifier keeps this state after the run.", channel_ranges(stopped))
               : tr("Channels {} no longer measure; the amplifier keeps this state after the run.", channel_ranges(stopped)));
  }
}

void cmd_tare(Session& s, const std::vector<std::string>& words) {
  CommandArgs args = parse_command_args("tare", words, {}, {});
  if (args.positional.size() > 1) throw CommandError(tr("Usage: tare [CHANNELS]"), kExitUsage);
  if (!args.positional.empty()) check_channel_list_syntax(args.positional[0]);
  if (s.checking()) return;
  const Driver& d = s.driver();
  std::vector<int32_t> list;
  if (!args.positional.empty()) {
    list = to_vector_checked(s, args.positional[0]);
    for (int32_t c : list) {
      ChannelView v = read_channel(d, c);
      if (!v.has_tare()) {
        throw CommandError(tr("Channel {} ({}) cannot be tared.", c, id_text(d, v.amplifier)));
      }
    }
    s.check(d.CV_TareSetup(static_cast<int32_t>(list.size()), list.data()), tr("Choosing the channels to tare failed"));
  } else {
    for (int32_t c : channels_where(s, &ChannelView::taring)) {
      if (read_channel(d, c).has_tare()) list.push_back(c);
    }
    if (list.empty()) {
      throw CommandError(tr("No channel is switched to tare; name the channels (tare 0-7) or set their state to "
                            "\"measure/tare active\"."));
    }
  }
  s.check(d.CV_DoTara(), tr("Taring failed"));
  // "TAR?" reports the tare readings; sending each tare value back ("TAV") makes the amplifier
  // hold it, whether or not the query already did.
  if (!s.offline()) {
    for (int32_t c : list) {
      s.check(d.CV_SaveChanSettings(c, kCvChanTare), tr("Sending the tare value of channel {} failed", c));
    }
  }
  if (s.json()) {
    JsonWriter j;
    j.begin_object().field("command", "tare").field("offline", s.offline()).key("channels").begin_array();
    for (int32_t c : list) {
      ChannelView v = read_channel(d, c);
      j.begin_object().field("channel", c).field("name", v.name).field("unit", v.unit);
      write_physical_field(j, "tare_value", v.tare);
      j.end_object();
    }
    j.end_array().end_object();
    print_line(j.text());
    return;
  }
  std::ostringstream text;
  text << (list.size() == 1 ? tr("Tared {} channel", list.size()) : tr("Tared {} channels", list.size()))
       << (s.offline() ? tr(" (offline: the tare value is the last measured value)") : "") << ":\n"
       << channel_table(d, list, tr("Tare value"), [](const ChannelView& v) { return v.format(v.tare); });
  print_confirmation(s, text.str());
}

void cmd_read(Session& s, const std::vector<std::string>& words) {
  CommandArgs args = parse_command_args("read", words, {"--count", "--interval", "--channels", "--output"}, {"--csv"});
  if (!args.positional.empty()) {
    throw CommandError(tr("Usage: read [--count N] [--interval T] [--channels LIST] [--csv [--output FILE]]"), kExitUsage);
  }
  const bool logger = args.flags.count("--csv") != 0;
  if (args.has("--output") && !logger) throw CommandError(tr("--output of read goes with --csv."), kExitUsage);
  const bool live = is_terminal(stdout) && !s.json() && !logger;
  // A logger runs until it is stopped unless told otherwise.
  const long long count = integer_option(args, "--count", live || logger ? 0 : 1, 0, 1000000000);
  const double interval = duration_option(args, "--interval", 0.2);
  if (args.has("--channels")) check_channel_list_syntax(args.get("--channels"));
  if (s.checking()) return;
  const Driver& d = s.driver();
  std::vector<int32_t> list;
  if (args.has("--channels")) {
    list = to_vector_checked(s, args.get("--channels"));
    measure_only(s, list);
  } else {
    list = channels_where(s, &ChannelView::measuring);
  }
  if (list.empty()) throw CommandError(tr("No channel is switched to measure; name them with --channels."));
  catch_interrupt();
  const auto start = std::chrono::steady_clock::now();
  if (logger) {
    log_readings(s, list, count, interval, args.has("--output") ? args.get("--output") : "-");
    return;
  }
  size_t lines_drawn = 0;
  for (long long i = 0; count == 0 || i < count; ++i) {
    wait_for_reading(start, interval, i);
    if (interrupted()) break;
    if (!s.offline()) s.check(d.CV_MeasOneVal(), tr("Reading the measured values failed"));
    const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (s.json()) {
      JsonWriter j;
      j.begin_object().field("command", "read").field("reading", i).field("time", iso8601_utc(std::chrono::system_clock::now()));
      j.field("time_s", t).key("channels").begin_array();
      for (int32_t c : list) {
        ChannelView v = read_channel(d, c);
        j.begin_object().field("channel", c).field("name", v.name).field("unit", v.display_unit());
        write_measured_value(j, v, !s.offline());
        j.end_object();
      }
      j.end_array().end_object();
      print_line(j.text());
      continue;
    }
    std::string text = channel_table(d, list, tr("Meas. Value"), [&](const ChannelView& v) {
      return s.offline() ? std::string("OFFLINE") : v.format(v.digital_io() ? static_cast<float>(v.digital) : v.measured);
    });
    if (live) {
      // Back to the first line of the previous table, then overwrite it line by line.
      if (lines_drawn) std::cout << "\x1b[" << lines_drawn << "A";
      std::string out;
      size_t at = 0;
      lines_drawn = 0;
      while (at < text.size()) {
        size_t nl = text.find('\n', at);
        out += text.substr(at, nl - at) + "\x1b[K\n";
        at = nl + 1;
        ++lines_drawn;
      }
      std::cout << out << std::flush;
    } else {
      std::cout << (i ? "\n" : "") << text << std::flush;
    }
    check_stdout();
  }
}

void cmd_shunt_cal(Session& s, const std::vector<std::string>& words) {
  CommandArgs args = parse_command_args("shunt-cal", words, {}, {});
  if (args.positional.size() != 1) throw CommandError(tr("Usage: shunt-cal CHANNELS"), kExitUsage);
  check_channel_list_syntax(args.positional[0]);
  if (s.checking()) return;
  const Driver& d = s.driver();
  if (s.offline()) throw CommandError(tr("A shunt calibration needs a device: offline nothing is measured."));
  std::vector<int32_t> list = to_vector_checked(s, args.positional[0]);
  std::vector<int32_t> calibrated;
  for (int32_t c : list) {
    ChannelView v = read_channel(d, c);
    if (v.amplifier != kShuntAmplifier) {
      std::cerr << tr("Channel {} ({}) has no shunt calibration; skipped.", c, id_text(d, v.amplifier)) << "\n";
      continue;
    }
    if (!v.measuring()) {
      throw CommandError(tr("Channel {} is not switched to measure; the calibration reads it. "
                            "Set its state to \"measure active\" first.",
                            c));
    }
    calibrated.push_back(c);
  }
  if (calibrated.empty()) {
    throw CommandError(tr("None of the channels {} has a calibratable shunt (amplifier {}).", args.positional[0],
                          id_text(d, kShuntAmplifier)));
  }
  s.check(d.CV_ACQShuntCal(static_cast<int32_t>(list.size()), list.data()), tr("The shunt calibration failed"));
  if (s.json()) {
    JsonWriter j;
    j.begin_object().field("command", "shunt-cal").key("channels").begin_array();
    for (int32_t c : calibrated) {
      ChannelView v = read_channel(d, c);
      j.begin_object().field("channel", c).field("name", v.name).field("scale_factor", v.scale).end_object();
    }
    j.end_array().end_object();
    print_line(j.text());
    return;
  }
  print_confirmation(s, tr("Shunt calibration done:\n") + channel_table(d, calibrated, tr("Scale factor"), [](const ChannelView& v) {
                         return format_number(v.scale);
                       }));
}

}  // namespace corvane_cli
