// Forward and inverse evaluation of the piecewise-quadratic linearisation tables.
#include "linearisation.h"

#include <cmath>
#include <cstddef>

namespace corvan {
namespace {

// Index of the segment that holds v among the nodes: the first node k with v <= node_k gives
// segment k - 1 (segment 0 when k is 0). The caller has already clamped v to the table.
size_t segment_of(std::span<const double> nodes, double v) {
  size_t k = 0;
  while (k + 1 < nodes.size() && !(v <= nodes[k])) ++k;
  return k == 0 ? 0 : k - 1;
}

// Table units (x) for °C (y) on segment k: the root of y_k + d (s + r d) = y inside the segment.
double solve_segment(const LinTable& t, size_t k, double y) {
  const double s = t.s[k];
  const double r = t.r[k];
  const double dy = y - t.y[k];
  double disc = s * s + 4.0 * r * dy;
  if (disc < 0.0) disc = 0.0;  // rounding at a segment's vertex; the tables are monotone
  const double root = std::sqrt(disc);
  // 2 dy / (s + root) equals (-s + root) / (2 r) but stays exact for small r (and r == 0).
  const double denom = s + root;
  double d = denom != 0.0 ? 2.0 * dy / denom : 0.0;
  // The other root is taken when this one lies past the segment's upper node. A node's own
  // temperature lands a rounding error past the end; that must not switch to the far root.
  const double length = t.x[k + 1 < t.x.size() ? k + 1 : k] - t.x[k];
  const double slack = 1e-9 * (std::fabs(length) + std::fabs(t.x[k])) + 1e-12;
  if (d > length + slack && r != 0.0) {
    const double other = (-s - root) / (2.0 * r);
    if (other >= -slack && other <= length + slack) d = other;
  }
  return t.x[k] + d;
}

}  // namespace

int32_t linearise(float* value, int32_t transducer, bool inverse) {
  const LinSensor* sensor = find_lin_sensor(transducer);
  if (sensor == nullptr) return kCvLinUnsupported;
  return linearise(value, *sensor, inverse);
}

int32_t linearise(float* value, const LinSensor& sensor_entry, bool inverse) {
  const LinSensor* sensor = &sensor_entry;
  const LinTable& t = *sensor->table;
  const size_t last = t.x.size() - 1;
  if (std::isnan(*value)) return kCvLinClamped;  // no place in the table; left as it is

  if (!inverse) {
    const double x = static_cast<double>(*value) * sensor->gain + sensor->offset;
    if (x < t.x[0]) {
      *value = static_cast<float>(t.y[0]);
      return kCvLinClamped;
    }
    if (x > t.x[last]) {
      *value = static_cast<float>(t.y[last]);
      return kCvLinClamped;
    }
    const size_t k = segment_of(t.x, x);
    const double d = x - t.x[k];
    *value = static_cast<float>(t.y[k] + d * (t.s[k] + t.r[k] * d));
    return kCvOk;
  }

  const double y = *value;
  double x;
  int32_t status = kCvOk;
  if (y < t.y[0]) {
    x = t.x[0];
    status = kCvLinClamped;
  } else if (y > t.y[last]) {
    x = t.x[last];
    status = kCvLinClamped;
  } else {
    x = solve_segment(t, segment_of(t.y, y), y);
  }
  *value = static_cast<float>((x - sensor->offset) * sensor->out_scale);
  return status;
}

}  // namespace corvan
