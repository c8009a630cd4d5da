// Trigger records as the Corvane start reads them, and the level condition of trigger mode 2: the
// physical level turned into the raw count the device compares with.
#include "families/corvane/corvane_trigger.h"

#include <cmath>
#include <cstring>

#include "families/corvane/corvane_line.h"
#include "kernel_state.h"
#include "scaling/linearisation.h"

namespace tallix::corvane {
namespace {

constexpr int32_t kConditionCodes[] = {6001, 6000, 6002, 6003};  // by the record's condition 0..3
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

// The raw count of a physical level of the channel. Lin modes 1..3 undo the linearisation, the zero
// offset and the range scaling; other lin modes take the level as the count. False when there is
// no inverse or the count does not fit.
bool raw_level(int32_t channel, double level, int32_t* raw) {
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

}  // namespace

const int32_t* trigger_of_current_port() {
  KernelState& k = kernel();
  for (int32_t i = 1; i <= kTriggerRecords; ++i) {
    const int32_t number = k.triggers[i][kTrigDevice];
    if (valid_device(number) && device(number).port == k.current.port) return k.triggers[i];
  }
  return nullptr;
}

int32_t send_trigger_condition(const int32_t* record) {
  const int32_t channel = record[kTrigChannel];
  const int32_t condition = record[kTrigCondition];
  if (!valid_channel(channel) || condition < 0 || condition > 3) return kAcqTriggerRefused;
  float level = 0.0f;
  std::memcpy(&level, &record[kTrigLevel], sizeof level);
  int32_t raw = 0;
  if (!raw_level(channel, level, &raw)) return kAcqTriggerRefused;
  Reply reply;
  if (exchange(line("EST?\n"), &reply) < 0) return kAcqTriggerRefused;
  const Line dtr = line("DTR%i,%i,%i\n", header(channel).hardware_channel, kConditionCodes[condition], raw);
  if (exchange(dtr, &reply) < 0) return kAcqTriggerRefused;
  int32_t error = 0;
  if (error_status(&error) < 0 || error > 0) return kAcqTriggerRefused;
  return kAcqOk;
}

}  // namespace tallix::corvane
