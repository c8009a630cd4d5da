// The Corvane's entry table (device type 8). Its multi-scan start, read and stop come with the
// multi-scan code; until then those entries answer -234.
#include "families/corvane/corvane_family.h"

#include "families/family.h"

namespace tallix {

const FamilyOps kCorvaneFamily = {"Corvane",
                                  true,
                                  corvane::device_setup,
                                  corvane::channel_setup,
                                  entries::start_not_supported,
                                  entries::read_not_supported,
                                  entries::stop_not_supported,
                                  corvane::command,
                                  nullptr};

}  // namespace tallix
