// The VELMA entry table (device type 40): nothing to start, a two-pass read.
#include "families/family.h"
#include "families/velma/velma.h"
#include "tallix32.h"

namespace tallix {
namespace {
int32_t nothing_to_start(int32_t, int32_t, const int32_t*, int32_t, int32_t) {
  return kAcqOk;
}
}  // namespace

const FamilyOps kVelmaFamily = {"VELMA",          true,        velma::device_setup, velma::channel_setup,
                                nothing_to_start, velma::read, velma::stop,         velma::command,
                                nullptr};

}  // namespace tallix
