// Finding the binary operator that splits a formula text: the five operator classes, weakest first,
// each searched from the right at parenthesis depth 0. Shared by the compiler and the text evaluators.
#ifndef NUMERA32_FORMULA_OPERATOR_SEARCH_H
#define NUMERA32_FORMULA_OPERATOR_SEARCH_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace numera32::formula {

struct OperatorHit {
  std::size_t position;  // index of the operator character, always above 0
  int16_t operation;     // its operation code
};

// Looks for the operator that splits `text`: the rightmost operator at depth 0 of the weakest class
// that has one. With `logic_classes` false the classes & | and > < = ~ ! ? are skipped (the text
// evaluators' fast mode). A '+' or '-' at position 0 is a sign and ends the search of its class; one
// after a lower-case 'e' is an exponent sign and is passed over. A class scan that reaches the start
// with unbalanced parentheses sets the formula error flag to -5 and finds nothing.
std::optional<OperatorHit> find_split_operator(std::string_view text, bool logic_classes = true);

// True when every ')' of `text` closes an earlier '(' and every '(' is closed.
bool parentheses_balanced(std::string_view text);

}  // namespace numera32::formula

#endif
