// Statuses as sentences, in the words of the loaded driver edition (CV_StatusText): its own
// statuses, the interface statuses it passes up, the settings-file statuses and the device's error
// texts.
#include "status_text.h"

#include "linkar32.h"
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
    {-1, "bad argument"},
    {-198, "a device refused the status query"},
    {-199, "block not complete yet"},
    {-204, "the measuring rate could not be sent"},
    {-208, "the device cannot trigger on that channel"},
    {-210, "an acquisition is already running"},
    {-211, "a trigger needs a block length"},
    {-212, "no acquisition is running"},
    {-213, "bad linearisation table"},
    {-214, "block too large for the receive area or a channel buffer"},
    {-217, "channel not available (empty slot or refused)"},
    {-218, "unknown sensor type"},
    {-219, "value outside the linearisation table"},
    {-221, "formula text missing or too long"},
    {-224, "trigger busy"},
    {-225, "trigger condition refused"},
    {-234, "device family not supported"},
    {-240, "formula error (a channel it uses is not available)"},
    {-241, "no memory for a channel work area"},
    {-242, "derived channel without its work area or with bad parameters"},
    {-243, "spectrum block length is not a power of two from 4 to 8192"},
    {-244, "no memory for a derived channel"},
    {-253, "command not supported by the device family"},
    {-270, "the device refused the command"},
    {-302, "no memory for the online channel list"},
    {-303, "the online file could not be created"},
    {-304, "writing the online file failed"},
    {-400, "measured value overflow"},
    {-401, "more than 500 pre-trigger scans"},
    {-405, "the device's measured-value memory ran full (values were lost)"},
    {-410, "no memory for a channel buffer"},
    {-411, "values do not fit the channel buffer"},
    {-412, "channel buffer not allocated"},
    {-413, "no value at that index"},
    {-450, "channel number outside 1 to 10000"},
    {-451, "reserved device type"},
};

// Statuses the channel database returns (its texts come from the database library).
bool database_status(int32_t status) { return status <= -99 && status >= -132; }

}  // namespace

std::string status_text(const Driver& driver, int32_t status, StatusContext context) {
  // Error numbers come from the error-status query, after a refusal or on their own.
  const std::string kReported = "the amplifier reported error ";
  if (status >= kCvErrAfterReset && status <= kCvLastDeviceError) {
    char index[256] = {};
    if (driver.GetIDString != nullptr && driver.GetIDString(status, index) == 0 && index[0] != 0)
      return kReported + std::to_string(status) + " " + latin1_to_utf8(index);
    return kReported + std::to_string(status);
  }
  if (context == StatusContext::kDatabase || (context == StatusContext::kKernel && database_status(status))) {
    return std::string(QBX_DatabaseStatusText(status)) + " (status " + std::to_string(status) + ")";
  }
  if (context == StatusContext::kKernel) {
    for (const auto& k : kKernelStatuses) {
      if (k.status == status) return std::string(k.text) + " (status " + std::to_string(status) + ")";
    }
  }
  if (driver.CV_StatusText == nullptr) return std::string(QBX_StatusText(status)) + " (status " + std::to_string(status) + ")";
  const char* text =
      driver.CV_StatusText(status, context == StatusContext::kFile ? kCvStatusOfFile : kCvStatusOfLine);
  return latin1_to_utf8(text) + " (status " + std::to_string(status) + ")";
}

}  // namespace corvane_cli
