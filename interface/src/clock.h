// Millisecond clocks and the busy-wait delay shared by the port code and the exports.
#pragma once

#include <cstdint>

namespace linkar {

// 32-bit millisecond counter since an arbitrary start; wraps after 2^32 ms.
uint32_t sys_time_ms();
// Millisecond counter continued across its wraps (each wrap adds 2^32 - 1, as the callers expect).
double sys_time_ex_ms();
// Clears the wrap count of sys_time_ex_ms.
void reset_sys_time_ex();
// High-resolution milliseconds: counter / (ticks per millisecond).
double high_res_ms();
// Waits by polling the millisecond counter until `milliseconds` have passed; <= 0 returns at once.
void busy_delay(int32_t milliseconds);

// Milliseconds elapsed since `start` (a sys_time_ms reading), correct across one wrap.
inline uint32_t elapsed_since(uint32_t start) { return sys_time_ms() - start; }

// Milliseconds left of a wait of timeout_ms that began at start: -1 without limit (timeout_ms
// <= 0), 0 once it has passed.
inline int32_t time_left(uint32_t start, int32_t timeout_ms) {
  if (timeout_ms <= 0) return -1;
  const uint32_t elapsed = elapsed_since(start);
  return elapsed >= static_cast<uint32_t>(timeout_ms) ? 0 : timeout_ms - static_cast<int32_t>(elapsed);
}

}  // namespace linkar
