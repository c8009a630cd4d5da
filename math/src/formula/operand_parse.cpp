// Plain operands of the formula language. Numbers are read without the C library's locale-dependent
// conversions, and never beyond the text's length (the text needs no terminating zero).
#include "formula/operand_parse.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "numera32_formula.h"

namespace numera32::formula {

namespace {

// The constants that "e" and "pi" stand for, to the digits the formula language has always used.
constexpr double kConstantE = 2.7182818;
constexpr double kConstantPi = 3.1415926536;

// Ranges of x<n>: from `start` on, the operand is entry n - start of its table.
struct VariableRange {
  int32_t start;
  uint8_t kind;
};
constexpr std::array<VariableRange, 4> kVariableRanges = {{
    {32000, kFormulaKindSysArg},
    {24000, kFormulaKindFuncParam},
    {16000, kFormulaKindLocalVar},
    {0, kFormulaKindArgument},
}};

constexpr int32_t kMaxDbArgument = 31;
constexpr int32_t kMaxLastArgName = 128;

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

int hex_digit(char c) {
  if (is_digit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decimal exponent of the leading significant digit of a decimal text that overflowed or underflowed
// (sign already removed), used to tell the two apart.
long long decimal_magnitude(std::string_view text) {
  std::size_t i = 0;
  long long magnitude = 0;
  bool significant = false;
  for (; i < text.size() && is_digit(text[i]); ++i) {
    if (text[i] != '0') significant = true;
    if (significant) ++magnitude;
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && is_digit(text[i]); ++i) {
      if (significant) continue;
      if (text[i] != '0') {
        significant = true;
      } else {
        --magnitude;
      }
    }
  }
  long long exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    for (; i < text.size() && is_digit(text[i]); ++i) {
      if (exponent < 1000000) exponent = exponent * 10 + (text[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  return magnitude + exponent;
}

double read_decimal(std::string_view text) {
  const bool negative = !text.empty() && text[0] == '-';
  double value = 0.0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec == std::errc::invalid_argument) return negative ? -0.0 : 0.0;
  if (ec == std::errc::result_out_of_range) {
    const std::string_view digits(text.data() + (negative ? 1 : 0), static_cast<std::size_t>(end - text.data()) - (negative ? 1 : 0));
    const double magnitude = decimal_magnitude(digits) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -magnitude : magnitude;
  }
  return value;
}

double read_hex(std::string_view digits) {
  double value = 0.0;
  for (char c : digits) {
    const int d = hex_digit(c);
    if (d < 0) break;
    value = value * 16.0 + d;
  }
  return value;
}

}  // namespace

bool is_number(std::string_view text) {
  if (text.empty()) return false;
  const char first = text[0];
  if (is_digit(first) || first == '.') return true;
  return first == '-' && text.size() > 1 && (is_digit(text[1]) || text[1] == '.');
}

double read_number(std::string_view text) {
  const bool negative = text[0] == '-';
  const std::string_view body = negative ? text.substr(1) : text;
  if (body.starts_with("0x")) {
    const double value = read_hex(body.substr(2));
    return negative ? -value : value;
  }
  return read_decimal(text);
}

bool is_named_operand(std::string_view text) {
  if (text.empty()) return false;
  if (is_letter(text[0])) return true;
  if (text[0] != '-' || text.size() < 2) return false;
  const char next = lower(text[1]);
  return next == 'c' || next == 'e' || next == 'p' || next == 'x';
}

bool is_array_element(std::string_view text) { return !text.empty() && lower(text[0]) == 'a'; }

bool read_name_number(std::string_view text, int32_t& number) {
  int64_t value = 0;
  std::size_t i = 1;
  for (; i < text.size() && is_digit(text[i]); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > std::numeric_limits<int32_t>::max()) return false;
  }
  if (i == 1) return false;
  number = static_cast<int32_t>(value);
  return true;
}

int32_t read_named_operand(std::string_view text, Operand& operand) {
  const bool negated = text[0] == '-';
  const std::string_view name = negated ? text.substr(1) : text;
  const uint8_t negation = negated ? kFormulaKindNegated : 0;
  const bool letter_follows = name.size() > 1 && is_letter(name[1]);
  int32_t n = 0;
  switch (lower(name[0])) {
    case 'c':
      if (letter_follows || !read_name_number(name, n)) return kFormulaSyntax;
      operand = {0.0, static_cast<uint8_t>(negated ? kFormulaKindChannelNeg : kFormulaKindChannel), n};
      return kFormulaOk;
    case 'd':
      if (letter_follows || !read_name_number(name, n) || n > kMaxDbArgument) return kFormulaSyntax;
      operand = {0.0, kFormulaKindDbArgument, n};
      return kFormulaOk;
    case 'e':
      if (name.size() != 1) return kFormulaSyntax;
      operand = {negated ? -kConstantE : kConstantE, kFormulaKindConstant, 0};
      return kFormulaOk;
    case 'p':
      if (name != "pi" && name != "Pi") return kFormulaSyntax;
      operand = {negated ? -kConstantPi : kConstantPi, kFormulaKindConstant, 0};
      return kFormulaOk;
    case 't':
      if (name.size() != 4 || name.substr(1) != "ime") return kFormulaSyntax;
      operand = {0.0, kFormulaKindTime, 0};
      return kFormulaOk;
    case 'x':
      if (letter_follows || !read_name_number(name, n)) return kFormulaSyntax;
      for (const VariableRange& range : kVariableRanges) {
        if (n >= range.start) {
          operand = {0.0, static_cast<uint8_t>(range.kind + negation), n - range.start};
          return kFormulaOk;
        }
      }
      return kFormulaSyntax;
    case 'y':
      if (!read_name_number(name, n) || n > kMaxLastArgName) return kFormulaSyntax;
      operand = {0.0, kFormulaKindLastArg, n};
      return kFormulaOk;
    default:
      return kFormulaSyntax;
  }
}

}  // namespace numera32::formula
