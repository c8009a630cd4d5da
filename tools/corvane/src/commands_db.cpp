// db FILE [export|plot]: a channel database as a table of its channels (name, unit, count,
// extremes, time stamps), exported as CSV (one column per channel) or drawn as an SVG chart, read
// piece by piece so that a recording of hours needs no more memory than one of seconds.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <iostream>
#include <memory>

#include "channel_db.h"
#include "channel_output.h"
#include "commands.h"
#include "data_file.h"
#include "json_writer.h"
#include "messages.h"
#include "plot_decimator.h"
#include "run_metadata.h"
#include "svg_plot.h"
#include "text_codec.h"
#include "text_table.h"

namespace corvane_cli {
namespace {

constexpr int32_t kChunk = 65536;  // values read per channel at a time

// Six significant digits, locale-independent: the table's minimum and maximum.
std::string significant(double v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 6);
  return std::string(buf, r.ptr);
}

std::string label(const DbChannelInfo& c) { return c.unit.empty() ? c.name : c.name + " [" + c.unit + "]"; }

// The channels a list names: database channel numbers ("2", "1-3") or channel names, separated by
// commas. Throws CommandError (usage) for one the database lacks.
std::vector<DbChannelInfo> select_channels(const ChannelDatabase& db, const std::string& list) {
  std::vector<DbChannelInfo> all;
  for (int32_t n = 1; n <= db.channel_count(); ++n) all.push_back(db.channel(n));
  if (list.empty()) return all;
  std::vector<DbChannelInfo> out;
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    const std::string item = list.substr(start, comma - start);
    start = comma + 1;
    const size_t dash = item.find('-', 1);
    auto first = parse_integer(dash == std::string::npos ? item : item.substr(0, dash));
    auto last = dash == std::string::npos ? first : parse_integer(item.substr(dash + 1));
    if (first && last) {
      if (*first < 1 || *last > static_cast<long long>(all.size()) || *first > *last) {
        throw CommandError(tr("The database {} has channels 1 to {}, not {}.", db.path(), all.size(), item), kExitUsage);
      }
      for (long long n = *first; n <= *last; ++n) out.push_back(all[static_cast<size_t>(n - 1)]);
      continue;
    }
    auto named = std::find_if(all.begin(), all.end(), [&](const DbChannelInfo& c) { return c.name == item; });
    if (named == all.end()) {
      std::string names;
      for (const auto& c : all) names += (names.empty() ? "" : ", ") + c.name;
      throw CommandError(tr("The database {} has no channel \"{}\"; it has: {}.", db.path(), item, names), kExitUsage);
    }
    out.push_back(*named);
  }
  return out;
}

// The common rate of the channels, 0 when they have none or differ.
double common_rate(const std::vector<DbChannelInfo>& channels) {
  double rate = 0;
  for (const auto& c : channels) {
    if (!c.rate_hz || (rate != 0 && *c.rate_hz != rate)) return 0;
    rate = *c.rate_hz;
  }
  return rate;
}

// Calls row(index, values) for every row 0 .. longest length - 1 with one value per channel (NaN
// past a channel's end), reading kChunk rows of every channel at a time.
template <typename Row>
void for_each_row(const ChannelDatabase& db, const std::vector<DbChannelInfo>& channels, Row row) {
  int64_t rows = 0;
  for (const auto& c : channels) rows = std::max<int64_t>(rows, c.length);
  std::vector<std::vector<double>> chunk(channels.size(), std::vector<double>(kChunk));
  std::vector<double> values(channels.size());
  for (int64_t first = 0; first < rows; first += kChunk) {
    const auto n = static_cast<int32_t>(std::min<int64_t>(kChunk, rows - first));
    for (size_t k = 0; k < channels.size(); ++k) {
      const auto have = static_cast<int32_t>(std::clamp<int64_t>(channels[k].length - first, 0, n));
      if (have > 0) db.read(channels[k].number, first, have, chunk[k].data());
      std::fill(chunk[k].begin() + have, chunk[k].begin() + n, NAN);
    }
    for (int32_t i = 0; i < n; ++i) {
      for (size_t k = 0; k < channels.size(); ++k) values[k] = chunk[k][static_cast<size_t>(i)];
      row(first + i, values);
    }
  }
}

void list(const Session& s, const ChannelDatabase& db) {
  std::vector<DbChannelInfo> channels = select_channels(db, "");
  auto stamp = [](const DbChannelInfo& c) { return c.modified ? iso8601_utc(*c.modified) : std::string(); };
  if (s.json()) {
    JsonWriter j;
    j.begin_object().field("command", "db").field("file", db.path()).key("channels").begin_array();
    for (const auto& c : channels) {
      j.begin_object().field("channel", c.number).field("name", c.name).field("unit", c.unit);
      j.field("count", c.length).field("capacity", c.max_length);
      if (c.minimum) j.field("min", *c.minimum); else j.key("min").null();
      if (c.maximum) j.field("max", *c.maximum); else j.key("max").null();
      if (c.rate_hz) j.field("rate_hz", *c.rate_hz);
      if (!c.start.empty()) j.field("start", c.start);
      if (c.modified) j.field("modified", stamp(c));
      j.field("comment", c.comment).end_object();
    }
    j.end_array().end_object();
    print_line(j.text());
    return;
  }
  TextTable t;
  using A = TextTable::Align;
  for (const auto& [h, a] : std::vector<std::pair<const char*, A>>{{N_("Chan."), A::kRight}, {N_("Name"), A::kLeft},
                                                                   {N_("Unit"), A::kLeft}, {N_("Count"), A::kRight},
                                                                   {N_("Min"), A::kRight}, {N_("Max"), A::kRight},
                                                                   {N_("Rate"), A::kRight}, {N_("Start"), A::kLeft},
                                                                   {N_("Last write"), A::kLeft}}) {
    t.add_column(tr(h), a);
  }
  for (const auto& c : channels) {
    t.add_row({std::to_string(c.number), c.name, c.unit, std::to_string(c.length),
               c.minimum ? significant(*c.minimum) : "-", c.maximum ? significant(*c.maximum) : "-",
               c.rate_hz ? format_number(*c.rate_hz) + " Hz" : "-", c.start, stamp(c)});
  }
  std::cout << t.render() << std::flush;
}

