// The unit words of the YAL, VELMA and YALPLUS amplifiers as data: a channel's unit text is the
// word its amplifier names ("MV/V", "KN  ", "m/s²", ...), without the blanks that pad it to four
// characters. "µ" and "²" are the devices' 8-bit characters (Latin-1 0xB5 and 0xB2): the word is
// four bytes long either way.
#include "families/unit_words.h"

#include <cstring>

namespace tallix {

const char* const kUnitWords[] = {"V   ", "pC  ", "pF  ", "K   ", "MV/V", "mV/V",   "mV  ", "mA  ", "V IN",
                                  "KHZ ", "KIMP", "OHM ", "NC  ", "G   ", "KG  ",   "T   ", "TONS", "tons",
                                  "LBS ", "KN  ", "BAR ", "mBAR", "mbar", "uM  ",   "MM  ", "CM  ", "M   ",
                                  "INCH", "inch", "NM  ", "FTLB", "ftlb", "INLB",   "inlb", "um/m", "\xB5m/m",
                                  "p/o ", "p/oo", "o/oo", "M/S ", "M/SS", "m/s\xB2"};
const size_t kUnitWordCount = sizeof kUnitWords / sizeof kUnitWords[0];

bool unit_from_word(std::string_view reply, char* unit, size_t size) {
  if (unit == nullptr || size == 0 || reply.size() < kUnitWordLength) return false;
  const std::string_view word = reply.substr(0, kUnitWordLength);
  for (size_t i = 0; i < kUnitWordCount; ++i) {
    if (word != std::string_view(kUnitWords[i], kUnitWordLength)) continue;
    size_t n = kUnitWordLength;
    while (n > 0 && word[n - 1] == ' ') --n;
    if (n >= size) n = size - 1;
    std::memcpy(unit, word.data(), n);
    unit[n] = '\0';
    return true;
  }
  return false;
}

}  // namespace tallix
