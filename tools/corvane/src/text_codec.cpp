// Latin-1/UTF-8 conversion and locale-independent number texts (std::to_chars/from_chars).
#include "text_codec.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace corvane_cli {

std::string latin1_to_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::string utf8_to_latin1(std::string_view text) { return utf8_to_latin1(text, nullptr); }

std::string utf8_to_latin1(std::string_view text, std::string* outside) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    // Length of a well-formed sequence, or 0.
    size_t len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    bool ok = len != 0 && i + len <= text.size();
    for (size_t k = 1; ok && k < len; ++k) ok = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    if (!ok) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    uint32_t cp = c & (0x7F >> len);
    for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    out.push_back(cp <= 0xFF ? static_cast<char>(cp) : '?');
    if (cp > 0xFF && outside != nullptr && outside->empty()) *outside = std::string(text.substr(i, len));
    i += len - 1;
  }
  return out;
}

std::string fold(std::string_view latin1) {
  std::string out;
  bool blank = false;
  for (unsigned char c : latin1) {
    if (c == ' ' || c == '\t') {
      blank = !out.empty();
      continue;
    }
    if (blank) out.push_back(' ');
    blank = false;
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) c = static_cast<unsigned char>(c + 32);
    out.push_back(static_cast<char>(c));
  }
  return out;
}

namespace {

template <typename T>
std::string shortest(T value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

}  // namespace

std::string format_number(double value) { return shortest(value); }
std::string format_number(float value) { return shortest(value); }

std::string format_fixed(double value, int decimals) {
  if (!std::isfinite(value)) return shortest(value);
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  std::string s(buf, r.ptr);
  // A value that rounds to zero is shown without a sign.
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

std::optional<double> parse_double(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double v = 0.0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return v;
}

std::optional<long long> parse_integer(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  long long v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, base);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return negative ? -v : v;
}


std::optional<double> parse_duration(std::string_view text) {
  struct Unit {
    std::string_view suffix;
    double seconds;
  };
  // Longest suffixes first: "ms" before "s".
  static const Unit kUnits[] = {{"ms", 0.001}, {"min", 60.0}, {"s", 1.0}, {"h", 3600.0}};
  for (const Unit& u : kUnits) {
    if (text.size() > u.suffix.size() && text.substr(text.size() - u.suffix.size()) == u.suffix) {
      auto v = parse_double(text.substr(0, text.size() - u.suffix.size()));
      if (!v) return std::nullopt;
      return *v * u.seconds;
    }
  }
  return parse_double(text);
}

}  // namespace corvane_cli
