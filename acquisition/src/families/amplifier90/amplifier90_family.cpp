// The entry table of device type 90.
#include "families/amplifier90/amplifier90.h"
#include "families/family.h"

namespace tallix {

const FamilyOps kAmplifier90Family = {"amplifier 90",
                                      true,
                                      amplifier90::device_setup,
                                      amplifier90::channel_setup,
                                      amplifier90::start,
                                      amplifier90::read,
                                      amplifier90::stop,
                                      amplifier90::command,
                                      nullptr};

}  // namespace tallix
