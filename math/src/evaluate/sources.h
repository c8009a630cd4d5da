// Values that formulas take from outside the library: channel values from the acquisition kernel,
// the system time from the interface library, database values from the channel database.
#ifndef NUMERA32_EVALUATE_SOURCES_H
#define NUMERA32_EVALUATE_SOURCES_H

#include <cstdint>

namespace numera32::evaluate {

// The value of channel n at the kernel's current formula row: 0, kFormulaNoValueAtRow (value 1.0),
// or kFormulaChannelUnavailable (value 0.0: channel blocked by the channel offset list, refused by
// the kernel, or no kernel loaded).
int32_t channel_value(int64_t channel, double& value);

// The current system time in milliseconds.
double system_time();

// One value of database channel `channel` at 1-based row `row`: 0 or the database's status.
int32_t database_value(int32_t channel, int32_t row, double& value);

// Writes one value into database channel `channel` at 0-based row `position`: 0 or a status.
int32_t database_store(int32_t channel, int32_t position, double value);

}  // namespace numera32::evaluate

#endif
