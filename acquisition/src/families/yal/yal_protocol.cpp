// The YAL family's exchanges (sequences in yal.h).
#include <vector>

#include "families/ascii_line.h"
#include "families/unit_words.h"
#include "families/yal/yal.h"
#include "kernel_state.h"
#include "linkar32.h"
#include "multiscan/acquisition_state.h"
#include "yalsmp32.h"

namespace tallix::yal {
namespace {

using namespace ascii;

constexpr int32_t kMaxAmplifier = 31;
constexpr int32_t kCalibrationMs = 3000;  // the amplifier calibrates after "CAL"
constexpr int32_t kStopSettleMs = 10;

// The interface settings "ISS?" reported at the start, restored at the stop.
struct InterfaceSettings {
  int32_t first = 0;
  int32_t second = 0;
};
InterfaceSettings g_settings[kAcqMaxDevices];

// The YALSMP32 rate for the device's measured channels; -252 when the library rejects it.
int32_t set_rate(int32_t number) {
  int32_t flags[kYalChannelFlags] = {};
  const BlockOrder& order = acquisition().order[number];
  for (int32_t j = 0; j < order.count; ++j) {
    const int32_t h = header(order.channels[j]).hardware_channel;
    if (h >= 0 && h < kYalChannelFlags) flags[h] = 1;
  }
  float rate = kernel().sample_rate;
  if (YAL_SetSampleRate(flags, &rate) == kYalRejected) return kAcqRateRejected;
  kernel().sample_rate = rate;
  return kAcqOk;
}

}  // namespace

int32_t channel_setup(int32_t channel) {
  AcqHdr& h = header(channel);
  if (h.hardware_channel < 1 || h.hardware_channel > kMaxAmplifier) return kAcqChannelNotAvailable;
  Exchange x(kLf, kAcqChannelNotAvailable);
  x(line("SRB1\n"))(line("CHS%li\n", static_cast<long>(1L << (h.hardware_channel - 1))))(line("ACL0\n"));
  x(line("ENU?1\n"));
  if (x.ok())
    unit_from_word(std::string_view(x.reply().text, static_cast<size_t>(x.reply().length)), h.unit,
                   sizeof h.unit);
  x(line("IMR?1\n"));
  if (x.ok() && has_text(x.reply())) h.range = static_cast<float>(numbers(x.reply())[0]);
  x(line("IAD?1\n"));
  if (x.ok() && has_text(x.reply())) {
    const int32_t full = to_int32(numbers(x.reply())[0]);
    if (full != 0) h.full_scale = full;
  }
  return x.status();
}

int32_t start(int32_t number, int32_t count, const int32_t* channels, int32_t block_length, int32_t) {
  if (!acquisition().measured_present || device(number).measured_channel_count == 0) return kAcqOk;
  Exchange x(kLf, kAcqDeviceErrorStatus);
  x(line("SRB1\n"))(line("ISS?\n"));
  if (x.ok()) {
    const std::vector<double> v = numbers(x.reply());
    g_settings[number] = {to_int32(v[0]), v.size() > 1 ? to_int32(v[1]) : 0};
  }
  x(line("ISS,0\n"))(line("CMR1\n"))(line("AFS1\n"))(line("COF3\n"));
  if (!x.ok()) return x.status();
  if (block_length == 0 || block_length > 1) {
    if (int32_t r = set_rate(number); r != 0) return r;
  }
  x(line("CHS%li\n", static_cast<long>(channel_mask(count, channels))));
  if (int32_t r = error_status(x, line("ESR?\n")); r != 0) return r;
  return x.send_only(line("MSV?%i,%i\n", block_length, device(number).measured_channel_count)).status();
}

int32_t read(int32_t number, int32_t, const int32_t*, int32_t* length, double read_mode) {
  const int32_t k = acquisition().order[number].count;
  if (k == 0) return kAcqOk;
  return once_per_cycle(number, length,
                        [&] { return read_stream(number, length, read_mode, Sample::kInt24Be, k); });
}

int32_t stop(int32_t number) {
  Exchange x(kLf, kAcqDeviceErrorStatus);
  x.send_only(line("STP\n"));
  drain_input(kStopSettleMs);
  x(line("CLS\n"))(line("ISS%i,%i\n", g_settings[number].first, g_settings[number].second));
  return x.status();
}

int32_t command(int32_t, int32_t count, const int16_t* channels, int32_t code, void* value) {
  Exchange x(kLf, kAcqDeviceRefused);
  x(line("CHS%li\n", static_cast<long>(channel_mask(count, channels))));
  if (int32_t r = error_status(x, line("ESR?\n")); r != 0) return r;
  return amplifier_command(x, code, value, [] {
    QBX_Delay(kCalibrationMs);
    return static_cast<int32_t>(kAcqOk);
  });
}

}  // namespace tallix::yal