void export_csv(const Session& s, const ChannelDatabase& db, const std::string& list, const std::string& output) {
  const std::vector<DbChannelInfo> channels = select_channels(db, list);
  const double rate = common_rate(channels);
  DataFile csv(output, N_("CSV file"));
  std::string header = rate > 0 ? "time [s]" : "";
  for (const auto& c : channels) header += (header.empty() ? "" : ",") + csv_field(label(c));
  csv.write(header + "\n");
  const int time_decimals = rate > 0 ? std::clamp(static_cast<int>(std::ceil(std::log10(rate))) + 3, 4, 7) : 0;
  std::string rows;
  long long count = 0;
  for_each_row(db, channels, [&](int64_t i, const std::vector<double>& v) {
    std::string line = rate > 0 ? format_fixed(static_cast<double>(i) / rate, time_decimals) : std::string();
    for (size_t k = 0; k < v.size(); ++k) {
      if (rate > 0 || k > 0) line += ',';
      if (std::isfinite(v[k])) line += format_number(v[k]);
    }
    rows += line + "\n";
    ++count;
    if (rows.size() > (1u << 20)) {
      csv.write(rows);
      rows.clear();
    }
  });
  csv.write(rows);
  csv.finish(true);
  if (!csv.is_stdout()) {
    print_confirmation(s, channels.size() == 1 ? tr("Exported {} rows of {} channel into {}.", count, channels.size(), output)
                                               : tr("Exported {} rows of {} channels into {}.", count, channels.size(), output));
  }
}

void plot(const Session& s, const ChannelDatabase& db, const std::string& list, const std::string& output) {
  const std::vector<DbChannelInfo> channels = select_channels(db, list);
  const double rate = common_rate(channels);
  DataFile svg(output, N_("plot file"));
  PlotDecimator points(channels.size());
  std::vector<float> scan(channels.size());
  for_each_row(db, channels, [&](int64_t i, const std::vector<double>& v) {
    for (size_t k = 0; k < v.size(); ++k) scan[k] = static_cast<float>(v[k]);
    points.add(i, scan.data());
  });
  PlotData data;
  data.title = (channels.size() == 1 ? tr("{}: {} channel", db.path(), channels.size())
                                     : tr("{}: {} channels", db.path(), channels.size())) +
               (rate > 0 ? ", " + format_number(rate) + " Hz" : std::string());
  std::vector<std::vector<double>> series;
  points.points([&](long long i) { return rate > 0 ? static_cast<double>(i) / rate : static_cast<double>(i); },
                &data.time_s, &series);
  for (size_t k = 0; k < channels.size(); ++k) {
    PlotSeries p;
    p.label = std::to_string(channels[k].number) + ": " + label(channels[k]);
    p.unit = channels[k].unit;
    p.values = std::move(series[k]);
    data.series.push_back(std::move(p));
  }
  svg.write(render_svg(data));
  svg.finish(true);
  print_confirmation(s, channels.size() == 1 ? tr("Plotted {} channel of {} into {}.", channels.size(), db.path(), output)
                                             : tr("Plotted {} channels of {} into {}.", channels.size(), db.path(), output));
}

}  // namespace

void cmd_db(Session& s, const std::vector<std::string>& words) {
  CommandArgs args = parse_command_args("db", words, {"--output"}, {});
  const auto& p = args.positional;
  if (p.empty()) throw CommandError(tr("db needs a database file: corvane db FILE [export [CHANNELS] | plot CHANNELS]."), kExitUsage);
  const std::string action = p.size() > 1 ? p[1] : "";
  if (!action.empty() && action != "export" && action != "plot") {
    throw CommandError(tr("db takes export or plot after the file, not \"{}\".", action), kExitUsage);
  }
  if (action.empty() && (p.size() > 1 || args.has("--output"))) {
    throw CommandError(tr("Listing a database takes no channels or --output; use export or plot."), kExitUsage);
  }
  if (p.size() > 3) throw CommandError(tr("Name the channels as one list, such as 1,3-4 or \"Force X,Sum\"."), kExitUsage);
  if (action == "plot" && (p.size() < 3 || !args.has("--output"))) {
    throw CommandError(tr("db FILE plot needs the channels and --output FILE.svg."), kExitUsage);
  }
  if (s.checking()) return;
  ChannelDatabase db = ChannelDatabase::open(p[0]);
  if (action.empty()) {
    list(s, db);
  } else if (action == "export") {
    export_csv(s, db, p.size() > 2 ? p[2] : "", args.has("--output") ? args.get("--output") : "-");
  } else {
    plot(s, db, p[2], args.get("--output"));
  }
}

}  // namespace corvane_cli
