// The Corvane's entry table (device type 8).
#include "families/corvane/corvane_family.h"

#include "families/family.h"

namespace tallix {

const FamilyOps kCorvaneFamily = {"Corvane",
                                  true,
                                  corvane::device_setup,
                                  corvane::channel_setup,
                                  corvane::start,
                                  corvane::read,
                                  corvane::stop,
                                  corvane::command,
                                  nullptr};

}  // namespace tallix
