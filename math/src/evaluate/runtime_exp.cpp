// The compiled evaluator. Nodes lie in pre-order, so taking them from the last one down to the root
// computes every sub-formula before the node that uses it; a node's intermediate operands are the
// newest values on the stack, the first of them on top. The first failing node ends the evaluation.
#include "evaluate/runtime_exp.h"

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

// Programs of recently evaluated compiled formulas, by the record's address and last node: two ways
// in each of kSets sets, the tags apart from the programs so that finding an entry reads one cache
// line. An entry is used only while the record still holds, byte for byte, the nodes its program was
// built from (the nodes last..0, the only ones an evaluation reads).
struct KeptFormula {
  SameNodes same = nullptr;  // compares last + 1 nodes
  FlatInfo info;
  FormulaNode nodes[NUMERA32_FORMULA_NODES];
  Instruction code[kCompiledCode];
};

struct KeptTags {
  const CompiledFormula* address[2] = {nullptr, nullptr};
  int32_t last[2] = {-1, -1};
  uint32_t newer = 0;  // the way filled last
};

constexpr std::size_t kSets = 64;  // a power of two
std::array<KeptTags, kSets> g_tags;
std::array<std::array<KeptFormula, 2>, kSets> g_kept;

// Builds the program of nodes last..0 of `formula` into `k`.
KeptFormula& rebuild(KeptFormula& k, const CompiledFormula& formula, int last) {
  k.same = same_nodes(last + 1);
  std::memcpy(k.nodes, formula.node, sizeof(FormulaNode) * static_cast<std::size_t>(last + 1));
  build_compiled_program(formula, last, k.code, k.info);
  return k;
}

// Keeps the program of nodes last..0 of `formula` in way `w` of set `s`.
KeptFormula& keep(std::size_t s, uint32_t w, const CompiledFormula& formula, int last) {
  KeptTags& tags = g_tags[s];
  tags.newer = w;
  tags.address[w] = &formula;
  tags.last[w] = last;
  return rebuild(g_kept[s][w], formula, last);
}

std::size_t set_of(const CompiledFormula& formula) {
  // Records of one array (960 bytes apart) fall into different sets.
  return (reinterpret_cast<uintptr_t>(&formula) >> 6) & (kSets - 1);
}

// The kept entry of `formula` from node `last`, or a new one.
KeptFormula& kept_formula(const CompiledFormula& formula, int last) {
  const std::size_t s = set_of(formula);
  const KeptTags& tags = g_tags[s];
  for (uint32_t w = 0; w < 2; ++w) {
    if (tags.address[w] == &formula && tags.last[w] == last) return g_kept[s][w];
  }
  return keep(s, tags.newer ^ 1, formula, last);  // the way not filled last
}

// Runs a kept program: true with the value and status, false when the record has changed since the
// program was built (nothing was computed).
[[gnu::always_inline]] inline bool run_kept(const KeptFormula& k, const CompiledFormula& formula,
                                            int64_t argument_offset, int32_t& status, double& value) {
  double reg[kCompiledRegisters];
  Frame frame;
  frame.arguments = shifted_arguments(argument_offset);
  frame.record = formula.node;
  frame.kept = k.nodes;
  value = k.code[0].fn(k.code, reg, frame, 0.0);
  if (frame.status == kStaleProgram) [[unlikely]] return false;
  status = frame.status;
  return true;
}

// Every evaluation that the kept program of the record does not finish: a record met for the first
// time or changed, an argument offset the program cannot run with, a formula for the general
// evaluator.
[[gnu::noinline]] double run_other(const CompiledFormula& formula, int last, bool write_mode, int32_t& status) {
  KeptFormula* k = &kept_formula(formula, last);
  const int64_t argument_offset = g_formula_tables.argument_offset;
  double value = 0.0;
  if (k->info.runs_with(argument_offset) && run_kept(*k, formula, argument_offset, status, value)) return value;
  if (!k->same(k->nodes, formula.node)) {
    k = &rebuild(*k, formula, last);
    if (k->info.runs_with(argument_offset) && run_kept(*k, formula, argument_offset, status, value)) return value;
  }
  return run_nodes(formula, last, write_mode, status);
}

}  // namespace

double run_compiled(const CompiledFormula& formula, int last_node, bool write_mode, int32_t& status) {
  // The kept program of a record met before; anything else is run_other's.
  const std::size_t s = set_of(formula);
  const KeptTags& tags = g_tags[s];
  const uint32_t w = tags.address[1] == &formula ? 1 : 0;
  if (tags.address[w] == &formula && tags.last[w] == last_node) [[likely]] {
    const KeptFormula& k = g_kept[s][w];
    const int64_t argument_offset = g_formula_tables.argument_offset;
    double value;
    if (k.info.runs_with(argument_offset) && run_kept(k, formula, argument_offset, status, value)) [[likely]] {
      return value;
    }
  }
  return run_other(formula, last_node, write_mode, status);
}

}  // namespace numera32::evaluate
