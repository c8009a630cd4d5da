// The compiled evaluator. Nodes lie in pre-order, so taking them from the last one down to the root
// computes every sub-formula before the node that uses it; a node's intermediate operands are the
// newest values on the stack, the first of them on top. The first failing node ends the evaluation.
#include "evaluate/runtime_exp.h"

#include <array>
#include <cstring>

#include "arrays/array_table.h"
#include "evaluate/expr_tree.h"
#include "evaluate/operands.h"
#include "evaluate/operations.h"
#include "numera32_arrays.h"
#include "numera32_evaluate.h"

namespace numera32::evaluate {

namespace {

// The value stack of one evaluation. Every node pushes one value, so it never holds more than 32.
struct Stack {
  double values[NUMERA32_FORMULA_NODES];
  int size = 0;
  int taken = 0;  // intermediate operands taken by the current node

  // The next intermediate operand of the current node; false when the stack has none left (a
  // record that CompileExp did not produce).
  bool take(double& value) {
    if (taken >= size) return false;
    ++taken;
    value = values[size - taken];
    return true;
  }
  void replace_taken(double value) {
    size -= taken;
    taken = 0;
    values[size++] = value;
  }
};

// A value with the status of computing it, returned in registers.
struct Value {
  double value;
  int32_t status;
};

// The value of one operand: the node's constant, an intermediate result, or a table entry.
[[gnu::always_inline]] inline Value operand(uint8_t kind, double constant, int32_t number, Stack& stack) {
  if (kind == kFormulaKindConstant) return {constant, 0};
  if (kind == kFormulaKindArgument) {  // the most frequent table operand, read without the general switch
    const int64_t n = int64_t{number} + g_formula_tables.argument_offset;
    if (n >= 0 && n < kFormulaArguments) return {g_formula_tables.arguments.entries[static_cast<std::size_t>(n)], 0};
  }
  Value v{0.0, 0};
  if (kind == kFormulaKindIntermediate) {
    v.status = stack.take(v.value) ? 0 : kFormulaSyntax;
  } else {
    v.status = read_operand(host_tables(), kind, number, v.value);
  }
  return v;
}

// The second or third index of an array element: a constant held in the number field, an
// intermediate result, or a table entry (not a channel or the time).
Value extra_index(uint8_t kind, int32_t number, Stack& stack) {
  if (kind == kFormulaKindConstant) return {static_cast<double>(number), 0};
  if (kind == kFormulaKindChannel || kind == kFormulaKindChannelNeg || kind == kFormulaKindTime) {
    return {0.0, kFormulaDomain};
  }
  return operand(kind, 0.0, number, stack);
}

[[gnu::noinline]] Value array_element(const FormulaNode& node, bool write_mode, Stack& stack) {
  Value index[3] = {operand(node.right_kind, node.right_constant, node.right_number, stack), {0.0, 0}, {0.0, 0}};
  int count = 1;
  if (index[0].status == 0 && node.index2_kind != kFormulaKindNone) index[count++] = extra_index(node.index2_kind, node.left_number, stack);
  if (index[count - 1].status == 0 && node.index3_kind != kFormulaKindNone) {
    index[count++] = extra_index(node.index3_kind, node.right_number, stack);
  }
  if (index[count - 1].status != 0) return {0.0, index[count - 1].status};
  const int64_t id = cut_int64(node.left_constant) + tables().argument_offset;
  const int64_t i = cut_int64(index[0].value);
  const int64_t j = cut_int64(index[1].value);
  const int64_t k = cut_int64(index[2].value);
  Value v{0.0, 0};
  if (write_mode) {
    double stored = tables().arguments.entries[0];
    v.status = arrays::access_from_formula(false, id, count, i, j, k, stored);
  } else {
    v.status = arrays::access_from_formula(true, id, count, i, j, k, v.value);
  }
  return v;
}

[[gnu::always_inline]] inline Value node_value(const FormulaNode& node, bool write_mode, Stack& stack) {
  const int operation = node.operation;
  if (operation == kFormulaOpArrayElement) return array_element(node, write_mode, stack);
  const Value x = operand(node.left_kind, node.left_constant, node.left_number, stack);
  if (x.status != 0) return x;
  Value y{0.0, 0};
  if (node.right_kind != kFormulaKindNone) {
    y = operand(node.right_kind, node.right_constant, node.right_number, stack);
    if (y.status != 0) return y;
  }
  if (operation == kFormulaOpDatabase) {
    Value v{0.0, 0};
    v.status = database_value(cut_int32(x.value), cut_int32(y.value), v.value);
    return v;
  }
  const OpResult r = apply(operation, x.value, y.value);
  return {r.value, r.status};
}

// The general evaluation of the nodes.
double run_nodes(const CompiledFormula& formula, int last_node, bool write_mode, int32_t& status) {
  Stack stack;
  status = 0;
  for (int k = last_node; k >= 0; --k) {
    const Value v = node_value(formula.node[k], write_mode, stack);
    if (v.status != 0) {
      status = v.status;
      return NUMERA32_FORMULA_FAILED_VALUE;
    }
    stack.replace_taken(v.value);
  }
  return stack.values[stack.size - 1];
}

// Trees of recently evaluated compiled formulas, by the record's address; an entry is used only while
// the record still holds the nodes the tree was built from.
struct KeptFormula {
  const CompiledFormula* address = nullptr;
  int last = -1;
  FormulaNode nodes[NUMERA32_FORMULA_NODES];
  ExprTree tree;
};

constexpr std::size_t kKept = 64;  // a power of two
std::array<KeptFormula, kKept> g_kept;

// True when the first `bytes` bytes at a and b are equal; compared eight bytes at a time without a
// library call (records are short: 30 bytes a node).
inline bool same_bytes(const void* a, const void* b, std::size_t bytes) {
  const auto* p = static_cast<const unsigned char*>(a);
  const auto* q = static_cast<const unsigned char*>(b);
  uint64_t difference = 0;
  std::size_t i = 0;
  for (; i + 8 <= bytes; i += 8) {
    uint64_t x;
    uint64_t y;
    std::memcpy(&x, p + i, 8);
    std::memcpy(&y, q + i, 8);
    difference |= x ^ y;
  }
  for (; i < bytes; ++i) difference |= static_cast<uint64_t>(p[i] ^ q[i]);
  return difference == 0;
}

const ExprTree& kept_tree(const CompiledFormula& formula, int last) {
  const auto address = reinterpret_cast<uintptr_t>(&formula);
  KeptFormula& k = g_kept[((address >> 4) ^ (address >> 12) ^ static_cast<uintptr_t>(last)) & (kKept - 1)];
  const std::size_t bytes = sizeof(FormulaNode) * static_cast<std::size_t>(last + 1);
  if (k.address != &formula || k.last != last || !same_bytes(k.nodes, formula.node, bytes)) {
    k.address = nullptr;
    std::memcpy(k.nodes, formula.node, bytes);
    k.tree.build(formula, last);
    k.address = &formula;
    k.last = last;
  }
  return k.tree;
}

}  // namespace

double run_compiled(const CompiledFormula& formula, int last_node, bool write_mode, int32_t& status) {
  const ExprTree& tree = kept_tree(formula, last_node);
  if (!tree.usable()) return run_nodes(formula, last_node, write_mode, status);
  ExprContext context;
  const double value = tree.run(context);
  status = context.status;
  return context.stop ? NUMERA32_FORMULA_FAILED_VALUE : value;
}

}  // namespace numera32::evaluate
