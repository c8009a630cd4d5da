// ATMIO boards (device type 16): the kernel carries no code for these plug-in boards; every
// operation answers -234, and device set-up selects no port first. At stop the boards need nothing.
#include "families/family.h"
#include "tallix32.h"

namespace tallix {
namespace {
int32_t stop_nothing(int32_t) { return kAcqOk; }
}  // namespace

using namespace entries;

const FamilyOps kAtmioFamily = {
    "ATMIO", false, init_device_not_supported, init_chan_not_supported, start_not_supported,
    read_not_supported, stop_nothing, command_not_supported, nullptr};

}  // namespace tallix
