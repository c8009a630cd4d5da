// Reading the plain operands of the formula language: numbers and named operands (channels,
// arguments and variables, database arguments, e, pi, time), and the number of an array name.
#ifndef NUMERA32_FORMULA_OPERAND_PARSE_H
#define NUMERA32_FORMULA_OPERAND_PARSE_H

#include <cstdint>
#include <string_view>

namespace numera32::formula {

// One operand as it is stored in a node: a constant (kind 255), a table entry (kind and number),
// or an intermediate result (kind 200).
struct Operand {
  double constant = 0.0;
  uint8_t kind = 0;
  int32_t number = 0;
};

// True when `text` is a number: it begins with a digit or '.', or with '-' and a digit or '.'.
bool is_number(std::string_view text);

// Reads the number at the start of `text` (is_number holds): "0x" and hexadecimal digits as a whole
// number, anything else as a decimal floating-point number with optional sign, fraction and
// exponent. Reading stops at the first character that cannot belong to the number. Decimal values
// beyond the range of a double give +-infinity or +-0, as a C library conversion does.
double read_number(std::string_view text);

// True when `text` is a named operand: it begins with a letter, or with '-' and one of c, e, p, x in
// either case (a negated operand).
bool is_named_operand(std::string_view text);

// True when the named operand is an array element ("a<n>(...)", first letter in either case).
bool is_array_element(std::string_view text);

// Reads a named operand other than an array element. Returns 0 and fills `operand`, or -6 for a name
// with a bad number, extra letters or an unknown letter.
int32_t read_named_operand(std::string_view text, Operand& operand);

// Reads the decimal number right after the first character of `text` (the n of "c<n>", "a<n>"):
// false when there is no digit or the number exceeds a 32-bit integer.
bool read_name_number(std::string_view text, int32_t& number);

}  // namespace numera32::formula

#endif
