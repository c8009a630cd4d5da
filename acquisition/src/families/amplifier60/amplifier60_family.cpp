// The entry table of device type 60: nothing to start.
#include "families/amplifier60/amplifier60.h"
#include "families/ascii_reads.h"
#include "families/family.h"

namespace tallix {

const FamilyOps kAmplifier60Family = {"amplifier 60",
                                      true,
                                      amplifier60::device_setup,
                                      amplifier60::channel_setup,
                                      entries::nothing_to_start,
                                      amplifier60::read,
                                      ascii::stop_by_flushing_input,
                                      amplifier60::command,
                                      nullptr};

}  // namespace tallix
