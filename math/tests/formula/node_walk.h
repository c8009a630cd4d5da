// Test helpers that read a CompiledFormula the way an evaluator does: a structural check of the
// pre-order layout, a canonical rendering of the tree, and the value-stack evaluation of formulas
// over constants and arguments.
#ifndef NUMERA32_TESTS_FORMULA_NODE_WALK_H
#define NUMERA32_TESTS_FORMULA_NODE_WALK_H

#include <cstdint>
#include <string>

#include "numera32_formula.h"

namespace formula_test {

// A node copied out of the packed record, so that test assertions can take its fields by reference.
struct Node {
  int operation;
  double left_constant;
  double right_constant;
  int left_kind;
  int right_kind;
  int index2_kind;
  int index3_kind;
  int32_t left_number;
  int32_t right_number;
};
Node node_at(const CompiledFormula& formula, int index);

// Checks that nodes first..last form exactly one tree in pre-order with known operation codes and
// operand kinds. Returns an empty string, or what is wrong.
std::string check_layout(const CompiledFormula& formula, int first, int last);

// Canonical text of the tree rooted at `first`: binary operations as "(L op R)", one-argument
// operations as "name[X]" ("grp[X]" for groups and a '+' sign, "neg[X]" for a '-' sign), two-argument
// functions as "name[X,Y]", arrays as "a<n>[i,j,k]", table operands as "x5", "-x5", "c3", "-c3",
// "d3", "y3", "time", "loc5", "par5", "sys5" (negated with '-'), constants in shortest form.
std::string render(const CompiledFormula& formula, int first);

// The last array element an evaluation asked for: its number and index values (NaN when absent).
struct ArrayAccess {
  double array = 0.0;
  double indices[3] = {0.0, 0.0, 0.0};
};

// Evaluates nodes last..0 with a value stack, arguments (kind 1, 9) read from `args` (64 entries).
// Supports the arithmetic, comparison, logic and math operations; array elements are recorded in
// `access` (when given) and give NaN, as do database, channel and time operands.
double evaluate(const CompiledFormula& formula, int last, const double* args, ArrayAccess* access = nullptr);

// The value of one binary or function operation as the language defines it.
double apply_operation(int operation, double x, double y);

}  // namespace formula_test

#endif
