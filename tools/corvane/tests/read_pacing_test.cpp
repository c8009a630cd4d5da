// When acquire asks for its blocks, against model devices on a simulated clock: one that measures
// in real time (it must not be polled block after block, nor its rows be waited for longer than
// they take) and one that runs ahead of the clock (it must be read without any waiting).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "read_pacing.h"

namespace {

using corvane_cli::ReadPacing;
using Clock = ReadPacing::Clock;

Clock::duration seconds(double s) {
  return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
}
double seconds_of(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// A device whose trigger scan (row `pre`) is complete at `trigger`, the rows before it at once, and
// one row more every 1/hz seconds after it; or, ahead of the clock, every row at once. A read comes
// `latency` after it was asked or after its last row is complete, whichever is later.
struct ModelDevice {
  double hz = 1;
  long long pre = 0;
  bool ahead = false;
  Clock::time_point trigger = Clock::time_point{} + seconds(1000);
  double latency_s = 0.002;
  Clock::time_point complete(long long row) const {
    if (ahead || row <= pre) return trigger;
    return trigger + seconds(static_cast<double>(row - pre) / hz);
  }
};

struct PacedRun {
  Clock::time_point last;  // when the last block came
  double slept_s = 0;      // the pacing's waits, all together
  int waited_reads = 0;    // reads that had to wait for their block (polling) more than 10 ms
};

// Something that holds up one block: its read comes read_s late (a loaded computer), or the
// reader is busy for busy_s after it came (a slow disk).
struct Hiccup {
  long long row = -1;  // the block that ends at this row
  double read_s = 0, busy_s = 0;
};

// Reads `scans` rows in blocks as acquire does; the first block comes from the trigger wait, which
// began half a second after the start (a run without a trigger starts at its first scan).
PacedRun read_run(const ModelDevice& dev, int32_t block, long long scans, bool triggered, Hiccup hiccup = {}) {
  ReadPacing pacing(dev.hz, block, dev.pre, triggered, dev.trigger - seconds(triggered ? 0.5 : 0));
  PacedRun run;
  Clock::time_point now = dev.trigger;
  long long done = 0;
  while (done < scans) {
    const auto want = static_cast<int32_t>(std::min<long long>(block, scans - done));
    if (done > 0) {
      const Clock::duration wait = pacing.wait_before(done, want, now);
      EXPECT_GE(wait.count(), 0);
      run.slept_s += seconds_of(wait);
      now += wait;
    }
    const Clock::time_point asked = now;
    const Clock::time_point complete = dev.complete(done + want - 1);
    // (The first block is the trigger wait's, or asked for at once when there is no trigger.)
    if (done > 0 && complete - asked > seconds(0.01)) ++run.waited_reads;
    now = std::max(asked, complete) + seconds(dev.latency_s);
    done += want;
    if (done - 1 == hiccup.row) now += seconds(hiccup.read_s);
    pacing.arrived(done, want, asked, now);
    if (done - 1 == hiccup.row) now += seconds(hiccup.busy_s);
  }
  run.last = now;
  return run;
}

TEST(AcquirePacing, ADeviceAheadOfTheClockIsReadWithoutWaiting) {
  for (double hz : {1.0, 5.0, 10.0, 50.0, 1200.0}) {
    SCOPED_TRACE(hz);
    ModelDevice dev;
    dev.hz = hz;
    dev.pre = 50;
    dev.ahead = true;
    const auto block = static_cast<int32_t>(std::clamp(std::floor(hz / 10), 1.0, 3000.0));
    const PacedRun run = read_run(dev, block, 200, true);
    EXPECT_EQ(run.slept_s, 0.0);
    EXPECT_EQ(run.waited_reads, 0);
  }
  // Without a trigger too: the second block is asked for at once and comes at once.
  ModelDevice dev;
  dev.ahead = true;
  EXPECT_EQ(read_run(dev, 1, 30, false).slept_s, 0.0);
  // A read that came late once (the computer was busy) does not put the device on the clock.
  dev.hz = 10;
  dev.pre = 50;
  Hiccup slow;
  slow.row = 60;
  slow.read_s = 0.2;
  EXPECT_EQ(read_run(dev, 1, 200, true, slow).slept_s, 0.0);
}

TEST(AcquirePacing, RowsHeldAtTheTriggerComeAtOnceTheRestByTheClock) {
  // 1 Hz, 50 pre-trigger scans, 80 rows: the 51 rows up to the trigger scan are there at the
  // trigger, the 29 after it take 29 s; only the first of them is polled for.
  ModelDevice dev;
  dev.hz = 1;
  dev.pre = 50;
  const PacedRun run = read_run(dev, 1, 80, true);
  EXPECT_LE(seconds_of(run.last - dev.complete(79)), 0.05);
  EXPECT_EQ(run.waited_reads, 1);
  EXPECT_GT(run.slept_s, 27.0);  // the rest was slept, not polled
}

TEST(AcquirePacing, ADeviceOnTheClockIsNotPolledBlockAfterBlock) {
  for (double hz : {2.0, 10.0, 100.0, 600.0, 9600.0}) {
    for (bool triggered : {false, true}) {
      for (double latency : {0.001, 0.015, 0.04}) {
        SCOPED_TRACE(testing::Message() << hz << " Hz, triggered " << triggered << ", latency " << latency);
        ModelDevice dev;
        dev.hz = hz;
        dev.pre = triggered ? 7 : 0;
        dev.latency_s = latency;
        const auto block = static_cast<int32_t>(std::clamp(std::floor(hz / 10), 1.0, 3000.0));
        const long long scans = 100LL * block;
        const PacedRun run = read_run(dev, block, scans, triggered);
        // Only those asked for at once to learn the device's pace (a second one when the first was
        // asked too late to tell).
        EXPECT_LE(run.waited_reads, 2);
        // Nothing is waited for much longer than it takes: the last row comes about when complete.
        EXPECT_LE(seconds_of(run.last - dev.complete(scans - 1)), 2 * latency + 0.01);
      }
    }
  }
}

TEST(AcquirePacing, AReaderThatFellBehindCatchesUpThenKeepsToTheClock) {
  ModelDevice dev;
  dev.hz = 100;
  dev.pre = 0;
  // The reader is busy for 0.35 s after block 20: the device holds three blocks and more by then.
  Hiccup busy;
  busy.row = 209;
  busy.busy_s = 0.35;
  const PacedRun run = read_run(dev, 10, 1000, false, busy);
  EXPECT_LE(run.waited_reads, 2);
  EXPECT_LE(seconds_of(run.last - dev.complete(999)), 2 * dev.latency_s + 0.01);
}

}  // namespace
