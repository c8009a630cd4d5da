// The unit words the amplifier families of types 2, 40 and 2000 report (four characters each, as
// the devices send them), and the unit text a channel takes from one.
#pragma once

#include <string>
#include <string_view>

namespace tallix {

// True when `word` (trailing blanks ignored) is one of the unit words.
bool is_unit_word(std::string_view word);
// The channel's unit text for a unit word: the word without trailing blanks (empty when unknown).
std::string unit_text(std::string_view word);

}  // namespace tallix
