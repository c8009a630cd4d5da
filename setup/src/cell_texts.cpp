// Cell texts and the picture-number table (see cell_texts.h).
#include "cell_texts.h"

#include <charconv>
#include <cstdlib>

namespace setup {
namespace {

struct OverflowWord {
  float value;
  const char* word;
};
// The overflow floats the driver stores in place of a scaled value.
constexpr OverflowWord kOverflowWords[] = {
    {-1e38f, "OVERFLOW"}, {-1e37f, "-OVERFLOW"}, {-1e36f, "-overflow"}, {1e37f, "+OVERFLOW"}, {1e36f, "+overflow"}};

struct RangeDecimals {
  int32_t range;
  int decimals;
};
// Ranges whose values need other than two decimals.
constexpr RangeDecimals kRangeDecimals[] = {
    {700, 4}, {711, 4}, {740, 4}, {743, 4}, {752, 4}, {701, 3}, {712, 3}, {720, 3}, {742, 3},
    {750, 3}, {753, 3}, {710, 5}, {731, 1}, {760, 0}, {761, 0}};

struct PictureEntry {
  int32_t amplifier;
  int32_t transducer;
  int picture;
};
// Transducer picture by amplifier type and transducer id (digital I/O 5055 has picture 0 for any).
constexpr PictureEntry kPictures[] = {
    {5051, 350, 1}, {5051, 351, 2}, {5051, 420, 3}, {5051, 520, 13}, {5051, 521, 14}, {5051, 522, 15},
    {5051, 523, 16}, {5052, 350, 1}, {5052, 351, 2}, {5052, 420, 3}, {5053, 350, 1}, {5053, 351, 2},
    {5053, 420, 3}, {5054, 420, 3}, {5054, 421, 4}, {5054, 475, 5}, {5054, 450, 6}, {5054, 451, 7},
    {5054, 452, 8}, {5054, 453, 9}, {5054, 501, 10}, {5054, 502, 11}, {5054, 503, 12}, {5054, 454, 18},
    {5054, 455, 19}, {5054, 456, 20}, {5057, 350, 1}, {5057, 351, 2}, {5057, 352, 17}, {5057, 420, 3},
    {5058, 350, 1}, {5058, 351, 2}, {5058, 352, 17}, {5058, 420, 3}};
constexpr int32_t kAmplifierDigital = 5055;

bool temperature_transducer(int32_t t) { return (t >= 450 && t <= 456) || (t >= 501 && t <= 503); }

}  // namespace

std::string signed_number(int64_t value) {
  return (value < 0 ? "" : " ") + std::to_string(value);
}

bool is_overflow(float value) {
  for (const OverflowWord& o : kOverflowWords) {
    if (value == o.value) return true;
  }
  return false;
}

std::string value_text(float value, int decimals) {
  for (const OverflowWord& o : kOverflowWords) {
    if (value == o.value) return o.word;
  }
  if (decimals < 0 || decimals > 6) return {};
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                    std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return {};
  std::string text(buffer, result.ptr);
  if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-') text.erase(0, 1);  // no "-0.00"
  return text;
}

std::string digital_text(int32_t word, int form) {
  switch (form) {
    case kDigitalDecimal:
      return signed_number(word);
    case kDigitalHex: {
      static const char kDigits[] = "0123456789ABCDEF";
      unsigned v = static_cast<uint16_t>(word);
      std::string text;
      do {
        text.insert(text.begin(), kDigits[v & 0xF]);
        v >>= 4;
      } while (v != 0);
      return text;
    }
    case kDigitalBinary: {
      std::string text;
      for (int bit = 15; bit >= 0; --bit) {
        text += ((word >> bit) & 1) ? '1' : '0';
        if (bit == 8) text += " \r";
      }
      return text;
    }
    default:
      return {};
  }
}

int decimals_for(int32_t range, int32_t transducer) {
  if (temperature_transducer(transducer)) return 1;
  for (const RangeDecimals& r : kRangeDecimals) {
    if (r.range == range) return r.decimals;
  }
  return 2;
}

int transducer_picture(int32_t amplifier, int32_t transducer) {
  if (amplifier == kAmplifierDigital) return 0;
  for (const PictureEntry& p : kPictures) {
    if (p.amplifier == amplifier && p.transducer == transducer) return p.picture;
  }
  return -1;
}

int binary_digit_bit(int line, int digit) {
  if (line < 0 || line > 1 || digit < 0 || digit > 7) return -1;
  return (line == 0 ? 15 : 7) - digit;
}

double leading_number(const std::string& text) {
  size_t i = text.find_first_not_of(" \t");
  if (i == std::string::npos) return 0.0;
  if (text[i] == '+') ++i;
  double value = 0.0;
  const auto result = std::from_chars(text.data() + i, text.data() + text.size(), value);
  return result.ec == std::errc() ? value : 0.0;
}

}  // namespace setup
