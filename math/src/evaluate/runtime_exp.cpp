// The compiled evaluator's general evaluation and the keeping of programs. Nodes lie in pre-order, so
// taking them from the last one down to the root computes every sub-formula before the node that
// uses it; a node's intermediate operands are the newest values on the stack, the first of them on
// top. The first failing node ends the evaluation.
#include "evaluate/runtime_exp.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "arrays/array_table.h"
#include "evaluate/flat_program.h"
#include "evaluate/operands.h"
#include "evaluate/operations.h"
#include "evaluate/same_nodes.h"
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

// The programs the kept ways point to, two per set.
std::array<std::array<KeptFormula, 2>, kKeptSets> g_kept;

// Builds the program of nodes last..0 of `formula` into the way's program.
void rebuild(KeptWay& way, const CompiledFormula& formula, int last) {
  KeptFormula& k = *way.kept;
  std::memcpy(k.nodes, formula.node, sizeof(FormulaNode) * static_cast<std::size_t>(last + 1));
  FlatInfo info;
  build_compiled_program(formula, last, k.code, info);
  way.lowest_offset = 1;
  way.highest_offset = 0;
  if (!info.usable) return;
  int64_t lowest = INT32_MIN;
  int64_t highest = INT32_MAX;
  if (info.reads_arguments) {
    lowest = std::max<int64_t>(lowest, -int64_t{info.lowest});
    highest = std::min<int64_t>(highest, int64_t{kFormulaArguments} - 1 - info.highest);
  }
  if (lowest > highest) return;
  way.lowest_offset = static_cast<int32_t>(lowest);
  way.highest_offset = static_cast<int32_t>(highest);
}

// The way of `formula` from node `last`: the one kept, or a new one in place of the way filled
// less recently.
KeptWay& kept_way(const CompiledFormula& formula, int last) {
  KeptSet& set = g_kept_sets[kept_set_of(formula)];
  for (KeptWay& way : set.way) {
    if (way.address == &formula && way.last == last) return way;
  }
  KeptFormula* storage = set.way[1].kept;
  if (storage == nullptr) {  // a set not yet full
    std::array<KeptFormula, 2>& slots = g_kept[kept_set_of(formula)];
    storage = set.way[0].kept == &slots[0] ? &slots[1] : &slots[0];
  }
  set.way[1] = set.way[0];
  KeptWay& way = set.way[0];
  way.address = &formula;
  way.last = last;
  way.kept = storage;
  rebuild(way, formula, last);
  return way;
}

}  // namespace

double run_compiled_other(const CompiledFormula& formula, int last, bool write_mode, int32_t& status) {
  KeptWay& way = kept_way(formula, last);
  if (!same_nodes(last + 1)(way.kept->nodes, formula.node)) rebuild(way, formula, last);
  const int32_t argument_offset = g_formula_tables.argument_offset;
  if (runs_with(way, argument_offset)) return run_kept(way, formula, write_mode, argument_offset, status);
  return run_nodes(formula, last, write_mode, status);
}

double run_changed_record(Frame& frame, int last_node) {
  return run_compiled_other(*frame.record, last_node, frame.write_mode, frame.status);
}

}  // namespace numera32::evaluate
