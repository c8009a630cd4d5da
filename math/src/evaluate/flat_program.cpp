// Building flat programs and their instruction handlers. A handler is generated for every operation
// and every form of its operands (template arguments), so the operation's computation and the operand
// loads are inlined into it, and it ends in a jump to the next instruction's handler. The translation
// replays the evaluator's value stack: each stack place has a register, an operation reads its
// operands from their registers (or straight from a constant or an argument), and reads the
// evaluator does at the node itself (channels, time, other tables) become loads just before it.
#include "evaluate/flat_program.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <utility>

#include "evaluate/operands.h"
#include "evaluate/operations.h"
#include "evaluate/same_nodes.h"
#include "evaluate/text_program.h"
#include "formula/error_flag.h"

namespace numera32::evaluate {

namespace {

constexpr double kFailedValue = NUMERA32_FORMULA_FAILED_VALUE;

// Operations of the programs besides the language's (whose codes end at kFormulaOpDivide): forms of
// an operation with a constant right operand that can not fail, computed without the domain check.
enum ProgramOperation : int {
  kOpSquare = kFormulaOpDivide + 1,  // x^2: what apply computes for a power of 2
  kOpCube,                           // x^3: the same for a power of 3
  kOpDivideByConstant,               // x/c with a constant c other than 0
  kOperations
};

// Where an operand comes from.
enum Form : uint8_t {
  kPrevious,         // the previous instruction's value
  kRegister,         // a register
  kConstant,         // the instruction's constant
  kArgument,         // argument number + offset
  kNegatedArgument,  // the same negated (single-operand instructions only)
  kForms
};
constexpr int kPairForms = 4;  // the forms of the operands of two-operand instructions

constexpr bool single_operand(int op) {
  return op == kFormulaOpOperand || (op >= kFormulaOpNegate && op <= kFormulaOpSgn);
}
constexpr bool two_operands(int op) {
  return (op >= kFormulaOpBit && op <= kFormulaOpLessEqual) || (op >= kFormulaOpAdd && op <= kFormulaOpDivide);
}
constexpr bool program_single(int op) { return single_operand(op) || op == kOpSquare || op == kOpCube; }
constexpr bool program_pair(int op) { return two_operands(op) || op == kOpDivideByConstant; }

// x op y for the language's operations and the programs' own.
template <int Op>
[[gnu::always_inline]] inline OpResult program_apply(double x, double y) {
  if constexpr (Op == kOpSquare) {
    return {x * x, 0};
  } else if constexpr (Op == kOpCube) {
    return {x * x * x, 0};
  } else if constexpr (Op == kOpDivideByConstant) {
    return {x / y, 0};
  } else {
    return apply(Op, x, y);
  }
}

// Operations with a domain rule or a division.
constexpr bool may_fail(int op) {
  return op == kFormulaOpSqrt || op == kFormulaOpLn || op == kFormulaOpLog || op == kFormulaOpBit ||
         op == kFormulaOpRemainder || op == kFormulaOpPower || op == kFormulaOpDivide;
}

template <Form F>
[[gnu::always_inline]] inline double operand(const Instruction* ip, int32_t where, const double* reg,
                                             const double* arguments, double acc) {
  if constexpr (F == kPrevious) {
    return acc;
  } else if constexpr (F == kRegister) {
    return reg[where];
  } else if constexpr (F == kConstant) {
    return ip->constant;
  } else if constexpr (F == kArgument) {
    return arguments[where];
  } else {
    return -arguments[where];
  }
}

// A text evaluator's domain or division error: recorded, and the evaluation goes on with the
// replacement value. A remainder by zero reaches the formula error flag only.
[[gnu::noinline, gnu::cold]] void record_text_error(Frame& f, int op, int32_t status) {
  formula::set_error_flag(status);
  if (!(op == kFormulaOpRemainder && status == kFormulaDivideByZero)) f.status = status;
}

// How an instruction ends: keeps its value in its register for a later instruction and goes on,
// goes on (the value is read only as the previous one), or returns the value (the last one).
enum Tail : int { kKeep, kGoOn, kReturn, kTails };

// Ends an operation as `T` says; a failing compiled operation ends the evaluation.
template <int Op, bool Text, int T>
[[gnu::always_inline]] inline double keep(const Instruction* ip, double* reg, Frame& f, const double* arguments,
                                          OpResult r) {
  if (r.status != 0) [[unlikely]] {
    if constexpr (Text) {
      record_text_error(f, Op, r.status);
    } else {
      f.status = r.status;
      return kFailedValue;
    }
  }
  if constexpr (T == kReturn) {
    return r.value;
  } else {
    if constexpr (T == kKeep) reg[ip->target] = r.value;
    return ip[1].fn(ip + 1, reg, f, arguments, r.value);
  }
}

template <int Op, Form F, bool Text, int T>
double single(const Instruction* ip, double* reg, Frame& f, const double* arguments, double acc) {
  return keep<Op, Text, T>(ip, reg, f, arguments,
                           program_apply<Op>(operand<F>(ip, ip->first, reg, arguments, acc), 0.0));
}

template <int Op, Form F1, Form F2, bool Text, int T>
double pair(const Instruction* ip, double* reg, Frame& f, const double* arguments, double acc) {
  const double x = operand<F1>(ip, ip->first, reg, arguments, acc);
  const double y = operand<F2>(ip, ip->second, reg, arguments, acc);
  return keep<Op, Text, T>(ip, reg, f, arguments, program_apply<Op>(x, y));
}

// A table, channel or time operand read as the evaluators read it at the node; a failing read ends
// the evaluation (a text evaluator returns the value at that point).
template <bool Text, int T>
double load(const Instruction* ip, double* reg, Frame& f, const double* arguments, double) {
  double v = 0.0;
  const int32_t status = read_operand(ip->driver ? kDriverTables : kHostTables, ip->kind, ip->second, v);
  if (status != 0) [[unlikely]] {
    f.status = status;
    if constexpr (Text) {
      formula::set_error_flag(status);
      return v;
    } else {
      return kFailedValue;
    }
  }
  if constexpr (T == kReturn) {
    return v;
  } else {
    if constexpr (T == kKeep) reg[ip->target] = v;
    return ip[1].fn(ip + 1, reg, f, arguments, v);
  }
}

// Handler tables: [operation][form] and [operation][first form * kPairForms + second form], for an
// instruction that goes on and for the last one. Text handlers differ only for operations that may
// fail.
using SingleRow = std::array<Handler, kForms>;
using PairRow = std::array<Handler, kPairForms * kPairForms>;

template <int Op, bool Text, int Last>
constexpr SingleRow single_row() {
  if constexpr (!program_single(Op)) {
    return {};
  } else {
    constexpr bool T = Text && may_fail(Op);
    return {&single<Op, kPrevious, T, Last>, &single<Op, kRegister, T, Last>, &single<Op, kConstant, T, Last>,
            &single<Op, kArgument, T, Last>, &single<Op, kNegatedArgument, T, Last>};
  }
}

template <int Op, Form F1, Form F2, bool Text, int Last>
constexpr Handler pair_handler() {
  // Two previous values or two constants never meet: the builder loads one of them first.
  if constexpr ((F1 == kPrevious && F2 == kPrevious) || (F1 == kConstant && F2 == kConstant)) {
    return nullptr;
  } else {
    return &pair<Op, F1, F2, Text, Last>;
  }
}

template <int Op, bool Text, int Last, std::size_t... I>
constexpr PairRow pair_row(std::index_sequence<I...>) {
  if constexpr (!program_pair(Op)) {
    return {};
  } else {
    constexpr bool T = Text && may_fail(Op);
    return {pair_handler<Op, static_cast<Form>(I / kPairForms), static_cast<Form>(I % kPairForms), T, Last>()...};
  }
}

template <bool Text, int Last, std::size_t... Op>
constexpr std::array<SingleRow, kOperations> single_table(std::index_sequence<Op...>) {
  return {single_row<static_cast<int>(Op), Text, Last>()...};
}

template <bool Text, int Last, std::size_t... Op>
constexpr std::array<PairRow, kOperations> pair_table(std::index_sequence<Op...>) {
  return {pair_row<static_cast<int>(Op), Text, Last>(std::make_index_sequence<kPairForms * kPairForms>{})...};
}

// Indexed [text][tail].
template <bool Text, std::size_t... T>
constexpr std::array<std::array<SingleRow, kOperations>, kTails> singles(std::index_sequence<T...>) {
  return {single_table<Text, static_cast<int>(T)>(std::make_index_sequence<kOperations>{})...};
}
template <bool Text, std::size_t... T>
constexpr std::array<std::array<PairRow, kOperations>, kTails> pairs(std::index_sequence<T...>) {
  return {pair_table<Text, static_cast<int>(T)>(std::make_index_sequence<kOperations>{})...};
}
constexpr std::array<std::array<std::array<SingleRow, kOperations>, kTails>, 2> kSingle = {
    singles<false>(std::make_index_sequence<kTails>{}), singles<true>(std::make_index_sequence<kTails>{})};
constexpr std::array<std::array<std::array<PairRow, kOperations>, kTails>, 2> kPair = {
    pairs<false>(std::make_index_sequence<kTails>{}), pairs<true>(std::make_index_sequence<kTails>{})};
constexpr Handler kLoad[2][kTails] = {{&load<false, kKeep>, &load<false, kGoOn>, &load<false, kReturn>},
                                      {&load<true, kKeep>, &load<true, kGoOn>, &load<true, kReturn>}};

// What an instruction computes, apart from how it ends: its family, evaluator, operation and operand
// forms, packed into Instruction::shape.
enum Family : uint16_t { kSingleFamily, kPairFamily, kLoadFamily };

constexpr uint16_t shape_of(Family family, bool text, int op, int forms) {
  return static_cast<uint16_t>(family << 14 | (text ? 1 : 0) << 13 | op << 4 | forms);
}

Handler handler_for(uint16_t shape, Tail tail) {
  const auto text = static_cast<std::size_t>((shape >> 13) & 1);
  const auto op = static_cast<std::size_t>((shape >> 4) & 0x3f);
  const auto forms = static_cast<std::size_t>(shape & 0xf);
  switch (shape >> 14) {
    case kSingleFamily: return kSingle[text][tail][op][forms];
    case kPairFamily: return kPair[text][tail][op][forms];
    default: return kLoad[text][tail];
  }
}

// Calls `read` with each register the instruction reads as a register operand.
template <typename Read>
void registers_read(const Instruction& ins, Read read) {
  const int forms = ins.shape & 0xf;
  switch (ins.shape >> 14) {
    case kSingleFamily:
      if (forms == kRegister) read(ins.first);
      break;
    case kPairFamily:
      if (forms / kPairForms == kRegister) read(ins.first);
      if (forms % kPairForms == kRegister) read(ins.second);
      break;
    default:
      break;
  }
}

// An operand as the builder meets it, before it is in a register.
struct Source {
  enum Type : uint8_t { kValue, kConstantValue, kArgumentValue, kNegatedArgumentValue, kTableValue };
  Type type = kValue;
  uint8_t kind = 0;       // kTableValue: operand kind
  int32_t number = 0;     // kValue: register; argument or table number
  double constant = 0.0;  // kConstantValue
};

Source in_register(int reg) { return {Source::kValue, 0, reg, 0.0}; }

class Builder {
 public:
  Builder(Instruction* code, std::size_t capacity, bool text, bool driver, int scratch)
      : code_(code), capacity_(capacity), text_(text), driver_(driver), scratch_(scratch) {}

