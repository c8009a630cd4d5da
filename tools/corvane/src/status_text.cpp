// Statuses as sentences, in the words of the loaded driver edition (CV_StatusText): its own
// statuses, the interface statuses it passes up, the settings-file statuses and the device's error
// texts.
#include "status_text.h"

#include "linkar32.h"
#include "messages.h"
#include "storix32.h"
#include "text_codec.h"

namespace corvane_cli {
namespace {

struct KernelStatus {
  int32_t status;
  const char* text;
};
// The acquisition kernel's own statuses (it exports no texts for them).
const KernelStatus kKernelStatuses[] = {
    {-1, N_("bad argument")},
    {-198, N_("a device refused the status query")},
    {-199, N_("block not complete yet")},
    {-204, N_("the measuring rate could not be sent")},
    {-208, N_("the device cannot trigger on that channel")},
    {-210, N_("an acquisition is already running")},
    {-211, N_("a trigger needs a block length")},
    {-212, N_("no acquisition is running")},
    {-213, N_("bad linearisation table")},
    {-214, N_("block too large for the receive area or a channel buffer")},
    {-217, N_("channel not available (empty slot or refused)")},
    {-218, N_("unknown sensor type")},
    {-219, N_("value outside the linearisation table")},
    {-221, N_("formula text missing or too long")},
    {-224, N_("trigger busy")},
    {-225, N_("trigger condition refused")},
    {-234, N_("device family not supported")},
    {-240, N_("formula error (a channel it uses is not available)")},
    {-241, N_("no memory for a channel work area")},
    {-242, N_("derived channel without its work area or with bad parameters")},
    {-243, N_("spectrum block length is not a power of two from 4 to 8192")},
    {-244, N_("no memory for a derived channel")},
    {-253, N_("command not supported by the device family")},
    {-270, N_("the device refused the command")},
    {-302, N_("no memory for the online channel list")},
    {-303, N_("the online file could not be created")},
    {-304, N_("writing the online file failed")},
    {-400, N_("measured value overflow")},
    {-401, N_("more than 500 pre-trigger scans")},
    {-405, N_("the device's measured-value memory ran full (values were lost)")},
    {-410, N_("no memory for a channel buffer")},
    {-411, N_("values do not fit the channel buffer")},
    {-412, N_("channel buffer not allocated")},
    {-413, N_("no value at that index")},
    {-450, N_("channel number outside 1 to 10000")},
    {-451, N_("reserved device type")},
};

// Statuses the channel database returns (its texts come from the database library).
bool database_status(int32_t status) { return status <= -99 && status >= -132; }

}  // namespace

std::string status_text(const Driver& driver, int32_t status, StatusContext context) {
  // Error numbers come from the error-status query, after a refusal or on their own.
  if (status >= kCvErrAfterReset && status <= kCvLastDeviceError) {
    char index[256] = {};
    if (driver.GetIDString != nullptr && driver.GetIDString(status, index) == 0 && index[0] != 0)
      return tr("the amplifier reported error {} {}", status, latin1_to_utf8(index));
    return tr("the amplifier reported error {}", status);
  }
  if (context == StatusContext::kDatabase || (context == StatusContext::kKernel && database_status(status))) {
    return tr("{} (status {})", QBX_DatabaseStatusText(status), status);
  }
  if (context == StatusContext::kKernel) {
    for (const auto& k : kKernelStatuses) {
      if (k.status == status) return tr("{} (status {})", tr(k.text), status);
    }
  }
  if (driver.CV_StatusText == nullptr) return tr("{} (status {})", QBX_StatusText(status), status);
  const char* text =
      driver.CV_StatusText(status, context == StatusContext::kFile ? kCvStatusOfFile : kCvStatusOfLine);
  return tr("{} (status {})", latin1_to_utf8(text), status);
}

}  // namespace corvane_cli
