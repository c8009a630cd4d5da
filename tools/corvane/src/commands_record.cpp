// record: a recording on the acquisition kernel, from one or several lines, for seconds or for
// hours: the kernel reads every block, scales it, computes the formula channels and stores it in
// the channel database; the tool paces the reads, shows the values live and stops cleanly on
// the duration, on Ctrl-C, SIGTERM or SIGHUP (exit status 0), or when the database is full.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iostream>
#include <memory>
#include <optional>
#include <thread>

#include "channel_db.h"
#include "channel_view.h"
#include "commands.h"
#include "formula_text.h"
#include "json_writer.h"
#include "kernel_recording.h"
#include "messages.h"
#include "run_metadata.h"
#include "tallix32.h"
#include "terminal.h"
#include "text_codec.h"
#include "text_table.h"

namespace corvane_cli {
namespace {

using Clock = std::chrono::steady_clock;

constexpr double kMaxRateHz = 9600.0;      // the Corvane's fastest measuring rate
constexpr double kMaxYalplusRateHz = 19200.0;  // a YALPLUS rack's fastest FIFO rate
constexpr double kDefaultMaxHours = 24.0;  // database room without --duration or --max-duration
constexpr double kFreeSpaceShare = 0.9;    // of the free disk space a database may take by default
constexpr int64_t kMaxValues = 2000000000; // values per database channel
constexpr double kBlocksPerSecond = 10.0;  // reads per second (a block is a tenth of a second)
constexpr double kLiveIntervalS = 0.2;     // redraw of the live lines on a terminal
constexpr double kLineIntervalS = 1.0;     // plain and JSON progress lines
constexpr int16_t kStoreDatabase = 1, kStoreOnline = 2;
constexpr size_t kMaxOnlineName = 255;  // the kernel keeps at most 255 characters of the name

// "600", "600Hz", "600 Hz": a rate in Hz up to the family's fastest; throws CommandError (usage).
float parse_rate(const std::string& text, bool yalplus) {
  std::string t = text;
  while (!t.empty() && t.back() == ' ') t.pop_back();
  if (t.size() > 2 && (t.compare(t.size() - 2, 2, "Hz") == 0 || t.compare(t.size() - 2, 2, "hz") == 0)) {
    t.resize(t.size() - 2);
    while (!t.empty() && t.back() == ' ') t.pop_back();
  }
  auto v = parse_double(t);
  if (!v || !(*v >= 1.0) || *v > (yalplus ? kMaxYalplusRateHz : kMaxRateHz)) {
    throw CommandError(
        yalplus ? tr("--rate takes a measuring rate from 1 to 19200 Hz (\"600 Hz\" or 600) on a YALPLUS, not \"{}\".", text)
                : tr("--rate takes a measuring rate from 1 to 9600 Hz (\"600 Hz\" or 600), not \"{}\".", text),
        kExitUsage);
  }
  return static_cast<float>(*v);
}

// "1:02:03" for a number of seconds (hours as many as needed).
std::string clock_text(double seconds) {
  const auto s = static_cast<long long>(std::floor(seconds));
  char buf[64];
  std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  return buf;
}

// Decimals of a channel's values: the resolution of its range (its full-scale count), 2 for degrees.
int decimals_of(const RecordedChannel& c) {
  if (c.temperature) return 2;
  if (c.tool < 0 || !(c.range > 0) || c.full_scale <= 0) return 4;
  return std::clamp(static_cast<int>(std::ceil(-std::log10(c.range / c.full_scale))), 0, 6);
}

struct Extremes {
  double min = 0, max = 0, last = NAN;
  long long count = 0;
  void add(const double* v, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
      if (!std::isfinite(v[i])) continue;
      if (count == 0) min = max = v[i];
      min = std::min(min, v[i]);
      max = std::max(max, v[i]);
      ++count;
    }
    if (n > 0) last = v[n - 1];
  }
};

// The live view: on a terminal two lines redrawn in place (values; progress and throughput), else
// a plain line, or a JSON document, every second.
class LiveView {
 public:
  LiveView(const Session& s, const std::vector<RecordedChannel>& channels)
      : s_(s), channels_(channels), terminal_(is_terminal(stdout) && !s.json()) {}

