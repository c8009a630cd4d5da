// Frame exports of the kernel: application path, abort flag, callbacks, the device table, device
// status, parameter texts and family items. Each export checks its arguments and returns a status.
#include <cstring>
#include <string>

#include "export_guard.h"
#include "kernel_state.h"
#include "message_handler.h"
#include "parameter_texts.h"

using namespace tallix;

namespace {

constexpr int32_t kSampleWidthNarrow = 2;  // bytes per sample when the host's width flag is 1
constexpr int32_t kSampleWidthWide = 4;
constexpr int32_t kRateCount = 6;
constexpr int32_t kStatusItems = 6;

// Copies a text of at most kAcqPathSize - 1 characters into a fixed field.
bool copy_path(char (&field)[kAcqPathSize], const char* text) {
  if (text == nullptr) return false;
  const size_t n = strnlen(text, kAcqPathSize);
  if (n >= static_cast<size_t>(kAcqPathSize)) return false;
  std::memcpy(field, text, n + 1);
  return true;
}

}  // namespace

extern "C" {

int32_t QBX_ACQSetAppPath(const char* path) {
  return copy_path(kernel().app_path, path) ? kAcqOk : kAcqBadArgument;
}

int32_t QBX_ACQSetAbortFlag(int32_t flag) {
  __atomic_store_n(&kernel().abort_flag, flag, __ATOMIC_RELAXED);  // hosts may set it from another thread
  return kAcqOk;
}

int32_t QBX_ACQSetMsgCallback(AcqMsgCallback callback) {
  kernel().message_callback = callback;
  return kAcqOk;
}

int32_t QBX_ACQSetTimerCallback(AcqTimerCallback callback) {
  kernel().timer_callback = callback;
  return kAcqOk;
}

int32_t QBX_ACQSetMessageHandler(AcqMessageHandler handler) {
  set_message_handler(handler);
  return kAcqOk;
}

int32_t QBX_ACQSetDeviceInfo(int32_t number, int32_t device_type, int32_t port, int32_t address, int32_t,
                             int32_t start_role, int32_t device_count, int32_t block_mode, const float* rates,
                             const uint8_t* width_flags) {
  if (!valid_device(number)) return kAcqOk;
  if (device_count < 0 || device_count > kAcqMaxDevices) return kAcqBadArgument;
  if (rates == nullptr || width_flags == nullptr) return kAcqBadArgument;
  DeviceRecord& d = device(number);
  d.device_type = device_type;
  d.port = port;
  d.address = address;
  d.start_role = start_role;
  d.block_mode = block_mode;
  for (int32_t i = 0; i < kRateCount; ++i) {
    d.fifo_rate[i] = rates[i];
    d.sample_width[i] = static_cast<int16_t>(width_flags[i] == 1 ? kSampleWidthNarrow : kSampleWidthWide);
  }
  kernel().device_count = device_count;
  return kAcqOk;
}

int32_t QBX_ACQSetDeviceDriverInfo(int32_t number, const char* file) {
  if (!valid_device(number)) return kAcqOk;
  DeviceRecord& d = device(number);
  if (!copy_path(d.plugin_file, file)) return kAcqBadArgument;
  d.plugin_named = 1;
  return kAcqOk;
}

int32_t QBX_ACQGetDeviceStatus(int32_t number, int32_t item) {
  if (!valid_device(number)) return kAcqBadArgument;
  const DeviceRecord& d = device(number);
  int32_t value = item;
  if (item == 0) value = d.last_error;
  if (item >= 1 && item <= kStatusItems) value = d.status_words[item - 1];
  return static_cast<int16_t>(value & 0xFFFF);
}

int32_t QBX_ACQSetDeviceStatus(int32_t number, int32_t value) {
  if (!valid_device(number)) return kAcqBadArgument;
  device(number).last_error = value;
  return kAcqOk;
}

int32_t QBX_ACQResetDeviceStatus(void) {
  KernelState& k = kernel();
  for (int32_t n = 0; n < k.device_count; ++n) {
    std::memset(k.devices[n].fifo_read_done, 0, sizeof k.devices[n].fifo_read_done);
  }
  k.first_read_after_reset = 1;
  return kAcqOk;
}

int32_t QBX_ACQEnforceStartInit(void) {
  for (DeviceRecord& d : kernel().devices) {
    d.config_unchanged = 0;
    std::memset(d.config_signature, 0, sizeof d.config_signature);
  }
  return kAcqOk;
}

int32_t QBX_ACQTranslateParID(int32_t id, char* text, int32_t status) {
  if (status != 0) return status;
  if (text == nullptr) return kAcqBadArgument;
  return guarded([&] {
    std::string t;
    const bool known = parameter_text(id, &t);
    if (!known) parameter_text(kParUnknown, &t);
    std::memcpy(text, t.c_str(), t.size() + 1);
    return known ? static_cast<int32_t>(t.size()) : kAcqBadArgument;
  });
}

int32_t QBX_ACQGetItem(int32_t type, void* output) {
  if (output == nullptr) return kAcqBadArgument;
  const Items& items = kernel().items;
  switch (type) {
    case 0:
      std::memcpy(output, &items.integer, sizeof items.integer);
      break;
    case 1:
      std::memcpy(output, &items.real, sizeof items.real);
      break;
    case 2: {
      const size_t n = strnlen(items.text, sizeof items.text - 1);
      std::memcpy(output, items.text, n);
      static_cast<char*>(output)[n] = '\0';
      break;
    }
    case 3:
      std::memcpy(output, items.record, sizeof items.record);
      break;
    default:
      break;
  }
  return kAcqOk;
}

}  // extern "C"
