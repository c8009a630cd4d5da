// Recording from YALPLUS racks through the tool on the acquisition kernel: racks of the simulator
// on a virtual clock (and the built-in rack in real time), every stored value checked against the
// rack's known signals scaled by its "ISV?" reply, the rate the rack quantises to, a formula over
// two racks, a line lost in the middle (what was recorded stays, exactly), and the command lines
// that cannot work.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "corvane_sim/server.h"
#include "corvane_sim/yalplus.h"
#include "record_fixture.h"
#include "run_async.h"

using namespace record_test;

namespace {

constexpr int32_t kGross = 214;  // the signal code of the gross value
constexpr int kWidth = 4;        // 24-bit samples
constexpr double kFullScaleCount = 7680000.0;

// A rack on a pseudo-terminal whose virtual clock moves on by `step_ms` with every line.
struct Rack {
  explicit Rack(double step_ms, std::map<int, int32_t> slot_types = {}) {
    corvane_sim::YalplusConfig config;
    config.virtual_clock = true;
    config.auto_advance_ms = step_ms;
    config.slot_types = std::move(slot_types);
    engine = std::make_unique<corvane_sim::YalplusEngine>(config);
    server = std::make_unique<corvane_sim::PtyServer>(*engine);
    path = server->start();
  }
  ~Rack() { server->stop(); }
  std::unique_ptr<corvane_sim::YalplusEngine> engine;
  std::unique_ptr<corvane_sim::PtyServer> server;
  std::string path;
};

// The value of slot's gross signal at scan k of the recording: the 24-bit count times the span
// over the full-scale count, less the offset, with factor and offset kept as floats.
double expected(int slot, int64_t k) {
  const auto factor = static_cast<float>(corvane_sim::YalplusEngine::scale_span(slot, 0) / kFullScaleCount);
  const auto offset = static_cast<float>(corvane_sim::YalplusEngine::scale_offset(slot, 0));
  return corvane_sim::YalplusEngine::sample(slot, 0, kGross, k, kWidth) * static_cast<double>(factor) -
         static_cast<double>(offset);
}

// The first scan of database channel ch that is not slot's signal, or -1.
int64_t first_wrong_scan(const Db& db, int32_t ch, int slot, int64_t length) {
  const std::vector<double> v = db.values(ch, 0, static_cast<int32_t>(length));
  for (int64_t k = 0; k < length; ++k) {
    if (v[static_cast<size_t>(k)] != expected(slot, k)) {
      ADD_FAILURE() << "channel " << ch << " scan " << k << ": " << v[static_cast<size_t>(k)] << ", the rack gives "
                    << expected(slot, k);
      return k;
    }
  }
  return -1;
}

long long number_after(const std::string& text, const std::string& key) {
  const size_t at = text.find(key);
  return at == std::string::npos ? -1 : std::atoll(text.c_str() + at + key.size());
}

// Two racks record together: the tool's channel n of the first rack is its slot n, the second
// rack's slots follow from 17 on. 1000 Hz is no rack rate: 1200 Hz, and exactly 0.5 s of it.
TEST(RecordYalplus, TwoRacksAndAFormulaStoreEveryScanExactly) {
  Rack a(20), b(20);
  testkit::TempDir dir;
  const std::string db_path = dir.file("racks.db");
  ToolResult r = run_tool({"--port", "yalplus:" + a.path, "--port", "yalplus:" + b.path, "record", "--channels",
                           "1,3,20", "--rate", "1000", "--duration", "0.5s", "--formula", "D=c20-c1", "--db", db_path});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("The YALPLUS has no rate of 1000 Hz; recording at 1200 Hz."), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Recorded 600 scans of 3 channels and 1 formula at 1200 Hz from 2 lines"), std::string::npos)
      << r.err;
  // Each rack was set up and started by the kernel: its slots in FIFO 0 with 24-bit samples.
  const std::string sent = a.engine->received_bytes();
  EXPECT_NE(sent.find("SRB1\nIDN?\n"), std::string::npos);
  EXPECT_NE(sent.find("MBF1253\nICR6315,"), std::string::npos) << sent;
  EXPECT_EQ((b.engine->fifo_entries(0)), (std::vector<corvane_sim::YalplusEntry>{{3, 0, kGross}}));

  Db db(db_path);
  ASSERT_TRUE(db.ok());
  ASSERT_EQ(db.channels(), 4);
  const char* names[4] = {"Channel1", "Channel3", "Channel20", "D"};
  for (int32_t ch = 1; ch <= 4; ++ch) {
    EXPECT_EQ(db.length(ch), 600) << ch;
    EXPECT_EQ(db.text(ch, 0), names[ch - 1]);
    EXPECT_EQ(db.text(ch, 1), ch < 4 ? "KN" : "");
    EXPECT_EQ(db.text(ch, 3), "1200 Hz");
  }
  EXPECT_EQ(first_wrong_scan(db, 1, 1, 600), -1);
  EXPECT_EQ(first_wrong_scan(db, 2, 3, 600), -1);
  EXPECT_EQ(first_wrong_scan(db, 3, 3, 600), -1);  // slot 3 of the second rack
  const auto c1 = db.values(1, 0, 600), c20 = db.values(3, 0, 600), d = db.values(4, 0, 600);
  for (size_t k = 0; k < 600; ++k) ASSERT_EQ(d[k], c20[k] - c1[k]) << k;
}

// The built-in rack runs in real time: a short recording holds its signal from scan 0 on.
TEST(RecordYalplus, BuiltInRackInRealTime) {
  testkit::TempDir dir;
  const std::string db_path = dir.file("sim.db");
  ToolResult r = run_tool({"--port", "yalplus:sim", "record", "--channels", "5", "--rate", "50", "--duration", "0.4s",
                           "--db", db_path});
  ASSERT_EQ(r.status, 0) << r.err;
  Db db(db_path);
  ASSERT_TRUE(db.ok());
  ASSERT_EQ(db.length(1), 20);
  EXPECT_EQ(first_wrong_scan(db, 1, 5, 20), -1);
}

// A rack that stops answering in the middle: the tool names the failure, exits 1 and keeps every
// scan it recorded, each of them right.
TEST(RecordYalplus, ALostLineKeepsWhatWasRecorded) {
  Rack rack(20);
  testkit::TempDir dir;
  const std::string db_path = dir.file("lost.db");
  RunningTool tool({"--timeout", "500", "--port", "yalplus:" + rack.path, "record", "--channels", "2,7", "--rate",
                    "100", "--db", db_path});
  // Plain progress lines come every second: wait for the second one.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < give_up && lines_of(testkit::read_file(tool.out_path())).size() < 2) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  rack.server->stop();
  ToolResult r = tool.finish();
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("Reading the recording failed after "), std::string::npos) << r.err;
  const long long kept = number_after(r.err, "Reading the recording failed after ");
  EXPECT_NE(r.err.find("scans recorded are kept in " + db_path), std::string::npos) << r.err;
  EXPECT_GE(kept, 100);
  Db db(db_path);
  ASSERT_TRUE(db.ok());
  ASSERT_EQ(db.length(1), kept);
  ASSERT_EQ(db.length(2), kept);
  EXPECT_EQ(first_wrong_scan(db, 1, 2, kept), -1);
  EXPECT_EQ(first_wrong_scan(db, 2, 7, kept), -1);
}

