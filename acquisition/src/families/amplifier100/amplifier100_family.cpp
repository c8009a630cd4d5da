// The entry table of device type 100.
#include "families/amplifier100/amplifier100.h"
#include "families/ascii_reads.h"
#include "families/family.h"

namespace tallix {

const FamilyOps kAmplifier100Family = {"amplifier 100",
                                       true,
                                       amplifier100::device_setup,
                                       amplifier100::channel_setup,
                                       amplifier100::start,
                                       amplifier100::read,
                                       ascii::stop_by_flushing_input,
                                       amplifier100::command,
                                       nullptr};

}  // namespace tallix
