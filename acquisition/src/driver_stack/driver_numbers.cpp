// Locale-independent formatting and parsing of the numbers driver statements exchange.
#include "driver_stack/driver_numbers.h"

#include <charconv>
#include <cmath>

namespace tallix {

std::string format_number(double value, int decimals) {
  if (!std::isfinite(value)) return std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
  if (decimals < 0) {
    if (value == std::trunc(value) && std::fabs(value) < 1e15) {
      decimals = 0;
    } else {
      const double magnitude = std::fabs(value);
      const int integer_digits = magnitude >= 1.0 ? static_cast<int>(std::floor(std::log10(magnitude))) + 1 : 1;
      decimals = integer_digits >= 6 ? 0 : 6 - integer_digits;
      if (magnitude < 1.0 && magnitude > 0.0) decimals = 6 - static_cast<int>(std::floor(std::log10(magnitude))) - 1;
      if (decimals > 15) decimals = 15;
    }
  }
  if (decimals > 15) decimals = 15;
  char text[400];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  if (ec != std::errc()) return "0";
  std::string out(text, end);
  if (out == "-0" || out.find_first_not_of("-0.") == std::string::npos) {
    if (out[0] == '-') out.erase(0, 1);  // no negative zero in texts
  }
  return out;
}

bool parse_number(const char* text, size_t length, double* value, size_t* consumed) {
  size_t at = 0;
  while (at < length && (text[at] == ' ' || text[at] == '\t')) ++at;
  size_t start = at;
  if (at < length && text[at] == '+') start = ++at;
  double v = 0.0;
  auto [end, ec] = std::from_chars(text + start, text + length, v, std::chars_format::general);
  if (ec != std::errc() || end == text + start) return false;
  *value = v;
  if (consumed != nullptr) *consumed = static_cast<size_t>(end - text);
  return true;
}

}  // namespace tallix
