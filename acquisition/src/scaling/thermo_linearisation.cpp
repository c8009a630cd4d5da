// Evaluation of the thermo tables: the segment that holds a signal or a temperature, the quadratic
// within it and its inverse, and QBX_DoThermoLinCalc.
#include "scaling/thermo_linearisation.h"

#include <cmath>

#include "export_guard.h"
#include "tallix32.h"

namespace tallix {
namespace {

// Segment i with x[i] < v <= x[i + 1] (v = x[0] gives 0) among the first n entries of a rising
// list; the caller has checked x[0] <= v <= x[n - 1].
int32_t segment_of(const double* x, int32_t n, double v) {
  int32_t i = 0;
  while (i + 2 < n && v > x[i + 1]) ++i;
  return i;
}

double quadratic(const ThermoTable& t, int32_t i, double d) {
  const double u = d - t.x[i];
  return t.t[i] + u * (t.s[i] + t.q[i] * u);
}

// The u of segment i where the quadratic reaches temperature `temperature`. The root
// (-s + sqrt(s^2 + 4 q dT)) / 2q is computed as 2 dT / (s + sqrt(...)), which is the same number
// but stays exact for the tiny q of the platinum table; past the segment's end the other root.
double solve_segment(const ThermoTable& t, int32_t i, double temperature) {
  const double s = t.s[i], q = t.q[i], dt = temperature - t.t[i];
  const double root = std::sqrt(std::fmax(0.0, s * s + 4.0 * q * dt));
  double u = (s + root) != 0.0 ? 2.0 * dt / (s + root) : 0.0;
  // A breakpoint's own temperature lands a rounding error past the segment's end: that must not
  // switch to the far root, and neither may a far root that lies outside the segment.
  const int32_t next = i + 1 < t.n ? i + 1 : i;
  const double length = t.x[next] - t.x[i];
  const double slack = 1e-9 * (std::fabs(length) + std::fabs(t.x[i])) + 1e-12;
  if (u > length + slack && q != 0.0) {
    const double other = (-s - root) / (2.0 * q);
    if (other >= -slack && other <= length + slack) u = other;
  }
  return u;
}

}  // namespace

int32_t thermo_forward(const ThermoSensor& sensor, double* value) {
  const ThermoTable& t = *sensor.table;
  const double d = *value * sensor.gain + sensor.offset;
  if (std::isnan(d)) return kAcqOutsideTable;  // no place in the table; left as it is
  if (d < t.x[0]) {
    *value = t.t[0];
    return kAcqOutsideTable;
  }
  if (d > t.x[t.n - 1]) {
    *value = t.t[t.n - 1];
    return kAcqOutsideTable;
  }
  *value = quadratic(t, segment_of(t.x, t.n, d), d);
  return kAcqOk;
}

int32_t thermo_inverse(const ThermoSensor& sensor, double* value) {
  const ThermoTable& t = *sensor.table;
  const double temperature = *value;
  if (std::isnan(temperature)) return kAcqOutsideTable;
  double d;
  int32_t status = kAcqOk;
  if (temperature < t.t[0]) {
    d = t.x[0];
    status = kAcqOutsideTable;
  } else if (temperature > t.t[t.n - 1]) {
    d = t.x[t.n - 1];
    status = kAcqOutsideTable;
  } else {
    const int32_t i = segment_of(t.t, t.n, temperature);
    d = t.x[i] + solve_segment(t, i, temperature);
  }
  *value = (d - sensor.offset) * sensor.back_scale;
  return status;
}

int32_t thermo_forward_block(const ThermoSensor& sensor, double* values, int32_t n, double scale, double shift) {
  const ThermoTable& t = *sensor.table;
  const double lo = t.x[0], hi = t.x[t.n - 1];
  const double gain = scale * sensor.gain, offset = shift * sensor.gain + sensor.offset;
  int32_t clamped = 0;
  int32_t i = 0;  // segment of the previous value: a signal moves little from one value to the next
  for (int32_t j = 0; j < n; ++j) {
    const double d = values[j] * gain + offset;
    if (!(d >= lo && d <= hi)) {
      values[j] = values[j] * scale + shift;
      clamped += thermo_forward(sensor, &values[j]) != kAcqOk;
      continue;
    }
    if (!(d > t.x[i] && d <= t.x[i + 1]) && !(i == 0 && d == lo)) i = segment_of(t.x, t.n, d);
    values[j] = quadratic(t, i, d);
  }
  return clamped;
}

}  // namespace tallix

extern "C" TALLIX32_API int32_t QBX_DoThermoLinCalc(double* value, int32_t sensor_type, int32_t direction) {
  return tallix::guarded([&]() -> int32_t {
    if (value == nullptr) return kAcqBadArgument;
    const tallix::ThermoSensor* sensor = tallix::find_thermo_sensor(sensor_type);
    if (sensor == nullptr) return kAcqUnknownSensor;
    return direction == 0 ? tallix::thermo_forward(*sensor, value) : tallix::thermo_inverse(*sensor, value);
  });
}
