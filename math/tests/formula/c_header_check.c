/* The public header compiled as C: record layout and a call of CompileExp from a C caller. */
#include <stddef.h>

#include "numera32.h"

size_t formula_node_size_in_c(void) { return sizeof(FormulaNode); }

size_t formula_right_number_offset_in_c(void) { return offsetof(FormulaNode, right_number); }

/* Compiles `text` from C; returns the status and stores the counter and the root's operation. */
int32_t compile_in_c(const char* text, int16_t length, int16_t* counter, int32_t* root_operation) {
  int32_t error = 1;
  CompiledFormula formula;
  *counter = 0;
  formula = CompileExp(text, length, counter, kFormulaSlotLeft, &error);
  *root_operation = formula.node[0].operation;
  return error;
}
