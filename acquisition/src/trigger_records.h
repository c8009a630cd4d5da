// The trigger-logic values the host gives per device (QBX_ACQSetTrgLogic), read by the families
// that combine several trigger conditions. The trigger records themselves live in the kernel state.
#pragma once

#include <cstdint>

namespace tallix {

inline constexpr int32_t kTriggerLogicTables = 2;

// Value `table` (0 or 1) of device `number` (0..63; callers check both); 0 until the host sets it.
int16_t trigger_logic(int32_t table, int32_t number);

}  // namespace tallix
