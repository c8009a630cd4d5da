// Loading of plug-in driver libraries: dlopen by the host's file name (searched as dlopen
// searches), dlsym of the eight entry points in their fixed order, and the one call that hands the
// library the addresses of the kernel's tables. The library is never unloaded.
#include "families/external/plugin_loader.h"

#include "kernel_state.h"
#include "platform.h"
#include "tallix32.h"

namespace tallix {

const char* const kPluginEntryNames[kEntryCount] = {
    "ACQInitDriverLib", "ACQInitDevice", "ACQInitChan", "ACQStart",
    "ACQRead",          "ACQStop",       "ACQCmd",      "ACQDeviceControl"};

bool plugin_named(int32_t number) { return device(number).plugin_named != 0; }

bool plugin_loaded(int32_t number) { return device(number).plugin_loaded != 0; }

int32_t load_plugin(int32_t number) {
  DeviceRecord& d = device(number);
  if (d.plugin_loaded) return kAcqOk;
  void* library = d.plugin_handle;
  if (library == nullptr) {
    library = platform().load_library(d.plugin_file);
    if (library == nullptr) return kAcqPluginNotFound;
    d.plugin_handle = library;
  }
  for (int32_t i = 0; i < kEntryCount; ++i) {
    d.plugin_entry[i] = platform().find_symbol(library, kPluginEntryNames[i]);
    if (d.plugin_entry[i] == nullptr) return kAcqPluginEntryMissing;
  }
  d.plugin_loaded = 1;
  KernelState& k = kernel();
  auto init = plugin_entry<AcqInitDriverLibFn>(number, kEntryInitDriverLib);
  return init(k.devices, k.headers, k.buffers);
}

template <class Fn>
Fn plugin_entry(int32_t number, PluginEntry which) {
  return reinterpret_cast<Fn>(device(number).plugin_entry[which]);
}

template AcqInitDriverLibFn plugin_entry<AcqInitDriverLibFn>(int32_t, PluginEntry);
template AcqInitDeviceFn plugin_entry<AcqInitDeviceFn>(int32_t, PluginEntry);
template AcqInitChanFn plugin_entry<AcqInitChanFn>(int32_t, PluginEntry);
template AcqStartFn plugin_entry<AcqStartFn>(int32_t, PluginEntry);
template AcqReadFn plugin_entry<AcqReadFn>(int32_t, PluginEntry);
template AcqStopFn plugin_entry<AcqStopFn>(int32_t, PluginEntry);
template AcqCmdFn plugin_entry<AcqCmdFn>(int32_t, PluginEntry);
template AcqDeviceControlFn plugin_entry<AcqDeviceControlFn>(int32_t, PluginEntry);

}  // namespace tallix