  // The operand of a node or text step; arguments are read directly only from the host's tables.
  Source leaf(uint8_t kind, double constant, int32_t number) const {
    if (kind == kFormulaKindConstant) return {Source::kConstantValue, kind, 0, constant};
    if (kind == kFormulaKindArgument && !driver_) return {Source::kArgumentValue, kind, number, 0.0};
    if (kind == kFormulaKindArgumentNeg && !driver_) return {Source::kNegatedArgumentValue, kind, number, 0.0};
    return {Source::kTableValue, kind, number, 0.0};
  }

  // Puts the value of `s` into register `target`.
  bool load(const Source& s, int target) {
    if (s.type == Source::kTableValue) {
      Instruction* ins = next(shape_of(kLoadFamily, text_, 0, 0), target);
      if (ins == nullptr) return false;
      ins->kind = s.kind;
      ins->second = s.number;
      ins->driver = driver_;
      return true;
    }
    if (s.type == Source::kValue && s.number == target) return true;
    return single(kFormulaOpGroup, s, target);
  }

  // The operation `op` of the language of x (and y when not null) into register `target`.
  bool operation(int op, Source x, const Source* y, int target) {
    if (op < 0 || op > kFormulaOpDivide) return false;
    if (y == nullptr) return program_operation(op, x, y, target);
    if (!two_operands(op)) return false;
    if (y->type == Source::kConstantValue) {
      // A power of 2 or 3 can not fail (only exponents below 1 have a domain rule); nor can a
      // division by a constant other than 0.
      if (op == kFormulaOpPower && (y->constant == 2.0 || y->constant == 3.0)) {
        return program_operation(y->constant == 2.0 ? kOpSquare : kOpCube, x, nullptr, target);
      }
      if (op == kFormulaOpDivide && y->constant != 0.0) op = kOpDivideByConstant;
    }
    return program_operation(op, x, y, target);
  }

