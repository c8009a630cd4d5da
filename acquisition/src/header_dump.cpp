// The text dump of a channel header for diagnosis (QBX_ACQDumpAcqHdr): "AQHDR<channel>.DMP" in the
// current directory with the header's placement, range, unit, point table and formula text.
// Numbers are formatted by hand, the same under every locale.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "export_guard.h"
#include "kernel_state.h"
#include "scaling/linearisation.h"
#include "storage/file_writes.h"

using namespace tallix;

namespace {

constexpr int32_t kRangeDecimals = 3;
constexpr int32_t kPointDecimals = 5;
constexpr double kLargestScaled = 9.0e18;  // below the largest 64-bit integer

// The value's digits rounded to `decimals`, '-' first for a negative value, '.' before the
// fraction, and no leading zero below 1 (0.1 with 3 decimals: ".100").
std::string fixed_point(double value, int32_t decimals) {
  if (std::isnan(value)) return "nan";
  std::string text = std::signbit(value) && value != 0.0 ? "-" : "";
  const double magnitude = std::fabs(value);
  if (std::isinf(magnitude)) return text + "inf";
  const double scale = std::pow(10.0, decimals);
  std::string digits;
  if (magnitude * scale < kLargestScaled) {
    digits = std::to_string(static_cast<uint64_t>(std::llround(magnitude * scale)));
  } else {
    char whole[400];
    std::snprintf(whole, sizeof whole, "%.0f", magnitude);  // no decimal point: locale-free
    digits = std::string(whole) + std::string(static_cast<size_t>(decimals), '0');
  }
  if (digits.size() < static_cast<size_t>(decimals)) digits.insert(0, static_cast<size_t>(decimals) - digits.size(), '0');
  const size_t point = digits.size() - static_cast<size_t>(decimals);
  return text + digits.substr(0, point) + "." + digits.substr(point);
}

std::string dump_text(int32_t channel) {
  const AcqHdr& h = header(channel);
  const KernelState& k = kernel();
  char line[512];
  std::string text;
  auto add = [&](const char* format, auto... values) {
    std::snprintf(line, sizeof line, format, values...);
    text += line;
  };
  add("Logical channel: %i\n", channel);
  add("Device type: %i\n", h.device_type);
  add("Interface: %i\n", h.interface);
  add("Device address: %i\n", h.device_address);
  add("Hardware channel: %i\n", h.hardware_channel);
  add("DIO Port: %i\n", h.dio_port);
  add("DIO Bit: %i\n", h.dio_bit);
  add("Meas.Range: %s\n", fixed_point(h.range, kRangeDecimals).c_str());
  char unit[sizeof h.unit + 1] = {};
  std::memcpy(unit, h.unit, sizeof h.unit);  // a full unit field has no terminator
  add("Unit: %s\n", unit);
  const LinRecord& lin = k.lin[channel];
  if (lin.type == kLinTypePoints && lin.points != nullptr) {
    for (int32_t i = 0; i < lin.count; ++i)
      add("Lin Pt %i:   %s  %s\n", i + 1, fixed_point(lin.points[2 * i], kPointDecimals).c_str(),
          fixed_point(lin.points[2 * i + 1], kPointDecimals).c_str());
  }
  const FormulaRecord& f = k.formulas[channel];
  if (f.text != nullptr && f.text[0] != '\0') text += "Formula: " + std::string(f.text) + "\n";
  return text;
}

}  // namespace

extern "C" int32_t QBX_ACQDumpAcqHdr(int32_t argument) {
  const int32_t channel = channel_arg(argument);
  if (!valid_channel(channel)) return kAcqBadChannel;
  return guarded([&] {
    const std::string text = dump_text(channel);
    char name[32];
    std::snprintf(name, sizeof name, "AQHDR%i.DMP", channel);
    return write_new_file(name, text.data(), static_cast<int64_t>(text.size()));
  });
}
