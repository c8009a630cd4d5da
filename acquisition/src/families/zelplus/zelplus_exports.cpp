// The ZELPLUS exports: a bit of a digital port line and an analog output, on the current port and
// address (QBX_ACQDIOWrite, QBX_ACQDIORead and QBX_ACQAOWrite select them for their channels).
#include "export_guard.h"
#include "families/ascii_line.h"
#include "tallix32.h"

using namespace tallix;
using namespace tallix::ascii;

namespace {

constexpr int32_t kBits = 16;               // a digital port line carries 16 bits
constexpr int16_t kPortZeroOutputLine = 2;  // port 0: outputs on line 2, inputs on line 1
constexpr int16_t kPortZeroInputLine = 1;
constexpr double kAnalogScale = 0.1;  // the value in volts x 0.1 x 4000000 is the DAC count
constexpr double kAnalogCounts = 4000000.0;
constexpr double kLargestCount = 2147483647.0;

// The port value of "DPI?<port>,<line>", or a negative status.
int32_t port_value(Exchange& x, int16_t port, int16_t line_number, int32_t* value) {
  x(line("DPI?%i,%i\n", port, line_number));
  if (!x.ok()) return x.status();
  *value = to_int32(numbers(x.reply())[0]);
  return kAcqOk;
}

}  // namespace

extern "C" {

int32_t ZELPLUS_DIGLINOUT(int16_t port, int16_t line_number, int32_t bit, int32_t value) {
  if (bit < 0 || bit >= kBits) return kAcqCommandNotSupported;
  return guarded([&]() -> int32_t {
    const int16_t l = port == 0 ? kPortZeroOutputLine : line_number;
    Exchange x(kLf, kAcqDeviceErrorStatus);
    int32_t current = 0;
    if (int32_t r = port_value(x, port, l, &current); r != 0) return r;
    const int32_t next = value != 0 ? current | (1 << bit) : current & ~(1 << bit);
    return x(line("DPI%i,%i,%i\n", port, l, next)).status();
  });
}

int32_t ZELPLUS_DIGLININ(int16_t port, int16_t line_number, int32_t bit, int32_t* value) {
  if (value == nullptr) return kAcqBadArgument;
  if (bit < 0 || bit >= kBits) return kAcqCommandNotSupported;
  return guarded([&]() -> int32_t {
    Exchange x(kLf, kAcqDeviceErrorStatus);
    int32_t current = 0;
    if (int32_t r = port_value(x, port, port == 0 ? kPortZeroInputLine : line_number, &current); r != 0)
      return r;
    *value = current >> bit & 1;
    return kAcqOk;
  });
}

int32_t ZELPLUS_ANALOGOUT(int16_t port, int16_t channel, double value) {
  return guarded([&]() -> int32_t {
    const double counts = value * kAnalogScale * kAnalogCounts;
    // Not a number or beyond the command's 32-bit field: no count to send.
    if (!(counts > -kLargestCount && counts < kLargestCount)) return kAcqCommandNotSupported;
    return Exchange(kLf,
                    kAcqDeviceErrorStatus)(line("DAU%i,%i,%li\n", port, channel, static_cast<long>(counts)))
        .status();
  });
}

}  // extern "C"
