// Evaluating a CompiledFormula: the nodes from the last one down to the root over a value stack.
#ifndef NUMERA32_EVALUATE_RUNTIME_EXP_H
#define NUMERA32_EVALUATE_RUNTIME_EXP_H

#include <cstdint>

#include "numera32_formula.h"

namespace numera32::evaluate {

// RunTimeExp's contract (numera32_evaluate.h); last_node must be 0..31.
double run_compiled(const CompiledFormula& formula, int last_node, bool write_mode, int32_t& status);

}  // namespace numera32::evaluate

#endif
