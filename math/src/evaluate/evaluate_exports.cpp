// The exported C interface of formula evaluation, argument binding and events: argument checks and
// a catch-all around the internals, so that no exception crosses the library boundary.
#include "evaluate/events.h"
#include "evaluate/operations.h"
#include "evaluate/runtime_exp.h"
#include "evaluate/tables.h"
#include "evaluate/text_run.h"
#include "formula/error_flag.h"
#include "numera32_evaluate.h"

namespace {

using numera32::evaluate::tables;
using numera32::evaluate::TextEvaluator;
using numera32::evaluate::TextRun;

constexpr int32_t kSysEventArgument = 1;
constexpr int32_t kSysArgumentNoEvent = -1;
constexpr int32_t kWriteModeRequest = -1;
constexpr int32_t kAllChannels = -1;

int32_t set_result(bool ok) { return ok ? 0 : kFormulaBadEntry; }

// A 16-bit event code from a value: cut towards zero, kept within the 16-bit range.
int16_t event_code(double v) {
  const int32_t n = numera32::evaluate::cut_int32(v);
  if (n > INT16_MAX) return INT16_MAX;
  if (n < INT16_MIN) return INT16_MIN;
  return static_cast<int16_t>(n);
}

double guarded_text(const char* text, int16_t length, TextRun& run) {
  try {
    return numera32::evaluate::evaluate_text(text, length, run);
  } catch (...) {  // out of memory while keeping a parse
    numera32::formula::set_error_flag(kFormulaSyntax);
    run.status = kFormulaSyntax;
    return 0.0;
  }
}

}  // namespace

extern "C" {

NUMERA32_API int32_t SetArgument(int32_t i, double v) { return set_result(tables().arguments.set(i, v)); }
NUMERA32_API int32_t SetLocalVarArgument(int32_t i, double v) { return set_result(tables().local_vars.set(i, v)); }
NUMERA32_API int32_t SetFuncParamArgument(int32_t i, double v) { return set_result(tables().func_params.set(i, v)); }
NUMERA32_API int32_t SetDBArgument(int32_t i, double v) { return set_result(tables().db_arguments.set(i, v)); }
NUMERA32_API int32_t DrvSetArgument(int32_t i, double v) { return set_result(tables().drv_arguments.set(i, v)); }
NUMERA32_API int32_t DrvSetLocalVarArgument(int32_t i, double v) {
  return set_result(tables().drv_local_vars.set(i, v));
}
NUMERA32_API int32_t DrvSetFuncParamArgument(int32_t i, double v) {
  return set_result(tables().drv_func_params.set(i, v));
}
NUMERA32_API int32_t DrvSetSysArgument(int32_t i, double v) { return set_result(tables().drv_sys_arguments.set(i, v)); }

NUMERA32_API int32_t SetSysArgument(int32_t i, double v) {
  if (i == kSysArgumentNoEvent) return set_result(tables().sys_arguments.set(kSysEventArgument, v));
  if (!tables().sys_arguments.set(i, v)) return kFormulaBadEntry;
  if (i == kSysEventArgument) numera32::evaluate::push_event(event_code(v));
  return 0;
}

NUMERA32_API int32_t SetGlobalVarOffset(int32_t n) { return tables().argument_offset = n, 0; }
NUMERA32_API int32_t SetLocalVarStackPtr(int32_t n) { return tables().local_var_offset = n, 0; }
NUMERA32_API int32_t SetFuncParamStackPtr(int32_t n) { return tables().func_param_offset = n, 0; }
NUMERA32_API int32_t DrvSetLocalVarStackPtr(int32_t n) { return tables().drv_local_var_offset = n, 0; }
NUMERA32_API int32_t DrvSetFuncParamStackPtr(int32_t n) { return tables().drv_func_param_offset = n, 0; }

NUMERA32_API int32_t SetOffsetInChList(int32_t channel, int32_t value) {
  auto& list = tables().channel_offsets;
  if (channel == kAllChannels) {
    list.fill(value);
    return 0;
  }
  if (channel < 1 || channel > kFormulaChannels) return kFormulaBadEntry;
  list[static_cast<std::size_t>(channel)] = value;
  return 0;
}

NUMERA32_API int32_t SetChannelBufPtr(void* pointer) { return tables().channel_buffer = pointer, 0; }
NUMERA32_API int32_t SetFormulaLogEvalMode(int32_t mode) { return tables().logic_mode = mode, 0; }

NUMERA32_API int32_t GetEvent(int16_t index, uint16_t flag) { return numera32::evaluate::get_event(index, flag); }
NUMERA32_API int32_t GetEventCount(void) { return numera32::evaluate::event_count(); }
NUMERA32_API int32_t ClearEventStack(void) {
  numera32::evaluate::clear_events();
  return 0;
}

NUMERA32_API double RunTimeExp(const CompiledFormula* formula, int16_t last_node, int32_t mode, int32_t* status) {
  if (status == nullptr) [[unlikely]] return NUMERA32_FORMULA_FAILED_VALUE;
  if (formula == nullptr || last_node < 0 || last_node >= NUMERA32_FORMULA_NODES) [[unlikely]] {
    *status = kFormulaSyntax;
    return NUMERA32_FORMULA_FAILED_VALUE;
  }
  return numera32::evaluate::run_compiled(*formula, last_node, mode < 0, *status);
}

NUMERA32_API double RunCalcExp(const char* text, int16_t length, int32_t* status) {
  TextRun run;
  run.evaluator = TextEvaluator::kRunCalc;
  run.write_mode = status != nullptr && *status == kWriteModeRequest;
  const double value = guarded_text(text, length, run);
  if (status != nullptr) *status = run.status;
  return value;
}

NUMERA32_API double CalcExp(const char* text, int16_t length) {
  TextRun run;
  run.evaluator = TextEvaluator::kCalc;
  return guarded_text(text, length, run);
}

NUMERA32_API double TCalcExp(const char* text, int16_t length, int32_t no_channels) {
  TextRun run;
  run.evaluator = TextEvaluator::kTest;
  run.no_channels = no_channels != 0;
  return guarded_text(text, length, run);
}

NUMERA32_API double DrvCalcExp(const char* text, int16_t length) {
  TextRun run;
  run.evaluator = TextEvaluator::kDriver;
  return guarded_text(text, length, run);
}

}  // extern "C"
