// The evaluation functions of formula trees, one per operation and evaluator kind (the operation is a
// template argument, so its computation is inlined), and building trees from compiled nodes and
// parsed texts by replaying their value stacks.
#include "evaluate/expr_tree.h"

#include <array>
#include <utility>

#include "evaluate/operands.h"
#include "evaluate/operations.h"
#include "evaluate/text_program.h"
#include "formula/error_flag.h"
#include "numera32_evaluate.h"

namespace numera32::evaluate {

namespace {

constexpr int kOperations = kFormulaOpDivide + 1;

// A failing operand ends every evaluation.
double stop(ExprContext& c, int32_t status, double value, bool text) {
  if (text) formula::set_error_flag(status);
  c.status = status;
  c.stop = true;
  c.stop_value = value;
  return value;
}

double constant_leaf(const Expr& e, ExprContext&) { return e.constant; }

template <bool Text>
double argument_leaf(const Expr& e, ExprContext& c) {
  const int64_t n = int64_t{e.number} + g_formula_tables.argument_offset;
  if (n >= 0 && n < kFormulaArguments) [[likely]] {
    return g_formula_tables.arguments.entries[static_cast<std::size_t>(n)];
  }
  return stop(c, kFormulaSyntax, 0.0, Text);
}

template <bool Text>
double table_leaf(const Expr& e, ExprContext& c) {
  double v = 0.0;
  const int32_t status = read_operand(*e.tables, e.kind, e.number, v);
  return status == 0 ? v : stop(c, status, v, Text);
}

// An operand's value; constants and arguments in range are read here without a call.
[[gnu::always_inline]] inline double fetch(const Expr& o, ExprContext& c) {
  if (o.read == LeafRead::kConstant) return o.constant;
  if (o.read == LeafRead::kArgument) {
    const int64_t n = int64_t{o.number} + g_formula_tables.argument_offset;
    if (n >= 0 && n < kFormulaArguments) [[likely]] {
      return g_formula_tables.arguments.entries[static_cast<std::size_t>(n)];
    }
  }
  return o.fn(o, c);
}

template <int Op, bool Text>
double operation_node(const Expr& e, ExprContext& c) {
  const double a = fetch(*e.first, c);
  if (c.stop) return 0.0;
  double b = 0.0;
  if (e.second != nullptr) {
    b = fetch(*e.second, c);
    if (c.stop) return 0.0;
  }
  const OpResult r = apply(Op, e.swapped ? b : a, e.swapped ? a : b);
  if (r.status != 0) [[unlikely]] {
    if constexpr (Text) {
      // Domain errors go on with the replacement value; a remainder by 0 reaches the flag only.
      formula::set_error_flag(r.status);
      if (!(Op == kFormulaOpRemainder && r.status == kFormulaDivideByZero)) c.status = r.status;
    } else {
      return stop(c, r.status, 0.0, false);
    }
  }
  return r.value;
}

constexpr bool known_operation(int op) {
  return op == kFormulaOpOperand || (op >= kFormulaOpNegate && op <= kFormulaOpLessEqual) ||
         (op >= kFormulaOpAdd && op <= kFormulaOpDivide);
}

template <bool Text, std::size_t... Op>
constexpr std::array<ExprFn, kOperations> make_table(std::index_sequence<Op...>) {
  return {(known_operation(static_cast<int>(Op)) ? &operation_node<static_cast<int>(Op), Text> : nullptr)...};
}

constexpr auto kCompiledOps = make_table<false>(std::make_index_sequence<kOperations>{});
constexpr auto kTextOps = make_table<true>(std::make_index_sequence<kOperations>{});

ExprFn operation_fn(int op, bool text) {
  if (op < 0 || op >= kOperations) return nullptr;
  return text ? kTextOps[static_cast<std::size_t>(op)] : kCompiledOps[static_cast<std::size_t>(op)];
}

Expr leaf(uint8_t kind, double constant, int32_t number, const TableSet& tables, bool text) {
  Expr e;
  e.kind = kind;
  e.constant = constant;
  e.number = number;
  e.tables = &tables;
  if (kind == kFormulaKindConstant) {
    e.fn = &constant_leaf;
    e.read = LeafRead::kConstant;
  } else if (kind == kFormulaKindArgument && &tables == &kHostTables) {
    e.fn = text ? &argument_leaf<true> : &argument_leaf<false>;
    e.read = LeafRead::kArgument;
  } else {
    e.fn = text ? &table_leaf<true> : &table_leaf<false>;
  }
  return e;
}

}  // namespace

bool ExprTree::build(const CompiledFormula& formula, int last) {
  nodes_.clear();
  root_ = nullptr;
  nodes_.reserve(3 * NUMERA32_FORMULA_NODES);
  std::vector<const Expr*> stack;
  for (int k = last; k >= 0; --k) {
    const FormulaNode& node = formula.node[k];
    const ExprFn fn = operation_fn(node.operation, false);
    if (fn == nullptr) return false;  // arrays, db( and unknown codes: the general evaluator
    const uint8_t kinds[2] = {node.left_kind, node.right_kind};
    const double constants[2] = {node.left_constant, node.right_constant};
    const int32_t numbers[2] = {node.left_number, node.right_number};
    const Expr* operand[2] = {nullptr, nullptr};
    std::size_t taken = 0;
    for (int side = 0; side < 2; ++side) {
      if (side == 1 && kinds[1] == kFormulaKindNone) break;
      if (kinds[side] == kFormulaKindIntermediate) {
        if (taken >= stack.size()) return false;
        ++taken;
        operand[side] = stack[stack.size() - taken];
      } else {
        nodes_.push_back(leaf(kinds[side], constants[side], numbers[side], kHostTables, false));
        operand[side] = &nodes_.back();
      }
    }
    stack.resize(stack.size() - taken);
    Expr e;
    e.fn = fn;
    // Intermediate results were computed before the node (the right one first); the node then
    // reads its table operands left to right.
    e.swapped = kinds[1] == kFormulaKindIntermediate;
    e.first = e.swapped ? operand[1] : operand[0];
    e.second = e.swapped ? operand[0] : operand[1];
    nodes_.push_back(e);
    stack.push_back(&nodes_.back());
  }
  if (stack.size() != 1) return false;
  root_ = stack.back();
  return true;
}

bool ExprTree::build(const TextProgram& program, const TableSet& tables) {
  nodes_.clear();
  root_ = nullptr;
  nodes_.reserve(program.steps.size());
  std::vector<const Expr*> stack;
  for (const TextStep& step : program.steps) {
    switch (step.step) {
      case Step::kConstant:
        nodes_.push_back(leaf(kFormulaKindConstant, step.value, 0, tables, true));
        break;
      case Step::kOperand:
        nodes_.push_back(leaf(step.kind, 0.0, step.number, tables, true));
        break;
      case Step::kOperation: {
        Expr e;
        e.fn = operation_fn(step.operation, true);
        if (e.fn == nullptr || stack.size() < step.count) return false;
        e.first = stack[stack.size() - step.count];
        e.second = step.count > 1 ? stack.back() : nullptr;
        stack.resize(stack.size() - step.count);
        nodes_.push_back(e);
        break;
      }
      default:
        return false;
    }
    stack.push_back(&nodes_.back());
  }
  if (stack.size() != 1) return false;
  root_ = stack.back();
  return true;
}

}  // namespace numera32::evaluate
