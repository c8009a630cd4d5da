// The long recording: one hour at full rate on 16 channels through the tool, every value checked.
// A test program of its own, so that its time limit is its own.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "record_fixture.h"
#include "run_tool.h"

using namespace record_test;

namespace {

// One hour at the Corvane's fastest rate, 9600 Hz (no slower rate is needed for 16 channels: a
// read of 1023 scans of 16 channels fits the kernel's receive area), on 16 channels of a chain of
// two devices, on the virtual clock: the simulator's clock advances 50 ms with each line, so the
// tool's two lines per read (status, block) take exactly its block of 960 scans. Every one of the
// 34,560,000 scans of every channel is in the database and is the simulator's value, checked
// streaming, a million values at a time. The database file is sparse until written: 4.4 GB.
// CORVANE_RECORD_HOURS sets another length (such as 0.01 for a quick look).
TEST(Record, OneHourAtFullRateOnSixteenChannelsStoresEveryScan) {
  double hours = 1.0;
  if (const char* h = std::getenv("CORVANE_RECORD_HOURS")) hours = std::atof(h);
  const auto scans = static_cast<int64_t>(std::llround(hours * 3600 * 9600));
  SimLine line(2, 50);
  std::vector<int> chain;
  for (int c : {0, 1, 2, 3, 4, 5, 6, 7, 10, 11, 12, 13, 14, 15, 16, 17}) chain.push_back(c);
  for (size_t i = 0; i < chain.size(); ++i) line.engine->set_source(chain[i], ramp_of(static_cast<int>(i)).source(9600));
  testkit::TempDir dir;
  const std::string db_path = dir.file("hour.db");
  const auto t0 = std::chrono::steady_clock::now();
  ToolResult r = run_tool({"--port", line.path, "-q", "record", "--channels", "0-7,10-17", "--rate", "9600",
                           "--duration", std::to_string(hours * 3600) + "s", "--db", db_path});
  const double record_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  ASSERT_EQ(r.status, 0) << r.err;
  Db db(db_path);
  ASSERT_TRUE(db.ok());
  ASSERT_EQ(db.channels(), 16);
  int64_t phase0 = -1;
  for (int32_t ch = 1; ch <= 16; ++ch) {
    ASSERT_EQ(db.length(ch), scans) << ch;
    int64_t phase = -1;
    ASSERT_EQ(first_wrong(ch, ramp_of(ch - 1), scans, &phase), -1) << "channel " << ch;
    if (ch == 1) phase0 = phase;
    EXPECT_EQ(phase, phase0) << ch;
  }
  const double total_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("recorded %lld scans x 16 channels in %.1f s, checked in %.1f s\n", static_cast<long long>(scans), record_s,
              total_s - record_s);
}

}  // namespace
