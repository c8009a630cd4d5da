// The Corvane's digital port (see corvane_dio.h).
#include "families/corvane/corvane_dio.h"

#include "families/ascii_line.h"
#include "linkar32.h"
#include "tallix32.h"

namespace tallix::corvane {
namespace {

using namespace ascii;

constexpr int32_t kSlotsPerDevice = 10;
constexpr int32_t kDigitalSlot = 8;  // slot 8 of each device is its digital I/O channel
constexpr int32_t kMaxDevicesWithPort = 8;
constexpr int32_t kBits = 8;

bool digital_channel(int32_t hardware, int32_t bit) {
  return hardware >= 0 && hardware % kSlotsPerDevice == kDigitalSlot &&
         hardware / kSlotsPerDevice < kMaxDevicesWithPort && bit >= 0 && bit < kBits;
}

int32_t port_value(Exchange& x, int32_t hardware, int32_t* value) {
  QBX_Corvane_WakeUp();
  x(line("DPI?%i\n", hardware));
  if (!x.ok()) return x.status();
  *value = to_int32(numbers(x.reply())[0]);
  return kAcqOk;
}

}  // namespace

int32_t digital_out(int32_t hardware, int32_t bit, int32_t value) {
  if (!digital_channel(hardware, bit)) return kAcqCommandNotSupported;
  Exchange x(kLf, kAcqDeviceErrorStatus);
  int32_t current = 0;
  if (int32_t r = port_value(x, hardware, &current); r != 0) return r;
  const int32_t next = (value != 0 ? current | (1 << bit) : current & ~(1 << bit)) & 0xFF;
  return x(line("DPI%i,%i\n", hardware, next)).status();
}

int32_t digital_in(int32_t hardware, int32_t bit, int32_t* value) {
  if (!digital_channel(hardware, bit)) return kAcqCommandNotSupported;
  Exchange x(kLf, kAcqDeviceErrorStatus);
  int32_t current = 0;
  if (int32_t r = port_value(x, hardware, &current); r != 0) return r;
  *value = current >> bit & 1;
  return kAcqOk;
}

}  // namespace tallix::corvane
