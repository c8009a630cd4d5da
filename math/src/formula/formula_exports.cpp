// The exported C interface of the formula compiler and the formula error flag: argument checks and
// a catch-all around the internals, so that no exception crosses the library boundary.
#include <cstddef>
#include <string_view>

#include "formula/compiler.h"
#include "formula/error_flag.h"
#include "numera32_formula.h"

static_assert(offsetof(FormulaNode, operation) == 0);
static_assert(offsetof(FormulaNode, left_constant) == 2);
static_assert(offsetof(FormulaNode, right_constant) == 10);
static_assert(offsetof(FormulaNode, left_kind) == 18);
static_assert(offsetof(FormulaNode, right_kind) == 19);
static_assert(offsetof(FormulaNode, index2_kind) == 20);
static_assert(offsetof(FormulaNode, index3_kind) == 21);
static_assert(offsetof(FormulaNode, left_number) == 22);
static_assert(offsetof(FormulaNode, right_number) == 26);
static_assert(offsetof(CompiledFormula, node[1]) == 30);

extern "C" {

NUMERA32_API CompiledFormula CompileExp(const char* text, int16_t length, int16_t* node_counter, int32_t operand_slot,
                                        int32_t* error) {
  CompiledFormula formula{};
  if (error == nullptr) return formula;
  *error = kFormulaOk;
  if (text == nullptr || node_counter == nullptr || length <= 0 || operand_slot < kFormulaSlotLeft ||
      operand_slot > kFormulaSlotIndex) {
    *error = kFormulaSyntax;
    return formula;
  }
  try {
    *error = numera32::formula::compile_formula(std::string_view(text, static_cast<std::size_t>(length)),
                                                *node_counter, operand_slot, formula);
  } catch (...) {
    *error = kFormulaSyntax;
  }
  return formula;
}

NUMERA32_API int32_t GetFormulaErrFlag(void) { return numera32::formula::take_error_flag(); }

}  // extern "C"
