// QBX_StatusText: the meaning of every status of the interface library, one table.
#include <cstdint>

#include "linkar32.h"

namespace {

struct StatusMeaning {
  int32_t status;
  const char* text;
};

constexpr StatusMeaning kStatusTexts[] = {
    {kQbxOk, "success"},
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
    {kQbxBreakFailed, "the line's break state cannot be changed"},
    {kQbxGetSettingsFailed, "the line settings cannot be read"},
    {kQbxSetSettingsFailed, "the line settings cannot be set"},
    {kQbxQueueSetupFailed, "the port's queues or time-outs cannot be set up"},
    {kQbxLockTimeout, "the port lock was not obtained in time (another program is opening a port)"},
    {kQbxUsbWriteFailed, "writing to the USB device failed"},
    {kQbxUsbPipeError, "USB pipe error"},
    {kQbxUsbNoSetupApi, "USB support (libusb) is not available"},
    {kQbxUsbPipeOpenFailed, "the USB pipe cannot be opened"},
};

}  // namespace

extern "C" const char* QBX_StatusText(int32_t status) {
  for (const StatusMeaning& m : kStatusTexts)
    if (m.status == status) return m.text;
  return "unknown status";
}
