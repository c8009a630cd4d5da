// The data server family's entry table (device type 2001): its channels carry physical values, so
// channel set-up makes the header's scaling neutral (full-scale count 1, range 1.0). Its device
// set-up is the external-driver path; start, read and stop speak to the server (data_server.h).
#include "families/data_server/data_server.h"
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
    "data server", true, external_init_device, init_chan, data_server::start,
    data_server::read, data_server::stop, command_not_supported, nullptr};

}  // namespace tallix
