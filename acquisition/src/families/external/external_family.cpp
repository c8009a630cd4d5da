// Devices without built-in family code: each operation goes to the device's plug-in driver library
// when one is named (loaded at the first device set-up), else to the driver stack in the slot of
// the same number.
#include "families/external/driver_stack.h"
#include "families/external/plugin_loader.h"
#include "families/family.h"
#include "kernel_state.h"
#include "linkar32.h"
#include "tallix32.h"

namespace tallix {
namespace entries {

int32_t external_init_device(int32_t number, int32_t address) {
  if (!plugin_named(number)) {
    if (!driver_stack_ready(number) || !driver_stack_has_section(number, StackSection::kInitDevice)) return kAcqOk;
    QBX_FlushInQueue();
    return run_driver_stack(number, StackSection::kInitDevice);
  }
  if (!plugin_loaded(number)) {
    int32_t r = load_plugin(number);
    if (r < 0) return r;
  }
  return plugin_entry<AcqInitDeviceFn>(number, kEntryInitDevice)(number, address);
}

int32_t external_stop(int32_t number) {
  if (plugin_loaded(number)) return plugin_entry<AcqStopFn>(number, kEntryStop)();
  return run_driver_stack(number, StackSection::kStop);
}

}  // namespace entries

namespace {

int32_t init_chan(int32_t channel) {
  const int32_t number = header(channel).device_number;
  if (!valid_device(number)) return kAcqBadArgument;
  if (plugin_loaded(number)) return plugin_entry<AcqInitChanFn>(number, kEntryInitChan)(channel);
  if (plugin_named(number)) return kAcqOk;
  kernel().current.number = number;
  StackCall call;
  call.channel = channel;
  return run_driver_stack(number, StackSection::kInitChan, call);
}

int32_t start(int32_t number, int32_t count, const int32_t* channels, int32_t, int32_t) {
  if (plugin_loaded(number)) return plugin_entry<AcqStartFn>(number, kEntryStart)(number, count, channels);
  return run_driver_stack(number, StackSection::kStart, StackCall{count, channels});
}

int32_t read(int32_t number, int32_t count, const int32_t* channels, int32_t* length, double read_mode) {
  if (plugin_loaded(number))
    return plugin_entry<AcqReadFn>(number, kEntryRead)(number, count, channels, length, read_mode);
  return run_driver_stack(number, StackSection::kRead, StackCall{count, channels, length});
}

int32_t command(int32_t number, int32_t count, const int16_t* channels, int32_t code, void* value) {
  if (plugin_loaded(number)) return plugin_entry<AcqCmdFn>(number, kEntryCmd)(number, count, channels, code, value);
  return kAcqOk;
}

}  // namespace

const FamilyOps kExternalFamily = {"external driver", true,  entries::external_init_device, init_chan, start, read,
                                   entries::external_stop,    command, nullptr};

}  // namespace tallix