  void update(long long scans, long long target, double rate, double elapsed_s, const std::vector<Extremes>& x,
              bool final) {
    const double interval = terminal_ ? kLiveIntervalS : kLineIntervalS;
    if (!final && elapsed_s < next_s_) return;
    next_s_ = elapsed_s + interval;
    const double throughput = elapsed_s > 0 ? static_cast<double>(scans) / elapsed_s : 0.0;
    if (s_.json()) {
      JsonWriter j;
      j.begin_object().field("command", "record").field("event", final ? "end" : "progress");
      j.field("scans", scans).field("seconds", static_cast<double>(scans) / rate).field("scans_per_s", throughput);
      j.key("values").begin_object();
      for (size_t i = 0; i < channels_.size(); ++i) j.field(channels_[i].name, x[i].last);
      j.end_object().end_object();
      if (!final) print_line(j.text());
      return;
    }
    std::string values;
    for (size_t i = 0; i < channels_.size(); ++i) {
      const RecordedChannel& c = channels_[i];
      values += (i ? "  " : "") + c.name + " " + format_fixed(x[i].last, decimals_of(c)) +
                (c.unit.empty() ? "" : " " + c.unit);
    }
    std::string progress = clock_text(static_cast<double>(scans) / rate);
    if (target > 0) progress += " / " + clock_text(static_cast<double>(target) / rate);
    progress += tr("  {} scans  {} scans/s  {} values/s", scans, format_fixed(throughput, 0),
                   format_fixed(throughput * static_cast<double>(channels_.size()), 0));
    if (terminal_) {
      std::cout << (drawn_ ? "\x1b[1A\r" : "") << "\x1b[K" << values << "\n\x1b[K" << progress << std::flush;
      drawn_ = true;
      if (final) std::cout << "\n" << std::flush;
    } else if (!final || printed_scans_ != scans) {
      print_line(progress + "  " + values);
    }
    printed_scans_ = scans;
  }

 private:
  const Session& s_;
  const std::vector<RecordedChannel>& channels_;
  bool terminal_;
  bool drawn_ = false;
  double next_s_ = 0;
  long long printed_scans_ = -1;
};

// The online file of a recording: the kernel writes every block into it (per channel a 32-bit
// count and that many doubles, little-endian); the tool writes its first line, a text that names
// the channels, through the kernel's header callback.
class OnlineFile {
 public:
  OnlineFile(const std::string& path, const std::string& header) {
    header_text() = header;
    QBX_ACQSetOLStorageMode(kAcqOnlineSingleFile);
    QBX_ACQSetOnlineFile(0, 0, path.c_str(), 0, 0, 0, write_header);
  }
  ~OnlineFile() { close(); }
  OnlineFile(const OnlineFile&) = delete;
  OnlineFile& operator=(const OnlineFile&) = delete;
  void close() {
    if (closed_) return;
    closed_ = true;
    QBX_ACQCloseOnlineFile(0);
    QBX_ACQSetOnlineFile(0, 0, nullptr, 1, 0, 0, nullptr);  // no online file for a later run
  }

 private:
  static std::string& header_text() {
    static std::string text;
    return text;
  }
  // A failed header write shows at the first block's write, which then fails too (-304).
  static void write_header(int32_t, int32_t file, int32_t) {
    const std::string& t = header_text();
    size_t done = 0;
    while (done < t.size()) {
      const ssize_t n = ::write(file, t.data() + done, t.size() - done);
      if (n <= 0) return;
      done += static_cast<size_t>(n);
    }
  }
  bool closed_ = false;
};

// Refuses a file name the kernel cannot take (online files: 1 to 255 characters), a folder that
// does not exist, and an existing file (it would be replaced) unless replace. `what`: "database",
// "online file".
void check_output_name(const std::string& path, const std::string& what, bool replace) {
  if (path.empty() || (what == "online file" && path.size() > kMaxOnlineName)) {
    throw CommandError(path.empty() ? tr("The {} needs a file name.", tr(what))
                                    : tr("The {} needs a file name of at most 255 characters.", tr(what)),
                       kExitUsage);
  }
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, std::max<size_t>(slash, 1));
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    throw CommandError(tr("The folder {} of the {} does not exist.", folder, tr(what)), kExitUsage);
  }
  if (!replace && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    throw CommandError(tr("The {} {} exists already; give another name or --force to replace it.", tr(what), path),
                       kExitUsage);
  }
}

}  // namespace

