// What a temperature sensor gives at a temperature: the voltage of a thermocouple (reference
// junction at 0 degC) from the published ITS-90 reference functions, and the resistance of a
// platinum sensor from the Callendar-Van Dusen equation with the standard coefficients.
#pragma once

#include <cstdint>

namespace corvane_sim {

// Thermocouple voltage in volts at `celsius` for transducer ids 450 (J), 451 (K), 452 (T),
// 453 (S), 454 (B), 455 (E), 456 (R). Outside a function's range the nearest piece is extended.
// Returns 0 for other ids.
double thermocouple_volts(int32_t transducer, double celsius);

// Platinum sensor resistance in ohm at `celsius` for nominal resistance r0 (100, 500, 1000).
double platinum_ohm(double r0, double celsius);

}  // namespace corvane_sim
