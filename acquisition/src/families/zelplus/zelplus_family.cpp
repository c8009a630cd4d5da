// The ZELPLUS entry table (device type 91).
#include "families/family.h"
#include "families/zelplus/zelplus.h"

namespace tallix {

const FamilyOps kZelplusFamily = {
    "ZELPLUS",      true,          zelplus::device_setup, zelplus::channel_setup,
    zelplus::start, zelplus::read, zelplus::stop,         zelplus::command,
    nullptr};

}  // namespace tallix
