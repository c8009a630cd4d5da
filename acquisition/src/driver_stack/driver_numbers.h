// Numbers in driver texts: written and read with '.' under every locale, so that a driver file
// and an instrument's replies mean the same on every machine.
#pragma once

#include <cstddef>
#include <string>

namespace tallix {

// The value as fixed-point text with `decimals` digits after the point (0..15); decimals below 0
// choose by value: whole numbers without decimals, others with 6 significant digits.
std::string format_number(double value, int decimals);

// The number at the start of text (after blanks; a leading '+' is allowed), or nullptr when there
// is none (false). *consumed (when not null) gets the bytes read, blanks included.
bool parse_number(const char* text, size_t length, double* value, size_t* consumed);

}  // namespace tallix
