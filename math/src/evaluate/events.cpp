// The event stack of the process. Removing an event moves every newer one down by one slot, so slot 0
// always holds the oldest.
#include "evaluate/events.h"

#include <array>
#include <cstring>

#include "numera32_evaluate.h"

namespace numera32::evaluate {

namespace {

constexpr int32_t kNewest = -2;
constexpr int32_t kOldest = -1;
constexpr int32_t kFind = -3;

std::array<int16_t, kFormulaEventSlots> g_events{};
int32_t g_count = 0;

void remove_at(int32_t slot) {
  std::memmove(&g_events[static_cast<std::size_t>(slot)], &g_events[static_cast<std::size_t>(slot) + 1],
               sizeof(int16_t) * static_cast<std::size_t>(g_count - slot - 1));
  --g_count;
}

// The event in `slot`, removed when `remove` is set.
int32_t take(int32_t slot, bool remove) {
  const int32_t code = g_events[static_cast<std::size_t>(slot)];
  if (remove) remove_at(slot);
  return code;
}

}  // namespace

void push_event(int16_t code) {
  g_events[static_cast<std::size_t>(g_count)] = code;
  ++g_count;
  if (g_count == kFormulaEventSlots) remove_at(0);
}

int32_t get_event(int16_t index, uint16_t flag) {
  if (g_count == 0) return 0;
  switch (index) {
    case kOldest:
      return take(0, flag != 0);
    case kNewest:
      return take(g_count - 1, flag != 0);
    case kFind:
      for (int32_t i = 0; i < g_count; ++i) {
        if (g_events[static_cast<std::size_t>(i)] == static_cast<int16_t>(flag)) {
          remove_at(i);
          return 1;
        }
      }
      return 0;
    default:
      if (index < 0 || index >= g_count) return 0;
      return take(index, flag != 0);
  }
}

int32_t event_count() { return g_count; }

void clear_events() { g_count = 0; }

}  // namespace numera32::evaluate
