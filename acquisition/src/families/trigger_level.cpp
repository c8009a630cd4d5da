// The physical trigger level of a channel run backwards through the channel's scaling into the
// raw count its device compares with (the scaling pass of scaling_pass.cpp, inverted).
#include "families/trigger_level.h"

#include <cmath>
#include <cstring>

#include "families/corvane/corvane_trigger.h"
#include "kernel_state.h"
#include "scaling/linearisation.h"

namespace tallix {
namespace {

constexpr int32_t kConditionCount = 4;        // conditions 0..3
constexpr int32_t kInverse = 1;               // QBX_DoLinCalc / QBX_DoThermoLinCalc: physical -> input
constexpr double kThermoInputScale = 1000.0;  // the scaling pass feeds thermo with value x 1000

// The range-scaled value (zero offset + range x raw / full-scale count) that the channel's
// linearisation turns into the physical level: the scaling pass of the channel run backwards.
// False when the linearisation has no inverse here (polynomial, formula, a bridge without gain).
bool range_scaled_level(int32_t channel, double level, double* value) {
  const LinRecord& lin = kernel().lin[channel];
  *value = level;
  if (lin.mode == kLinTable) {
    const double with_tare = level + lin.software_tare;  // the pass subtracts the tare last
    if (lin.type == kLinTypePoints) {
      *value = with_tare;
      return QBX_DoLinCalc(value, channel, kInverse) == kAcqOk;
    }
    if (lin.type != kLinTypeBridge || lin.points == nullptr || lin.count < kBridgeParameters) return false;
    const double factor = bridge_factor(lin.points);
    if (!std::isfinite(factor) || factor == 0.0) return false;
    *value = with_tare / factor;
    return true;
  }
  if (lin.mode == kLinThermo) {
    if (QBX_DoThermoLinCalc(value, header(channel).sensor_type, kInverse) != kAcqOk) return false;
    *value /= kThermoInputScale;
  }
  return true;
}

}  // namespace

bool raw_trigger_count(int32_t channel, double level, int32_t* raw) {
  const AcqHdr& h = header(channel);
  const int32_t mode = kernel().lin[channel].mode;
  double value = level;
  if (mode == kLinRange || mode == kLinTable || mode == kLinThermo) {
    if (!range_scaled_level(channel, level, &value) || h.range == 0.0f) return false;
    value = (value - h.zero_offset) / h.range * h.full_scale;
  }
  if (!std::isfinite(value) || value < INT32_MIN || value > INT32_MAX) return false;
  *raw = static_cast<int32_t>(value);
  return true;
}

bool level_condition(const int32_t* record, LevelCondition* condition) {
  const int32_t channel = record[corvane::kTrigChannel];
  const int32_t c = record[corvane::kTrigCondition];
  if (!valid_channel(channel) || c < 0 || c >= kConditionCount) return false;
  float level = 0.0f;
  std::memcpy(&level, &record[corvane::kTrigLevel], sizeof level);
  int32_t raw = 0;
  if (!raw_trigger_count(channel, level, &raw)) return false;
  *condition = LevelCondition{header(channel).hardware_channel, c, raw};
  return true;
}

}  // namespace tallix
