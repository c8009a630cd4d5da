// acquire: a block acquisition at a measuring rate, read block by block with a progress bar,
// written as CSV (a header of channel names and units, one row per scan) and optionally drawn
// as an SVG chart; ends with the minimum, mean and maximum of every channel.
#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <thread>

#include "channel_output.h"
#include "channel_view.h"
#include "commands.h"
#include "data_file.h"
#include "json_writer.h"
#include "messages.h"
#include "plot_decimator.h"
#include "read_pacing.h"
#include "run_metadata.h"
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
constexpr double kDefaultTriggerWaitS = 10.0;

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
  throw CommandError(tr("The option {} takes one of {}, not \"{}\".", option, names, value), kExitUsage);
}

// Scans per second of a measuring rate id, from its text ("600 Hz").
double rate_hz(const Driver& d, int32_t id) {
  std::string t = id_text(d, id);
  size_t sp = t.find(' ');
  auto v = parse_double(t.substr(0, sp));
  return v ? *v : 1.0;
}



// Minimum, mean and maximum of a channel over the usable values; overflow values are counted
// per kind (the driver's five overflow words) and kept out of the figures.
struct Stats {
  double min = 0, max = 0, sum = 0;
  long long count = 0, overflows = 0;
  std::map<std::string, long long> overflow_kinds;  // "+overflow" -> count
  void add(float v) {
    std::string word = overflow_word(v);
    if (!word.empty() || is_overflow(v)) {
      ++overflows;
      ++overflow_kinds[word.empty() ? std::string(N_("invalid")) : word];
      return;
    }
    if (count == 0) min = max = v;
    min = std::min<double>(min, v);
    max = std::max<double>(max, v);
    sum += v;
    ++count;
  }
  double mean() const { return count ? sum / static_cast<double>(count) : 0.0; }
  // "3 +overflow, 1 OVERFLOW"
  std::string overflow_summary() const {
    std::string out;
    for (const auto& [word, k] : overflow_kinds) out += (out.empty() ? "" : ", ") + std::to_string(k) + " " + tr(word);
    return out;
  }
};



// The values of a run for the JSON document, scan by scan in an unnamed temporary file, read
// back channel by channel: memory stays constant however long the run.
class ValueStore {
 public:
  explicit ValueStore(size_t channels) : channels_(channels) {
    if (channels_ == 0) return;
    file_ = std::tmpfile();
    if (file_ == nullptr) throw CommandError(tr("No temporary file for the values can be created."));
  }
  ~ValueStore() {
    if (file_ != nullptr) std::fclose(file_);
  }
  ValueStore(const ValueStore&) = delete;
  ValueStore& operator=(const ValueStore&) = delete;
  bool enabled() const { return file_ != nullptr; }
  void add(const float* values, int32_t scans) {
    if (file_ == nullptr) return;
    const size_t count = static_cast<size_t>(scans) * channels_;
    if (std::fwrite(values, sizeof(float), count, file_) != count) {
      throw CommandError(tr("Writing the values to a temporary file failed."));
    }
  }
  template <typename Each>
  void for_channel(size_t channel, Each each) {
    std::fflush(file_);
    std::rewind(file_);
    std::vector<float> scan(channels_);
    while (std::fread(scan.data(), sizeof(float), channels_, file_) == channels_) each(scan[channel]);
    std::fseek(file_, 0, SEEK_END);
  }

 private:
  size_t channels_;
  std::FILE* file_ = nullptr;
};

// "internal: channel 0 rising through 1 mV/V", "immediate", ...
std::string trigger_text(int32_t mode, int32_t channel, float level, int32_t condition,
                         const std::vector<ChannelView>& views) {
  std::string out;
  for (const auto& m : kTriggerModes) {
    if (m.id == mode) out = m.name;
  }
  if (mode != kTriggerInternal) return out;
  std::string unit;
  for (const auto& v : views) {
    if (v.channel == channel) unit = " " + v.display_unit();
  }
  for (const auto& c : kTriggerConditions) {
    if (c.id == condition) out += ": channel " + std::to_string(channel) + " " + c.name + " " + format_number(level) + unit;
  }
  return out;
}

