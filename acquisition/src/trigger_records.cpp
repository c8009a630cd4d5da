// The trigger records a host fills before a start: the global record and the ten indexed ones
// (copied whole, 56 bytes), their reset, and the two trigger-logic tables per device.
#include "trigger_records.h"

#include <cstddef>
#include <cstring>

#include "kernel_state.h"

using namespace tallix;

namespace {

// The public record is the kernel's fourteen words, field by field.
static_assert(sizeof(AcqTrigger) == sizeof(int32_t) * kTriggerWords);
static_assert(offsetof(AcqTrigger, reserved_0) == 0);
static_assert(offsetof(AcqTrigger, device) == 4);
static_assert(offsetof(AcqTrigger, mode) == 8);
static_assert(offsetof(AcqTrigger, channel) == 12);
static_assert(offsetof(AcqTrigger, condition) == 16);
static_assert(offsetof(AcqTrigger, level) == 20);
static_assert(offsetof(AcqTrigger, reserved_6) == 24);
static_assert(offsetof(AcqTrigger, busy) == 28);
static_assert(offsetof(AcqTrigger, reserved_8) == 32);
static_assert(offsetof(AcqTrigger, pretrigger) == 48);
static_assert(offsetof(AcqTrigger, reserved_13) == 52);

constexpr int32_t kDeviceWord = offsetof(AcqTrigger, device) / sizeof(int32_t);
constexpr int32_t kNoDevice = -1;

int16_t g_logic[kTriggerLogicTables][kAcqMaxDevices];

// The indexed record of an export's 16-bit index, or nullptr outside 1..10.
int32_t* indexed_record(int32_t argument) {
  const int32_t index = static_cast<int16_t>(argument & 0xFFFF);
  if (index < 1 || index > kTriggerRecords) return nullptr;
  return kernel().triggers[index];
}

}  // namespace

namespace tallix {

int16_t trigger_logic(int32_t table, int32_t number) { return g_logic[table][number]; }

}  // namespace tallix

extern "C" {

int32_t QBX_ACQSetTrgCtrlStruct(const AcqTrigger* record) {
  if (record == nullptr) return kAcqBadArgument;
  std::memcpy(kernel().trigger_global, record, sizeof(AcqTrigger));
  return kAcqOk;
}

int32_t QBX_ACQGetTrgCtrlStruct(AcqTrigger* record) {
  if (record == nullptr) return kAcqBadArgument;
  std::memcpy(record, kernel().trigger_global, sizeof(AcqTrigger));
  return kAcqOk;
}

int32_t QBX_ACQSetTrgCtrlStructEx(const AcqTrigger* record, int32_t index) {
  int32_t* slot = indexed_record(index);
  if (slot == nullptr || record == nullptr) return kAcqBadArgument;
  std::memcpy(slot, record, sizeof(AcqTrigger));
  return kAcqOk;
}

int32_t QBX_ACQGetTrgCtrlStructEx(AcqTrigger* record, int32_t index) {
  const int32_t* slot = indexed_record(index);
  if (slot == nullptr || record == nullptr) return kAcqBadArgument;
  std::memcpy(record, slot, sizeof(AcqTrigger));
  return kAcqOk;
}

int32_t QBX_ACQResetTriggers(void) {
  KernelState& k = kernel();
  k.trigger_global[kDeviceWord] = kNoDevice;
  for (int32_t i = 1; i <= kTriggerRecords; ++i) k.triggers[i][kDeviceWord] = kNoDevice;
  return kAcqOk;
}

int32_t QBX_ACQSetTrgLogic(int32_t index, int32_t value1, int32_t value2) {
  if (!valid_device(index)) return kAcqBadArgument;
  g_logic[0][index] = static_cast<int16_t>(value1);
  g_logic[1][index] = static_cast<int16_t>(value2);
  return kAcqOk;
}

}  // extern "C"
