// The exchanges of device type 157 (sequences in instrument157.h).
#include "families/ascii_line.h"
#include "families/ascii_reads.h"
#include "families/instrument157/instrument157.h"
#include "kernel_state.h"

namespace tallix::instrument157 {

using namespace ascii;

int32_t device_setup(int32_t, int32_t) {
  return Exchange(kLf, kAcqDeviceErrorStatus)(line("IDN?\n")).status();
}

int32_t channel_setup(int32_t channel) {
  AcqHdr& h = header(channel);
  Exchange x(kLf, kAcqChannelNotAvailable);
  x(line("ENU?%i\n", h.hardware_channel));
  if (x.ok()) unit_from_reply(x.reply(), h.unit, sizeof h.unit);
  return x.status();
}

int32_t read(int32_t number, int32_t, const int32_t*, int32_t* length, double read_mode) {
  return requested_values_read(
      number, length, read_mode, kLf, [](int32_t L) { return line("MSV?%i,1\n", L); },
      OnePerScan::kChannelValues);
}

int32_t stop(int32_t) {
  return Exchange(kLf, kAcqDeviceErrorStatus)(line("STP\n")).status();
}

int32_t command(int32_t, int32_t, const int16_t*, int32_t code, void*) {
  if (code != kAcqCmdTare) return kAcqCommandNotSupported;
  return Exchange(kLf, kAcqDeviceRefused)(line("TAR\n")).status();
}

}  // namespace tallix::instrument157
