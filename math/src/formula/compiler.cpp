// The formula compiler. A text is split at its weakest rightmost operator; otherwise it is a function
// call, a number, a named operand, an array element or a signed sub-formula. Each sub-formula is
// compiled on its own; a plain operand is folded into its parent's operand fields, anything else
// becomes an intermediate operand whose nodes follow the nodes already written (pre-order).
#include "formula/compiler.h"

#include <cmath>

#include "formula/argument_split.h"
#include "formula/error_flag.h"
#include "formula/function_table.h"
#include "formula/operand_parse.h"
#include "formula/operator_search.h"

namespace numera32::formula {

namespace {

constexpr int16_t kLastNode = NUMERA32_FORMULA_NODES - 1;

// Every compile level below the root stands for one node on the path from the root to a plain
// operand, so a formula that fits into 32 nodes never needs a deeper level than this. Deeper texts
// ("((((...", "sin(sin(...", "1+1+1+...") are rejected before they can exhaust the stack.
constexpr int kMaxDepth = NUMERA32_FORMULA_NODES;

constexpr double kIndexMin = -32768.0;
constexpr double kIndexMax = 32767.0;

int32_t compile_at(std::string_view text, int16_t& counter, int slot, CompiledFormula& out, int depth);

// An array index constant: cut towards zero to a 16-bit integer. Values beyond that range stay at
// its bounds, so the evaluator reports them as out of range instead of wrapping to another element.
double cut_index(double value) {
  if (std::isnan(value)) return 0.0;
  return std::trunc(std::fmax(kIndexMin, std::fmin(kIndexMax, value)));
}

void set_left(FormulaNode& node, const Operand& operand) {
  node.left_constant = operand.constant;
  node.left_kind = operand.kind;
  node.left_number = operand.number;
}

void set_right(FormulaNode& node, const Operand& operand) {
  node.right_constant = operand.constant;
  node.right_kind = operand.kind;
  node.right_number = operand.number;
}

// Writes a plain operand into the node of its slot: as the whole node's left operand, or into the
// right operand fields (an index constant cut to a 16-bit integer).
void write_plain(FormulaNode& node, int slot, Operand operand) {
  node.operation = kFormulaOpOperand;
  if (slot == kFormulaSlotLeft) {
    set_left(node, operand);
    return;
  }
  if (slot == kFormulaSlotIndex && operand.kind == kFormulaKindConstant) operand.constant = cut_index(operand.constant);
  set_right(node, operand);
}

// Compiles `text` as one operand of the node currently being built in `out` (whose sub-formula nodes
// end at `counter`). A plain result comes back in `operand`; otherwise the sub-formula's nodes are
// placed right after the nodes already there, `counter` moves to its last node, and the operand is
// an intermediate result.
int32_t compile_operand(std::string_view text, int16_t& counter, int slot, CompiledFormula& out, int depth,
                        Operand& operand) {
  CompiledFormula sub{};
  const int16_t start = counter;
  const int32_t status = compile_at(text, counter, slot, sub, depth + 1);
  if (status != kFormulaOk) return status;
  const FormulaNode& root = sub.node[start];
  if (counter == start && root.operation == kFormulaOpOperand) {
    if (slot == kFormulaSlotLeft) {
      operand = {root.left_constant, root.left_kind, root.left_number};
    } else {
      operand = {root.right_constant, root.right_kind, root.right_number};
    }
    return kFormulaOk;
  }
  if (counter >= kLastNode) return kFormulaTooManyNodes;
  for (int k = start; k <= counter; ++k) out.node[k + 1] = sub.node[k];
  ++counter;
  operand = {0.0, kFormulaKindIntermediate, 0};
  return kFormulaOk;
}

// An array index beyond the first: its kind, and its integer value or table number for the index
// fields.
void index_fields(const Operand& operand, uint8_t& kind, int32_t& number) {
  kind = operand.kind;
  number = operand.kind == kFormulaKindConstant ? static_cast<int32_t>(operand.constant) : operand.number;
}

// The third index of an array element is kept in the right number field, which also holds the
// table number of a first index that is a variable or channel. Such a first index would be lost.
bool shares_third_index_field(const Operand& first) {
  return first.kind != kFormulaKindConstant && first.kind != kFormulaKindIntermediate;
}

// Turns a plain operand into a one-node sub-formula (a group around it) placed after the nodes
// already written, so that it reaches the evaluator through the value stack.
int32_t move_into_group_node(Operand& operand, int16_t& counter, CompiledFormula& out) {
  if (counter >= kLastNode) return kFormulaTooManyNodes;
  ++counter;
  FormulaNode& group = out.node[counter];
  group = FormulaNode{};
  group.operation = kFormulaOpGroup;
  set_left(group, operand);
  operand = {0.0, kFormulaKindIntermediate, 0};
  return kFormulaOk;
}

// "a<n>(i[,j[,k]])": array number n (1..1023) and one to three indices.
int32_t compile_array(std::string_view text, int16_t& counter, CompiledFormula& out, int depth) {
  constexpr int32_t kMinArray = 1;
  constexpr int32_t kMaxArray = 1023;
  int32_t array = 0;
  if (!read_name_number(text, array) || array < kMinArray || array > kMaxArray) return kFormulaSyntax;
  const std::size_t paren = text.find('(');
  if (paren == std::string_view::npos) return kFormulaSyntax;
  const ArgumentList indices = split_arguments(text.substr(paren + 1));
  if (indices.status == SplitStatus::kTooMany) return kFormulaIndexCount;
  if (indices.status != SplitStatus::kOk) return kFormulaIndexList;
  if (indices.count < 1) return kFormulaIndexCount;

  const int16_t self = counter;
  Operand index[kMaxArguments];
  for (int i = 0; i < indices.count; ++i) {
    const int32_t status = compile_operand(indices.arguments[i], counter, kFormulaSlotIndex, out, depth, index[i]);
    if (status != kFormulaOk) return status;
    if (i == 0 && indices.count == kMaxArguments && shares_third_index_field(index[0])) {
      const int32_t moved = move_into_group_node(index[0], counter, out);
      if (moved != kFormulaOk) return moved;
    }
  }
  FormulaNode& node = out.node[self];
  node.operation = kFormulaOpArrayElement;
  set_left(node, {static_cast<double>(array), kFormulaKindConstant, 0});
  set_right(node, index[0]);
  uint8_t kind = kFormulaKindNone;
  int32_t number = 0;
  if (indices.count >= 2) {
    index_fields(index[1], kind, number);
    node.index2_kind = kind;
    node.left_number = number;
  }
  if (indices.count >= 3) {
    index_fields(index[2], kind, number);
    node.index3_kind = kind;
    node.right_number = number;
  }
  return kFormulaOk;
}

// A node with one or two operands compiled from sub-texts.
int32_t compile_unary(std::string_view operand_text, int16_t operation, int16_t& counter, CompiledFormula& out,
                      int depth) {
  const int16_t self = counter;
  Operand left;
  const int32_t status = compile_operand(operand_text, counter, kFormulaSlotLeft, out, depth, left);
  if (status != kFormulaOk) return status;
  FormulaNode& node = out.node[self];
  set_left(node, left);
  node.right_kind = kFormulaKindNone;
  node.operation = operation;
  return kFormulaOk;
}

int32_t compile_binary(std::string_view left_text, std::string_view right_text, int16_t operation, int16_t& counter,
                       CompiledFormula& out, int depth) {
  const int16_t self = counter;
  Operand left;
  Operand right;
  int32_t status = compile_operand(left_text, counter, kFormulaSlotLeft, out, depth, left);
  if (status != kFormulaOk) return status;
  status = compile_operand(right_text, counter, kFormulaSlotRight, out, depth, right);
  if (status != kFormulaOk) return status;
  FormulaNode& node = out.node[self];
  set_left(node, left);
  set_right(node, right);
  node.operation = operation;
  return kFormulaOk;
}

int32_t compile_function(std::string_view text, const FunctionName& function, int16_t& counter, CompiledFormula& out,
                         int depth) {
  if (text.back() != ')') return kFormulaUnbalanced;
  if (function.arguments == 1) {
    const std::string_view inner = text.substr(function.name.size(), text.size() - function.name.size() - 1);
    return compile_unary(inner, function.operation, counter, out, depth);
  }
  const ArgumentList arguments = split_arguments(text.substr(function.name.size()));
  if (arguments.status != SplitStatus::kOk || arguments.count < 2) return kFormulaSyntax;
  return compile_binary(arguments.arguments[0], arguments.arguments[1], function.operation, counter, out, depth);
}

int32_t compile_at(std::string_view text, int16_t& counter, int slot, CompiledFormula& out, int depth) {
  if (text.empty()) return kFormulaSyntax;
  if (counter < 0 || counter > kLastNode || depth > kMaxDepth) return kFormulaTooManyNodes;

  if (const std::optional<OperatorHit> hit = find_split_operator(text)) {
    return compile_binary(text.substr(0, hit->position), text.substr(hit->position + 1), hit->operation, counter,
                          out, depth);
  }
  if (const FunctionName* function = match_function(text)) {
    return compile_function(text, *function, counter, out, depth);
  }
  if (is_number(text)) {
    write_plain(out.node[counter], slot, {read_number(text), kFormulaKindConstant, 0});
    return kFormulaOk;
  }
  if (is_named_operand(text)) {
    if (is_array_element(text)) return compile_array(text, counter, out, depth);
    Operand operand;
    const int32_t status = read_named_operand(text, operand);
    if (status != kFormulaOk) return status;
    write_plain(out.node[counter], slot, operand);
    return kFormulaOk;
  }
  if (text[0] == '+') return compile_unary(text.substr(1), kFormulaOpGroup, counter, out, depth);
  if (text[0] == '-') return compile_unary(text.substr(1), kFormulaOpNegate, counter, out, depth);
  return kFormulaSyntax;
}

}  // namespace

int32_t compile_formula(std::string_view text, int16_t& counter, int slot, CompiledFormula& out) {
  const int32_t status = compile_at(text, counter, slot, out, 0);
  // A text with unbalanced parentheses is never a formula, even where the pieces that the operator
  // search cuts out of it compile ("x1)+(x2" would otherwise pass as "x1").
  if (status == kFormulaOk && !parentheses_balanced(text)) {
    set_error_flag(kFormulaUnbalanced);
    return kFormulaUnbalanced;
  }
  return status;
}

}  // namespace numera32::formula
