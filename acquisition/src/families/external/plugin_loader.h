// Plug-in driver libraries: loading a device's named library, finding its eight entry points and
// handing it the kernel's tables.
#pragma once

#include <cstdint>

#include "tallix32_plugin.h"

namespace tallix {

// The entry points in the order they are looked up and stored in DeviceRecord::plugin_entry.
enum PluginEntry : int32_t {
  kEntryInitDriverLib,
  kEntryInitDevice,
  kEntryInitChan,
  kEntryStart,
  kEntryRead,
  kEntryStop,
  kEntryCmd,
  kEntryDeviceControl,
  kEntryCount
};
extern const char* const kPluginEntryNames[kEntryCount];

// Loads the device's named library when it is not loaded yet and calls its ACQInitDriverLib with
// the three tables. -495 when the library cannot be loaded, -499 for the first missing entry point
// (the ones found before it stay stored; the loaded flag stays 0); else ACQInitDriverLib's result.
// A library already loaded gives 0 without a new call.
int32_t load_plugin(int32_t device);

// True when the device's plug-in is named and all its entry points were found.
bool plugin_loaded(int32_t device);
bool plugin_named(int32_t device);

// The device's stored entry point as its function type.
template <class Fn>
Fn plugin_entry(int32_t device, PluginEntry which);

}  // namespace tallix
