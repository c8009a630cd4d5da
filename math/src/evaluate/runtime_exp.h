// Evaluating a CompiledFormula. A record met before runs as the flat program kept for it (by the
// record's address and last node), whose first instruction checks that the record still holds, byte
// for byte, the nodes the program was built from (the nodes last..0, the only ones an evaluation
// reads); a record met for the first time or changed gets its program built (again), and a formula
// no program can run takes the general evaluation of the nodes over a value stack. The lookup of a
// kept program is inline, so RunTimeExp starts it without a further call.
#ifndef NUMERA32_EVALUATE_RUNTIME_EXP_H
#define NUMERA32_EVALUATE_RUNTIME_EXP_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "evaluate/flat_program.h"
#include "evaluate/tables.h"
#include "numera32_formula.h"

namespace numera32::evaluate {

// A kept program and the copy of the nodes it was built from.
struct KeptFormula {
  FormulaNode nodes[NUMERA32_FORMULA_NODES];
  Instruction code[kCompiledCode];
};

// One kept program: everything its evaluation needs besides the program, so that finding and
// starting it reads one cache line.
struct KeptWay {
  const CompiledFormula* address = nullptr;
  KeptFormula* kept = nullptr;
  int32_t last = -1;
  // The argument offsets the program runs with; none (lowest above highest) when the formula is
  // the general evaluator's.
  int32_t lowest_offset = 1;
  int32_t highest_offset = 0;
};

struct alignas(64) KeptSet {
  KeptWay way[2];  // way 0 filled last
};
static_assert(sizeof(KeptSet) == 64, "a set is one cache line");

inline constexpr std::size_t kKeptSets = 64;  // a power of two
inline std::array<KeptSet, kKeptSets> g_kept_sets;

inline std::size_t kept_set_of(const CompiledFormula& formula) {
  // Records of one array (960 bytes apart) fall into different sets.
  return (reinterpret_cast<uintptr_t>(&formula) >> 6) & (kKeptSets - 1);
}

inline bool runs_with(const KeptWay& way, int32_t argument_offset) {
  return argument_offset >= way.lowest_offset && argument_offset <= way.highest_offset;
}

// Runs the program of `way` over `formula`; its first instruction checks the record.
[[gnu::always_inline]] inline double run_kept(const KeptWay& way, const CompiledFormula& formula, bool write_mode,
                                              int32_t argument_offset, int32_t& status) {
  double reg[kCompiledRegisters];
  Frame frame;
  frame.write_mode = write_mode;
  frame.record = &formula;
  frame.kept = way.kept->nodes;
  const double value = way.kept->code[0].fn(way.kept->code, reg, frame, shifted_arguments(argument_offset), 0.0);
  status = frame.status;
  return value;
}

// Every evaluation that no kept program starts: a record met for the first time, another last
// node, an argument offset the program cannot run with, a formula for the general evaluator.
double run_compiled_other(const CompiledFormula& formula, int last_node, bool write_mode, int32_t& status);

// RunTimeExp's contract (numera32_evaluate.h); last_node must be 0..31.
[[gnu::always_inline]] inline double run_compiled(const CompiledFormula& formula, int last_node, bool write_mode,
                                                  int32_t& status) {
  const KeptSet& set = g_kept_sets[kept_set_of(formula)];
  // Both ways may hold the record (from two last nodes).
  const bool second = set.way[1].address == &formula && set.way[1].last == last_node;
  const KeptWay& way = set.way[second ? 1 : 0];
  const int32_t argument_offset = g_formula_tables.argument_offset;
  if (way.address != &formula || way.last != last_node || !runs_with(way, argument_offset)) [[unlikely]] {
    return run_compiled_other(formula, last_node, write_mode, status);
  }
  return run_kept(way, formula, write_mode, argument_offset, status);
}

// Evaluates the record of a kept program (frame.record, from node `last_node`, in frame.write_mode)
// that no longer holds the nodes the program was built from: builds the program again and runs it,
// or runs the general evaluator. The value is returned, the status goes to frame.status.
double run_changed_record(Frame& frame, int last_node);

}  // namespace numera32::evaluate

#endif
