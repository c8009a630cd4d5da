// Random formulas of the formula language with their expected results, for the differential test.
// A formula is generated as a tree, printed as text with only the parentheses the language's
// precedence needs, and evaluated on the tree by a reference written from the language rules:
// the text evaluators' result (domain errors go on with replacement values, the newest error is
// reported) and the compiled evaluator's result (the first failing node in its order stops).
#ifndef NUMERA32_TESTS_EVALUATE_FORMULA_GENERATOR_H
#define NUMERA32_TESTS_EVALUATE_FORMULA_GENERATOR_H

#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace differential {

// The values the generated operands read: arguments x0..x9, local variables, function parameters,
// system arguments and database arguments 0..9, argument 1023, channels 1..3 at the current row,
// array 1 (5 elements) and array 2 (3 x 4).
struct Inputs {
  double arguments[10];
  double local_vars[10];
  double func_params[10];
  double sys_arguments[10];
  double db_arguments[10];
  double last_argument;
  double channels[3];
  double array1[5];
  double array2[3][4];
};

struct Expected {
  std::string text;
  double text_value = 0.0;      // CalcExp and RunCalcExp
  int32_t flag = 0;             // newest error of a text evaluation (the formula error flag)
  int32_t status = 0;           // newest error RunCalcExp reports (a remainder by 0 is not)
  double compiled_value = 0.0;  // RunTimeExp
  int32_t compiled_status = 0;
};

class Generator {
 public:
  Generator(uint32_t seed, const Inputs& inputs) : random_(seed), inputs_(inputs) {}
  // A formula of at most `max_depth` operation levels, shorter than 256 characters.
  Expected next(int max_depth);
  // The operations (characters and function names) generated so far.
  const std::set<std::string>& covered() const { return covered_; }

 private:
  struct Node {
    std::string op;  // empty for a leaf; an operator character, a function name, "neg" or "grp"
    std::string text;  // leaf text
    double value = 0.0;  // leaf value
    std::vector<Node> children;
  };
  Node generate(int depth, bool comma_free);
  Node leaf(bool comma_free);
  static std::string render(const Node& n);
  // Text evaluators: left operand first, replacement values; errors recorded in order.
  static double text_value(const Node& n, std::vector<int32_t>& flag_errors, std::vector<int32_t>& status_errors);
  // Compiled evaluator: right operand first, the first error stops (returned through `status`).
  static double compiled_value(const Node& n, int32_t& status);
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

  std::mt19937 random_;
  const Inputs& inputs_;
  std::set<std::string> covered_;
};

}  // namespace differential

#endif
