// Device settings in memory: get and set one device setting by its selector bit, the possible
// device values, and the chain table's texts per device of the chain.
#include <cstring>

#include "connection.h"
#include "export_guard.h"
#include "operations.h"
#include "settings_model.h"
#include "settings_rules.h"

using namespace corvan;

namespace {

constexpr int32_t kChannelsPerDevice = 10;
// Selectors of the chain table texts.
constexpr int32_t kSysSerial = 64;
constexpr int32_t kSysVersion = 32;
constexpr int32_t kSysDeviceType = 16;

template <class T>
void put(void* out, T v) {
  std::memcpy(out, &v, sizeof v);
}
int32_t take_int(const void* in) {
  int32_t v;
  std::memcpy(&v, in, sizeof v);
  return v;
}

}  // namespace

namespace corvan {

int32_t get_dev_settings(int32_t selector, void* out) {
  const DeviceBlock& d = state().device;
  char* text = static_cast<char*>(out);
  switch (selector) {
    case kCvDevChannelCount: put(out, d.channel_count); break;
    case kCvDevRate: put(out, d.rate); break;
    case kCvDevFilterType: put(out, d.filter_type); break;
    case kCvDevFilterFrequency: put(out, d.filter_frequency); break;
    case kCvDevSerial: copy_field_out(text, d.serial, sizeof d.serial); break;
    case kCvDevVersion: copy_field_out(text, d.version, sizeof d.version); break;
    case kCvDevType: copy_field_out(text, d.device_type, sizeof d.device_type); break;
    case kCvDevOffline: put(out, d.offline); break;
    default: return kCvUnknownSelector;
  }
  return kCvOk;
}

int32_t set_dev_settings(int32_t selector, const void* in) {
  DeviceBlock& d = state().device;
  const char* text = static_cast<const char*>(in);
  switch (selector) {
    case kCvDevChannelCount: {
      if (!offline()) return kCvOfflineOnly;
      const int32_t count = take_int(in);
      // Every loop over the channels relies on the count naming at most the 100 record slots.
      if (count < 0 || count > kMaxChannels) return kCvBadValue;
      d.channel_count = count;
      break;
    }
    case kCvDevRate: d.rate = take_int(in); break;
    case kCvDevFilterType: d.filter_type = take_int(in); break;
    case kCvDevFilterFrequency: d.filter_frequency = take_int(in); break;
    case kCvDevSerial: copy_field_in(d.serial, sizeof d.serial, text); break;
    case kCvDevVersion: copy_field_in(d.version, sizeof d.version, text); break;
    case kCvDevType: copy_field_in(d.device_type, sizeof d.device_type, text); break;
    case kCvDevOffline: return kCvOfflineFlagFixed;
    default: return kCvUnknownSelector;
  }
  return kCvOk;
}

int32_t possible_dev_settings(int32_t selector, void* out) {
  auto* list = static_cast<int32_t*>(out);
  const DeviceBlock& d = state().device;
  switch (selector) {
    case kCvDevChannelCount: put(out, kChannelsPerDevice); return kCvOk;
    case kCvDevRate: write_list({rate_list(), (1u << rate_list().size()) - 1}, list); return kCvOk;
    case kCvDevFilterType:
      write_list({filter_type_list(), (1u << filter_type_list().size()) - 1}, list);
      return kCvOk;
    case kCvDevFilterFrequency: write_list(allowed_filter_frequencies(d.rate, d.filter_type), list); return kCvOk;
    case kCvDevSerial:
    case kCvDevVersion:
    case kCvDevType:
    case kCvDevOffline: return kCvOk;
    default: return kCvUnknownSelector;
  }
}

int32_t system_settings(int32_t position, int32_t selector, char* out) {
  if (position < 0 || position >= kChainRows) return kCvBadChannel;
  const ChainRow& row = state().chain[position];
  switch (selector) {
    case kSysSerial: copy_field_out(out, row.serial, sizeof row.serial); return kCvOk;
    case kSysVersion: copy_field_out(out, row.version, sizeof row.version); return kCvOk;
    case kSysDeviceType: copy_field_out(out, row.device_type, sizeof row.device_type); return kCvOk;
    default: return kCvUnknownSelector;
  }
}

}  // namespace corvan

extern "C" {

CORVAN32_API int32_t CV_GetDevSettings(int32_t selector, void* out) {
  if (out == nullptr) return kCvBadValue;
  return guarded([&]() -> int32_t { return get_dev_settings(selector, out); });
}

CORVAN32_API int32_t CV_SetDevSettings(int32_t selector, const void* in) {
  if (in == nullptr) return kCvBadValue;
  return guarded([&]() -> int32_t { return set_dev_settings(selector, in); });
}

CORVAN32_API int32_t CV_GetPsbleDevSettings(int32_t, int32_t selector, void* out) {
  if (out == nullptr) return kCvBadValue;
  return guarded([&]() -> int32_t { return possible_dev_settings(selector, out); });
}

CORVAN32_API int32_t CV_GetSystemSettings(int32_t position, int32_t selector, char* out) {
  if (out == nullptr) return kCvBadValue;
  return guarded([&]() -> int32_t { return system_settings(position, selector, out); });
}

}  // extern "C"
