// The unit words the YAL, VELMA and YALPLUS amplifiers report (four characters each, blank-padded,
// as the devices send them), and the channel unit text a reported word gives.
#pragma once

#include <cstddef>
#include <string_view>

namespace tallix {

inline constexpr size_t kUnitWordLength = 4;

// Every unit word, in the devices' spelling.
extern const char* const kUnitWords[];
extern const size_t kUnitWordCount;

// The unit text of a device's reply: the reply's leading unit word when it is one of kUnitWords
// (the rest of the reply, a line end for instance, is ignored), copied without its padding blanks
// into unit (zero-terminated, at most `size` bytes with the terminator). False, with unit left
// alone, when the reply names no known unit word.
bool unit_from_word(std::string_view reply, char* unit, size_t size);

}  // namespace tallix
