// Statuses as sentences, in the words of the loaded driver edition (CV_StatusText): its own
// statuses, the interface statuses it passes up, the settings-file statuses and the device's error
// texts.
#include "status_text.h"

#include "messages.h"
#include "text_codec.h"

namespace corvane_cli {

std::string status_text(const Driver& driver, int32_t status, StatusContext context) {
  // Error numbers come from the error-status query, after a refusal or on their own.
  if (status >= kCvErrAfterReset && status <= kCvLastDeviceError) {
    char index[256] = {};
    if (driver.GetIDString != nullptr && driver.GetIDString(status, index) == 0 && index[0] != 0)
      return tr("the amplifier reported error {} {}", status, latin1_to_utf8(index));
    return tr("the amplifier reported error {}", status);
  }
  if (driver.CV_StatusText == nullptr) return tr("status {}", status);
  const char* text =
      driver.CV_StatusText(status, context == StatusContext::kFile ? kCvStatusOfFile : kCvStatusOfLine);
  return tr("{} (status {})", latin1_to_utf8(text), status);
}

}  // namespace corvane_cli
