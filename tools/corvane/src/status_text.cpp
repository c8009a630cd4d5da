// The tables of library and interface status meanings, and the device-error lookup.
#include "status_text.h"

#include "linkar32.h"
#include "text_codec.h"

namespace corvane_cli {
namespace {

struct Meaning {
  int32_t status;
  const char* text;
};

// Driver statuses (negative) and interface statuses passed up on the line.
const Meaning kDeviceMeanings[] = {
    {kCvOutOfMemory, "out of memory in the driver"},
    {kCvNoResource, "text resource not found"},
    {kCvUnknownSelector, "the setting is not handled by this operation"},
    {kCvUnitDerived, "the unit follows from the measuring range and cannot be set"},
    {kCvBadValue, "a value is outside its allowed set for this channel or device"},
    {kCvOfflineOnly, "the number of channels can be changed offline only"},
    {kCvOfflineFlagFixed, "the offline flag cannot be set"},
    {kCvDataTimeout, "time-out while waiting for measured data"},
    {kCvDeviceState5, "the amplifier's measured-value memory ran full (device state 5)"},
    {kCvNoActiveChannel, "no channel takes part (none is switched to measure or tare)"},
    {kCvBadChannel, "no such channel"},
    {kCvEstRefused, "the amplifier refused the error-status query"},
    {kCvNoUnit, "no unit for this amplifier and transducer"},
    {kCvUnknownReadForm, "unknown settings file form"},
    {kCvBadReply, "the amplifier's reply was malformed"},
    {kCvLinUnsupported, "the transducer has no linearisation"},
    {kCvLinClamped, "value outside the linearisation table (clamped)"},
    {kQbxOpenFailed, "the port cannot be opened"},
    {kQbxNoCurrentPort, "no port is open"},
    {kQbxBadArgument, "bad argument to the interface library"},
    {kQbxPortNotOpen, "the port is not open"},
    {kQbxCloseFailed, "the port cannot be closed"},
    {kQbxTableFull, "too many open ports"},
    {kQbxReadFailed, "no answer from the amplifier within the time-out"},
    {kQbxRxOverflow, "receive queue overflow"},
    {kQbxWriteFailed, "writing to the port failed"},
    {kQbxRxOverrun, "receive overrun on the line"},
    {kQbxLogError, "the communication log file cannot be written"},
    {kQbxGetSettingsFailed, "the line settings cannot be read"},
    {kQbxSetSettingsFailed, "the line settings cannot be set"},
    {kQbxQueueSetupFailed, "the port's queues or time-outs cannot be set up"},
    {kQbxLockTimeout, "the port lock was not obtained in time (another program is opening a port)"},
    {kQbxUsbWriteFailed, "writing to the USB device failed"},
    {kQbxUsbPipeError, "USB pipe error"},
    {kQbxUsbNoSetupApi, "USB support (libusb) is not available"},
    {kQbxUsbPipeOpenFailed, "the USB pipe cannot be opened"},
};

// Settings-file statuses.
const Meaning kFileMeanings[] = {
    {kCvFileOpenFailed, "the file cannot be opened or created"},
    {kCvFileSeekFailed, "positioning in the file failed"},
    {kCvFileTooShort, "the file is too short or holds more than 100 channels"},
    {kCvFileWriteFailed, "writing the file failed"},
    {kCvFileNotSettings, "the file is not a Corvane settings file"},
    {kCvBadValue, "unknown settings file form"},
    {kCvUnknownReadForm, "unknown settings file form"},
};

template <size_t N>
const char* find(const Meaning (&table)[N], int32_t status) {
  for (const auto& m : table) {
    if (m.status == status) return m.text;
  }
  return nullptr;
}

}  // namespace

std::string status_text(const Driver& driver, int32_t status, StatusContext context) {
  // Error numbers come from the error-status query, after a refusal or on their own.
  const std::string kReported = "the amplifier reported error ";
  if (status >= 10000 && status <= 10099) {
    char text[256] = {};
    if (driver.GetIDString != nullptr && driver.GetIDString(status, text) == 0 && text[0] != 0) {
      return kReported + std::to_string(status) + " " + latin1_to_utf8(text);
    }
    return kReported + std::to_string(status);
  }
  const char* meaning = context == StatusContext::kFile ? find(kFileMeanings, status) : nullptr;
  if (meaning == nullptr) meaning = find(kDeviceMeanings, status);
  if (meaning == nullptr) return "status " + std::to_string(status);
  return std::string(meaning) + " (status " + std::to_string(status) + ")";
}

}  // namespace corvane_cli
