// The entry table of device types 55 and 56: nothing to start; their stop is the external path.
#include "families/amplifier55/amplifier55.h"
#include "families/family.h"

namespace tallix {

const FamilyOps kAmplifier55Family = {"amplifier 55/56",
                                      true,
                                      amplifier55::device_setup,
                                      amplifier55::channel_setup,
                                      entries::nothing_to_start,
                                      amplifier55::read,
                                      entries::external_stop,
                                      amplifier55::command,
                                      nullptr};

}  // namespace tallix
