// Recording through the tool on the acquisition kernel, against simulators on a virtual clock
// that advances with every line the tool sends: every value in the database file is checked
// against the simulator's known signals (ramps whose raw counts step by 2 per scan and wrap
// between two scans, so a lost, repeated, reordered or misscaled sample shows), formula channels
// against their inputs, several lines, the clean stop on SIGINT and SIGTERM, a SIGKILL in the
// middle, and `corvane db` on the result.
#include <gtest/gtest.h>

#include <cstring>

#include "json_mini.h"
#include "record_fixture.h"
#include "run_async.h"

using namespace record_test;

namespace {

// The first `count` blank-separated words of a table row, joined by one blank.
std::string words_of(const std::string& row, size_t count) {
  std::string out, word;
  size_t n = 0;
  for (size_t i = 0; i <= row.size() && n < count; ++i) {
    if (i < row.size() && row[i] != ' ') {
      word += row[i];
    } else if (!word.empty()) {
      out += (n++ ? " " : "") + word;
      word.clear();
    }
  }
  return out;
}

// The number after `key` in text ("Recorded 1600 scans" -> 1600 for key "Recorded ").
long long number_after(const std::string& text, const std::string& key) {
  const size_t at = text.find(key);
  return at == std::string::npos ? -1 : std::atoll(text.c_str() + at + key.size());
}

TEST(Record, TwoLinesAndAFormulaStoreEveryScanExactly) {
  SimLine a(1, 45), b(1, 45);
  // Line a: channels 0, 3; line b (tool channels 10..19): its channels 1 and 6.
  const int chain_channels[4] = {0, 3, 1, 6};
  for (int i = 0; i < 4; ++i) {
    (i < 2 ? a : b).engine->set_source(chain_channels[i], ramp_of(i).source(800));
  }
  testkit::TempDir dir;
  const std::string db_path = dir.file("run.db");
  ToolResult r = run_tool({"--port", a.path, "--port", b.path, "record", "--channels", "0,3,11,16", "--rate", "1000",
                           "--duration", "2s", "--formula", "Diff=c11-c0", "--formula", "Scaled [mV/V]=2*c16+1", "--db", db_path});
  ASSERT_EQ(r.status, 0) << r.err;
  // 1000 Hz is not a Corvane rate: 800 Hz, and exactly 2 s of it.
  EXPECT_NE(r.err.find("The Corvane has no rate of 1000 Hz; recording at 800 Hz."), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Recorded 1600 scans of 4 channels and 2 formulas at 800 Hz from 2 lines"), std::string::npos) << r.err;
  Db db(db_path);
  ASSERT_TRUE(db.ok());
  ASSERT_EQ(db.channels(), 6);
  const char* names[6] = {"Channel0", "Channel3", "Channel11", "Channel16", "Diff", "Scaled"};
  for (int32_t ch = 1; ch <= 6; ++ch) {
    EXPECT_EQ(db.length(ch), 1600) << ch;
    EXPECT_EQ(db.text(ch, 0), names[ch - 1]);
    EXPECT_EQ(db.text(ch, 1), ch != 5 ? "mV/V" : "");
    EXPECT_EQ(db.text(ch, 3), "800 Hz");
  }
  EXPECT_EQ(db.text(5, 2).find("formula c11-c0"), 32u) << db.text(5, 2);
  int64_t phase[4] = {};
  for (int32_t ch = 1; ch <= 4; ++ch) {
    EXPECT_EQ(first_wrong(ch, ramp_of(ch - 1), 1600, &phase[ch - 1]), -1) << "channel " << ch;
  }
  // The channels of one line were measured together.
  EXPECT_EQ(phase[0], phase[1]);
  EXPECT_EQ(phase[2], phase[3]);
  const auto c0 = db.values(1, 0, 1600), c11 = db.values(3, 0, 1600), c16 = db.values(4, 0, 1600);
  const auto diff = db.values(5, 0, 1600), scaled = db.values(6, 0, 1600);
  for (size_t k = 0; k < 1600; ++k) {
    ASSERT_EQ(diff[k], c11[k] - c0[k]) << k;
    ASSERT_EQ(scaled[k], 2 * c16[k] + 1) << k;
  }
}

TEST(Record, JsonLinesAndTheEndDocument) {
  SimLine a(1, 45);
  a.engine->set_source(2, ramp_of(0).source(100));
  ToolResult r = run_tool({"--port", a.path, "--json", "record", "--channels", "2", "--rate", "100", "--duration", "3s"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto lines = lines_of(r.out);
  ASSERT_GE(lines.size(), 1u);
  for (const auto& line : lines) EXPECT_EQ(json_mini::parse(line)["command"].string, "record") << line;
  json_mini::Value end = json_mini::parse(lines.back());
  EXPECT_EQ(end["event"].string, "end");
  EXPECT_EQ(end["scans"].number, 300);
  EXPECT_EQ(end["stopped_by"].string, "duration");
  EXPECT_EQ(end["channels"][0]["name"].string, "Channel2");
  EXPECT_GE(ramp_of(0).phase_of(end["channels"][0]["min"].number), 0);
}

// Starts a recording without an end on a simulator and waits until it has recorded a while.
class Unbounded : public ::testing::Test {
 protected:
  void start(const std::string& db_path) {
    for (int i = 0; i < 3; ++i) line_.engine->set_source(i * 2, ramp_of(i).source(600));
    tool_ = std::make_unique<RunningTool>(std::vector<std::string>{"--port", line_.path, "record", "--channels",
                                                                   "0,2,4", "--rate", "600", "--formula",
                                                                   "Sum=c0+c2", "--db", db_path});
    // Plain progress lines come every second: wait for the second one.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < give_up && lines_of(testkit::read_file(tool_->out_path())).size() < 2) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  // Every channel holds the ramps from scan 0 on, the formula their sum; returns channel 1's length.
  int64_t check(const std::string& db_path, bool equal_lengths) {
    Db db(db_path);
    EXPECT_TRUE(db.ok());
    if (!db.ok()) return -1;
    EXPECT_EQ(db.channels(), 4);
    const int64_t n = db.length(1);
    int64_t phase[3] = {};
    for (int32_t ch = 1; ch <= 3; ++ch) {
      const int64_t len = db.length(ch);
      if (equal_lengths) {
        EXPECT_EQ(len, n) << ch;
      }
      EXPECT_EQ(first_wrong(ch, ramp_of(ch - 1), len, &phase[ch - 1]), -1) << "channel " << ch;
    }
    EXPECT_EQ(phase[0], phase[1]);
    EXPECT_EQ(phase[0], phase[2]);
    const int64_t sum_len = db.length(4);
    if (equal_lengths) {
      EXPECT_EQ(sum_len, n);
    }
    const int64_t common = std::min({sum_len, static_cast<int64_t>(db.length(1)), static_cast<int64_t>(db.length(2))});
    const auto s = db.values(4, 0, static_cast<int32_t>(common));
    const auto a = db.values(1, 0, static_cast<int32_t>(common)), b = db.values(2, 0, static_cast<int32_t>(common));
    for (size_t k = 0; k < s.size(); ++k) {
      EXPECT_EQ(s[k], a[k] + b[k]) << k;
      if (HasFailure()) break;
    }
    return n;
  }
  SimLine line_{1, 45};
  std::unique_ptr<RunningTool> tool_;
};

TEST_F(Unbounded, SigintAndSigtermStopCleanlyWithEveryScanStored) {
  for (int sig : {SIGINT, SIGTERM}) {
    testkit::TempDir dir;
    const std::string db_path = dir.file("run.db");
    start(db_path);
    tool_->signal(sig);
    ToolResult r = tool_->finish();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find(std::string("; stopped by ") + (sig == SIGINT ? "SIGINT" : "SIGTERM")), std::string::npos) << r.err;
    const long long reported = number_after(r.err, "Recorded ");
    EXPECT_GE(reported, 600);  // at least the second of the two progress lines
    EXPECT_EQ(check(db_path, true), reported);
  }
}

TEST_F(Unbounded, SigkillLeavesADatabaseWhoseEveryValueIsRight) {
  testkit::TempDir dir;
  const std::string db_path = dir.file("run.db");
  start(db_path);
  tool_->signal(SIGKILL);
  tool_->finish();
  // Blocks of 60 scans: every channel holds whole blocks, up to the last one stored.
  const int64_t n = check(db_path, false);
  EXPECT_GE(n, 600);
  EXPECT_EQ(n % 60, 0);
}

TEST(Record, DatabaseListExportAndPlot) {
  testkit::TempDir dir;
  const std::string db_path = dir.file("run.db"), csv = dir.file("all.csv"), svg = dir.file("run.svg");
  ToolResult r = run_tool({"record", "--channels", "1,5", "--rate", "50", "--duration", "1s", "--formula", "Twice=2*c1",
                           "--db", db_path});
  ASSERT_EQ(r.status, 0) << r.err;
  // An existing database is not replaced without --force.
  r = run_tool({"record", "--channels", "1", "--rate", "50", "--duration", "1s", "--db", db_path});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("exists already"), std::string::npos) << r.err;

  r = run_tool({"db", db_path});
  ASSERT_EQ(r.status, 0) << r.err;
  auto rows = lines_of(r.out);
  ASSERT_EQ(rows.size(), 5u) << r.out;
  EXPECT_EQ(rows[0].rfind("Chan.  Name      Unit  Count", 0), 0u) << rows[0];
  EXPECT_EQ(words_of(rows[2], 8), "1 Channel1 mV/V 50 1.2 1.2 50 Hz") << rows[2];
  EXPECT_EQ(words_of(rows[3], 4), "2 Channel5 V 50") << rows[3];
  EXPECT_EQ(words_of(rows[4], 7), "3 Twice 50 2.4 2.4 50 Hz") << rows[4];
  // Start and last write: ISO 8601 times.
  EXPECT_EQ(rows[2].find("Z  20"), rows[2].size() - 27) << rows[2];
  r = run_tool({"--json", "db", db_path});
  ASSERT_EQ(r.status, 0) << r.err;
  json_mini::Value doc = json_mini::parse(r.out);
  EXPECT_EQ(doc["channels"][2]["name"].string, "Twice");
  EXPECT_EQ(doc["channels"][0]["count"].number, 50);
  EXPECT_EQ(doc["channels"][0]["max"].number, 1.2);

  r = run_tool({"db", db_path, "export", "--output", csv});
  ASSERT_EQ(r.status, 0) << r.err;
  auto lines = lines_of(testkit::read_file(csv));
  ASSERT_EQ(lines.size(), 51u);
  EXPECT_EQ(lines[0], "time [s],Channel1 [mV/V],Channel5 [V],Twice");
  EXPECT_EQ(lines[1].rfind("0.00000,1.2,", 0), 0u) << lines[1];
  EXPECT_EQ(lines[50].rfind("0.98000,1.2,", 0), 0u) << lines[50];
  EXPECT_EQ(lines[50].substr(lines[50].rfind(',')), ",2.4");
  // By name and number, on standard output.
  r = run_tool({"db", db_path, "export", "Twice,1"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines_of(r.out)[0], "time [s],Twice,Channel1 [mV/V]");
  r = run_tool({"db", db_path, "export", "Nothing"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("has no channel \"Nothing\"; it has: Channel1, Channel5, Twice."), std::string::npos) << r.err;

  r = run_tool({"db", db_path, "plot", "1-2", "--output", svg});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string picture = testkit::read_file(svg);
  EXPECT_EQ(picture.rfind("<?xml", 0), 0u);
  EXPECT_NE(picture.find("1: Channel1 [mV/V]"), std::string::npos);
  EXPECT_NE(picture.find("2: Channel5 [V]"), std::string::npos);
  r = run_tool({"db", db_path, "plot", "1"});
  EXPECT_EQ(r.status, 2);
  r = run_tool({"db", dir.file("none.db")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("does not exist"), std::string::npos);
  testkit::write_file(dir.file("text.db"), "not a database");
  r = run_tool({"db", dir.file("text.db")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("is not a channel database"), std::string::npos) << r.err;
}

// The online file beside the database: its header line, then per block and channel a count and
// the values, the same as the database's; a write that fails stops the recording, said so.
TEST(Record, OnlineFileHoldsTheBlocksAndAFailedWriteStops) {
  SimLine a(1, 45);
  for (int i = 0; i < 2; ++i) a.engine->set_source(i, ramp_of(i).source(200));
  testkit::TempDir dir;
  const std::string db_path = dir.file("run.db"), online = dir.file("run.onl");
  ToolResult r = run_tool({"--port", a.path, "record", "--channels", "0-1", "--rate", "200", "--duration", "1s",
                           "--formula", "S=c0+c1", "--db", db_path, "--online", online});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string bytes = testkit::read_file(online);
  const size_t nl = bytes.find('\n');
  ASSERT_NE(nl, std::string::npos);
  EXPECT_EQ(bytes.substr(0, nl).rfind("# corvane online file: 3 channels at 200 Hz from 20", 0), 0u) << bytes.substr(0, nl);
  EXPECT_NE(bytes.substr(0, nl).find(": Channel0 [mV/V], Channel1 [mV/V], S"), std::string::npos) << bytes.substr(0, nl);
  // Blocks of 20 scans: 10 blocks of 3 x (4 + 160) bytes.
  ASSERT_EQ(bytes.size() - nl - 1, 10u * 3 * (4 + 20 * 8));
  Db db(db_path);
  ASSERT_TRUE(db.ok());
  size_t at = nl + 1;
  for (int block = 0; block < 10; ++block) {
    for (int32_t ch = 1; ch <= 3; ++ch) {
      int32_t count = 0;
      std::memcpy(&count, bytes.data() + at, 4);
      ASSERT_EQ(count, 20);
      std::vector<double> v(20);
      std::memcpy(v.data(), bytes.data() + at + 4, 160);
      EXPECT_EQ(v, db.values(ch, block * 20, 20)) << "block " << block << " channel " << ch;
      at += 164;
    }
  }
  // An existing online file is kept unless --force.
  r = run_tool({"--port", a.path, "record", "--channels", "0", "--rate", "200", "--duration", "1s", "--online", online});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("The online file " + online + " exists already"), std::string::npos) << r.err;
  r = run_tool({"--port", a.path, "record", "--channels", "0", "--rate", "200", "--duration", "1s", "--online",
                dir.file("no/such/folder/x.onl")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("of the online file does not exist"), std::string::npos) << r.err;

  // A disk that is full: the first block's write fails; the database keeps that block.
  const std::string db2 = dir.file("full.db");
  r = run_tool({"--port", a.path, "record", "--channels", "0-1", "--rate", "200", "--db", db2, "--online", "/dev/full"});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("The online file /dev/full could not be written (writing the online file failed (status "
                       "-304)); the recording was stopped after 20 scans; the 20 scans recorded are kept in " + db2),
            std::string::npos)
      << r.err;
  Db full(db2);
  ASSERT_TRUE(full.ok());
  EXPECT_EQ(full.length(1), 20);
}

// Without --duration the database's room ends the recording: a normal end, said so.
TEST(Record, AFullDatabaseEndsTheRecording) {
  SimLine a(1, 45);
  a.engine->set_source(4, ramp_of(0).source(100));
  testkit::TempDir dir;
  const std::string db_path = dir.file("short.db");
  ToolResult r = run_tool({"--port", a.path, "record", "--channels", "4", "--rate", "100", "--max-duration", "1.5s",
                           "--db", db_path});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("Recording into " + db_path + " until Ctrl-C (room for 0:00:01, --max-duration)."),
            std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Recorded 150 scans of 1 channel at 100 Hz from 1 line"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("; the database is full (--max-duration):"), std::string::npos) << r.err;
  Db db(db_path);
  ASSERT_TRUE(db.ok());
  EXPECT_EQ(db.length(1), 150);
  EXPECT_EQ(QBX_GetDatabaseChanMaxLen(1), 150);
  int64_t phase = -1;
  EXPECT_EQ(first_wrong(1, ramp_of(0), 150, &phase), -1);
}

TEST(Record, CommandLineMistakes) {
  struct Case {
    std::vector<std::string> args;
    const char* says;
    int status = 2;
  } cases[] = {
      {{"record", "--channels", "0"}, "record needs --rate"},
      {{"record", "--rate", "600"}, "record needs --channels"},
      {{"record", "--channels", "0", "--rate", "20000"}, "--rate takes a measuring rate from 1 to 9600 Hz"},
      {{"record", "--channels", "0", "--rate", "600", "--formula", "=c0"}, "--formula takes NAME=TEXT"},
      {{"record", "--channels", "0", "--rate", "600", "--formula", "S=c0+c4"}, "uses c4, which is not recorded"},
      {{"record", "--channels", "10", "--rate", "600"}, "Channel 10 does not exist: the chain has 10 channels", 1},
      {{"--port", "sim", "--port", "sim", "show"}, "Several --port options are for record only"},
      {{"record", "--channels", "0", "--rate", "600", "--db", "/no/such/folder/x.db"},
       "The folder /no/such/folder of the database does not exist."},
      {{"record", "--channels", "0", "--rate", "600", "--db", "x.db", "--online", "x.db"}, "must be two files"},
      {{"record", "--channels", "0,1", "--rate", "600", "--formula", "Channel1=c0*2"}, "named \"Channel1\""},
  };
  for (const auto& c : cases) {
    ToolResult r = run_tool(c.args);
    EXPECT_EQ(r.status, c.status) << c.says << ": " << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
}

TEST(Record, LiveLinesOnATerminal) {
  ToolResult r = run_tool_on_terminal({"record", "--channels", "1", "--rate", "100", "--duration", "1s"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("\x1b[K" "Channel1 1.2000 mV/V"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("100 scans"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("scans/s"), std::string::npos) << r.out;
}

}  // namespace
