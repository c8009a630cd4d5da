// The VELMA entry table (device type 40): nothing to start, a two-pass read.
#include "families/family.h"
#include "families/velma/velma.h"

namespace tallix {

const FamilyOps kVelmaFamily = {"VELMA",
                                true,
                                velma::device_setup,
                                velma::channel_setup,
                                entries::nothing_to_start,
                                velma::read,
                                velma::stop,
                                velma::command,
                                nullptr};

}  // namespace tallix
