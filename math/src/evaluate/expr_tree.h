// Formulas as trees of evaluation functions: each node knows the function that computes it (the
// operation fixed at build time) and its operands, so that evaluating a kept formula costs little
// more than its arithmetic. Trees are built from compiled formulas and from parsed texts that use
// only numbers, variables, channels and operations; anything else (arrays, db(, syntax errors) is
// evaluated by the general evaluators. A tree keeps each evaluator's rules: the compiled order and
// stop at the first error, or the text order with domain errors recorded and evaluation going on.
#ifndef NUMERA32_EVALUATE_EXPR_TREE_H
#define NUMERA32_EVALUATE_EXPR_TREE_H

#include <cstdint>
#include <vector>

#include "evaluate/tables.h"
#include "numera32_formula.h"

namespace numera32::evaluate {

struct Expr;
struct TextProgram;

// The state of one tree evaluation.
struct ExprContext {
  int32_t status = 0;       // compiled: the failing status; text: the newest status RunCalcExp reports
  bool stop = false;        // an error that ends the evaluation
  double stop_value = 0.0;  // the text evaluators' result at such an error
};

using ExprFn = double (*)(const Expr&, ExprContext&);

// How a parent reads an operand: through its function, or directly for the two commonest leaves.
enum class LeafRead : uint8_t { kCall, kConstant, kArgument };

struct Expr {
  ExprFn fn = nullptr;
  LeafRead read = LeafRead::kCall;
  const Expr* first = nullptr;   // operand evaluated first
  const Expr* second = nullptr;  // operand evaluated second (null: one operand, the other is 0)
  bool swapped = false;          // the first operand is the right one
  uint8_t kind = 0;              // leaves: operand kind
  int32_t number = 0;            // leaves: table number
  double constant = 0.0;         // leaves: constant
  const TableSet* tables = nullptr;
};

class ExprTree {
 public:
  ExprTree() = default;
  ExprTree(const ExprTree&) = delete;
  ExprTree& operator=(const ExprTree&) = delete;
  ExprTree(ExprTree&&) = default;
  ExprTree& operator=(ExprTree&&) = default;

  // Builds the tree of nodes last..0 of a compiled formula; false when it holds something a tree
  // does not evaluate (or is not one well-formed tree).
  bool build(const CompiledFormula& formula, int last);
  // Builds the tree of a parsed text over `tables`; false when the program has other steps.
  bool build(const TextProgram& program, const TableSet& tables);

  bool usable() const { return root_ != nullptr; }
  double run(ExprContext& context) const { return root_->fn(*root_, context); }

 private:
  std::vector<Expr> nodes_;  // reserved in full before the first node: pointers stay valid
  const Expr* root_ = nullptr;
};

}  // namespace numera32::evaluate

#endif
