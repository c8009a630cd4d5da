// The formula compiler: a formula text into the nodes of a CompiledFormula.
#ifndef NUMERA32_FORMULA_COMPILER_H
#define NUMERA32_FORMULA_COMPILER_H

#include <cstdint>
#include <string_view>

#include "numera32_formula.h"

namespace numera32::formula {

// Compiles `text` with its root at node `counter` of `out`, a plain operand going to `slot`
// (kFormulaSlotLeft, kFormulaSlotRight or kFormulaSlotIndex). On success returns kFormulaOk and
// leaves `counter` at the last node written; otherwise returns a negative status and the nodes are
// of no use. `counter` must be 0..31 and `slot` valid (the export checks both). Never writes a node
// beyond 31 and never recurses deeper than a formula of 32 nodes can need.
int32_t compile_formula(std::string_view text, int16_t& counter, int slot, CompiledFormula& out);

}  // namespace numera32::formula

#endif