// A rack whose FIFO runs over (the host fell behind) stops filling it and hands out what it kept:
// the recording stores exactly those scans, names the overflow and exits 1, never padding the
// missing scans or counting them as recorded.
TEST(RecordYalplus, AnOverflowedFifoStopsTheRecordingWithWhatItKept) {
  corvane_sim::YalplusConfig config;
  config.virtual_clock = true;
  config.auto_advance_ms = 1000;  // 100 scans per line at 100 Hz: far ahead of 10-scan reads
  config.fifo_capacity = 250;
  corvane_sim::YalplusEngine engine(config);
  corvane_sim::PtyServer server(engine);
  const std::string path = server.start();
  testkit::TempDir dir;
  const std::string db_path = dir.file("over.db");
  ToolResult r = run_tool({"--port", "yalplus:" + path, "record", "--channels", "6", "--rate", "100", "--duration",
                           "60s", "--db", db_path});
  server.stop();
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("the device's measured-value memory ran full (values were lost)"), std::string::npos) << r.err;
  const long long kept = number_after(r.err, "Reading the recording failed after ");
  EXPECT_EQ(kept, 250) << r.err;
  Db db(db_path);
  ASSERT_TRUE(db.ok());
  ASSERT_EQ(db.length(1), kept);
  EXPECT_EQ(first_wrong_scan(db, 1, 6, kept), -1);
}

TEST(RecordYalplus, CommandLineMistakes) {
  Rack rack(20, {{2, 0}});  // slot 2 is empty
  const std::string port = "yalplus:" + rack.path;
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* says;
  };
  const Case cases[] = {
      {{"--port", port, "record", "--channels", "2", "--rate", "100", "--duration", "1s"}, 2,
       "Channel 2 has no amplifier (an empty slot on yalplus:"},
      {{"--port", port, "record", "--channels", "0", "--rate", "100", "--duration", "1s"}, 2,
       "Channel 0 has no amplifier"},
      {{"--port", port, "record", "--channels", "17", "--rate", "100", "--duration", "1s"}, 1,
       "Channel 17 does not exist: the chain has 17 channels (0 to 16)."},
      {{"--port", port, "record", "--channels", "1", "--rate", "20000", "--duration", "1s"}, 2,
       "--rate takes a measuring rate from 1 to 19200 Hz (\"600 Hz\" or 600) on a YALPLUS, not \"20000\"."},
      {{"--port", "sim", "--port", port, "record", "--channels", "1", "--rate", "100"}, 2,
       "A recording takes its lines from one family: Corvanes or YALPLUS racks, not both."},
      {{"--port", port, "info"}, 2, "is for record only; info works on a Corvane."},
      {{"--port", "yalplus:LPT1", "record", "--channels", "1", "--rate", "100"}, 2, "\"yalplus:LPT1\" is not a port"},
      {{"--timeout", "300", "--port", port, "record", "--channels", "1", "--rate", "100"}, 1,
       "No YALPLUS answers on yalplus:"},
  };
  for (const Case& c : cases) {
    if (&c == &cases[std::size(cases) - 1]) {
      corvane_sim::Fault silent;
      silent.kind = corvane_sim::FaultKind::kNoAnswer;
      silent.match = "IDN?";
      rack.engine->inject(silent);
    }
    ToolResult r = run_tool(c.args);
    EXPECT_EQ(r.status, c.status) << c.says << "\n" << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
}

}  // namespace
