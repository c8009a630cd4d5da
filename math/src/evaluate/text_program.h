// What parsing a formula text produces for the text evaluators: a postfix program whose steps run in
// the order in which a recursive evaluation of the text would meet them (left operand, right
// operand, operation), including the errors the parse found, so that running the kept program of
// a text gives exactly what parsing and evaluating it again would give.
#ifndef NUMERA32_EVALUATE_TEXT_PROGRAM_H
#define NUMERA32_EVALUATE_TEXT_PROGRAM_H

#include <cstdint>
#include <string_view>
#include <vector>

#include "evaluate/flat_program.h"

namespace numera32::evaluate {

// The four text evaluators: they parse some constructs differently (see numera32_evaluate.h).
enum class TextEvaluator : uint8_t { kRunCalc, kCalc, kTest, kDriver };

enum class Step : uint8_t {
  kConstant,       // push value
  kOperand,        // push table/channel/time operand: kind, number
  kTestChannel,    // TCalcExp channel: push 0, or fail when channels are refused
  kOperation,      // pop one (right kind 0) or two values, push the operation's value: operation
  kArray,          // pop `count` indices, push element of array `number`
  kArrayChecked,   // TCalcExp: pop `count` indices, push 0
  kDatabase,       // pop channel and row, push the database value
  kDatabaseChecked,// TCalcExp: pop two, push 1
  kFail,           // end the evaluation with status `number` and result value
  kFlag            // set the formula error flag to `number` (the operator search met unbalanced text)
};

struct TextStep {
  Step step;
  uint8_t kind = 0;        // operand kind (kOperand)
  uint8_t count = 0;       // operands popped: 1 or 2 for operations, index count for arrays
  int16_t operation = 0;   // operation code (kOperation)
  int32_t number = 0;      // table number, channel, array number, or status
  double value = 0.0;      // constant
};

struct TextProgram {
  std::vector<TextStep> steps;
  int max_depth = 0;  // most values the program holds on its stack at once
  std::vector<Instruction> flat;  // the same as a flat program, when it only reads operands and computes
  FlatInfo flat_info;
};

// Parses `text` (at most NUMERA32_FORMULA_TEXT_MAX characters) for `evaluator`; `logic` false skips
// the logic and comparison operator classes and refuses texts that contain their characters.
// The formula error flag is left as it was: the flag steps in the program set it when run.
TextProgram parse_text(std::string_view text, TextEvaluator evaluator, bool logic);

}  // namespace numera32::evaluate

#endif
