// The entry table of device type 60: nothing to start.
#include "families/amplifier60/amplifier60.h"
#include "families/ascii_reads.h"
#include "families/family.h"
#include "tallix32.h"

namespace tallix {
namespace {
int32_t nothing_to_start(int32_t, int32_t, const int32_t*, int32_t, int32_t) {
  return kAcqOk;
}
}  // namespace

const FamilyOps kAmplifier60Family = {"amplifier 60",
                                      true,
                                      amplifier60::device_setup,
                                      amplifier60::channel_setup,
                                      nothing_to_start,
                                      amplifier60::read,
                                      ascii::stop_by_flushing_input,
                                      amplifier60::command,
                                      nullptr};

}  // namespace tallix