// The first block of a triggered run: read in short slices so that a signal ends the wait at
// once; kCvDataTimeout when no trigger came within wait_s. On a terminal a line says what is
// awaited.
int32_t wait_for_trigger(const Driver& d, int32_t scans, double wait_s, double hz, float* values) {
  constexpr double kSliceS = 0.5;
  const bool terminal = is_terminal(stderr);
  if (terminal) {
    std::fprintf(stderr, "%s\n", tr("Waiting for the trigger (up to {} s, --wait) ...", format_number(wait_s)).c_str());
  }
  const auto start = std::chrono::steady_clock::now();
  const double block_s = scans / hz;
  for (;;) {
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double left = wait_s + block_s - elapsed;
    if (left <= 0) return kCvDataTimeout;
    // Whole slices: the slice is also the time-out of each poll's reply, which must not shrink.
    const int32_t r = d.CV_ACQRead(scans, static_cast<int32_t>(kSliceS * 1000), values);
    if (r != kCvDataTimeout || interrupted()) return r;
  }
}

}  // namespace

void cmd_acquire(Session& s, const std::vector<std::string>& words) {
  CommandArgs args = parse_command_args(
      "acquire", words,
      {"--rate", "--scans", "--duration", "--channels", "--trigger", "--trigger-channel", "--trigger-level",
       "--trigger-condition", "--pretrigger", "--output", "--plot", "--wait", "--meta"},
      {});
  if (!args.positional.empty()) throw CommandError(tr("The command acquire takes options only (see corvane --help)."), kExitUsage);
  // Everything that needs no device is checked first (also in the check of a whole "+" chain).
  if (args.has("--scans") && args.has("--duration")) throw CommandError(tr("Give either --scans or --duration, not both."), kExitUsage);
  // Without a length the run goes on until Ctrl-C (or SIGTERM, SIGHUP): scans 0.
  long long scans = 0;
  if (args.has("--scans")) scans = integer_option(args, "--scans", 0, 1, 1000000000000LL);
  const double duration_s = duration_option(args, "--duration", 0);
  const double wait_s = duration_option(args, "--wait", kDefaultTriggerWaitS);
  const int32_t mode = args.has("--trigger") ? named(kTriggerModes, args.get("--trigger"), "--trigger") : kTriggerImmediate;
  const int32_t pre = static_cast<int32_t>(integer_option(args, "--pretrigger", 0, 0, 200));
  int32_t trig_channel = 0, condition = 6000;
  float level = 0;
  if (mode == kTriggerInternal) {
    if (!args.has("--trigger-channel") || !args.has("--trigger-level")) {
      throw CommandError(tr("An internal trigger needs --trigger-channel (0 to 7) and --trigger-level."), kExitUsage);
    }
    trig_channel = static_cast<int32_t>(integer_option(args, "--trigger-channel", 0, 0, 7));
    level = static_cast<float>(number_option(args, "--trigger-level", 0));
    if (args.has("--trigger-condition")) condition = named(kTriggerConditions, args.get("--trigger-condition"), "--trigger-condition");
  }
  if (scans != 0 && pre > scans) throw CommandError(tr("The pre-trigger ({} scans) is longer than the acquisition.", pre), kExitUsage);
  if (args.has("--channels")) check_channel_list_syntax(args.get("--channels"));
  if (s.checking()) return;

  const Driver& d = s.driver();
  if (s.offline()) throw CommandError(tr("An acquisition needs a device: offline there are no measured values."));

  // Rate.
  int32_t rate_id = -1;
  if (args.has("--rate")) {
    int32_t list[kListCapacity] = {};
    d.CV_GetPsbleDevSettings(0, kCvDevRate, list);
    std::vector<int32_t> rates = zero_terminated(list, kListCapacity);
    rate_id = match_id(d, rates, args.get("--rate"));
    if (rate_id == 0) {
      throw CommandError(tr("\"{}\" is not a measuring rate; possible are: {}.", args.get("--rate"), list_texts(d, rates)), kExitUsage);
    }
  }
  int32_t current_rate = 0;
  d.CV_GetDevSettings(kCvDevRate, &current_rate);
  const double hz = rate_hz(d, rate_id == -1 ? current_rate : rate_id);
  if (args.has("--duration")) {
    scans = std::llround(duration_s * hz);
    if (scans < 1) throw CommandError(tr("The acquisition needs at least one scan: --duration {} is shorter than one scan at {} Hz.", args.get("--duration"), format_number(hz)), kExitUsage);
    if (pre > scans) throw CommandError(tr("The pre-trigger ({} scans) is longer than the acquisition.", pre), kExitUsage);
  }

  // Channels.
  std::vector<int32_t> channels;
  if (args.has("--channels")) {
    channels = parse_channel_list(args.get("--channels"), s.channel_count());
    measure_only(s, channels);
  }
  // The device sends every channel in measure state, in ascending order.
  channels.clear();
  for (int32_t c = 0; c < s.channel_count(); ++c) {
    if (read_channel(d, c).measuring()) channels.push_back(c);
  }
  if (channels.empty()) throw CommandError(tr("No channel is switched to measure; name them with --channels."));
  std::vector<ChannelView> views;
  for (int32_t c : channels) views.push_back(read_channel(d, c));
  const size_t n = channels.size();

  // Outputs are set up before measuring: a file that cannot be created fails first. Nothing
  // replaces an existing file before there are data (see DataFile).
  const bool to_file = args.has("--output") && args.get("--output") != "-";
  std::unique_ptr<DataFile> csv;
  if (args.has("--output") || !s.json()) {
    csv = std::make_unique<DataFile>(args.has("--output") ? args.get("--output") : "-", N_("CSV file"));
  }
  std::unique_ptr<DataFile> svg;
  if (args.has("--plot")) svg = std::make_unique<DataFile>(args.get("--plot"), N_("plot file"));
  std::unique_ptr<DataFile> meta_file;
  if (args.has("--meta")) meta_file = std::make_unique<DataFile>(args.get("--meta"), N_("metadata file"));

  // With --json and no CSV the values go into the JSON document: they wait in an unnamed
  // temporary file, not in memory.
  ValueStore store(s.json() && !csv ? n : 0);

  const bool until_stopped = scans == 0;
  const int32_t start_scans = !until_stopped && scans <= kMaxStartScans ? static_cast<int32_t>(scans) : 0;
  catch_interrupt();
  const auto start_time = std::chrono::system_clock::now();
  const auto started = std::chrono::steady_clock::now();
  s.check(d.CV_ACQStart(start_scans, rate_id, mode, trig_channel, level, condition, pre), tr("Starting the acquisition failed"));
  if (rate_id != -1 && rate_id != current_rate) {
    print_confirmation(s, tr("The measuring rate is now {}; it stays set in the amplifier.", id_text(d, rate_id)));
  }
  // The metadata after the start, which stored the rate.
  std::vector<MetaField> meta = run_metadata(s, views);
  meta.push_back({"trigger", trigger_text(mode, trig_channel, level, condition, views) +
                                 (pre ? ", " + std::to_string(pre) + " scans before it" : std::string())});
  meta.push_back({"start time", iso8601_utc(start_time)});
  if (mode == kTriggerSoftware) s.check(d.CV_Trigger(), tr("Sending the trigger failed"));

  // The CSV header follows the first block, which tells the trigger time.
  std::string header = "time [s]";
  for (const auto& v : views) header += "," + csv_field(csv_label(v));
  header += "\n";
  // Decimals that keep the time of every scan within half a microsecond or better.
  const int time_decimals = std::clamp(static_cast<int>(std::ceil(std::log10(hz))) + 3, 4, 7);
  auto time_of = [&](long long i) { return static_cast<double>(i - pre) / hz; };

  ProgressBar bar(is_terminal(stderr) && !until_stopped);
  const int32_t block = static_cast<int32_t>(std::clamp<double>(std::floor(hz / 10), 1, kMaxBlockScans));
  std::vector<float> values(static_cast<size_t>(block) * n);
  std::vector<Stats> stats(n);
  PlotDecimator plot_points(svg ? n : 0);
  long long done = 0;
  ReadPacing pacing(hz, block, pre, mode != kTriggerImmediate, started);
  int32_t failure = 0;
  std::optional<CommandError> write_error;
  while (until_stopped || done < scans) {
    if (interrupted()) break;
    const int32_t want = static_cast<int32_t>(until_stopped ? block : std::min<long long>(block, scans - done));
    int32_t r = 0;
    if (done > 0) std::this_thread::sleep_for(pacing.wait_before(done, want, std::chrono::steady_clock::now()));
    const auto asked = std::chrono::steady_clock::now();
    if (done == 0 && mode != kTriggerImmediate) {
      r = wait_for_trigger(d, want, wait_s, hz, values.data());
    } else {
      // The block's own duration and a margin for the line: a block asked for at once may still
      // be in the making.
      r = d.CV_ACQRead(want, static_cast<int32_t>((2.0 + want / hz) * 1000), values.data());
    }
    const auto came = std::chrono::steady_clock::now();
    if (r != 0) {
      failure = r;
      break;
    }
    std::string rows;
    if (done == 0) {
      // The trigger scan is row `pre`: it came (want - pre) scans before this block was complete.
      const auto trigger_time =
          mode == kTriggerImmediate ? start_time
                                    : std::chrono::system_clock::now() -
                                          std::chrono::duration_cast<std::chrono::system_clock::duration>(
                                              std::chrono::duration<double>((want - pre) / hz));
      meta.push_back({"trigger time", iso8601_utc(trigger_time)});
      rows = csv_comment_header(meta) + header;
    }
    for (int32_t i = 0; i < want; ++i) {
      const float* scan = values.data() + static_cast<size_t>(i) * n;
      rows += format_fixed(time_of(done + i), time_decimals);
      for (size_t k = 0; k < n; ++k) {
        stats[k].add(scan[k]);
        rows += "," + csv_value(views[k], scan[k]);
      }
      rows += "\n";
      if (svg) plot_points.add(done + i, scan);
    }
    store.add(values.data(), want);
    done += want;
    pacing.arrived(done, want, asked, came);
    try {
      if (csv) {
        csv->write(rows);
        csv->flush();
      }
    } catch (const CommandError& e) {
      write_error = e;
      break;
    }
    bar.update(done, scans, tr("scans"));
  }
  bar.finish();
  const int32_t stop_status = d.CV_ACQStop();
  const bool kept = done > 0;

  // Files: what was measured is kept whatever ended the run.
  std::optional<CommandError> file_error;
  try {
    if (csv) csv->finish(kept);
  } catch (const CommandError& e) {
    file_error = e;
  }
  try {
    if (svg && kept) {
      PlotData plot;
      plot.title = tr("Corvane acquisition: {} channels, {} Hz, {} scans", n, format_number(hz), done);
      std::vector<std::vector<double>> series_values;
      plot_points.points(time_of, &plot.time_s, &series_values);
      if (mode != kTriggerImmediate) plot.trigger_time_s = 0.0;
      for (size_t k = 0; k < n; ++k) {
        PlotSeries series;
        series.label = std::to_string(views[k].channel) + ": " + csv_label(views[k]);
        series.unit = views[k].display_unit();
        series.values = std::move(series_values[k]);
        plot.series.push_back(std::move(series));
      }
      svg->write(render_svg(plot));
    }
    if (svg) svg->finish(kept);
    if (meta_file && kept) {
      JsonWriter j;
      j.begin_object();
      write_meta_fields(j, meta);
      j.field("scans", done).field("pretrigger", pre).field("rate_hz", hz);
      if (to_file) j.field("csv", args.get("--output"));
      j.end_object();
      meta_file->write(j.text() + "\n");
    }
    if (meta_file) meta_file->finish(kept);
  } catch (const CommandError& e) {
    if (!file_error) file_error = e;
  }

  // Summary.
  if (kept && s.json()) {
    JsonWriter j;
    j.begin_object().field("command", "acquire").field("rate_hz", hz).field("scans", done).field("pretrigger", pre);
    j.key("meta").begin_object();
    write_meta_fields(j, meta);
    j.end_object();
    if (to_file) j.field("csv", args.get("--output"));
    if (svg) j.field("plot", args.get("--plot"));
    j.key("channels").begin_array();
    for (size_t k = 0; k < n; ++k) {
      j.begin_object().field("channel", views[k].channel).field("name", views[k].name).field("unit", views[k].display_unit());
      if (stats[k].count) j.field("min", stats[k].min).field("mean", stats[k].mean()).field("max", stats[k].max);
      j.field("overflows", stats[k].overflows);
      if (stats[k].overflows) {
        j.key("overflow_kinds").begin_object();
        for (const auto& [word, count] : stats[k].overflow_kinds) j.field(word, count);
        j.end_object();
      }
      if (store.enabled()) {
        // Overflow values are null here; their kinds are counted above.
        j.key("values").begin_array();
        store.for_channel(k, [&](float v) {
          if (overflow_word(v).empty() && std::isfinite(v)) j.value(v); else j.null();
        });
        j.end_array();
      }
      j.end_object();
    }
    j.end_array().end_object();
    print_line(j.text());
  } else if (kept && !s.options().quiet) {
    TextTable t;
    using A = TextTable::Align;
    t.add_column(tr("Chan."), A::kRight);
    t.add_column(tr("Name"), A::kLeft);
    t.add_column(tr("Min"), A::kRight);
    t.add_column(tr("Mean"), A::kRight);
    t.add_column(tr("Max"), A::kRight);
    t.add_column(tr("Unit"), A::kLeft);
    for (size_t k = 0; k < n; ++k) {
      const ChannelView& v = views[k];
      const int dec = v.digital_io() ? 0 : v.decimals();
      auto cell = [&](double x) { return stats[k].count ? format_fixed(x, dec) : std::string("-"); };
      std::string unit = v.display_unit();
      if (stats[k].overflows) unit += " (" + stats[k].overflow_summary() + ")";
      t.add_row({std::to_string(v.channel), v.name, cell(stats[k].min), cell(stats[k].mean()), cell(stats[k].max), unit});
    }
    std::string where = to_file ? tr(" into {}", args.get("--output")) : std::string();
    if (svg) where += to_file ? tr(" and {}", args.get("--plot")) : tr(" into {}", args.get("--plot"));
    const std::string seconds = format_fixed(static_cast<double>(done) / hz, 2);
    std::cerr << (n == 1 ? tr("Acquired {} scans of {} channel at {} Hz ({} s){}:\n", done, n, format_number(hz), seconds, where)
                         : tr("Acquired {} scans of {} channels at {} Hz ({} s){}:\n", done, n, format_number(hz), seconds, where))
              << t.render() << std::flush;
  }

  // How the run ended; the first cause is the one reported.
  std::string keeping = !kept ? tr("; nothing was measured")
                        : to_file ? tr("; the {} scans measured are kept in {}", done, args.get("--output"))
                                  : std::string();
  if (interrupted()) {
    throw CommandError(tr("Interrupted by {} after {} scans{}; the acquisition was stopped.", interrupt_name(), done, keeping),
                       interrupt_status());
  }
  if (failure == kCvDataTimeout && done == 0 && mode != kTriggerImmediate) {
    throw CommandError(to_file ? tr("No trigger came within {} s (--wait); the acquisition was stopped and {} was left as it was.",
                                    format_number(wait_s), args.get("--output"))
                               : tr("No trigger came within {} s (--wait); the acquisition was stopped.", format_number(wait_s)));
  }
  if (failure != 0) {
    throw CommandError(tr("Reading the acquisition failed after {} scans: {}{}.", done, s.describe(failure), keeping));
  }
  if (write_error) throw CommandError(tr("{} The acquisition was stopped after {} scans.", write_error->what(), done));
  if (file_error) throw *file_error;
  s.check(stop_status, tr("Stopping the acquisition failed after {} scans (they are kept)", done));
}

}  // namespace corvane_cli
