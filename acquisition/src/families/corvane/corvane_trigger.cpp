// Trigger records as the Corvane start reads them, and the level condition of trigger mode 2: the
// physical level turned into the raw count the device compares with.
#include "families/corvane/corvane_trigger.h"

#include <cmath>
#include <cstring>

#include "families/corvane/corvane_line.h"
#include "kernel_state.h"

namespace tallix::corvane {
namespace {

constexpr int32_t kConditionCodes[] = {6001, 6000, 6002, 6003};  // by the record's condition 0..3
constexpr int32_t kLinRange = 1;
constexpr int32_t kLinTable = 2;
constexpr int32_t kLinThermo = 3;
constexpr int32_t kLinTypeBridge = 3;
constexpr double kBridgeFactor = 0.00025;

// The raw count of a physical level of the channel; false when its linearisation cannot be
// inverted here.
bool raw_level(int32_t channel, double level, int32_t* raw) {
  const AcqHdr& h = header(channel);
  const LinRecord& lin = kernel().lin[channel];
  double value = level;
  if (lin.mode == kLinTable) {
    if (lin.type != kLinTypeBridge || lin.points == nullptr || lin.count < 2) return false;
    value = level * lin.points[1] * lin.points[0] * kBridgeFactor;
  } else if (lin.mode == kLinThermo) {
    return false;
  }
  if (lin.mode == kLinRange || lin.mode == kLinTable) {
    if (h.range == 0.0f) return false;
    value = value / h.range * h.full_scale;
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
