// Block acquisition through the tool: CSV content against the simulator's known signals, the
// summary, the SVG chart, triggers and failure paths.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <ctime>

#include "corvane_sim/engine.h"
#include "corvane_sim/server.h"
#include "json_mini.h"
#include "run_async.h"

namespace {

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> out;
  size_t start = 0;
  while (true) {
    size_t c = line.find(',', start);
    out.push_back(line.substr(start, c == std::string::npos ? std::string::npos : c - start));
    if (c == std::string::npos) return out;
    start = c + 1;
  }
}

double number(const std::string& text) {
  double v = NAN;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  EXPECT_TRUE(ec == std::errc() && end == text.data() + text.size()) << "not a number: " << text;
  return v;
}

TEST(Acquire, CsvHoldsTheSimulatorSignalsScanByScan) {
  testkit::TempDir dir;
  const std::string csv = dir.file("run.csv");
  ToolResult r = run_tool({"acquire", "--rate", "600 Hz", "--scans", "900", "--channels", "0,1,3,5,6,8", "--output", csv});
  ASSERT_EQ(r.status, 0) << r.err;
  auto lines = data_lines(testkit::read_file(csv));
  ASSERT_EQ(lines.size(), 901u);
  EXPECT_EQ(lines[0], "time [s],Channel0 [mV/V],Channel1 [mV/V],Channel3 [mV/V],Channel5 [V],Channel6 [\xC2\xB0" "C],Channel8");

  const double step_mvv = 3.0 / 25000;  // one count on the 3 mV/V range
  double lo5 = 1e9, hi5 = -1e9, lo0 = 1e9, hi0 = -1e9;
  std::vector<double> ch0;
  for (size_t i = 1; i < lines.size(); ++i) {
    auto f = split(lines[i]);
    ASSERT_EQ(f.size(), 7u) << lines[i];
    EXPECT_NEAR(number(f[0]), static_cast<double>(i - 1) / 600, 1e-6);
    EXPECT_NEAR(number(f[2]), 1.2, step_mvv);    // slot 1: constant 1.2 mV/V
    EXPECT_NEAR(number(f[3]), -0.8, step_mvv);   // slot 3: constant -0.8 mV/V
    EXPECT_NEAR(number(f[5]), 23.5, 0.6);        // slot 6: K thermocouple, 23.5 +- 0.5 degC
    EXPECT_EQ(f[6], "165");                      // slot 8: input lines 0x00A5
    double v0 = number(f[1]), v5 = number(f[4]);
    ch0.push_back(v0);
    lo0 = std::min(lo0, v0), hi0 = std::max(hi0, v0);
    lo5 = std::min(lo5, v5), hi5 = std::max(hi5, v5);
  }
  // Slot 0: 0.5 + sin(2 pi t) mV/V; 1.5 s of it reach both peaks.
  EXPECT_NEAR(hi0, 1.5, 0.002);
  EXPECT_NEAR(lo0, -0.5, 0.002);
  // The scans follow the sine at 1 Hz: the value a quarter period on is the derivative's image.
  for (size_t i = 0; i + 150 < ch0.size(); i += 37) {
    double a = ch0[i] - 0.5, b = ch0[i + 150] - 0.5;  // 150 scans = 0.25 s = 90 degrees
    EXPECT_NEAR(a * a + b * b, 1.0, 0.01) << "scan " << i;
  }
  // Slot 5: 2.5 + 1.5 sin(pi t) V over 1.5 s reaches its maximum 4 V, its minimum is at least 1 V.
  EXPECT_LE(hi5, 4.0 + 0.001);
  EXPECT_GE(lo5, 1.0 - 0.001);
  EXPECT_GT(hi5 - lo5, 1.5);

  // The summary names every channel with minimum, mean and maximum.
  EXPECT_NE(r.err.find("Acquired 900 scans of 6 channels at 600 Hz (1.50 s)"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("1.2000   1.2000   1.2000  mV/V"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
}

TEST(Acquire, JsonSummaryAndValuesWithoutAFile) {
  ToolResult r = run_tool({"--json", "acquire", "--rate", "100", "--duration", "0.3", "--channels", "4"});
  ASSERT_EQ(r.status, 0) << r.err;
  json_mini::Value v = json_mini::parse(lines_of(r.out).at(0));
  EXPECT_EQ(v["rate_hz"].number, 100);
  EXPECT_EQ(v["scans"].number, 30);
  const auto& c = v["channels"][0];
  EXPECT_EQ(c["unit"].string, "mV/V");
  EXPECT_NEAR(c["min"].number, 1.5, 0.0002);
  EXPECT_NEAR(c["max"].number, 1.5, 0.0002);
  EXPECT_EQ(c["values"].size(), 30u);
  EXPECT_EQ(c["overflows"].number, 0);
}

TEST(Acquire, CsvOnStandardOutputAndPretriggerShiftsTheTime) {
  ToolResult r = run_tool({"acquire", "--rate", "1200", "--scans", "60", "--channels", "1", "--trigger", "software",
                           "--pretrigger", "12"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto lines = data_lines(r.out);
  ASSERT_EQ(lines.size(), 61u);
  EXPECT_EQ(lines[1].substr(0, lines[1].find(',')), "-0.0100000");
  EXPECT_EQ(lines[13].substr(0, lines[13].find(',')), "0.0000000");
}

TEST(Acquire, InternalTriggerOnALevel) {
  // Slot 0 is a 1 Hz sine from -0.5 to 1.5 mV/V: a rising edge through 1.0 comes within a second.
  ToolResult r = run_tool({"--json", "acquire", "--rate", "600", "--scans", "60", "--channels", "0", "--trigger",
                           "internal", "--trigger-channel", "0", "--trigger-level", "1.0", "--trigger-condition",
                           "rising", "--wait", "3"});
  ASSERT_EQ(r.status, 0) << r.err;
  json_mini::Value v = json_mini::parse(lines_of(r.out).at(0));
  const auto& values = v["channels"][0]["values"];
  ASSERT_EQ(values.size(), 60u);
  EXPECT_NEAR(values[0].number, 1.0, 0.05);                 // starts at the level
  EXPECT_GT(values[59].number, values[0].number);           // and rises

  r = run_tool({"acquire", "--trigger", "internal", "--trigger-channel", "0"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("needs --trigger-channel (0 to 7) and --trigger-level"), std::string::npos) << r.err;
}

TEST(Acquire, ExternalTriggerThatNeverComesTimesOut) {
  ToolResult r = run_tool({"acquire", "--rate", "100", "--scans", "10", "--channels", "1", "--trigger", "external",
                           "--wait", "0.5"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("No trigger came within 0.5 s (--wait); the acquisition was stopped."), std::string::npos) << r.err;
}

TEST(Acquire, OutputThatCannotBeWrittenFailsBeforeMeasuring) {
  testkit::TempDir dir;
  ToolResult r = run_tool({"acquire", "--scans", "10", "--output", dir.file("no/such/dir.csv")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot be created"), std::string::npos) << r.err;
  r = run_tool({"acquire", "--rate", "7 Hz"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("\"7 Hz\" is not a measuring rate; possible are: \"1 Hz\" (6300)"), std::string::npos) << r.err;
}

TEST(Acquire, PlotHasAxesTicksAndALegendPerUnit) {
  testkit::TempDir dir;
  const std::string svg_path = dir.file("plot.svg");
  ToolResult r = run_tool({"acquire", "--rate", "300", "--duration", "1", "--channels", "0,1,5", "--output",
                           dir.file("p.csv"), "--plot", svg_path});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string svg = testkit::read_file(svg_path);
  ASSERT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_NE(svg.find("</svg>"), std::string::npos);
  // Two panels (mV/V and V), each with its unit on the axis, every series in the legend.
  EXPECT_NE(svg.find(">mV/V</text>"), std::string::npos);
  EXPECT_NE(svg.find(">V</text>"), std::string::npos);
  EXPECT_NE(svg.find(">0: Channel0 [mV/V]</text>"), std::string::npos);
  EXPECT_NE(svg.find(">1: Channel1 [mV/V]</text>"), std::string::npos);
  EXPECT_NE(svg.find(">5: Channel5 [V]</text>"), std::string::npos);
  EXPECT_NE(svg.find(">time [s]</text>"), std::string::npos);
  size_t paths = 0;
  for (size_t at = svg.find("<path "); at != std::string::npos; at = svg.find("<path ", at + 1)) ++paths;
  EXPECT_EQ(paths, 3u);
  // Time ticks from 0 to 1 s.
  EXPECT_NE(svg.find(">0.0</text>"), std::string::npos);
  EXPECT_NE(svg.find(">1.0</text>"), std::string::npos);
}

// A sine beyond the range: overflow values are counted per kind, kept out of the figures and the
// chart's axis, null in JSON, and spelled as the driver's words in the CSV.
TEST(Acquire, OverflowValuesAreCountedNotAveraged) {
  testkit::TempDir dir;
  corvane_sim::Engine engine{corvane_sim::EngineConfig{}};
  engine.set_source(1, corvane_sim::SignalSource::sine(0.0, 5.0, 1.0));  // +-5 mV/V on the 3 mV/V range
  engine.set_source(2, corvane_sim::SignalSource::raw(32767));           // +OVERFLOW all along
  corvane_sim::PtyServer server(engine);
  const std::map<std::string, std::string> env{{"LINKAR32_COM1", server.start()}};
  ToolResult r = run_tool({"--port", "COM1", "--json", "acquire", "--rate", "100", "--scans", "200", "--channels",
                           "1,2", "--plot", dir.file("o.svg")},
                          env);
  ASSERT_EQ(r.status, 0) << r.err;
  json_mini::Value v = json_mini::parse(lines_of(r.out).at(0));
  const auto& sine = v["channels"][0];
  const double limit = 32765 * 3.0 / 25000;  // the largest reading that is not an overflow
  EXPECT_LE(sine["max"].number, limit + 1e-6);
  EXPECT_GE(sine["min"].number, -limit - 1e-6);
  EXPECT_NEAR(sine["mean"].number, 0.0, 0.2);
  // |sin| exceeds 32765/41667 = sin(0.905) for (pi - 2 x 0.905) / pi = 42.4 % of the time.
  const double overflows = sine["overflows"].number;
  EXPECT_NEAR(overflows, 200 * 0.424, 8);
  EXPECT_EQ(sine["overflow_kinds"]["+overflow"].number + sine["overflow_kinds"]["-overflow"].number, overflows);
  size_t nulls = 0;
  for (const auto& x : sine["values"].array) nulls += x.type == json_mini::Value::Type::kNull;
  EXPECT_EQ(static_cast<double>(nulls), overflows);
  const auto& hard = v["channels"][1];
  EXPECT_EQ(hard["overflows"].number, 200);
  EXPECT_EQ(hard["overflow_kinds"]["+OVERFLOW"].number, 200);
  EXPECT_FALSE(hard.has("mean"));
  // The chart's value axis stays on the usable values (ticks within +-5), never near 1e36.
  const std::string svg = testkit::read_file(dir.file("o.svg"));
  EXPECT_EQ(svg.find("e+"), std::string::npos);
  EXPECT_EQ(svg.find("000000"), std::string::npos);

  r = run_tool({"--port", "COM1", "acquire", "--rate", "100", "--scans", "100", "--channels", "1,2"}, env);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(",+overflow,+OVERFLOW\n"), std::string::npos);
  EXPECT_NE(r.out.find(",-overflow,+OVERFLOW\n"), std::string::npos);
  EXPECT_NE(r.err.find("mV/V (100 +OVERFLOW)"), std::string::npos) << r.err;

  // A single reading: the value is a number or null, the overflow word beside it.
  r = run_tool({"--port", "COM1", "--json", "read", "--channels", "2"}, env);
  ASSERT_EQ(r.status, 0) << r.err;
  const json_mini::Value doc = json_mini::parse(lines_of(r.out).at(0));
  const auto& reading = doc["channels"][0];
  EXPECT_EQ(reading["value"].type, json_mini::Value::Type::kNull);
  EXPECT_EQ(reading["overflow"].string, "+OVERFLOW");
}

// The trigger scan is row `pretrigger` of the block, at time 0, at every measuring rate: a ramp
// crosses 1.0 mV/V once in each of its 60-scan periods (so a crossing usually comes before 50
// pre-trigger scans exist), on a virtual clock that every line moves on by three scans.
TEST(Acquire, PretriggerPutsTheCrossingAtTimeZeroAtEveryRate) {
  constexpr int kPre = 50, kScans = 80;
  for (int rate_id = 6300; rate_id <= 6320; ++rate_id) {
    corvane_sim::EngineConfig config;
    config.virtual_clock = true;
    corvane_sim::Engine engine(config);
    corvane_sim::PtyServer server(engine);
    const std::map<std::string, std::string> env{{"LINKAR32_COM1", server.start()}};
    ToolResult r = run_tool({"--port", "COM1", "--json", "info"}, env);  // the rate's text gives its scans per second
    ASSERT_EQ(r.status, 0) << r.err;
    r = run_tool({"--port", "COM1", "set-device", "rate", std::to_string(rate_id)}, env);
    ASSERT_EQ(r.status, 0) << r.err;
    r = run_tool({"--port", "COM1", "--json", "info"}, env);
    const std::string rate_text = json_mini::parse(lines_of(r.out).at(0))["rate"]["text"].string;
    const double hz = number(rate_text.substr(0, rate_text.find(' ')));
    SCOPED_TRACE(rate_text);
    const double period = 60 / hz;
    engine.set_source(0, corvane_sim::SignalSource::ramp(-1.0, 3.0 / period, period));
    // 20 scans a line: the trigger wait, whose polls come 10 ms apart, sees the 50 pre-trigger
    // scans and the crossing after a few polls (the device takes its scans one by one all the same).
    engine.set_auto_advance(std::chrono::nanoseconds(static_cast<int64_t>(20e9 / hz)));
    engine.advance_ms((rate_id * 7 % 60) * 1000.0 / hz);  // a different phase of the ramp at each rate
    testkit::TempDir dir;
    r = run_tool({"--port", "COM1", "acquire", "--scans", std::to_string(kScans), "--channels", "0", "--trigger",
                  "internal", "--trigger-channel", "0", "--trigger-level", "1.0", "--trigger-condition", "rising",
                  "--pretrigger", std::to_string(kPre), "--plot", dir.file("t.svg")},
                 env);
    ASSERT_EQ(r.status, 0) << r.err;
    auto lines = data_lines(r.out);
    ASSERT_EQ(lines.size(), static_cast<size_t>(kScans + 1));
    const double level = 8333 * 3.0 / 25000;  // 1.0 mV/V as the raw level the amplifier compares
    auto row = [&](int scan) { return split(lines[static_cast<size_t>(scan + 1)]); };
    EXPECT_EQ(number(row(kPre)[0]), 0.0);
    EXPECT_GE(number(row(kPre)[1]), level - 1e-6);
    EXPECT_LT(number(row(kPre - 1)[1]), level);
    EXPECT_LT(number(row(kPre - 2)[1]), number(row(kPre - 1)[1]));  // rising
    // The chart marks the trigger at time 0.
    const std::string svg = testkit::read_file(dir.file("t.svg"));
    EXPECT_NE(svg.find("<line class=\"trigger\""), std::string::npos);
    EXPECT_NE(svg.find(">trigger</text>"), std::string::npos);
  }
}

// In real time a block that is not complete yet is waited for by the clock, not by polling the
// line: after the first two blocks (the first, and the one asked for at once to learn whether
// the device keeps to the clock) a block takes one or two status polls, not one every 10 ms.
TEST(Acquire, InRealTimeTheBlocksAreWaitedForByTheClockNotByPolling) {
  corvane_sim::Engine engine{corvane_sim::EngineConfig{}};
  corvane_sim::PtyServer server(engine);
  const std::map<std::string, std::string> env{{"LINKAR32_COM1", server.start()}};
  ToolResult r = run_tool({"--port", "COM1", "acquire", "--rate", "100", "--scans", "200", "--channels", "1"}, env);
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(data_lines(r.out).size(), 201u);
  size_t polls = 0;
  for (const std::string& line : engine.lines()) polls += line == "MSV?" ? 1 : 0;
  // 20 blocks of 0.1 s: polling throughout takes some 200 polls, by the clock about 60.
  EXPECT_LT(polls, 100u);
}

// What went wrong on the line is named: a refusal with its error number, garbage as a malformed
// reply, silence as a time-out.
TEST(Acquire, FaultsOnTheLineAreNamed) {
  corvane_sim::Engine engine{corvane_sim::EngineConfig{}};
  corvane_sim::PtyServer server(engine);
  const std::map<std::string, std::string> env{{"LINKAR32_COM1", server.start()}};
  const std::vector<std::string> run = {"--port", "COM1", "acquire", "--rate", "100", "--scans", "20", "--channels", "1"};
  corvane_sim::Fault refuse;
  refuse.kind = corvane_sim::FaultKind::kRefuse;
  refuse.match = "OMB?";
  refuse.error = corvane_sim::kOmbNotExecutable;
  engine.inject(refuse);
  ToolResult r = run_tool(run, env);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Reading the acquisition failed after 0 scans: the amplifier reported error 10009 omb not "
                       "executable; nothing was measured."),
            std::string::npos)
      << r.err;

  corvane_sim::Fault garbage;
  garbage.kind = corvane_sim::FaultKind::kGarbage;
  garbage.match = "MSV?";
  garbage.count = 0;  // every poll, the one at the start included
  engine.clear_faults();
  engine.inject(garbage);
  std::vector<std::string> quick = run;
  quick.insert(quick.begin() + 2, {"--timeout", "500"});
  r = run_tool(quick, env);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("the amplifier's reply was malformed (status -115)"), std::string::npos) << r.err;

  corvane_sim::Fault corrupt;
  corrupt.kind = corvane_sim::FaultKind::kCorruptBlock;
  corrupt.match = "OMB?";
  corrupt.offset = 2 + 2 * 10;  // the trailer of a 10-scan block of one channel
  engine.clear_faults();
  engine.inject(corrupt);
  r = run_tool(run, env);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("failed after 0 scans: the amplifier's reply was malformed"), std::string::npos) << r.err;
}

// An ISO 8601 time "2026-12-09T06:15:03.342Z" as seconds since 1970.
double iso_seconds(const std::string& t) {
  std::tm tm{};
  int ms = 0;
  if (t.size() != 24 || std::sscanf(t.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%3dZ", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                                    &tm.tm_hour, &tm.tm_min, &tm.tm_sec, &ms) != 7) {
    ADD_FAILURE() << "not an ISO 8601 time: " << t;
    return 0;
  }
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  return static_cast<double>(timegm(&tm)) + ms / 1000.0;
}

double now_seconds() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// "# key: value" of a CSV text.
std::string meta_value(const std::string& csv, const std::string& key) {
  for (const std::string& line : lines_of(csv)) {
    if (line.rfind("# " + key + ": ", 0) == 0) return line.substr(key.size() + 4);
  }
  ADD_FAILURE() << "no metadata line " << key;
  return {};
}

TEST(SelfDescribingData, CsvAndJsonCarryTimesAndTheSetup) {
  testkit::TempDir dir;
  const double before = now_seconds();
  ToolResult r = run_tool({"set", "1", "name", "Force, top", "+", "acquire", "--rate", "100", "--scans", "20",
                           "--channels", "1,8", "--trigger", "software", "--pretrigger", "5", "--output",
                           dir.file("a.csv"), "--meta", dir.file("a.json")});
  const double after = now_seconds();
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string csv = testkit::read_file(dir.file("a.csv"));
  const double start = iso_seconds(meta_value(csv, "start time"));
  const double trigger = iso_seconds(meta_value(csv, "trigger time"));
  EXPECT_GE(start, std::floor(before));
  EXPECT_LE(start, trigger);
  EXPECT_LE(trigger, after + 0.001);
  EXPECT_EQ(meta_value(csv, "port"), "sim");
  EXPECT_EQ(meta_value(csv, "serial numbers"), "47110");
  EXPECT_EQ(meta_value(csv, "rate"), "100 Hz");
  EXPECT_EQ(meta_value(csv, "trigger"), "software, 5 scans before it");
  EXPECT_EQ(meta_value(csv, "channel 1"), "Force, top; TF with f, full bridge; range 3 mV/V; unit mV/V; tare 0; scale 1");
  EXPECT_EQ(meta_value(csv, "command").rfind("corvane set 1 name 'Force, top' + acquire --rate 100", 0), 0u);
  EXPECT_EQ(meta_value(csv, "tool").rfind("corvane 2.", 0), 0u);
  // The column header quotes the name with its comma, and follows the metadata.
  auto lines = data_lines(csv);
  EXPECT_EQ(lines.at(0), "time [s],\"Force, top [mV/V]\",Channel8");
  EXPECT_EQ(lines.size(), 21u);
  // The sidecar holds the same in JSON.
  json_mini::Value side = json_mini::parse(testkit::read_file(dir.file("a.json")));
  EXPECT_EQ(side["start_time"].string, meta_value(csv, "start time"));
  EXPECT_EQ(side["scans"].number, 20);
  EXPECT_EQ(side["channel_1"].string, meta_value(csv, "channel 1"));

  r = run_tool({"--json", "acquire", "--rate", "100", "--scans", "5", "--channels", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  json_mini::Value doc = json_mini::parse(lines_of(r.out).at(0));
  EXPECT_NEAR(iso_seconds(doc["meta"]["start_time"].string), now_seconds(), 60);
  EXPECT_EQ(doc["meta"]["trigger_time"].string, doc["meta"]["start_time"].string);  // immediate
}

TEST(SelfDescribingData, ReadAsALoggerStampsEveryRowAndKeepsThemOnCtrlC) {
  testkit::TempDir dir;
  ToolResult r = run_tool({"read", "--csv", "--count", "4", "--interval", "50ms", "--channels", "1,8"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto lines = data_lines(r.out);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "time,elapsed [s],Channel1 [mV/V],Channel8");
  double last = 0;
  for (size_t i = 1; i < lines.size(); ++i) {
    auto f = split(lines[i]);
    ASSERT_EQ(f.size(), 4u);
    const double t = iso_seconds(f[0]);
    EXPECT_GE(t, last);
    EXPECT_NEAR(t, now_seconds(), 60);
    last = t;
    EXPECT_GE(number(f[1]), 0.05 * static_cast<double>(i - 1) - 0.001);
    EXPECT_EQ(f[2], "1.2");
    EXPECT_EQ(f[3], "165");
  }
  // Without --count it logs until stopped; the rows are kept.
  RunningTool tool({"read", "--csv", "--interval", "20ms", "--channels", "1", "--output", dir.file("log.csv")});
  ASSERT_TRUE(wait_for_rows(dir.path(), "log.csv", 20));
  tool.signal(SIGINT);
  r = tool.finish();
  EXPECT_EQ(r.status, 130) << r.err;
  EXPECT_GE(data_lines(testkit::read_file(dir.file("log.csv"))).size(), 10u);
  EXPECT_TRUE(files_containing(dir.path(), ".part").empty());
}

}  // namespace
