// When acquire asks the amplifier for its next block. A read (CV_ACQRead) polls the device every
// few milliseconds until the block is complete, so a block that is not there yet is waited for by
// the clock (sleeping until it is due) rather than by polling the line all the while. A block the
// device already holds is asked for at once: the pre-trigger scans and the trigger scan are there
// the moment the device triggers, and a device that runs ahead of the clock (a simulator on a
// virtual clock, or one holding a backlog) delivers blocks before they are due. Which kind of
// device it is shows when a block beyond the trigger is asked for well before it is due: a device
// on the clock makes the read wait until then, and the following blocks are waited for by the
// clock; a device that delivers early has its next block asked for at once again.
#pragma once

#include <chrono>
#include <cstdint>

namespace corvane_cli {

class ReadPacing {
 public:
  using Clock = std::chrono::steady_clock;

  // hz: scans per second (above 0); block: the scans of a full block (at least 1); pre_trigger:
  // the scans before the trigger scan; triggered: false for a run that starts at once, whose rows
  // are taken to come by the clock from the first on; start: a moment before the start command
  // went out.
  ReadPacing(double hz, int32_t block, long long pre_trigger, bool triggered, Clock::time_point start);

  // How long to wait before asking for the rows [done, done + want) at `now`; done > 0 (the
  // first block comes from the trigger wait, or is asked for at once). Zero: ask at once, as for
  // every block until the device has shown that it keeps to the clock.
  Clock::duration wait_before(long long done, int32_t want, Clock::time_point now) const;

  // The rows [done - want, done), asked for at `asked`, arrived at `now`. The first block
  // (done == want) sets the clock.
  void arrived(long long done, int32_t want, Clock::time_point asked, Clock::time_point now);

 private:
  // The moment row `row` is complete by the clock.
  Clock::time_point complete_at(long long row) const;

  double hz_;
  Clock::duration block_time_;
  long long held_;       // rows there when the device triggers: the pre-trigger scans and the trigger scan
  long long not_timed_;  // rows that may come from before the start: the same, in every trigger mode
  Clock::time_point start_;
  // The clock: row clock_row_ was complete at clock_at_, and one more comes every 1/hz seconds.
  long long clock_row_ = 0;
  Clock::time_point clock_at_;
  // The next block is asked for at once: until a read asked for at once, well before its block
  // was due, had to wait for it; and again once the device has delivered more rows than it can
  // have measured since the start.
  bool at_once_ = true;
};

}  // namespace corvane_cli
