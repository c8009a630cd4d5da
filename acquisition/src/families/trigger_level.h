// The level condition of a level trigger (trigger mode 2) as the devices compare it: the physical
// trigger level of a trigger record turned into the raw count of its trigger channel by running
// the channel's scaling backwards. Shared by every family that sends a level to its device.
#pragma once

#include <cstdint>

namespace tallix {

// A level-trigger record made ready for a device.
struct LevelCondition {
  int32_t hardware;   // hardware channel of the trigger channel
  int32_t condition;  // the record's condition 0..3
  int32_t raw;        // the level as the channel's raw count
};

// The raw count that the channel's scaling pass turns into the physical `level`: lin modes 1..3
// undo the software tare, the linearisation (mode 2: the inverse point table or the bridge factor;
// mode 3: the inverse thermo linearisation of the header's sensor type), the zero offset and the
// range scaling; other lin modes take the level as the count (truncated). False when the
// linearisation has no inverse (a polynomial or formula, a bridge without gain, a level outside
// the thermo table), the range is 0, or the count does not fit 32 bits.
bool raw_trigger_count(int32_t channel, double level, int32_t* raw);

// The level condition of a trigger record (its channel, condition and f32 level). False, and the
// device is to be told nothing, when the trigger channel is not a valid channel, the condition is
// not 0..3, or raw_trigger_count fails.
bool level_condition(const int32_t* record, LevelCondition* condition);

}  // namespace tallix
