// Linearisation of thermocouple and platinum-resistance channels: piecewise quadratic segments
// between the nodes of one table per sensor kind, forward (sensor signal to °C) and inverse.
#pragma once

#include <cstdint>
#include <span>

#include "corvan32.h"

namespace corvan {


// One table: n nodes (x_k, y_k) with the segment coefficients s_k, r_k of the quadratic
// y = y_k + d * (s_k + r_k * d), d = x - x_k, which runs from node k to node k + 1.
struct LinTable {
  std::span<const double> x;
  std::span<const double> y;
  std::span<const double> s;
  std::span<const double> r;
};

// How a transducer's signal maps onto its table: x = value * gain + offset on the way in (signal
// to table units); value = (x - offset) * out_scale on the way back (table units to signal).
struct LinSensor {
  int32_t transducer;
  const LinTable* table;
  double gain;
  double offset;
  double out_scale;
};

// The sensor entry of a transducer id, or null when the transducer has no linearisation.
const LinSensor* find_lin_sensor(int32_t transducer);

// Replaces *value by its linearisation for the transducer: inverse == false turns a sensor signal
// (V for thermocouples, Ohm for Pt) into °C, inverse == true turns °C back into the signal.
// Returns kCvOk, kCvLinClamped (value set to the end node) or kCvLinUnsupported (value unchanged).
int32_t linearise(float* value, int32_t transducer, bool inverse);
// The same for a sensor entry found beforehand (the hot path of block conversion).
int32_t linearise(float* value, const LinSensor& sensor, bool inverse);

}  // namespace corvan
