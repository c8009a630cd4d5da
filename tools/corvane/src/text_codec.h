// Texts and numbers at the tool's edges: the driver speaks 8-bit Latin-1 (the degree sign of
// "°C" is byte 0xB0, German texts carry umlauts), terminals and files speak UTF-8; numbers are
// written and parsed the same under every locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvane_cli {

// Latin-1 bytes as UTF-8.
std::string latin1_to_utf8(std::string_view text);
// UTF-8 as Latin-1; characters outside Latin-1 become '?'. Invalid sequences pass byte by byte.
std::string utf8_to_latin1(std::string_view text);
// The same; *outside gets the first character (UTF-8) that Latin-1 lacks, "" when there is none.
std::string utf8_to_latin1(std::string_view text, std::string* outside);

// Lower case (ASCII and Latin-1 letters), blanks trimmed at both ends and runs of blanks
// collapsed to one: the form in which names and index strings are compared.
std::string fold(std::string_view latin1);

// Shortest text that reads back as the same number ("0.5", "-1e+36"); "nan"/"inf" spelled so.
std::string format_number(double value);
std::string format_number(float value);
// Fixed point with `decimals` digits after the point.
std::string format_fixed(double value, int decimals);

// Whole-text parses; nullopt when anything but the number is present.
std::optional<double> parse_double(std::string_view text);
// A duration in seconds: a number, optionally followed by a unit ms, s, min or h.
std::optional<double> parse_duration(std::string_view text);
// Decimal, or hexadecimal with a 0x prefix.
std::optional<long long> parse_integer(std::string_view text);

}  // namespace corvane_cli
