// The VELMA exchanges (sequences in velma.h) and its exports.
#include <vector>

#include "export_guard.h"
#include "families/ascii_line.h"
#include "families/ascii_reads.h"
#include "families/family_settings.h"
#include "families/unit_words.h"
#include "families/velma/velma.h"
#include "kernel_state.h"
#include "linkar32.h"
#include "multiscan/acquisition_state.h"

namespace tallix::velma {
namespace {

using namespace ascii;

constexpr int32_t kInputs = 2;
constexpr int32_t kAsciiFormat = 3;
constexpr int32_t kMaxValuesPerRequest = 64;  // one reply line carries them
constexpr int32_t kPollMs = 10;
constexpr int32_t kSettlingBit = 0x200;
constexpr int32_t kCalibratingBit = 0x100;
constexpr int32_t kTimedOut = -1;

int32_t mode_of(int32_t channel) {
  return channel > 0 ? header(channel).sub_channel : 0;
}

}  // namespace

int32_t device_setup(int32_t, int32_t) {
  Exchange x(kLf, kAcqDeviceErrorStatus);
  x(line("SRB1\n"))(line("CHS1\n"))(line("COF3\n"))(line("COF?\n"));
  if (!x.ok()) return x.status();
  return to_int32(numbers(x.reply())[0]) == kAsciiFormat ? static_cast<int32_t>(kAcqOk)
                                                         : static_cast<int32_t>(kAcqDeviceErrorStatus);
}

int32_t channel_setup(int32_t channel) {
  AcqHdr& h = header(channel);
  const int32_t input = h.hardware_channel;
  if (input < 1 || input > kInputs) return kAcqChannelNotAvailable;
  Exchange x(kLf, kAcqChannelNotAvailable);
  x(line("SRB1\n"))(line("CHS%li\n", static_cast<long>(input)))(line("CHM%i\n", h.sub_channel))(
      line("ACL0\n"));
  x(line("CMR?\n"))(line("ASS2\n"));
  for (int32_t i = 1; i <= kInputs; ++i) {
    x(line("ENU?%i\n", i));
    if (x.ok() && i == input)
      unit_from_word(std::string_view(x.reply().text, static_cast<size_t>(x.reply().length)), h.unit,
                     sizeof h.unit);
  }
  for (int32_t i = 1; i <= kInputs; ++i) {
    x(line("IAD?%i\n", i));
    if (x.ok() && i == input && has_text(x.reply())) {
      const std::vector<double> v = numbers(x.reply());
      h.range = static_cast<float>(v[0]);
      if (v.size() > 1 && v[1] != 0.0) h.full_scale = to_int32(v[1]);
    }
  }
  return x.status();
}

int32_t read(int32_t number, int32_t count, const int32_t* channels, int32_t* length, double read_mode) {
  AcquisitionState& a = acquisition();
  const BlockOrder& order = a.order[number];
  const int32_t k = order.count;
  if (k == 0) return kAcqOk;
  return once_per_cycle(number, length, [&]() -> int32_t {
    Exchange x(kLf, kAcqDeviceErrorStatus);
    if (a.read_pass == 0) {
      x(line("CHS%li\n", static_cast<long>(channel_mask(count, channels))))(
          line("CHM%i\n", mode_of(order.channels[0])));
      if (!x.ok()) return x.status();
      return await_second_pass(number, length);
    }
    const int32_t L = read_mode == kReadAll ? 1 : *length;
    if (L <= 0) return deliver_nothing(number, length, 0);
    if (int64_t{L} * k > kMaxValuesPerRequest || !buffers_hold(number, L)) {
      clear_block_counts(number);
      return kAcqBlockTooLarge;
    }
    x(line("MSV?%i,1\n", L));
    if (!x.ok()) return x.status();
    const std::vector<double> v = numbers(x.reply());
    if (v.size() < static_cast<size_t>(L) * k) return kAcqDeviceErrorStatus;
    distribute_values(number, v.data(), L);
    *length = L;
    return kAcqOk;
  });
}

int32_t stop(int32_t) {
  Exchange x(kLf, kAcqDeviceErrorStatus);
  return x(line("STP\n"))(line("CLS\n")).status();
}

int32_t command(int32_t, int32_t count, const int16_t* channels, int32_t code, void* value) {
  Exchange x(kLf, kAcqDeviceRefused);
  x(line("CHS%li\n", static_cast<long>(channel_mask(count, channels))))(
      line("CHM%i\n", mode_of(first_on_current(count, channels))));
  if (int32_t r = error_status(x, line("ESR?\n")); r != 0) return r;
  return amplifier_command(x, code, value, [] { return wait_until_clear(kCalibratingBit); });
}

int32_t wait_until_clear(int32_t busy_bit) {
  const uint32_t begin = QBX_GetSysTime();
  const int32_t ms = family_settings().velma_settling_ms;
  const auto limit = static_cast<uint32_t>(ms > 0 ? ms : 0);
  while (true) {
    Exchange x(kLf, kAcqDeviceErrorStatus);
    x(line("XST?\n"));
    if (!x.ok()) return x.status();
    const std::vector<double> v = numbers(x.reply());
    bool busy = (to_int32(v[0]) & busy_bit) != 0;
    if (v.size() > 1) busy = busy || (to_int32(v[1]) & busy_bit) != 0;
    if (!busy) return kAcqOk;
    if (QBX_GetSysTime() - begin >= limit) return kTimedOut;
    QBX_Delay(kPollMs);
  }
}

}  // namespace tallix::velma

extern "C" {

int32_t VELMA_SetAmplifierSettlingTimo(int32_t ms) {
  tallix::family_settings().velma_settling_ms = ms;
  return kAcqOk;
}

int32_t VELMA_WaitForAmplifierSettling(void) {
  return tallix::guarded([] { return tallix::velma::wait_until_clear(tallix::velma::kSettlingBit); });
}

int32_t VELMA_WaitForCalibrationComplete(void) {
  return tallix::guarded([] { return tallix::velma::wait_until_clear(tallix::velma::kCalibratingBit); });
}

}  // extern "C"
