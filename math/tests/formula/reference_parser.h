// An independent reference for the formula language's grammar: a textbook recursive-descent parser
// (one function per precedence level, left-associative loops) over numbers, arguments x<n>, channels
// c<n>, groups, leading signs and functions. It gives the canonical rendering of the tree that the
// compiler must produce, the value of the formula, and the number of nodes it needs.
#ifndef NUMERA32_TESTS_FORMULA_REFERENCE_PARSER_H
#define NUMERA32_TESTS_FORMULA_REFERENCE_PARSER_H

#include <string>

namespace formula_test {

struct Reference {
  bool ok = false;       // the text is a formula of the supported subset
  std::string canonical; // as formula_test::render prints it
  double value = 0.0;    // with arguments x<n> read from the table given to parse_reference
  int nodes = 0;         // nodes of the compiled form (a lone operand needs one)
};

Reference parse_reference(const std::string& text, const double* args);

}  // namespace formula_test

#endif