  // The operation `op` (the language's or the programs' own) of x (and y when not null).
  bool program_operation(int op, Source x, const Source* y, int target) {
    if (y == nullptr) {
      if (!program_single(op)) return false;
      if (x.type == Source::kTableValue) {
        if (!load(x, target)) return false;
        x = in_register(target);
      }
      if (op == kFormulaOpOperand || op == kFormulaOpGroup) return load(x, target);
      return single(op, x, target);
    }
    if (!program_pair(op)) return false;
    Source second = *y;
    // Reads at the node, left operand first.
    if (!into_register(x, scratch_) || !into_register(second, scratch_ + 1)) return false;
    if (x.type == Source::kConstantValue && second.type == Source::kConstantValue) {
      if (!load(x, scratch_)) return false;
      x = in_register(scratch_);
    }
    Form fx = form(x);
    const Form fy = form(second);
    if (fx == kPrevious && fy == kPrevious) fx = kRegister;
    const auto o = static_cast<std::size_t>(op);
    const auto i = static_cast<std::size_t>(fx * kPairForms + fy);
    Instruction* ins = next(shape_of(kPairFamily, text_, static_cast<int>(o), static_cast<int>(i)), target);
    if (ins == nullptr) return false;
    place(x, ins->first, *ins);
    place(second, ins->second, *ins);
    return true;
  }

