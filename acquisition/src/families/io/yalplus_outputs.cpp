// The YALPLUS outputs and inputs (see yalplus_outputs.h).
#include "families/io/yalplus_outputs.h"

#include <cmath>

#include "families/ascii_line.h"
#include "tallix32.h"

namespace tallix::yalplus_io {
namespace {

using namespace ascii;

constexpr int32_t kPorts = 16;
constexpr int32_t kBitsPerBank = 8;
constexpr int32_t kSecondBank = 1;

// The output/input number 1..16 of a port's bit, or 0 when there is none.
int32_t io_number(int32_t port, int32_t bank, int32_t bit) {
  if (port < 1 || port > kPorts || bit < 1 || bit > kBitsPerBank) return 0;
  return bit + (bank == kSecondBank ? kBitsPerBank : 0);
}

}  // namespace

int32_t digital_out(int32_t port, int32_t bank, int32_t bit, int32_t value) {
  const int32_t n = io_number(port, bank, bit);
  if (n == 0) return kAcqCommandNotSupported;
  Exchange x(kLf, kAcqDeviceErrorStatus);
  x(line("PCS%i\n", port));
  return x(line(value != 0 ? "SOP%i,1\n" : "SOP%i,0\n", n)).status();
}

int32_t digital_in(int32_t port, int32_t bank, int32_t bit, int32_t* value) {
  const int32_t n = io_number(port, bank, bit);
  if (n == 0) return kAcqCommandNotSupported;
  Exchange x(kLf, kAcqDeviceErrorStatus);
  x(line("PCS%i\n", port))(line("RIP?\n"));
  if (!x.ok()) return x.status();
  const int32_t bits = to_int32(numbers(x.reply())[0]);
  *value = static_cast<int32_t>(bits >> (n - 1) & 1);
  return kAcqOk;
}

int32_t analog_out(int32_t slot, int32_t output, double value) {
  if (!std::isfinite(value)) return kAcqCommandNotSupported;
  Exchange x(kLf, kAcqDeviceErrorStatus);
  x(line("PCS%i\n", slot));
  return x(line("LVL%i,%s\n", output, number_text(value).text)).status();
}

}  // namespace tallix::yalplus_io
