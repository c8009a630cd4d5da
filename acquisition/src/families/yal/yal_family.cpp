// The YAL family's entry table (device type 2): no device set-up.
#include "families/family.h"
#include "families/yal/yal.h"
#include "tallix32.h"

namespace tallix {
namespace {
int32_t no_device_setup(int32_t, int32_t) {
  return kAcqOk;
}
}  // namespace

const FamilyOps kYalFamily = {"YAL",      true,      no_device_setup, yal::channel_setup,
                              yal::start, yal::read, yal::stop,       yal::command,
                              nullptr};

}  // namespace tallix
