// The exchanges of device type 60 (sequences in amplifier60.h).
#include <cstring>
#include <vector>

#include "families/amplifier60/amplifier60.h"
#include "families/ascii_line.h"
#include "families/ascii_reads.h"
#include "families/input_range.h"
#include "kernel_state.h"
#include "linkar32.h"
#include "multiscan/acquisition_state.h"

namespace tallix::amplifier60 {

using namespace ascii;

int32_t device_setup(int32_t, int32_t) {
  Exchange x(kLf, kAcqDeviceErrorStatus);
  x(line("DTR0\r\n"))(line("BMP0,59\r\n"));
  if (int32_t r = error_status(x, line("EST\r\n")); r != 0) return r;
  return x(line("IPP0,59,,,0\r\n")).status();
}

int32_t channel_setup(int32_t channel) {
  AcqHdr& h = header(channel);
  const int32_t input = h.hardware_channel;
  Exchange x(kLf, kAcqChannelNotAvailable);
  x(line("IPP%i,%i,,,1\r\n", input, input));
  if (int32_t r = error_as(error_status(x, line("EST\r\n")), kAcqChannelNotAvailable); r != 0) return r;
  x(line("OEU%i,%i\r\n", input, input));
  if (!x.ok()) return x.status();
  unit_from_reply(x.reply(), h.unit, sizeof h.unit);
  h.full_scale = 1;
  h.range = 1.0f;
  return kAcqOk;
}

int32_t read(int32_t number, int32_t, const int32_t*, int32_t* length, double) {
  AcquisitionState& a = acquisition();
  if (a.order[number].count == 0) return kAcqOk;
  return once_per_cycle(number, length, [&]() -> int32_t {
    if (a.read_pass == 0) {
      if (int32_t r = QBX_WritePort("MSV0,59,0\r\n"); r != 0) return r;
      return await_second_pass(number, length);
    }
    return fetch_input_line(number, length);
  });
}

int32_t command(int32_t, int32_t count, const int16_t* channels, int32_t code, void* value) {
  const InputRange range = input_range(count, channels);
  int32_t v = 0;
  if (value != nullptr) std::memcpy(&v, value, sizeof v);
  Exchange x(kLf, kAcqDeviceRefused);
  switch (code) {
    case kAcqCmdTare:
      x(line("TAR%i,%i\r\n", range.first, range.last));
      if (int32_t r = error_as(error_status(x, line("EST\r\n")), kAcqDeviceRefused); r != 0) return r;
      return x(line("BMP0,59\r\n")).status();
    case kAcqCmdTareSource:
      x(line("ITS%i\r\n", v));
      return error_as(error_status(x, line("EST\r\n")), kAcqDeviceRefused);
    default:
      return kAcqCommandNotSupported;
  }
}

}  // namespace tallix::amplifier60
