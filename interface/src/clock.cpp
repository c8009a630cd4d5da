// Clocks on CLOCK_MONOTONIC: the 32-bit millisecond counter, its wrap-continued form, the
// high-resolution time and the busy-wait delay.
#include "clock.h"

#include "platform.h"

namespace linkar {
namespace {

// The monotonic clock ticks in nanoseconds: one million ticks per millisecond.
constexpr uint64_t kTicksPerSecond = 1000000000ull;
constexpr uint64_t kTicksPerMs = kTicksPerSecond / 1000;
// One wrap of the 32-bit counter adds 2^32 - 1 in the continued time, not 2^32: hosts compare
// their stored times with this value, so it stays as it always was.
constexpr double kWrapAdd = 4294967295.0;

double g_last_reading = 0.0;
uint32_t g_wraps = 0;

}  // namespace

uint32_t sys_time_ms() { return static_cast<uint32_t>(platform().monotonic_ns() / kTicksPerMs); }

double sys_time_ex_ms() {
  double reading = static_cast<double>(sys_time_ms());
  if (reading < g_last_reading) ++g_wraps;
  g_last_reading = reading;
  return reading + g_wraps * kWrapAdd;
}

void reset_sys_time_ex() {
  g_last_reading = 0.0;
  g_wraps = 0;
}

double high_res_ms() { return static_cast<double>(platform().monotonic_ns()) / static_cast<double>(kTicksPerMs); }

void busy_delay(int32_t milliseconds) {
  if (milliseconds <= 0) return;
  const uint32_t start = sys_time_ms();
  // Elapsed time in unsigned arithmetic, so a delay that spans the counter's wrap ends on time.
  // The thread polls and yields but never sleeps: callers time device pauses with it.
  while (elapsed_since(start) < static_cast<uint32_t>(milliseconds)) platform().yield();
}

}  // namespace linkar
