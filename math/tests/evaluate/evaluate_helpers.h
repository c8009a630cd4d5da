// Short forms of the evaluators for tests, and a reset of the library's formula state.
#ifndef NUMERA32_TESTS_EVALUATE_HELPERS_H
#define NUMERA32_TESTS_EVALUATE_HELPERS_H

#include <cstdint>
#include <string>

#include "numera32_arrays.h"
#include "numera32_evaluate.h"

namespace eval_test {

inline int16_t len(const std::string& text) { return static_cast<int16_t>(text.size()); }

inline double calc(const std::string& text) { return CalcExp(text.data(), len(text)); }
inline double run_calc(const std::string& text, int32_t& status) { return RunCalcExp(text.data(), len(text), &status); }
inline double test_calc(const std::string& text, int32_t no_channels = 0) {
  return TCalcExp(text.data(), len(text), no_channels);
}
inline double drv_calc(const std::string& text) { return DrvCalcExp(text.data(), len(text)); }

// Compiles and runs a text with RunTimeExp; compile_status gets CompileExp's error.
inline double run_compiled(const std::string& text, int32_t& status, int32_t mode = 0) {
  int16_t counter = 0;
  int32_t error = 0;
  const CompiledFormula f = CompileExp(text.data(), len(text), &counter, kFormulaSlotLeft, &error);
  if (error != 0) {
    status = error;
    return 0.0;
  }
  return RunTimeExp(&f, counter, mode, &status);
}

// Offsets, modes, flag, events and arrays back to their state at load.
inline void reset_state() {
  SetGlobalVarOffset(0);
  SetLocalVarStackPtr(0);
  SetFuncParamStackPtr(0);
  DrvSetLocalVarStackPtr(0);
  DrvSetFuncParamStackPtr(0);
  SetFormulaLogEvalMode(0);
  SetOffsetInChList(-1, 0);
  ClearEventStack();
  EraseAllArrays();
  GetFormulaErrFlag();
}

}  // namespace eval_test

#endif
