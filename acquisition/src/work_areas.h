// Channel work areas: the zeroed heap block a time channel or a formula channel with state keeps
// between reads, sized by the channel's class and formula kind.
#pragma once

#include <cstdint>

namespace tallix {

// Frees the channel's work area and allocates the one its class and formula kind need (none for
// other channels). -241 when it cannot be allocated (the channel then has none).
int32_t renew_work_area(int32_t channel);
// Frees the channel's work area.
void free_work_area(int32_t channel);

}  // namespace tallix
