// The operator classes of the formula language and the right-to-left search for the splitting
// operator. Taking the rightmost operator of the weakest class makes every operator associate to
// the left and the classes bind from weakest to strongest.
#include "formula/operator_search.h"

#include <array>

#include "formula/error_flag.h"
#include "numera32_formula.h"

namespace numera32::formula {

namespace {

struct BinaryOperator {
  char character;
  int16_t operation;
};

struct OperatorClass {
  std::array<BinaryOperator, 6> operators;
  std::size_t count;
  bool signs;   // '+' and '-': may be a sign or an exponent sign instead of an operator
  bool logic;   // skipped in the text evaluators' fast mode
};

// Weakest binding first.
constexpr std::array<OperatorClass, 5> kClasses = {{
    {{{{'&', kFormulaOpAnd}, {'|', kFormulaOpOr}}}, 2, false, true},
    {{{{'>', kFormulaOpGreater},
       {'<', kFormulaOpLess},
       {'=', kFormulaOpEqual},
       {'~', kFormulaOpNotEqual},
       {'!', kFormulaOpGreaterEqual},
       {'?', kFormulaOpLessEqual}}},
     6, false, true},
    {{{{'+', kFormulaOpAdd}, {'-', kFormulaOpSubtract}}}, 2, true, false},
    {{{{'*', kFormulaOpMultiply}, {'/', kFormulaOpDivide}, {'%', kFormulaOpRemainder}}}, 3, false, false},
    {{{{'^', kFormulaOpPower}}}, 1, false, false},
}};

std::optional<int16_t> operation_of(const OperatorClass& cls, char c) {
  for (std::size_t i = 0; i < cls.count; ++i) {
    if (cls.operators[i].character == c) return cls.operators[i].operation;
  }
  return std::nullopt;
}

std::optional<OperatorHit> scan_class(std::string_view text, const OperatorClass& cls) {
  int depth = 0;
  for (std::size_t i = text.size(); i-- > 0;) {
    const char c = text[i];
    if (c == ')') {
      ++depth;
    } else if (c == '(') {
      --depth;
    } else if (depth == 0) {
      const std::optional<int16_t> operation = operation_of(cls, c);
      if (!operation) continue;
      if (i == 0) return std::nullopt;  // a sign, or an operator without a left operand
      if (cls.signs && text[i - 1] == 'e') continue;
      return OperatorHit{i, *operation};
    }
  }
  if (depth != 0) set_error_flag(kFormulaUnbalanced);
  return std::nullopt;
}

}  // namespace

std::optional<OperatorHit> find_split_operator(std::string_view text, bool logic_classes) {
  for (const OperatorClass& cls : kClasses) {
    if (cls.logic && !logic_classes) continue;
    if (std::optional<OperatorHit> hit = scan_class(text, cls)) return hit;
  }
  return std::nullopt;
}

bool parentheses_balanced(std::string_view text) {
  long depth = 0;
  for (char c : text) {
    if (c == '(') {
      ++depth;
    } else if (c == ')' && --depth < 0) {
      return false;
    }
  }
  return depth == 0;
}

}  // namespace numera32::formula
