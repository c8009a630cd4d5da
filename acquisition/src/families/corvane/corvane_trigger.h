// The Corvane's trigger set-up of a start: the trigger record of the device's port and the level
// condition ("DTR") of trigger mode 2.
#pragma once

#include <cstdint>

#include "kernel_state.h"

namespace tallix::corvane {

inline constexpr int32_t kTriggerNone = 0;
inline constexpr int32_t kTriggerPretrigger = 1;  // trigger with pre-trigger scans
inline constexpr int32_t kTriggerLevel = 2;       // trigger on a level condition with pre-trigger scans

// The words of a trigger record (fourteen 32-bit words).
enum TriggerWord : int32_t {
  kTrigDevice = 1,
  kTrigMode = 2,
  kTrigChannel = 3,
  kTrigCondition = 4,
  kTrigLevel = 5,  // f32
  kTrigBusy = 7,
  kTrigPretrigger = 12,  // percent of the block before the trigger
};

// The trigger records whose device is on the current port, in record order.
struct PortTriggers {
  int32_t count = 0;
  const int32_t* records[kTriggerRecords] = {};
};
PortTriggers triggers_of_current_port();

// The first of the ten trigger records whose device is on the current port, or nullptr.
const int32_t* trigger_of_current_port();

// Sends the level condition of a mode-2 trigger record: "EST?", "DTR<hw>,<code>,<raw>", "EST?".
// -225 when the device refuses or the level cannot be converted to a raw count.
int32_t send_trigger_condition(const int32_t* record);

}  // namespace tallix::corvane
