// acquire: a block acquisition at a measuring rate, read block by block with a progress bar,
// written as CSV (a header of channel names and units, one row per scan) and optionally drawn
// as an SVG chart; ends with the minimum, mean and maximum of every channel.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <iostream>

#include "channel_view.h"
#include "commands.h"
#include "json_writer.h"
#include "settings_names.h"
#include "svg_plot.h"
#include "terminal.h"
#include "text_codec.h"
#include "text_table.h"

namespace corvane_cli {
namespace {

constexpr size_t kListCapacity = 64;
constexpr int32_t kMaxStartScans = 20000;  // larger counts run open-ended and are stopped
constexpr int32_t kMaxBlockScans = 3000;   // one read moves at most this many scans
constexpr int32_t kTriggerImmediate = 6100, kTriggerSoftware = 6101, kTriggerExternal = 6102, kTriggerInternal = 6103;
constexpr int32_t kInterruptedStatus = 130;
constexpr double kOverflowLimit = 1e36;

struct NamedId {
  const char* name;
  int32_t id;
};
const NamedId kTriggerModes[] = {{"immediate", kTriggerImmediate}, {"software", kTriggerSoftware},
                                 {"external", kTriggerExternal}, {"internal", kTriggerInternal}};
const NamedId kTriggerConditions[] = {{"ge", 6000}, {"le", 6001}, {"rising", 6002}, {"falling", 6003}};

template <size_t N>
int32_t named(const NamedId (&table)[N], const std::string& value, const char* option) {
  for (const auto& e : table) {
    if (fold(value) == e.name) return e.id;
  }
  std::string names;
  for (const auto& e : table) names += (names.empty() ? "" : ", ") + std::string(e.name);
  throw CommandError("The option " + std::string(option) + " takes one of " + names + ", not \"" + value + "\".", kExitUsage);
}

// Scans per second of a measuring rate id, from its text ("600 Hz").
double rate_hz(const Driver& d, int32_t id) {
  std::string t = id_text(d, id);
  size_t sp = t.find(' ');
  auto v = parse_double(t.substr(0, sp));
  return v ? *v : 1.0;
}

std::string csv_field(const std::string& text) {
  if (text.find_first_of(",\"\n") == std::string::npos) return text;
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

struct Stats {
  double min = 0, max = 0, sum = 0;
  long long count = 0, overflows = 0;
  void add(float v) {
    if (!std::isfinite(v) || std::fabs(v) >= kOverflowLimit) {
      ++overflows;
      return;
    }
    if (count == 0) min = max = v;
    min = std::min<double>(min, v);
    max = std::max<double>(max, v);
    sum += v;
    ++count;
  }
  double mean() const { return count ? sum / static_cast<double>(count) : 0.0; }
};

std::string label(const ChannelView& v) {
  std::string u = v.display_unit();
  return v.name + (u.empty() ? "" : " [" + u + "]");
}

}  // namespace

void cmd_acquire(Session& s, const std::vector<std::string>& words) {
  CommandArgs args = parse_command_args(
      "acquire", words,
      {"--rate", "--scans", "--duration", "--channels", "--trigger", "--trigger-channel", "--trigger-level",
       "--trigger-condition", "--pretrigger", "--output", "--plot", "--wait"},
      {});
  if (!args.positional.empty()) throw CommandError("The command acquire takes options only (see corvane --help).", kExitUsage);
  const Driver& d = s.driver();
  if (s.offline()) throw CommandError("An acquisition needs a device: offline there are no measured values.");

  // Rate.
  int32_t rate_id = -1;
  if (args.has("--rate")) {
    int32_t list[kListCapacity] = {};
    d.CV_GetPsbleDevSettings(0, kCvDevRate, list);
    std::vector<int32_t> rates = zero_terminated(list, kListCapacity);
    rate_id = match_id(d, rates, args.get("--rate"));
    if (rate_id == 0) {
      throw CommandError("\"" + args.get("--rate") + "\" is not a measuring rate; possible are: " + list_texts(d, rates) + ".", kExitUsage);
    }
  }
  int32_t current_rate = 0;
  d.CV_GetDevSettings(kCvDevRate, &current_rate);
  const double hz = rate_hz(d, rate_id == -1 ? current_rate : rate_id);

  // Length.
  if (args.has("--scans") && args.has("--duration")) throw CommandError("Give either --scans or --duration, not both.", kExitUsage);
  long long scans = args.has("--scans") ? integer_option(args, "--scans", 0, 1, 100000000)
                                        : std::llround(number_option(args, "--duration", 1.0) * hz);
  if (scans < 1) throw CommandError("The acquisition needs at least one scan.", kExitUsage);

  // Trigger.
  const int32_t mode = args.has("--trigger") ? named(kTriggerModes, args.get("--trigger"), "--trigger") : kTriggerImmediate;
  const int32_t pre = static_cast<int32_t>(integer_option(args, "--pretrigger", 0, 0, 200));
  int32_t trig_channel = 0, condition = 6000;
  float level = 0;
  if (mode == kTriggerInternal) {
    if (!args.has("--trigger-channel") || !args.has("--trigger-level")) {
      throw CommandError("An internal trigger needs --trigger-channel (0 to 7) and --trigger-level.", kExitUsage);
    }
    trig_channel = static_cast<int32_t>(integer_option(args, "--trigger-channel", 0, 0, 7));
    level = static_cast<float>(number_option(args, "--trigger-level", 0));
    if (args.has("--trigger-condition")) condition = named(kTriggerConditions, args.get("--trigger-condition"), "--trigger-condition");
  }
  if (pre > scans) throw CommandError("The pre-trigger (" + std::to_string(pre) + " scans) is longer than the acquisition.", kExitUsage);

  // Channels.
  std::vector<int32_t> channels;
  if (args.has("--channels")) {
    channels = parse_channel_list(args.get("--channels"), s.channel_count());
    s.check(d.CV_ACQSetup(static_cast<int32_t>(channels.size()), channels.data()), "Switching the channels to measure failed");
  }
  // The device sends every channel in measure state, in ascending order.
  channels.clear();
  for (int32_t c = 0; c < s.channel_count(); ++c) {
    if (read_channel(d, c).measuring()) channels.push_back(c);
  }
  if (channels.empty()) throw CommandError("No channel is switched to measure; name them with --channels.");
  std::vector<ChannelView> views;
  for (int32_t c : channels) views.push_back(read_channel(d, c));
  const size_t n = channels.size();

  // Open the output first: a file that cannot be written should fail before measuring.
  std::ofstream file;
  const bool to_file = args.has("--output");
  if (to_file) {
    file.open(args.get("--output"), std::ios::binary | std::ios::trunc);
    if (!file) throw CommandError("The CSV file " + args.get("--output") + " cannot be created.");
  }
  if (args.has("--plot")) {
    std::ofstream probe(args.get("--plot"), std::ios::binary | std::ios::trunc);
    if (!probe) throw CommandError("The plot file " + args.get("--plot") + " cannot be created.");
  }

  const double wait_s = number_option(args, "--wait", 10.0);
  const int32_t start_scans = scans <= kMaxStartScans ? static_cast<int32_t>(scans) : 0;
  s.check(d.CV_ACQStart(start_scans, rate_id, mode, trig_channel, level, condition, pre), "Starting the acquisition failed");
  if (mode == kTriggerSoftware) s.check(d.CV_Trigger(), "Sending the trigger failed");

  catch_interrupt();
  ProgressBar bar(is_terminal(stderr));
  std::vector<float> values(static_cast<size_t>(scans) * n);
  const int32_t block = static_cast<int32_t>(std::clamp<double>(std::floor(hz / 10), 1, kMaxBlockScans));
  long long done = 0;
  bool stopped_early = false;
  while (done < scans) {
    if (interrupted()) {
      stopped_early = true;
      break;
    }
    const int32_t want = static_cast<int32_t>(std::min<long long>(block, scans - done));
    // The first block may wait for the trigger; later ones for their own duration.
    const double allowance = (done == 0 ? wait_s : 2.0) + want / hz;
    int32_t r = d.CV_ACQRead(want, static_cast<int32_t>(allowance * 1000), values.data() + done * static_cast<long long>(n));
    if (r != 0) {
      d.CV_ACQStop();
      bar.finish();
      if (r == kCvDataTimeout && done == 0 && mode != kTriggerImmediate) {
        throw CommandError("No trigger came within " + format_number(wait_s) + " s (--wait); the acquisition was stopped.");
      }
      s.check(r, "Reading the acquisition failed after " + std::to_string(done) + " scans");
    }
    done += want;
    bar.update(done, scans, "scans");
  }
  bar.finish();
  s.check(d.CV_ACQStop(), "Stopping the acquisition failed");

  // CSV.
  std::string csv = "time [s]";
  for (const auto& v : views) csv += "," + csv_field(label(v));
  csv += "\n";
  // Decimals that keep the time of every scan within half a microsecond or better.
  const int time_decimals = std::clamp(static_cast<int>(std::ceil(std::log10(hz))) + 3, 4, 7);
  std::vector<Stats> stats(n);
  std::vector<double> time(static_cast<size_t>(done));
  for (long long i = 0; i < done; ++i) {
    time[static_cast<size_t>(i)] = static_cast<double>(i - pre) / hz;
    csv += format_fixed(time[static_cast<size_t>(i)], time_decimals);
    for (size_t k = 0; k < n; ++k) {
      float v = values[static_cast<size_t>(i) * n + k];
      stats[k].add(v);
      csv += "," + csv_value(views[k], v);
    }
    csv += "\n";
  }
  if (to_file) {
    file << csv;
    file.close();
    if (!file) throw CommandError("Writing the CSV file " + args.get("--output") + " failed.");
  } else if (!s.json()) {
    std::cout << csv << std::flush;
  }

  // Plot.
  if (args.has("--plot")) {
    PlotData plot;
    plot.title = "Corvane acquisition: " + std::to_string(n) + " channels, " + format_number(hz) + " Hz, " +
                 std::to_string(done) + " scans";
    plot.time_s = time;
    for (size_t k = 0; k < n; ++k) {
      PlotSeries series;
      series.label = std::to_string(views[k].channel) + ": " + label(views[k]);
      series.unit = views[k].display_unit();
      for (long long i = 0; i < done; ++i) series.values.push_back(values[static_cast<size_t>(i) * n + k]);
      plot.series.push_back(std::move(series));
    }
    std::ofstream svg(args.get("--plot"), std::ios::binary | std::ios::trunc);
    svg << render_svg(plot);
    svg.close();
    if (!svg) throw CommandError("Writing the plot file " + args.get("--plot") + " failed.");
  }

  // Summary.
  if (s.json()) {
    JsonWriter j;
    j.begin_object().field("command", "acquire").field("rate_hz", hz).field("scans", done).field("pretrigger", pre);
    if (to_file) j.field("csv", args.get("--output"));
    if (args.has("--plot")) j.field("plot", args.get("--plot"));
    j.key("channels").begin_array();
    for (size_t k = 0; k < n; ++k) {
      j.begin_object().field("channel", views[k].channel).field("name", views[k].name).field("unit", views[k].display_unit());
      if (stats[k].count) j.field("min", stats[k].min).field("mean", stats[k].mean()).field("max", stats[k].max);
      j.field("overflows", stats[k].overflows);
      if (!to_file) {
        j.key("values").begin_array();
        for (long long i = 0; i < done; ++i) j.value(values[static_cast<size_t>(i) * n + k]);
        j.end_array();
      }
      j.end_object();
    }
    j.end_array().end_object();
    print_line(j.text());
  } else if (to_file) {
    TextTable t;
    using A = TextTable::Align;
    t.add_column("Chan.", A::kRight);
    t.add_column("Name", A::kLeft);
    t.add_column("Min", A::kRight);
    t.add_column("Mean", A::kRight);
    t.add_column("Max", A::kRight);
    t.add_column("Unit", A::kLeft);
    for (size_t k = 0; k < n; ++k) {
      const ChannelView& v = views[k];
      const int dec = v.digital_io() ? 0 : v.decimals();
      auto cell = [&](double x) { return stats[k].count ? format_fixed(x, dec) : std::string("-"); };
      std::string unit = v.display_unit();
      if (stats[k].overflows) unit += " (" + std::to_string(stats[k].overflows) + " overflow)";
      t.add_row({std::to_string(v.channel), v.name, cell(stats[k].min), cell(stats[k].mean()), cell(stats[k].max), unit});
    }
    std::cout << "Acquired " << done << " scans of " << n << (n == 1 ? " channel" : " channels") << " at " << format_number(hz) << " Hz ("
              << format_fixed(static_cast<double>(done) / hz, 2) << " s) into " << args.get("--output")
              << (args.has("--plot") ? " and " + args.get("--plot") : "") << ":\n"
              << t.render() << std::flush;
  }
  if (stopped_early) {
    throw CommandError("Interrupted after " + std::to_string(done) + " scans; the files hold what was measured.",
                       kInterruptedStatus);
  }
}

}  // namespace corvane_cli
