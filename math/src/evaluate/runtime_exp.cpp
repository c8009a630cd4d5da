// The compiled evaluator. Nodes lie in pre-order, so taking them from the last one down to the root
// computes every sub-formula before the node that uses it; a node's intermediate operands are the
// newest values on the stack, the first of them on top. The first failing node ends the evaluation.
#include "evaluate/runtime_exp.h"

#include "arrays/array_table.h"
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

// The value of one operand: the node's constant, an intermediate result, or a table entry.
inline int32_t operand(uint8_t kind, double constant, int32_t number, Stack& stack, double& value) {
  if (kind == kFormulaKindConstant) {
    value = constant;
    return 0;
  }
  if (kind == kFormulaKindIntermediate) return stack.take(value) ? 0 : kFormulaSyntax;
  return read_operand(host_tables(), kind, number, value);
}

// The second or third index of an array element: a constant held in the number field, an
// intermediate result, or a table entry (not a channel or the time).
inline int32_t extra_index(uint8_t kind, int32_t number, Stack& stack, double& value) {
  if (kind == kFormulaKindConstant) {
    value = number;
    return 0;
  }
  if (kind == kFormulaKindChannel || kind == kFormulaKindChannelNeg || kind == kFormulaKindTime) return kFormulaDomain;
  return operand(kind, 0.0, number, stack, value);
}

int32_t array_element(const FormulaNode& node, bool write_mode, Stack& stack, double& value) {
  double index[3] = {0.0, 0.0, 0.0};
  int32_t status = operand(node.right_kind, node.right_constant, node.right_number, stack, index[0]);
  int count = 1;
  if (status == 0 && node.index2_kind != kFormulaKindNone) {
    status = extra_index(node.index2_kind, node.left_number, stack, index[1]);
    ++count;
  }
  if (status == 0 && node.index3_kind != kFormulaKindNone) {
    status = extra_index(node.index3_kind, node.right_number, stack, index[2]);
    ++count;
  }
  if (status != 0) return status;
  const int64_t id = cut_int64(node.left_constant) + tables().argument_offset;
  if (write_mode) {
    double stored = tables().arguments.entries[0];
    value = 0.0;
    return arrays::access_from_formula(false, id, count, cut_int64(index[0]), cut_int64(index[1]),
                                       cut_int64(index[2]), stored);
  }
  return arrays::access_from_formula(true, id, count, cut_int64(index[0]), cut_int64(index[1]), cut_int64(index[2]),
                                     value);
}

int32_t node_value(const FormulaNode& node, bool write_mode, Stack& stack, double& value) {
  const int operation = node.operation;
  if (operation == kFormulaOpArrayElement) return array_element(node, write_mode, stack, value);
  double x = 0.0;
  int32_t status = operand(node.left_kind, node.left_constant, node.left_number, stack, x);
  if (status != 0) return status;
  double y = 0.0;
  if (node.right_kind != kFormulaKindNone) {
    status = operand(node.right_kind, node.right_constant, node.right_number, stack, y);
    if (status != 0) return status;
  }
  if (operation == kFormulaOpDatabase) return database_value(cut_int32(x), cut_int32(y), value);
  const OpResult r = apply(operation, x, y);
  value = r.value;
  return r.status;
}

}  // namespace

double run_compiled(const CompiledFormula& formula, int last_node, bool write_mode, int32_t& status) {
  Stack stack;
  status = 0;
  for (int k = last_node; k >= 0; --k) {
    double value = 0.0;
    const int32_t s = node_value(formula.node[k], write_mode, stack, value);
    if (s != 0) {
      status = s;
      return NUMERA32_FORMULA_FAILED_VALUE;
    }
    stack.replace_taken(value);
  }
  return stack.values[stack.size - 1];
}

}  // namespace numera32::evaluate
