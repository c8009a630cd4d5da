// Comparing the nodes of a compiled record with the copy its kept program was built from: the check
// that runs on every evaluation of a kept compiled formula. One comparison function per node count,
// unrolled for that count, in the widest vectors the processor has.
#ifndef NUMERA32_EVALUATE_SAME_NODES_H
#define NUMERA32_EVALUATE_SAME_NODES_H

#include <vector>

#include "evaluate/flat_program.h"
#include "numera32_formula.h"

namespace numera32::evaluate {

// True when the first `count` nodes at a and b are equal byte for byte.
using SameNodes = bool (*)(const FormulaNode* a, const FormulaNode* b);

// The comparison for `count` nodes, 1..NUMERA32_FORMULA_NODES.
SameNodes same_nodes(int count);

// Every comparison for `count` nodes that this processor runs (the one same_nodes picks among
// them), so that tests reach each of them.
std::vector<SameNodes> same_nodes_variants(int count);

// The first instruction of a compiled program of `count` nodes: goes on with the program when the
// record (Frame::record) still holds the nodes it was built from (Frame::kept); else the record has
// changed and is evaluated as it is now (run_changed_record).
Handler check_nodes(int count);

}  // namespace numera32::evaluate

#endif
