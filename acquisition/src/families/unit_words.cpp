// The unit words as data.
#include "families/unit_words.h"

namespace tallix {

namespace {

constexpr std::string_view kUnitWords[] = {
    "V   ", "pC  ", "pF  ", "K   ", "MV/V", "mV/V", "mV  ", "mA  ", "V IN", "KHZ ", "KIMP", "OHM ", "NC  ", "G   ",
    "KG  ", "T   ", "TONS", "tons", "LBS ", "KN  ", "BAR ", "mBAR", "mbar", "uM  ", "MM  ", "CM  ", "M   ", "INCH",
    "inch", "NM  ", "FTLB", "ftlb", "INLB", "inlb", "um/m", "\xB5m/m", "p/o ", "p/oo", "o/oo", "M/S ", "M/SS",
    "m/s\xB2"};

std::string_view trimmed(std::string_view word) {
  while (!word.empty() && word.back() == ' ') word.remove_suffix(1);
  return word;
}

}  // namespace

bool is_unit_word(std::string_view word) {
  const std::string_view w = trimmed(word);
  if (w.empty()) return false;
  for (std::string_view unit : kUnitWords)
    if (trimmed(unit) == w) return true;
  return false;
}

std::string unit_text(std::string_view word) { return is_unit_word(word) ? std::string(trimmed(word)) : std::string(); }

}  // namespace tallix
