// Parsing a formula text for the text evaluators with the compiler's splitting rules: operator
// classes, function names, numbers, named operands, signs. Each construct becomes the steps that
// evaluate it; what the evaluator does not allow, and every syntax error, becomes a failure step at
// the place where a recursive evaluation would have met it.
#include <algorithm>
#include <optional>

#include "evaluate/tables.h"
#include "evaluate/text_program.h"
#include "formula/argument_split.h"
#include "formula/error_flag.h"
#include "formula/function_table.h"
#include "formula/operand_parse.h"
#include "formula/operator_search.h"
#include "numera32_arrays.h"
#include "numera32_evaluate.h"
#include "numera32_formula.h"

namespace numera32::evaluate {

namespace {

using formula::ArgumentList;
using formula::SplitStatus;

class Parser {
 public:
  Parser(TextEvaluator evaluator, bool logic) : evaluator_(evaluator), logic_(logic) {}

  void parse(std::string_view text);
  void fail(int32_t status) { emit({Step::kFail, 0, 0, 0, status, 0.0}, 0, 1); }
  TextProgram take() { return std::move(program_); }

 private:
  void emit(const TextStep& step, int pops, int pushes) {
    program_.steps.push_back(step);
    depth_ += pushes - pops;
    program_.max_depth = std::max(program_.max_depth, depth_);
  }
  void operation(int16_t op, int operands) { emit({Step::kOperation, 0, static_cast<uint8_t>(operands), op, 0, 0.0}, operands, 1); }

  std::optional<formula::OperatorHit> find_operator(std::string_view text);
  void parse_function(std::string_view text, const formula::FunctionName& function);
  void parse_array(std::string_view text);
  void parse_named(std::string_view text);

  TextEvaluator evaluator_;
  bool logic_;
  TextProgram program_;
  int depth_ = 0;
};

// The operator search sets the formula error flag when it meets unbalanced text; that is recorded
// as a step (the flag itself is left as it was), so it happens again whenever the program runs.
std::optional<formula::OperatorHit> Parser::find_operator(std::string_view text) {
  const int32_t saved = formula::take_error_flag();
  std::optional<formula::OperatorHit> hit = formula::find_split_operator(text, logic_);
  const int32_t raised = formula::take_error_flag();
  formula::set_error_flag(saved);
  if (raised != 0) emit({Step::kFlag, 0, 0, 0, raised, 0.0}, 0, 0);
  return hit;
}

void Parser::parse(std::string_view text) {
  if (text.empty()) return fail(kFormulaSyntax);
  if (const auto hit = find_operator(text)) {
    parse(text.substr(0, hit->position));
    parse(text.substr(hit->position + 1));
    return operation(hit->operation, 2);
  }
  if (const formula::FunctionName* function = formula::match_function(text)) return parse_function(text, *function);
  if (formula::is_number(text)) {
    return emit({Step::kConstant, 0, 0, 0, 0, formula::read_number(text)}, 0, 1);
  }
  if (formula::is_named_operand(text)) {
    if (formula::is_array_element(text)) return parse_array(text);
    return parse_named(text);
  }
  if (text[0] == '+') return parse(text.substr(1));
  if (text[0] == '-') {
    parse(text.substr(1));
    return operation(kFormulaOpNegate, 1);
  }
  fail(kFormulaSyntax);
}

void Parser::parse_function(std::string_view text, const formula::FunctionName& function) {
  if (text.back() != ')') return fail(kFormulaUnbalanced);
  if (function.arguments == 1) {
    parse(text.substr(function.name.size(), text.size() - function.name.size() - 1));
    if (function.operation != kFormulaOpGroup) operation(function.operation, 1);
    return;
  }
  const bool database = function.operation == kFormulaOpDatabase;
  if (database && (evaluator_ == TextEvaluator::kCalc || evaluator_ == TextEvaluator::kDriver)) {
    return fail(kFormulaSyntax);
  }
  const ArgumentList arguments = formula::split_arguments(text.substr(function.name.size()));
  if (arguments.status != SplitStatus::kOk || arguments.count < 2) return fail(kFormulaSyntax);
  parse(arguments.arguments[0]);
  parse(arguments.arguments[1]);
  if (!database) return operation(function.operation, 2);
  const Step step = evaluator_ == TextEvaluator::kTest ? Step::kDatabaseChecked : Step::kDatabase;
  emit({step, 0, 2, 0, 0, 0.0}, 2, 1);
}

// "a<n>(i[,j[,k]])". The text evaluators take any n >= 1: arrays are 1..1023 after the argument
// offset is added, and n >= 1024 names a database channel in RunCalcExp's write mode.
void Parser::parse_array(std::string_view text) {
  if (evaluator_ == TextEvaluator::kDriver) return fail(kFormulaSyntax);
  int32_t number = 0;
  if (!formula::read_name_number(text, number) || number < 1) return fail(kFormulaSyntax);
  const std::size_t paren = text.find('(');
  if (paren == std::string_view::npos) return fail(kFormulaSyntax);
  const ArgumentList indices = formula::split_arguments(text.substr(paren + 1));
  if (indices.status == SplitStatus::kTooMany) return fail(kFormulaIndexCount);
  if (indices.status != SplitStatus::kOk) return fail(kFormulaIndexList);
  if (indices.count < 1) return fail(kFormulaIndexCount);
  for (int i = 0; i < indices.count; ++i) parse(indices.arguments[static_cast<std::size_t>(i)]);
  const Step step = evaluator_ == TextEvaluator::kTest ? Step::kArrayChecked : Step::kArray;
  emit({step, 0, static_cast<uint8_t>(indices.count), 0, number, 0.0}, indices.count, 1);
}

void Parser::parse_named(std::string_view text) {
  formula::Operand operand;
  if (formula::read_named_operand(text, operand) != kFormulaOk) return fail(kFormulaSyntax);
  switch (operand.kind) {
    case kFormulaKindConstant:
      return emit({Step::kConstant, 0, 0, 0, 0, operand.constant}, 0, 1);
    case kFormulaKindDbArgument:
    case kFormulaKindLastArg:
      if (evaluator_ == TextEvaluator::kDriver) return fail(kFormulaSyntax);
      break;
    case kFormulaKindChannel:
    case kFormulaKindChannelNeg:
      if (evaluator_ == TextEvaluator::kTest) return emit({Step::kTestChannel, 0, 0, 0, 0, 0.0}, 0, 1);
      break;
    default:
      break;
  }
  emit({Step::kOperand, operand.kind, 0, 0, operand.number, 0.0}, 0, 1);
}

constexpr std::string_view kLogicCharacters = "&|><=~!?";

}  // namespace

TextProgram parse_text(std::string_view text, TextEvaluator evaluator, bool logic) {
  Parser parser(evaluator, logic);
  if (!logic && text.find_first_of(kLogicCharacters) != std::string_view::npos) {
    parser.fail(kFormulaSyntax);
  } else if (!formula::parentheses_balanced(text)) {
    parser.fail(kFormulaUnbalanced);  // never a formula, as for the compiler
  } else {
    parser.parse(text);
  }
  TextProgram program = parser.take();
  build_text_program(program, evaluator == TextEvaluator::kDriver, program.flat, program.flat_info);
  return program;
}

}  // namespace numera32::evaluate
