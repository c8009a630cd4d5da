// The single-channel family's exchanges (sequences in single_channel.h).
#include <cstring>
#include <string>

#include "families/ascii_line.h"
#include "families/single_channel/single_channel.h"
#include "kernel_state.h"
#include "linkar32.h"
#include "multiscan/acquisition_state.h"

namespace tallix::single_channel {
namespace {

using namespace ascii;

constexpr int32_t kFirstSharedAddress = 10;  // addresses 10..40 share a line
constexpr int32_t kLastSharedAddress = 40;
constexpr int32_t kFullScale = 5120000;
constexpr int32_t kStopSettleMs = 10;
const char* const kAccessWord = "KRN";

struct RateCode {
  float rate;
  int32_t code;
};
constexpr RateCode kRates[] = {{600, 1}, {300, 2}, {150, 3}, {75, 4}, {50, 5},
                               {25, 6},  {10, 7},  {5, 8},   {2, 9},  {1, 10}};

bool g_access_open[kAcqMaxDevices];

RateCode quantise(float requested) {
  for (const RateCode& r : kRates)
    if (requested >= r.rate) return r;
  return kRates[sizeof kRates / sizeof kRates[0] - 1];
}

// "S<address>" for a device that shares its line.
void address_device() {
  const int32_t address = kernel().current.address;
  if (address >= kFirstSharedAddress && address <= kLastSharedAddress)
    QBX_WritePort(line("S%i\n", address).text);
}

}  // namespace

int32_t device_setup(int32_t device, int32_t) {
  g_access_open[device] = false;
  return kAcqOk;
}

int32_t channel_setup(int32_t channel) {
  AcqHdr& h = header(channel);
  const int32_t number = h.device_number >= 0 && h.device_number < kAcqMaxDevices ? h.device_number : 0;
  address_device();
  Exchange x(kLf, kAcqChannelNotAvailable);
  x(line("TAS?\n"));
  const int32_t tare_state = x.ok() && numbers(x.reply())[0] != 0.0 ? 1 : 0;
  x(line("TAV?\n"));
  const std::string tare_value(x.reply().text, static_cast<size_t>(x.reply().text_length()));
  if (!g_access_open[number]) x(line("SPW\"%s\"\n", kAccessWord));
  x(line("LDW0\n"))(line("LWT1000000\n"))(line("ACL0\n"))(line("TAV%s\n", tare_value.c_str()));
  x(line(tare_state ? "TAS1\n" : "TAS0\n"))(line("COF12\n"))(line("ICR2\n"))(line("IDN?\n"));
  if (!x.ok()) return x.status();
  g_access_open[number] = true;
  h.full_scale = kFullScale;
  return kAcqOk;
}

int32_t start(int32_t number, int32_t, const int32_t*, int32_t block_length, int32_t) {
  const int32_t k = acquisition().order[number].count;
  if (k == 0) return kAcqOk;
  if (k > 1 && block_length != 1) return kAcqOneChannelOnly;
  KernelState& kn = kernel();
  const RateCode rate = quantise(kn.sample_rate);
  kn.sample_rate = rate.rate;
  Exchange x(kLf, kAcqDeviceErrorStatus);
  x.send_only(line("S98\n")).send_only(line("ICR%i\n", rate.code));
  if (!x.ok()) return x.status();
  address_device();
  return x.send_only(line("MSV?%i\n", block_length)).status();
}

int32_t read(int32_t number, int32_t, const int32_t*, int32_t* length, double read_mode) {
  if (acquisition().order[number].count == 0) return kAcqOk;
  return once_per_cycle(number, length, [&] {
    address_device();
    return read_stream(number, length, read_mode, Sample::kInt32Le, 1);
  });
}

int32_t stop(int32_t) {
  address_device();
  const int32_t r = QBX_WritePort("STP\n");
  drain_input(kStopSettleMs);
  return r;
}

int32_t command(int32_t, int32_t, const int16_t*, int32_t code, void* value) {
  int32_t v = 0;
  if (value != nullptr) std::memcpy(&v, value, sizeof v);
  if (code != kAcqCmdTare && code != kAcqCmdTareSource) return kAcqCommandNotSupported;
  address_device();
  Exchange x(kLf, kAcqDeviceRefused);
  switch (code) {
    case kAcqCmdTare:
      return x(line("TAR\n")).status();
    case kAcqCmdTareSource:
      return x(line("TAS%i\n", v)).status();
    default:
      return kAcqCommandNotSupported;
  }
}

}  // namespace tallix::single_channel
