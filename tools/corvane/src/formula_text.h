// Formula channels of a recording as the user writes them, "NAME=TEXT" with c<n> naming the tool's
// channel n, and their translation into the kernel's numbering, where c<k> is kernel channel k.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace corvane_cli {

struct FormulaOption {
  std::string name;  // UTF-8, 1 to 31 characters
  std::string unit;  // UTF-8, up to 10 characters; "" when none was given
  std::string text;  // the formula in the tool's channel numbers
};

// Splits "NAME=TEXT" or "NAME [UNIT]=TEXT" at its first "="; throws CommandError (usage) for an
// empty name or text, a name longer than 31 characters or one that holds a comma, a unit longer
// than 10 characters.
FormulaOption parse_formula_option(const std::string& option);

// The channel numbers the text names with c<n> (ascending, once each). A "c" counts only where it
// starts a word: the c of "acos(" or of "x1c2" is not a channel.
std::vector<int32_t> formula_channels(const std::string& text);

// The text with every c<n> replaced by c<k>, k = kernel[n]. Throws CommandError (usage) naming
// the formula when n is not in the map, or when the result is longer than 255 characters.
std::string translate_formula(const FormulaOption& formula, const std::map<int32_t, int32_t>& kernel);

}  // namespace corvane_cli
