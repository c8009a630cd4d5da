// The data server family (device type 2001): its channels carry physical values, so channel
// set-up makes the header's scaling neutral (full-scale count 1, range 1.0). Its device set-up is
// the external-driver path; start, read and stop come with the family's own code (-234 until then).
#include "families/family.h"
#include "kernel_state.h"
#include "tallix32.h"

namespace tallix {
namespace {

int32_t init_chan(int32_t channel) {
  AcqHdr& h = header(channel);
  h.full_scale = 1;
  h.range = 1.0f;
  return kAcqOk;
}

}  // namespace

using namespace entries;

const FamilyOps kDataServerFamily = {
    "data server", true, external_init_device, init_chan, start_not_supported,
    read_not_supported, stop_not_supported, command_not_supported, nullptr};

}  // namespace tallix
