// Trigger records as the Corvane start reads them, and the level condition of trigger mode 2 with
// the level as the raw count the device compares with.
#include "families/corvane/corvane_trigger.h"

#include "families/corvane/corvane_line.h"
#include "families/trigger_level.h"
#include "kernel_state.h"

namespace tallix::corvane {
namespace {

constexpr int32_t kConditionCodes[] = {6001, 6000, 6002, 6003};  // by the record's condition 0..3

}  // namespace

PortTriggers triggers_of_current_port() {
  KernelState& k = kernel();
  PortTriggers port;
  for (int32_t i = 1; i <= kTriggerRecords; ++i) {
    const int32_t number = k.triggers[i][kTrigDevice];
    if (valid_device(number) && device(number).port == k.current.port)
      port.records[port.count++] = k.triggers[i];
  }
  return port;
}

const int32_t* trigger_of_current_port() {
  const PortTriggers port = triggers_of_current_port();
  return port.count > 0 ? port.records[0] : nullptr;
}

int32_t send_trigger_condition(const int32_t* record) {
  LevelCondition level{};
  if (!level_condition(record, &level)) return kAcqTriggerRefused;
  Reply reply;
  if (exchange(line("EST?\n"), &reply) < 0) return kAcqTriggerRefused;
  const Line dtr = line("DTR%i,%i,%i\n", level.hardware, kConditionCodes[level.condition], level.raw);
  if (exchange(dtr, &reply) < 0) return kAcqTriggerRefused;
  int32_t error = 0;
  if (error_status(&error) < 0 || error > 0) return kAcqTriggerRefused;
  return kAcqOk;
}

}  // namespace tallix::corvane
