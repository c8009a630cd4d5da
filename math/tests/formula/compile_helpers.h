// Shared by the formula compiler tests: one call of CompileExp on a text.
#ifndef NUMERA32_TESTS_FORMULA_COMPILE_HELPERS_H
#define NUMERA32_TESTS_FORMULA_COMPILE_HELPERS_H

#include <cstdint>
#include <string_view>

#include "numera32_formula.h"

namespace formula_test {

struct Compiled {
  CompiledFormula formula{};
  int16_t counter = 0;
  int32_t error = 1;
};

inline Compiled compile(std::string_view text, int16_t counter = 0, int32_t slot = kFormulaSlotLeft) {
  Compiled c;
  c.counter = counter;
  c.formula = CompileExp(text.data(), static_cast<int16_t>(text.size()), &c.counter, slot, &c.error);
  return c;
}

}  // namespace formula_test

#endif
