// Thermo linearisation of thermocouple and resistance-thermometer channels: one table of
// piecewise-quadratic segments per sensor type, evaluated forward (signal to degrees C) and back.
#pragma once

#include <cstdint>

namespace tallix {

// A table of n segments: segment i starts at breakpoint x[i] with temperature t[i] and runs as
// T = t[i] + s[i] u + q[i] u^2, u = d - x[i], up to x[i + 1].
struct ThermoTable {
  int32_t n;
  const double* x;
  const double* t;
  const double* s;
  const double* q;
};

// How a sensor type's signal maps onto its table: d = signal x gain + offset on the way in; the way
// back gives (d - offset) x back_scale.
struct ThermoSensor {
  const ThermoTable* table;
  double gain;
  double offset;
  double back_scale;
};

// The sensor of a type 1..10, or nullptr for another type.
const ThermoSensor* find_thermo_sensor(int32_t sensor_type);

// Signal -> degrees C in place. 0, or -219 with the value clamped to the table's end temperature.
int32_t thermo_forward(const ThermoSensor& sensor, double* value);
// Degrees C -> signal in place. 0, or -219 with the value of the table's end breakpoint.
int32_t thermo_inverse(const ThermoSensor& sensor, double* value);

// Forward over n values in place (the hot path of the scaling pass), each value v taken as the
// signal v x scale + shift, so that range scaling folds into the same pass over the block. The
// segment of the previous value is tried first. Returns the number of values that were clamped.
int32_t thermo_forward_block(const ThermoSensor& sensor, double* values, int32_t n, double scale, double shift);

}  // namespace tallix
