// Dispatch of device set-up, channel set-up, device control and channel commands to the family of
// each device type (families/family.h). The loops here select the device's port and address and
// set the current device; the family code does the rest.
#include <cstring>
#include <vector>

#include "device_line.h"
#include "export_guard.h"
#include "families/external/plugin_loader.h"
#include "families/family.h"
#include "kernel_state.h"
#include "work_areas.h"

using namespace tallix;

namespace {

constexpr int16_t kClassMeasured = 0;
constexpr int32_t kReadBackMode = -100;
constexpr int32_t kDeviceControlPluginType = 0;  // device type whose control goes to its plug-in

// Checks a channel list: count >= 0, a list when count > 0, every number 1..10000.
template <class T>
int32_t check_list(int32_t count, const T* channels) {
  if (count < 0 || (count > 0 && channels == nullptr)) return kAcqBadArgument;
  for (int32_t i = 0; i < count; ++i) {
    if (!valid_channel(channels[i])) return kAcqBadChannel;
  }
  return kAcqOk;
}

int32_t init_channels(int32_t count, const int32_t* channels, int32_t mode) {
  const bool read_back = mode == kReadBackMode;
  if (read_back) {
    for (int32_t i = 0; i < count; ++i) {
      const AcqHdr& h = header(channels[i]);
      if (h.acq_class != kClassMeasured) continue;
      const FamilyOps& family = family_for(h.device_type);
      if (family.read_back != nullptr) {
        int32_t r = family.read_back(count, channels);
        if (r < 0) return r;
        break;
      }
    }
  }
  for (int32_t i = 0; i < count; ++i) {
    const int32_t channel = channels[i];
    const AcqHdr& h = header(channel);
    if (h.acq_class != kClassMeasured) continue;
    const FamilyOps& family = family_for(h.device_type);
    if (read_back && family.read_back != nullptr) continue;
    notify(kAcqMsgInitChannel, channel);
    int32_t r = select_device_line(h.interface, h.device_address);
    if (r < 0) return r;
    r = family.init_chan(channel);
    if (r < 0) return r;
  }
  for (int32_t i = 0; i < count; ++i) {
    int32_t r = renew_work_area(channels[i]);
    if (r < 0) return r;
  }
  return kAcqOk;
}

// One device of a QBX_ACQCmd: the first listed channel's device number, interface and address.
struct CommandDevice {
  int32_t number;
  int32_t port;
  int32_t address;
  int32_t type;
};

int32_t command(int32_t count, const int16_t* channels, int32_t code, void* value) {
  std::vector<CommandDevice> devices;
  for (int32_t i = 0; i < count; ++i) {
    const AcqHdr& h = header(channels[i]);
    if (h.acq_class != kClassMeasured) continue;
    bool known = false;
    for (const CommandDevice& d : devices) known = known || (d.port == h.interface && d.address == h.device_address);
    if (!known && devices.size() < static_cast<size_t>(kAcqMaxDevices))
      devices.push_back({h.device_number, h.interface, h.device_address, h.device_type});
  }
  // Every device starts from the caller's value: an input one device turns into an output (the raw
  // tare value) must not reach the next device as its input.
  uint8_t original[sizeof(int32_t)] = {};
  if (value != nullptr) std::memcpy(original, value, sizeof original);

  int32_t result = kAcqOk;
  int32_t first_failure = kAcqOk;
  for (size_t i = 0; i < devices.size(); ++i) {
    const CommandDevice& d = devices[i];
    if (i > 0 && value != nullptr) std::memcpy(value, original, sizeof original);
    result = select_device_line(d.port, d.address);
    if (result >= 0) {
      kernel().current = CurrentDevice{d.port, d.address, d.number, d.type};
      const FamilyOps& family = family_for(d.type);
      // The external path reaches the device record of the header's device number.
      if (&family == &kExternalFamily && !valid_device(d.number))
        result = kAcqBadArgument;
      else
        result = family.command(d.number, count, channels, code, value);
    }
    if (result < 0 && first_failure == kAcqOk) first_failure = result;
  }
  return first_failure != kAcqOk ? first_failure : result;
}

}  // namespace

extern "C" {

int32_t QBX_ACQInitDevice(int32_t number, int32_t device_type, int32_t port, int32_t address) {
  if (!valid_device(number)) return kAcqBadArgument;
  return guarded([&] {
    DeviceRecord& d = device(number);
    d.device_type = device_type;
    d.port = port;
    d.address = address;
    const FamilyOps& family = family_for(device_type);
    if (family.selects_before_init) {
      int32_t r = select_device_line(port, address);
      if (r < 0) return r;
    }
    KernelState& k = kernel();
    k.current = CurrentDevice{port, address, number, device_type};
    k.last_initialised_type = device_type;
    return family.init_device(number, address);
  });
}

int32_t QBX_ACQInitChan(int32_t count, const int32_t* channels, int32_t mode, int32_t) {
  int32_t r = check_list(count, channels);
  if (r != 0) return r;
  return guarded([&] { return init_channels(count, channels, mode); });
}

int32_t QBX_ACQDeviceControl(int32_t number, int32_t code, int32_t argument1, int32_t argument2) {
  if (!valid_device(number)) return kAcqBadArgument;
  return guarded([&] {
    const DeviceRecord& d = device(number);
    int32_t r = select_device_line(d.port, d.address);
    if (r < 0) return r;
    if (d.device_type == kDeviceControlPluginType && plugin_loaded(number))
      return plugin_entry<AcqDeviceControlFn>(number, kEntryDeviceControl)(code, argument1, argument2);
    return r;
  });
}

int32_t QBX_ACQCmd(int32_t count, const int16_t* channels, int32_t code, void* value) {
  int32_t r = check_list(count, channels);
  if (r != 0) return r;
  return guarded([&] { return command(count, channels, code, value); });
}

}  // extern "C"
