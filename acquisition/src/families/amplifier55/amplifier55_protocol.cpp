// The exchanges of device types 55 and 56 (sequences in amplifier55.h).
#include <cstring>
#include <vector>

#include "families/amplifier55/amplifier55.h"
#include "families/ascii_line.h"
#include "families/ascii_reads.h"
#include "kernel_state.h"

namespace tallix::amplifier55 {
namespace {

using namespace ascii;

constexpr int32_t kType56 = 56;

}  // namespace

int32_t device_setup(int32_t, int32_t) {
  return Exchange(kLf, kAcqDeviceErrorStatus)(line("COF1\n")).status();
}

int32_t channel_setup(int32_t channel) {
  AcqHdr& h = header(channel);
  Exchange x(kLf, kAcqChannelNotAvailable);
  x(line("ENU?\n"));
  if (x.ok()) unit_from_reply(x.reply(), h.unit, sizeof h.unit);
  return x.status();
}

int32_t read(int32_t number, int32_t, const int32_t*, int32_t* length, double read_mode) {
  return requested_values_read(
      number, length, read_mode, kLf, [](int32_t L) { return line("MSV?%i,1\n", L); },
      OnePerScan::kDeviceValue);
}

int32_t command(int32_t, int32_t, const int16_t*, int32_t code, void* value) {
  Exchange x(kLf, kAcqDeviceRefused);
  switch (code) {
    case kAcqCmdTare:
      return x(line("TAR\n")).status();
    case kAcqCmdCalibrate:
      return x(line("CAL\n")).status();
    case kAcqCmdZero:
      return x(line("CPV\n")).status();
    case kAcqCmdLinPoint: {
      const LinPoint p = lin_point(value);
      const char* format = kernel().current.type == kType56 ? "LIV%i,,,,%s,%s,,\n" : "LIV%i,,,,%s,%s,\n";
      return x(line(format, p.point, number_text(p.input).text, number_text(p.output).text)).status();
    }
    default:
      return kAcqCommandNotSupported;
  }
}

}  // namespace tallix::amplifier55