void cmd_record(Session& s, const std::vector<std::string>& words) {
  CommandArgs args = parse_command_args(
      "record", words, {"--channels", "--rate", "--duration", "--max-duration", "--formula", "--db", "--online"},
      {"--force"});
  if (!args.positional.empty()) throw CommandError(tr("The command record takes options only (see corvane record --help)."), kExitUsage);
  if (!args.has("--channels")) throw CommandError(tr("record needs --channels LIST (such as 0-3)."), kExitUsage);
  if (!args.has("--rate")) throw CommandError(tr("record needs --rate R (such as \"600 Hz\")."), kExitUsage);
  check_channel_list_syntax(args.get("--channels"));
  // One family per recording: Corvanes and racks quantise a rate differently.
  const bool yalplus = s.options().port.family == PortChoice::Family::kYalplus;
  for (const PortChoice& p : s.options().extra_ports) {
    if ((p.family == PortChoice::Family::kYalplus) != yalplus) {
      throw CommandError(tr("A recording takes its lines from one family: Corvanes or YALPLUS racks, not both."), kExitUsage);
    }
  }
  const float requested_rate = parse_rate(args.get("--rate"), yalplus);
  const double duration_s = duration_option(args, "--duration", 0);
  if (args.has("--duration") && !(duration_s > 0)) throw CommandError(tr("--duration must be longer than 0."), kExitUsage);
  const double max_duration_s = duration_option(args, "--max-duration", 0);
  if (args.has("--duration") && args.has("--max-duration")) {
    throw CommandError(tr("Give either --duration or --max-duration, not both."), kExitUsage);
  }
  std::vector<FormulaOption> formulas;
  for (const std::string& f : args.all("--formula")) formulas.push_back(parse_formula_option(f));
  const bool to_db = args.has("--db");
  const bool online = args.has("--online");
  const bool replace = args.flags.count("--force") != 0;
  if (to_db) check_output_name(args.get("--db"), N_("database"), replace);
  if (online) check_output_name(args.get("--online"), N_("online file"), replace);
  if (to_db && online && args.get("--db") == args.get("--online")) {
    throw CommandError(tr("The database and the online file must be two files."), kExitUsage);
  }
  if (s.checking()) return;

  if (s.offline()) throw CommandError(tr("A recording needs a device: offline there are no measured values."));
  const std::vector<LineChain> chains = query_chains(s);
  const int32_t total = chains.back().first_channel + static_cast<int32_t>(chains.back().amplifiers.size());
  const std::vector<int32_t> channels = parse_channel_list(args.get("--channels"), total);
  std::vector<std::string> names;
  for (int32_t c : channels) {
    // Names set in this run (set, load) belong to the first line's Corvane chain.
    names.push_back(!yalplus && c < chains.front().first_channel + static_cast<int32_t>(chains.front().amplifiers.size())
                        ? read_channel(s.driver(), c).name
                        : tr("Channel{}", c));
  }
  // Every channel of the database and of the JSON lines is known by its name: no two alike.
  std::vector<std::string> all_names = names;
  for (const FormulaOption& f : formulas) all_names.push_back(f.name);
  for (size_t i = 0; i < all_names.size(); ++i) {
    for (size_t k = 0; k < i; ++k) {
      if (all_names[i] == all_names[k]) {
        throw CommandError(tr("Two recorded channels are named \"{}\"; give the formula another name.", all_names[i]),
                           kExitUsage);
      }
    }
  }
  const auto block_capacity = static_cast<int32_t>(
      std::clamp<double>(std::round(requested_rate / kBlocksPerSecond), 1, KernelRecording::kMaxBlock));
  catch_interrupt();
  KernelRecording rec(chains, channels, names, formulas, requested_rate, block_capacity,
                      static_cast<int16_t>((to_db ? kStoreDatabase : 0) | (online ? kStoreOnline : 0)));
  const std::vector<RecordedChannel>& recorded = rec.channels();
  QBX_SetOLStorageFlag(to_db && online ? kAcqStoreBoth : online ? kAcqStoreOnlineOnly : kAcqStoreDatabaseOnly);

  rec.start();
  const auto start_time = std::chrono::system_clock::now();
  const double rate = rec.rate();
  if (std::fabs(rate - requested_rate) > 1e-3) {
    print_confirmation(s, yalplus ? tr("The YALPLUS has no rate of {} Hz; recording at {} Hz.",
                                       format_number(requested_rate), format_number(rate))
                                  : tr("The Corvane has no rate of {} Hz; recording at {} Hz.",
                                       format_number(requested_rate), format_number(rate)));
  }
  // Scans to record (0: until stopped) and the database's room.
  const long long target = args.has("--duration") ? std::llround(duration_s * rate) : 0;
  if (args.has("--duration") && target < 1) {
    throw CommandError(tr("--duration {} is shorter than one scan at {} Hz.", args.get("--duration"), format_number(rate)), kExitUsage);
  }
  long long capacity = target;
  if (capacity == 0 && args.has("--max-duration")) capacity = std::max<long long>(1, std::llround(max_duration_s * rate));
  if (capacity == 0 && to_db) {
    capacity = std::llround(kDefaultMaxHours * 3600 * rate);
    const double free_bytes = free_disk_bytes(args.get("--db"));
    if (free_bytes > 0) {
      capacity = std::min<long long>(capacity, static_cast<long long>(free_bytes * kFreeSpaceShare /
                                                                      (8.0 * static_cast<double>(recorded.size()))));
    }
    if (capacity < 1) throw CommandError(tr("The disk of {} has no room for a recording.", args.get("--db")));
  }
  if (to_db && capacity > kMaxValues) {
    if (target > 0) throw CommandError(tr("A database channel holds at most 2000000000 values: record shorter."), kExitUsage);
    capacity = kMaxValues;
  }
  std::optional<ChannelDatabase> db;
  if (to_db) {
    std::vector<NewDbChannel> specs;
    for (const RecordedChannel& c : recorded) {
      NewDbChannel n;
      n.name = c.name;
      n.unit = c.unit;
      n.comment = c.tool >= 0 ? "channel " + std::to_string(c.tool) : "formula " + c.formula;
      specs.push_back(n);
    }
    db.emplace(ChannelDatabase::create(args.get("--db"), specs, static_cast<int32_t>(capacity), rate, start_time,
                                       replace));
    if (target == 0) {
      print_confirmation(s, tr("Recording into {} until Ctrl-C (room for {}, --max-duration).", args.get("--db"),
                               clock_text(static_cast<double>(capacity) / rate)));
    }
  }

  std::optional<OnlineFile> online_file;
  if (online) {
    std::string header = "# corvane online file: " + std::to_string(recorded.size()) + " channels at " +
                         format_number(rate) + " Hz from " + iso8601_utc(start_time) + ":";
    for (size_t i = 0; i < recorded.size(); ++i) {
      header += (i ? ", " : " ") + recorded[i].name + (recorded[i].unit.empty() ? "" : " [" + recorded[i].unit + "]");
    }
    online_file.emplace(args.get("--online"), header + "\n");
  }

  // The read loop: one block a tenth of a second, exactly as many scans as asked for.
  const auto block = static_cast<int32_t>(std::clamp<double>(std::round(rate / kBlocksPerSecond), 1, block_capacity));
  const long long limit = target > 0 ? target : capacity;  // 0: no limit
  std::vector<Extremes> extremes(recorded.size());
  std::vector<double> values(static_cast<size_t>(block_capacity));
  LiveView live(s, recorded);
  const auto t0 = Clock::now();
  auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - t0).count(); };
  long long done = 0;
  int32_t failure = 0;
  bool again = false;
  bool full = false;
  while (!interrupted()) {
    if (limit > 0 && done >= limit) {
      full = target == 0;
      break;
    }
    const auto want = static_cast<int32_t>(limit > 0 ? std::min<long long>(block, limit - done) : block);
    const int32_t r = rec.read(want, again);
    if (r == KernelRecording::kNotComplete) {
      // Not there yet: wait until the block is due by the clock (a device ahead of the clock,
      // such as a simulator on a virtual clock, is asked again at once).
      again = true;
      const double block_s = want / rate;
      double wait_s = static_cast<double>(done + want) / rate + 0.005 - elapsed();
      if (wait_s > block_s + 0.005) wait_s = 0;  // ahead of the clock: not a device in real time
      wait_s = std::clamp(wait_s, 0.001, block_s);
      std::this_thread::sleep_for(std::chrono::duration<double>(wait_s));
      continue;
    }
    again = false;
    if (r != 0) {
      // A failed online file still had the block go into the database.
      if (to_db && (r == kAcqFileNotCreated || r == kAcqFileWriteFailed)) done += want;
      failure = r;
      break;
    }
    for (size_t i = 0; i < recorded.size(); ++i) {
      const int32_t n = rec.block_values(i, values.data(), block_capacity);
      extremes[i].add(values.data(), n);
    }
    // A short block is the end of what the device kept (its memory ran full): the scans it did
    // deliver are stored and counted, and the recording stops as failed, never padded.
    const int32_t got = rec.delivered();
    done += std::min(got, want);
    if (got < want) {
      failure = rec.device_error() != 0 ? rec.device_error() : kAcqDeviceBufferOverflow;
      break;
    }
    live.update(done, target, rate, elapsed(), extremes, false);
  }
  const int32_t stop_status = rec.stop();
  const double wall_s = elapsed();
  live.update(done, target, rate, wall_s, extremes, true);
  if (db) db->close();
  if (online_file) online_file->close();

  std::string where = to_db ? tr(" into {}", args.get("--db")) : std::string();
  if (online) where += to_db ? tr(" and {}", args.get("--online")) : tr(" into {}", args.get("--online"));
  const std::string kept = to_db ? tr("; the {} scans recorded are kept in {}", done, args.get("--db")) : std::string();
  const std::string signal = interrupted() ? interrupt_name() : "";
  if (s.json()) {
    JsonWriter j;
    j.begin_object().field("command", "record").field("event", "end").field("rate_hz", rate).field("scans", done);
    j.field("seconds", static_cast<double>(done) / rate).field("start_time", iso8601_utc(start_time));
    j.field("stopped_by", failure != 0 ? "failure" : !signal.empty() ? signal : full ? "full" : "duration");
    if (to_db) j.field("db", args.get("--db"));
    if (online) j.field("online", args.get("--online"));
    j.key("channels").begin_array();
    for (size_t i = 0; i < recorded.size(); ++i) {
      const RecordedChannel& c = recorded[i];
      j.begin_object().field("channel", c.kernel).field("name", c.name).field("unit", c.unit);
      if (c.tool >= 0) j.field("tool_channel", c.tool); else j.field("formula", c.formula);
      if (extremes[i].count) j.field("min", extremes[i].min).field("max", extremes[i].max);
      j.end_object();
    }
    j.end_array().end_object();
    print_line(j.text());
  } else if (!s.options().quiet) {
    TextTable t;
    using A = TextTable::Align;
    t.add_column(tr("Chan."), A::kRight);
    t.add_column(tr("Name"), A::kLeft);
    t.add_column(tr("Min"), A::kRight);
    t.add_column(tr("Max"), A::kRight);
    t.add_column(tr("Unit"), A::kLeft);
    for (size_t i = 0; i < recorded.size(); ++i) {
      const RecordedChannel& c = recorded[i];
      auto cell = [&](double v) { return extremes[i].count ? format_fixed(v, decimals_of(c)) : std::string("-"); };
      t.add_row({c.tool >= 0 ? std::to_string(c.tool) : "=", c.name, cell(extremes[i].min), cell(extremes[i].max), c.unit});
    }
    const size_t formula_count = formulas.size(), measured = recorded.size() - formula_count;
    const std::string of_channels = measured == 1 ? tr(" of {} channel", measured) : tr(" of {} channels", measured);
    const std::string and_formulas = formula_count == 0   ? std::string()
                                     : formula_count == 1 ? tr(" and {} formula", formula_count)
                                                          : tr(" and {} formulas", formula_count);
    const std::string lines = chains.size() == 1 ? tr("{} line", chains.size()) : tr("{} lines", chains.size());
    const std::string ended = !signal.empty() ? tr("; stopped by {}", signal)
                              : full          ? tr("; the database is full (--max-duration)")
                                              : std::string();
    std::cerr << tr("Recorded {} scans{}{} at {} Hz from {} ({} s of data in {} s){}{}:\n", done, of_channels, and_formulas,
                    format_number(rate), lines, format_fixed(static_cast<double>(done) / rate, 2), format_fixed(wall_s, 2),
                    where, ended)
              << t.render() << std::flush;
  }
  if (failure == kAcqFileNotCreated || failure == kAcqFileWriteFailed) {
    const std::string why = s.describe(failure, StatusContext::kKernel);
    throw CommandError(
        failure == kAcqFileNotCreated
            ? tr("The online file {} could not be created ({}); the recording was stopped after {} scans{}.",
                 args.get("--online"), why, done, kept)
            : tr("The online file {} could not be written ({}); the recording was stopped after {} scans{}.",
                 args.get("--online"), why, done, kept));
  }
  if (failure != 0) {
    throw CommandError(tr("Reading the recording failed after {} scans: {}{}.", done,
                          s.describe(failure, StatusContext::kKernel), kept));
  }
  if (stop_status != 0) {
    throw CommandError(tr("Stopping the recording failed after {} scans: {}{}.", done,
                          s.describe(stop_status, StatusContext::kKernel), kept));
  }
  // A recording ended by a signal has ended as asked: the chain stops here, with status 0.
  if (!signal.empty()) mark_interrupt_handled();
}

}  // namespace corvane_cli
