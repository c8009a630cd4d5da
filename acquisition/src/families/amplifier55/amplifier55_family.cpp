// The entry table of device types 55 and 56: nothing to start; their stop is the external path.
#include "families/amplifier55/amplifier55.h"
#include "families/family.h"
#include "tallix32.h"

namespace tallix {
namespace {
int32_t nothing_to_start(int32_t, int32_t, const int32_t*, int32_t, int32_t) {
  return kAcqOk;
}
}  // namespace

const FamilyOps kAmplifier55Family = {"amplifier 55/56",
                                      true,
                                      amplifier55::device_setup,
                                      amplifier55::channel_setup,
                                      nothing_to_start,
                                      amplifier55::read,
                                      entries::external_stop,
                                      amplifier55::command,
                                      nullptr};

}  // namespace tallix
