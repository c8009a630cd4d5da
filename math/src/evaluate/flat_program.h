// Formulas as flat straight-line programs: a compiled record or a parsed text translated into a row of
// instructions, one per operation, with the operand loads fused into the operation (a constant, an
// argument, a register, or the previous instruction's result). Each instruction computes its value,
// keeps it in its register and jumps straight to the next instruction's handler with the value in
// hand, so a formula costs little more than its arithmetic. Arguments are read without a check per
// read: a program records the lowest and highest argument number it reads, and the caller checks them
// once against the argument offset of the evaluation (and takes the general evaluator when they do
// not fit, so that the failing read is reported exactly where it happens). Programs are built only
// from formulas of numbers, variables, channels, time and operations; arrays, db(, broken records and
// the text evaluators' failure steps stay with the general evaluators. A program keeps its
// evaluator's rules: the compiled one stops at the first error with NUMERA32_FORMULA_FAILED_VALUE;
// the text one records domain errors and goes on with the replacement value.
#ifndef NUMERA32_EVALUATE_FLAT_PROGRAM_H
#define NUMERA32_EVALUATE_FLAT_PROGRAM_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "evaluate/tables.h"
#include "numera32_evaluate.h"
#include "numera32_formula.h"

namespace numera32::evaluate {

struct TextProgram;
struct Instruction;

// What one evaluation passes to every instruction besides its registers and arguments.
struct Frame {
  int32_t status = 0;           // compiled: the failing status; text: the newest status RunCalcExp reports
  bool write_mode = false;      // compiled: RunTimeExp's mode
  const CompiledFormula* record = nullptr;  // compiled: the record evaluated
  const FormulaNode* kept = nullptr;        // and the copy of its nodes the program was built from
};

// An instruction's handler: computes the instruction's value from its operands (`acc` is the previous
// instruction's value) and continues with the next instruction; the last one returns the result.
// `arguments` is the argument table shifted by the argument offset: argument number n is
// arguments[n]. Formed as an integer, since it may point outside the table; only numbers the program
// was checked for (FlatInfo::runs_with) are read through it.
using Handler = double (*)(const Instruction* ip, double* reg, Frame& frame, const double* arguments, double acc);

struct Instruction {
  Handler fn = nullptr;
  double constant = 0.0;  // the constant operand
  int32_t first = 0;      // first operand: register or argument number (by the handler's form)
  int32_t second = 0;     // second operand the same way; loads from the tables: the table number
  uint16_t target = 0;    // the register that keeps the value
  uint16_t shape = 0;     // what the handler computes (the builder's record)
  uint8_t kind = 0;       // loads from the tables: the operand kind
  bool driver = false;    // loads from the tables: the driver programs' tables
};

// Registers: one per value-stack place, then two for operands loaded just before their operation.
inline constexpr int kCompiledStack = NUMERA32_FORMULA_NODES;
inline constexpr int kTextStack = NUMERA32_FORMULA_TEXT_MAX + 1;
inline constexpr int kCompiledRegisters = kCompiledStack + 2;
inline constexpr int kTextRegisters = kTextStack + 2;
// A compiled program: the check of its nodes, then at most two loads and the operation per node.
inline constexpr std::size_t kCompiledCode = 3 * NUMERA32_FORMULA_NODES + 1;

// How a program may be run.
struct FlatInfo {
  bool usable = false;           // false: evaluate with the general evaluator
  bool reads_arguments = false;  // reads argument numbers lowest..highest (plus the offset) unchecked
  int32_t lowest = 0;
  int32_t highest = 0;

  // True when the program can run with this argument offset.
  bool runs_with(int64_t argument_offset) const {
    if (!usable) return false;
    return !reads_arguments ||
           (lowest + argument_offset >= 0 && highest + argument_offset < int64_t{kFormulaArguments});
  }
};

// Translates nodes last..0 of a compiled formula into `code` (kCompiledCode instructions), the first
// of them the check that the record still holds those nodes (Frame::record against Frame::kept).
// Fills `info`; info.usable is false when the formula is one the general evaluator must take.
void build_compiled_program(const CompiledFormula& formula, int last, Instruction* code, FlatInfo& info);

// Translates a parsed text over the host's (driver false) or the driver programs' tables.
void build_text_program(const TextProgram& program, bool driver, std::vector<Instruction>& code, FlatInfo& info);

// Frame::arguments for an argument offset.
inline const double* shifted_arguments(int64_t argument_offset) {
  const auto base = reinterpret_cast<uintptr_t>(g_formula_tables.arguments.entries.data());
  return reinterpret_cast<const double*>(base + static_cast<uintptr_t>(argument_offset) * sizeof(double));
}

// Runs a text's program: the value (at a failing read the value at that point), status as
// RunCalcExp reports it; errors also go to the formula error flag.
inline double run_text_program(const Instruction* code, int64_t argument_offset, int32_t& status) {
  double reg[kTextRegisters];
  Frame frame;
  const double value = code->fn(code, reg, frame, shifted_arguments(argument_offset), 0.0);
  status = frame.status;
  return value;
}

}  // namespace numera32::evaluate

#endif
