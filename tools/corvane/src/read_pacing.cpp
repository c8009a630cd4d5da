// When acquire asks the amplifier for its next block: at once for rows the device holds, by the
// clock for rows still to be measured (see read_pacing.h).
#include "read_pacing.h"

#include <algorithm>

namespace corvane_cli {
namespace {

// A block asked for by the clock is asked for this much before it is due: the read's first poll
// then finds it complete or nearly so.
constexpr std::chrono::milliseconds kAskEarly{5};

}  // namespace

ReadPacing::ReadPacing(double hz, int32_t block, long long pre_trigger, bool triggered, Clock::time_point start)
    : hz_(hz),
      block_time_(std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(block / hz))),
      held_(triggered ? pre_trigger + 1 : 0),
      not_timed_(pre_trigger + 1),
      start_(start) {}

ReadPacing::Clock::time_point ReadPacing::complete_at(long long row) const {
  return clock_at_ + std::chrono::duration_cast<Clock::duration>(
                         std::chrono::duration<double>(static_cast<double>(row - clock_row_) / hz_));
}

ReadPacing::Clock::duration ReadPacing::wait_before(long long done, int32_t want, Clock::time_point now) const {
  if (at_once_) return Clock::duration::zero();
  return std::max(Clock::duration::zero(), complete_at(done + want - 1) - kAskEarly - now);
}

void ReadPacing::arrived(long long done, int32_t want, Clock::time_point asked, Clock::time_point now) {
  if (done == want) {
    // The first block was complete when it came; so was the trigger scan, even when the block
    // ends before it.
    clock_row_ = std::max(done, held_) - 1;
    clock_at_ = now;
    return;
  }
  const Clock::time_point due = complete_at(done - 1);
  // A device measuring in real time has, since the start, no more rows after its trigger scan
  // than the seconds passed times its rate; 1 % allows for its clock.
  const double since_start = std::chrono::duration<double>(now - start_).count();
  const bool beyond_start = static_cast<double>(done - not_timed_) > since_start * hz_ * 1.01;
  // Half a block covers how much the line and the driver's polling delay one block more than
  // another; a device on the clock never delivers that much before its block is due. A read asked
  // for late tells nothing, nor do the rows held at the trigger (due when it came): the block may
  // have been there in real time too.
  const Clock::duration slack = block_time_ / 2;
  const bool asked_well_before = asked < due - slack;
  const bool came_early = now < due - slack;
  at_once_ = beyond_start || (at_once_ && (came_early || !asked_well_before));
  // The block counts as complete when due, but no later than it came (the device is ahead of the
  // clock); and when it was asked for in time but came more than a block late, a block before it
  // came (the device's clock is behind ours). A block asked for late (the reader lagged) leaves the
  // clock as it is, so that the rows held meanwhile are asked for at once.
  clock_row_ = done - 1;
  clock_at_ = asked <= due ? std::clamp(due, now - block_time_, now) : std::min(due, now);
}

}  // namespace corvane_cli