  // Closes the program: its last instruction, whose value must be the result (register
  // `result_register`), returns that value; an instruction keeps its value in its register only
  // when a later instruction reads that register before another one writes it.
  bool finish(int result_register) {
    if (size_ == 0 || previous_ != result_register) return false;
    std::bitset<kTextRegisters> read_later;
    for (std::size_t i = size_; i-- > 0;) {
      Instruction& ins = code_[i];
      const auto target = static_cast<std::size_t>(ins.target);
      const Tail tail = i + 1 == size_ ? kReturn : read_later[target] ? kKeep : kGoOn;
      ins.fn = handler_for(ins.shape, tail);
      read_later[target] = false;
      registers_read(ins, [&](int32_t reg) { read_later[static_cast<std::size_t>(reg)] = true; });
    }
    return true;
  }

  std::size_t size() const { return size_; }

  void describe(FlatInfo& info) const {
    info.usable = true;
    info.reads_arguments = reads_arguments_;
    info.lowest = lowest_;
    info.highest = highest_;
  }

 private:
  Form form(const Source& s) const {
    switch (s.type) {
      case Source::kValue: return s.number == previous_ ? kPrevious : kRegister;
      case Source::kConstantValue: return kConstant;
      case Source::kArgumentValue: return kArgument;
      default: return kNegatedArgument;
    }
  }

  // Loads a table operand or a negated argument into `scratch` (two-operand instructions read only
  // registers, constants and arguments).
  bool into_register(Source& s, int scratch) {
    if (s.type != Source::kTableValue && s.type != Source::kNegatedArgumentValue) return true;
    if (!load(s, scratch)) return false;
    s = in_register(scratch);
    return true;
  }

  bool single(int op, const Source& x, int target) {
    const auto o = static_cast<std::size_t>(op);
    Instruction* ins = next(shape_of(kSingleFamily, text_, static_cast<int>(o), form(x)), target);
    if (ins == nullptr) return false;
    place(x, ins->first, *ins);
    return true;
  }

