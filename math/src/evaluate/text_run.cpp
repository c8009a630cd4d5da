// The text evaluators' run over a parsed program. Domain and division errors are recorded and the
// evaluation goes on with the replacement value; any other failure ends it with the value at the
// point of failure.
#include "evaluate/text_run.h"

#include "arrays/array_table.h"
#include "evaluate/operands.h"
#include "evaluate/operations.h"
#include "evaluate/text_cache.h"
#include "formula/error_flag.h"
#include "numera32_arrays.h"
#include "numera32_evaluate.h"

namespace numera32::evaluate {

namespace {

constexpr int32_t kFirstDatabaseArray = kArrayMaxId + 1;
constexpr int kMaxStack = NUMERA32_FORMULA_TEXT_MAX + 1;

void record(TextRun& run, int32_t status, bool status_too = true) {
  formula::set_error_flag(status);
  if (status_too) run.status = status;
}

// An array element as a text evaluator reads or (RunCalcExp write mode) writes it.
int32_t array_step(const TextStep& step, const double* index, TextRun& run, double& value) {
  const int64_t i = cut_int64(index[0]);
  const int64_t j = step.count > 1 ? cut_int64(index[1]) : 0;
  const int64_t k = step.count > 2 ? cut_int64(index[2]) : 0;
  if (run.write_mode) {
    const double stored = tables().arguments.entries[0];
    value = 0.0;
    if (step.number >= kFirstDatabaseArray) {
      if (step.count < 2) return kFormulaSyntax;
      if (i < 1 || i > INT32_MAX || j < 1 || j > INT32_MAX) return kFormulaSyntax;
      return database_store(static_cast<int32_t>(i), static_cast<int32_t>(j - 1), stored) == 0 ? 0 : kFormulaSyntax;
    }
    double v = stored;
    return arrays::access_from_formula(false, step.number + int64_t{tables().argument_offset}, step.count, i, j, k, v);
  }
  const int64_t id = step.number < kFirstDatabaseArray ? step.number + int64_t{tables().argument_offset} : step.number;
  return arrays::access_from_formula(true, id, step.count, i, j, k, value);
}

double run_program(const TextProgram& program, TextRun& run) {
  double stack[kMaxStack];
  int size = 0;
  const TableSet& t = run.evaluator == TextEvaluator::kDriver ? driver_tables() : host_tables();
  for (const TextStep& step : program.steps) {
    double value = 0.0;
    int32_t status = 0;
    switch (step.step) {
      case Step::kConstant:
        value = step.value;
        break;
      case Step::kOperand:
        if (step.kind == kFormulaKindArgument && &t == &kHostTables) {  // the most frequent operand
          const int64_t n = int64_t{step.number} + g_formula_tables.argument_offset;
          if (n >= 0 && n < kFormulaArguments) {
            value = g_formula_tables.arguments.entries[static_cast<std::size_t>(n)];
            break;
          }
        }
        status = read_operand(t, step.kind, step.number, value);
        break;
      case Step::kTestChannel:
        if (run.no_channels) status = kFormulaSyntax;
        break;
      case Step::kOperation: {
        size -= step.count;
        const OpResult r = apply(step.operation, stack[size], step.count > 1 ? stack[size + 1] : 0.0);
        value = r.value;
        if (r.status != 0) {
          // A remainder by zero is reported in the error flag only.
          record(run, r.status, !(step.operation == kFormulaOpRemainder && r.status == kFormulaDivideByZero));
        }
        break;
      }
      case Step::kArray:
        size -= step.count;
        status = array_step(step, stack + size, run, value);
        break;
      case Step::kArrayChecked:
        size -= step.count;
        break;
      case Step::kDatabase:
        size -= 2;
        if (database_value(cut_int32(stack[size]), cut_int32(stack[size + 1]), value) != 0) {
          value = 0.0;
          status = kFormulaSyntax;
        }
        break;
      case Step::kDatabaseChecked:
        size -= 2;
        value = 1.0;
        break;
      case Step::kFail:
        status = step.number;
        break;
      case Step::kFlag:
        formula::set_error_flag(step.number);
        continue;
    }
    if (status != 0) {
      record(run, status);
      return value;
    }
    stack[size++] = value;
  }
  return size > 0 ? stack[size - 1] : 0.0;
}

}  // namespace

double evaluate_text(const char* text, int32_t length, TextRun& run) {
  run.status = 0;
  if (text == nullptr || length <= 0 || length > NUMERA32_FORMULA_TEXT_MAX) {
    record(run, kFormulaSyntax);
    return 0.0;
  }
  const bool logic = tables().logic_mode == 0;
  const TextProgram& program = cached_program(std::string_view(text, static_cast<std::size_t>(length)),
                                              run.evaluator, logic);
  const int64_t argument_offset = g_formula_tables.argument_offset;
  if (program.flat_info.runs_with(argument_offset)) {
    return run_text_program(program.flat.data(), argument_offset, run.status);
  }
  if (program.max_depth > kMaxStack) {  // cannot happen for a text of NUMERA32_FORMULA_TEXT_MAX characters
    record(run, kFormulaSyntax);
    return 0.0;
  }
  return run_program(program, run);
}

}  // namespace numera32::evaluate
