// Normalisation of a database channel: each value reduced by a baseline (distance below the
// maximum, or a straight line chosen five ways), optionally divided by a scale and multiplied by
// a unit factor, and appended to the output channel.
#include <vector>

#include "channel_io.h"
#include "guard.h"
#include "line_fit.h"
#include "numera32_signal.h"

using namespace numera::signal;

namespace {

enum Baseline : int16_t { kBelowMax = 0, kFirstLast = 1, kRegression = 2, kGivenPoints = 3, kFirstToLargestX = 4 };
enum ScaleMode : int16_t { kNoScale = 0, kByMax = 1, kByLast = 2 };

// Unit factor by unit mode (percent, per mille, per million); other modes 1.
double unit_factor(int16_t mode) {
  static constexpr double kFactors[] = {1.0, 100.0, 1000.0, 1000000.0};
  return mode >= 1 && mode <= 3 ? kFactors[mode] : 1.0;
}

}  // namespace

extern "C" int32_t Normalize(int32_t x_channel, int32_t y_channel, int32_t output_channel, int16_t baseline,
                             const double* points, int16_t offset_flag, int16_t scale_mode, double scale,
                             int16_t unit_mode) {
  if (output_channel == y_channel || baseline < kBelowMax || baseline > kFirstToLargestX ||
      (baseline == kGivenPoints && !points))
    return kSpectraFailed;
  return guarded([&]() -> int32_t {
    const int32_t rows = db::length(y_channel);
    if (rows < 2) return kSpectraFailed;
    const bool need_x = baseline != kBelowMax;
    if (need_x && (x_channel == 0 || db::length(x_channel) < rows)) return kSpectraFailed;
    std::vector<double> x, y;
    if (const int32_t st = db::read_rows(y_channel, rows, y); st < 0) return st;
    if (need_x)
      if (const int32_t st = db::read_rows(x_channel, rows, x); st < 0) return st;
    const std::size_t last = y.size() - 1;
    const double y_o = offset_flag ? y[0] : 0.0;
    const double x_o = offset_flag && need_x ? x[0] : 0.0;
    double channel_max = 0.0;
    if (const int32_t st = db::maximum(y_channel, channel_max); st < 0) return st;
    const double y_max = channel_max - y_o;

    // Row of the largest x (first occurrence), for baseline 4.
    std::size_t at = 0;
    if (baseline == kFirstToLargestX)
      for (std::size_t i = 1; i < x.size(); ++i)
        if (x[i] > x[at]) at = i;

    double divisor = 1.0;
    if (scale_mode == kByMax) {
      divisor = y_max;
    } else if (scale_mode == kByLast) {
      divisor = (baseline == kFirstToLargestX ? y[at] : y[last]) - y_o;
    } else if (scale_mode != kNoScale) {
      divisor = scale;
    }
    if (scale_mode != kNoScale && divisor == 0.0) return kSpectraFailed;
    const double factor = unit_factor(unit_mode);

    // The baseline as value(i); a line through two points of the same x determines nothing.
    double slope = 0.0, a = 0.0;
    switch (baseline) {
      case kFirstLast:
        if (x[last] == x[0]) return kSpectraFailed;
        slope = (y[last] - y[0]) / (x[last] - x[0]);
        break;
      case kRegression: {
        LineFit fit;
        if (!fit_line(x.data(), y.data(), y.size(), fit)) return kSpectraFailed;
        a = fit.a;
        slope = fit.b;
        break;
      }
      case kGivenPoints:
        if (points[2] == points[0]) return kSpectraFailed;
        slope = (points[3] - points[1]) / (points[2] - points[0]);
        break;
      case kFirstToLargestX:
        if (x[at] == x[0]) return kSpectraFailed;
        slope = (y[at] - y[0]) / (x[at] - x[0]);
        break;
      default:
        break;
    }
    db::Appender out(output_channel);
    for (std::size_t i = 0; i < y.size(); ++i) {
      double v = 0.0;
      switch (baseline) {
        case kBelowMax: v = y_max - (y[i] - y_o); break;
        case kFirstLast:
        case kFirstToLargestX: v = y[i] - (y[0] + (x[i] - x[0]) * slope); break;
        case kRegression: v = y[i] - y_o - (a + slope * (x[i] - x_o)); break;
        case kGivenPoints: v = y[i] - y_o - (points[1] - slope * points[0] + slope * (x[i] - x_o)); break;
        default: break;
      }
      if (scale_mode != kNoScale) v = v / divisor * factor;
      out.push(v);
      if (out.status() < 0) break;
    }
    return out.flush();
  });
}