  // Fills an operand's field of the instruction.
  void place(const Source& s, int32_t& field, Instruction& ins) {
    if (s.type == Source::kConstantValue) {
      ins.constant = s.constant;
      return;
    }
    field = s.number;
    if (s.type == Source::kArgumentValue || s.type == Source::kNegatedArgumentValue) {
      lowest_ = reads_arguments_ ? std::min(lowest_, s.number) : s.number;
      highest_ = reads_arguments_ ? std::max(highest_, s.number) : s.number;
      reads_arguments_ = true;
    }
  }

  // Appends an instruction of `shape` (its handler is chosen by finish()).
  Instruction* next(uint16_t shape, int target) {
    if (handler_for(shape, kKeep) == nullptr || size_ >= capacity_ || target < 0 || target >= scratch_ + 2) {
      return nullptr;
    }
    Instruction& ins = code_[size_++];
    ins = Instruction{};
    ins.shape = shape;
    ins.target = static_cast<uint16_t>(target);
    previous_ = target;
    return &ins;
  }

  Instruction* code_;
  std::size_t capacity_;
  std::size_t size_ = 0;
  bool text_;
  bool driver_;
  int scratch_;
  int previous_ = -1;  // the register the previous instruction wrote
  bool reads_arguments_ = false;
  int32_t lowest_ = 0;
  int32_t highest_ = 0;
};

}  // namespace

void build_compiled_program(const CompiledFormula& formula, int last, Instruction* code, FlatInfo& info) {
  info = FlatInfo{};
  code[0] = Instruction{};
  code[0].fn = check_nodes(last + 1);
  Builder builder(code + 1, kCompiledCode - 1, false, false, kCompiledStack);
  int size = 0;  // the evaluator's value stack
  for (int k = last; k >= 0; --k) {
    const FormulaNode& node = formula.node[k];
    const int op = node.operation;
    const bool one = single_operand(op);
    // A node of another shape is the general evaluator's (never written by CompileExp).
    if (one != (node.right_kind == kFormulaKindNone)) return;
    int taken = 0;
    auto take = [&](uint8_t kind, double constant, int32_t number, Source& s) {
      if (kind != kFormulaKindIntermediate) {
        s = builder.leaf(kind, constant, number);
        return true;
      }
      if (taken >= size) return false;
      ++taken;
      s = in_register(size - taken);
      return true;
    };
    Source x;
    Source y;
    if (!take(node.left_kind, node.left_constant, node.left_number, x)) return;
    if (!one && !take(node.right_kind, node.right_constant, node.right_number, y)) return;
    size -= taken;
    if (!builder.operation(op, x, one ? nullptr : &y, size)) return;
    ++size;
  }
  if (size != 1 || !builder.finish(0)) return;
  builder.describe(info);
}

void build_text_program(const TextProgram& program, bool driver, std::vector<Instruction>& code, FlatInfo& info) {
  info = FlatInfo{};
  code.assign(3 * program.steps.size() + 2, Instruction{});
  Builder builder(code.data(), code.size(), true, driver, kTextStack);
  std::vector<Source> stack;
  auto build = [&] {
    for (const TextStep& step : program.steps) {
      const int top = static_cast<int>(stack.size());
      switch (step.step) {
        case Step::kConstant:
          stack.push_back(builder.leaf(kFormulaKindConstant, step.value, 0));
          break;
        case Step::kOperand: {
          // Table operands are read where the text has them; constants and arguments when used.
          Source s = builder.leaf(step.kind, 0.0, step.number);
          if (s.type == Source::kTableValue) {
            if (top >= kTextStack || !builder.load(s, top)) return false;
            s = in_register(top);
          }
          stack.push_back(s);
          break;
        }
        case Step::kOperation: {
          const int target = top - step.count;
          if (step.count < 1 || step.count > 2 || target < 0 || target >= kTextStack) return false;
          const Source x = stack[static_cast<std::size_t>(target)];
          const Source y = stack.back();
          stack.resize(static_cast<std::size_t>(target));
          if (!builder.operation(step.operation, x, step.count == 2 ? &y : nullptr, target)) return false;
          stack.push_back(in_register(target));
          break;
        }
        default:
          return false;
      }
    }
    return stack.size() == 1 && builder.load(stack[0], 0) && builder.finish(0);
  };
  if (!build()) {
    code.clear();
    return;
  }
  code.resize(builder.size());
  builder.describe(info);
}

}  // namespace numera32::evaluate
