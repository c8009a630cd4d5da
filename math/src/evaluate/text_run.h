// Running a text evaluator: the kept (or freshly parsed) program of a text over the tables.
#ifndef NUMERA32_EVALUATE_TEXT_RUN_H
#define NUMERA32_EVALUATE_TEXT_RUN_H

#include <cstdint>
#include <string_view>

#include "evaluate/text_program.h"

namespace numera32::evaluate {

struct TextRun {
  TextEvaluator evaluator = TextEvaluator::kCalc;
  bool write_mode = false;   // RunCalcExp: array elements receive argument 0
  bool no_channels = false;  // TCalcExp: channel references fail
  int32_t status = 0;        // out: 0 or the newest error that RunCalcExp reports
};

// Evaluates `text` as the evaluator of `run` does; errors go to the formula error flag and to
// run.status. A text that is null, empty, negative in length or longer than
// NUMERA32_FORMULA_TEXT_MAX fails with kFormulaSyntax.
double evaluate_text(const char* text, int32_t length, TextRun& run);

}  // namespace numera32::evaluate

#endif
