// The entry table of device type 157: nothing to start, a two-pass read.
#include "families/family.h"
#include "families/instrument157/instrument157.h"

namespace tallix {

const FamilyOps kInstrument157Family = {"instrument 157",
                                        true,
                                        instrument157::device_setup,
                                        instrument157::channel_setup,
                                        entries::nothing_to_start,
                                        instrument157::read,
                                        instrument157::stop,
                                        instrument157::command,
                                        nullptr};

}  // namespace tallix
