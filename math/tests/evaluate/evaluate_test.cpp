// The evaluators against the rules of the formula language: arguments and offsets, domain rules and
// replacement values, the evaluators' differences, the logic evaluation mode, the error flag, the
// event stack, and channel values through a stand-in kernel (also before any kernel is loaded).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "evaluate_helpers.h"
#include "kernel_standin.h"
#include "numera32_evaluate.h"
#include "numera32_formula.h"

using namespace eval_test;

namespace {

constexpr double kFailed = NUMERA32_FORMULA_FAILED_VALUE;

class Evaluate : public ::testing::Test {
 protected:
  void SetUp() override { reset_state(); }
};

TEST_F(Evaluate, ArgumentsAndOffsetsInEveryEvaluator) {
  ASSERT_EQ(SetArgument(5, 2.0), 0);
  ASSERT_EQ(SetArgument(15, 7.0), 0);
  EXPECT_EQ(calc("x5*3"), 6.0);
  int32_t st = 0;
  EXPECT_EQ(run_compiled("x5*3", st), 6.0);
  EXPECT_EQ(st, 0);
  SetGlobalVarOffset(10);
  EXPECT_EQ(calc("x5*3"), 21.0);
  EXPECT_EQ(run_calc("x5*3", st), 21.0);
  EXPECT_EQ(run_compiled("x5*3", st), 21.0);  // the compiled form follows the offset too
  EXPECT_EQ(run_compiled("-x5", st), -7.0);

  SetLocalVarArgument(3, 4.5);
  SetFuncParamArgument(2, -1.5);
  SetSysArgument(7, 9.0);
  SetDBArgument(31, 11.0);
  SetArgument(1023, 13.0);
  SetLocalVarStackPtr(1);
  SetFuncParamStackPtr(2);
  const std::string text = "x16002+x24000*2+x32007+d31+y99";
  const double expected = 4.5 + -1.5 * 2 + 9.0 + 11.0 + 13.0;
  EXPECT_EQ(calc(text), expected);
  EXPECT_EQ(run_compiled(text, st), expected);
  EXPECT_EQ(GetFormulaErrFlag(), 0);
}

TEST_F(Evaluate, SettersRefuseIndicesOutsideTheirTables) {
  EXPECT_EQ(SetArgument(1024, 1), -1);
  EXPECT_EQ(SetArgument(-1, 1), -1);
  EXPECT_EQ(SetLocalVarArgument(256, 1), -1);
  EXPECT_EQ(SetFuncParamArgument(64, 1), -1);
  EXPECT_EQ(SetSysArgument(128, 1), -1);
  EXPECT_EQ(SetSysArgument(-2, 1), -1);
  EXPECT_EQ(SetDBArgument(32, 1), -1);
  EXPECT_EQ(DrvSetArgument(64, 1), -1);
  EXPECT_EQ(DrvSetLocalVarArgument(32, 1), -1);
  EXPECT_EQ(DrvSetFuncParamArgument(16, 1), -1);
  EXPECT_EQ(DrvSetSysArgument(32, 1), -1);
  EXPECT_EQ(SetOffsetInChList(10001, -1), -1);
  EXPECT_EQ(SetOffsetInChList(0, -1), -1);
  EXPECT_EQ(DrvSetArgument(63, 1), 0);
}

TEST_F(Evaluate, VariablesBeyondTheirTablesFailWithoutReadingThere) {
  int32_t st = 0;
  const std::vector<std::string> texts = {"x1024", "x15999", "x16256", "x24064", "x32128", "x32000+x1024"};
  for (const std::string& t : texts) {
    EXPECT_EQ(calc(t), 0.0) << t;
    EXPECT_EQ(GetFormulaErrFlag(), kFormulaSyntax) << t;
    run_compiled(t, st);
    EXPECT_EQ(st, kFormulaSyntax) << t;
  }
  SetGlobalVarOffset(1);
  calc("x1023");
  EXPECT_EQ(GetFormulaErrFlag(), kFormulaSyntax);
  SetGlobalVarOffset(-2);
  calc("x1");
  EXPECT_EQ(GetFormulaErrFlag(), kFormulaSyntax);
  SetGlobalVarOffset(INT32_MAX);
  EXPECT_EQ(run_compiled("x15999", st), kFailed);
  EXPECT_EQ(st, kFormulaSyntax);
  SetGlobalVarOffset(0);
  SetLocalVarStackPtr(-1);
  calc("x16000");
  EXPECT_EQ(GetFormulaErrFlag(), kFormulaSyntax);
}

TEST_F(Evaluate, DomainRulesCompiledAndAsText) {
  int32_t st = 0;
  SetArgument(1, 5.0);
  EXPECT_EQ(run_compiled("x1/0", st), kFailed);
  EXPECT_EQ(st, kFormulaDivideByZero);
  EXPECT_EQ(run_calc("ln(0)", st), 0.0);
  EXPECT_EQ(st, kFormulaDomain);
  EXPECT_EQ(GetFormulaErrFlag(), kFormulaDomain);
  EXPECT_EQ(run_compiled("ln(0)", st), kFailed);
  EXPECT_EQ(st, kFormulaDomain);

  // Text evaluators go on with the replacement value.
  EXPECT_EQ(run_calc("sqrt(0-4)+1", st), 1.0);
  EXPECT_EQ(st, kFormulaDomain);
  EXPECT_EQ(run_calc("log(0-1)+2", st), 2.0);
  EXPECT_EQ(st, kFormulaDomain);
  EXPECT_EQ(run_calc("x1/0", st), kFailed);
  EXPECT_EQ(st, kFormulaDivideByZero);
  EXPECT_EQ(run_calc("(0-2)^0.5", st), kFailed);
  EXPECT_EQ(st, kFormulaDomain);
  // A remainder by zero goes to the error flag only.
  GetFormulaErrFlag();
  EXPECT_EQ(run_calc("7%0", st), kFailed);
  EXPECT_EQ(st, 0);
  EXPECT_EQ(GetFormulaErrFlag(), kFormulaDivideByZero);
  EXPECT_EQ(run_compiled("7%0", st), kFailed);
  EXPECT_EQ(st, kFormulaDivideByZero);
  // The newest error wins.
  EXPECT_EQ(run_calc("ln(0)+1/0", st), kFailed);
  EXPECT_EQ(st, kFormulaDivideByZero);
  // acos and asin outside -1..1 are not a number without an error.
  EXPECT_TRUE(std::isnan(run_calc("acos(2)", st)));
  EXPECT_EQ(st, 0);
}

TEST_F(Evaluate, RoundingBitsAndRemaindersInEveryEvaluator) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {{"int(2.5)", 3},   {"int(-2.5)", -3}, {"sgn(0)", 1},      {"floor(-2.5)", -3},
                        {"ceil(2.1)", 3},  {"bit(5,0)", 1},   {"bit(5,1)", 0},    {"7%3", 1},
                        {"-7%3", -1},      {"7.9%3", 1},      {"1<2&2<3", 1},     {"2^3^2", 64},
                        {"atan2(1,0)", M_PI / 2}, {"hypot(3,4)", 5}, {"3!3", 1},  {"3?2", 0},
                        {"3~3", 0},        {"0|0", 0},        {"min(2,1)", 1},    {"max(2,1,9)", 2},
                        {"(0-2)^2", 4},    {"(0-1.5)^3", -3.375}, {"-2^2", 4},    {"7/2", 3.5}};
  for (const Case& c : cases) {
    int32_t st = 0;
    EXPECT_DOUBLE_EQ(calc(c.text), c.value) << c.text;
    EXPECT_DOUBLE_EQ(run_calc(c.text, st), c.value) << c.text;
    EXPECT_DOUBLE_EQ(test_calc(c.text), c.value) << c.text;
    EXPECT_DOUBLE_EQ(drv_calc(c.text), c.value) << c.text;
    EXPECT_DOUBLE_EQ(run_compiled(c.text, st), c.value) << c.text;
    EXPECT_EQ(st, 0) << c.text;
    EXPECT_EQ(GetFormulaErrFlag(), 0) << c.text;
  }
  for (const char* text : {"bit(5,32)", "bit(5,-1)"}) {
    int32_t st = 0;
    EXPECT_EQ(run_calc(text, st), 0.0);
    EXPECT_EQ(st, kFormulaDomain);
    run_compiled(text, st);
    EXPECT_EQ(st, kFormulaDomain);
  }
}

TEST_F(Evaluate, LogicModeRefusesLogicTexts) {
  EXPECT_EQ(calc("1<2&2<3"), 1.0);
  SetFormulaLogEvalMode(1);
  for (const char* text : {"1<2&2<3", "1|0", "x1=2", "min(1,2>1)", "3~3", "3!3", "3?3"}) {
    int32_t st = 0;
    EXPECT_EQ(run_calc(text, st), 0.0) << text;
    EXPECT_EQ(st, kFormulaSyntax) << text;
    EXPECT_EQ(calc(text), 0.0);
    EXPECT_EQ(GetFormulaErrFlag(), kFormulaSyntax);
  }
  EXPECT_EQ(calc("1+2*3"), 7.0);
  SetFormulaLogEvalMode(0);
  EXPECT_EQ(calc("1<2&2<3"), 1.0);  // the kept parse of the other mode is not used
}

TEST_F(Evaluate, ErrorFlagIsReadOnceAndKeptAcrossRepeats) {
  calc("x1/0");
  EXPECT_EQ(GetFormulaErrFlag(), kFormulaDivideByZero);
  EXPECT_EQ(GetFormulaErrFlag(), 0);
  // The operator search meets unbalanced text in a cut argument ("x2*(x3"): the flag is set though
  // the value is read (characters after the number of a name are not looked at), every time.
  SetArgument(1, 16.0);
  SetArgument(2, 9.0);
  for (int i = 0; i < 3; ++i) {
    int32_t st = 0;
    EXPECT_EQ(run_calc("min(x1,x2*(x3,4))", st), 9.0);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(GetFormulaErrFlag(), kFormulaUnbalanced);
  }
  // Repeated failing texts give the same result, status and flag each time.
  for (int i = 0; i < 3; ++i) {
    int32_t st = 0;
    EXPECT_EQ(run_calc("ln(0)+1/0", st), kFailed);
    EXPECT_EQ(st, kFormulaDivideByZero);
    EXPECT_EQ(GetFormulaErrFlag(), kFormulaDivideByZero);
    EXPECT_EQ(run_calc("x1+foo", st), 0.0);
    EXPECT_EQ(st, kFormulaSyntax);
  }
}

TEST_F(Evaluate, TextsAreRefusedNotCut) {
  std::string text(NUMERA32_FORMULA_TEXT_MAX, '1');
  EXPECT_EQ(calc(text), std::stod(text));
  text += "+1";
  int32_t st = 0;
  EXPECT_EQ(run_calc(text, st), 0.0);
  EXPECT_EQ(st, kFormulaSyntax);
  EXPECT_EQ(RunCalcExp("1", 0, &st), 0.0);
  EXPECT_EQ(st, kFormulaSyntax);
  EXPECT_EQ(RunCalcExp(nullptr, 3, &st), 0.0);
  EXPECT_EQ(st, kFormulaSyntax);
  EXPECT_EQ(RunCalcExp("12", -1, &st), 0.0);
  EXPECT_EQ(st, kFormulaSyntax);
  EXPECT_EQ(run_calc("(1+2", st), 0.0);
  EXPECT_EQ(st, kFormulaUnbalanced);
  EXPECT_EQ(run_calc("x1)+(x2", st), 0.0);
  EXPECT_EQ(st, kFormulaUnbalanced);
  EXPECT_EQ(run_calc("sin(1)x", st), 0.0);
  EXPECT_EQ(st, kFormulaUnbalanced);
  EXPECT_EQ(run_calc("x", st), 0.0);  // a single letter is no formula
  EXPECT_EQ(st, kFormulaSyntax);
  EXPECT_EQ(run_calc("7", st), 7.0);
  EXPECT_EQ(run_calc("e", st), 2.7182818);
  EXPECT_EQ(run_calc("1E-3", st), -2.0);  // "1E" is 1, then minus 3
  // Only a length's worth of characters is read.
  EXPECT_EQ(CalcExp("12+3", 2), 12.0);
}

TEST_F(Evaluate, EvaluatorDifferences) {
  DrvSetArgument(3, 2.0);
  DrvSetLocalVarArgument(1, 3.0);
  DrvSetFuncParamArgument(15, 4.0);
  DrvSetSysArgument(31, 5.0);
  DrvSetLocalVarStackPtr(1);
  SetArgument(3, 100.0);
  EXPECT_EQ(drv_calc("x3*x16000+x24015+x32031"), 2.0 * 3.0 + 4.0 + 5.0);
  EXPECT_EQ(GetFormulaErrFlag(), 0);
  DrvSetFuncParamStackPtr(1);
  drv_calc("x24015");
  EXPECT_EQ(GetFormulaErrFlag(), kFormulaSyntax);
  SetGlobalVarOffset(5);  // driver arguments take no offset
  EXPECT_EQ(drv_calc("x3"), 2.0);
  for (const char* text : {"d0", "y1", "a1(1)", "db(1,1)", "x64"}) {
    EXPECT_EQ(drv_calc(text), 0.0) << text;
    EXPECT_EQ(GetFormulaErrFlag(), kFormulaSyntax) << text;
  }
  // CalcExp has no db(.
  EXPECT_EQ(calc("db(1,1)"), 0.0);
  EXPECT_EQ(GetFormulaErrFlag(), kFormulaSyntax);
  // TCalcExp: channels 0 (an error when refused), arrays 0 after the index check, db( 1.
  EXPECT_EQ(test_calc("c5+1"), 1.0);
  EXPECT_EQ(GetFormulaErrFlag(), 0);
  EXPECT_EQ(test_calc("c5+1", 1), 0.0);
  EXPECT_EQ(GetFormulaErrFlag(), kFormulaSyntax);
  EXPECT_EQ(test_calc("a7(1,2,3)+2"), 2.0);
  EXPECT_EQ(GetFormulaErrFlag(), 0);
  EXPECT_EQ(test_calc("db(3,4)*5"), 5.0);
  EXPECT_EQ(GetFormulaErrFlag(), 0);
  test_calc("a7(1,2,3,4)");
  EXPECT_EQ(GetFormulaErrFlag(), kFormulaIndexCount);
  test_calc("a7(1");
  EXPECT_EQ(GetFormulaErrFlag(), kFormulaUnbalanced);
  test_calc("a7()");
  EXPECT_EQ(GetFormulaErrFlag(), kFormulaIndexList);
}

TEST_F(Evaluate, ArrayElementsReadAndWritten) {
  SetArgument(0, 0.0);
  const int32_t sizes[3] = {3, 4, 0};
  ASSERT_EQ(CreateArray(5, 2, sizes), 0);
  double v = 42.0;
  ASSERT_EQ(AccessArrayElement(0, 5, 2, 3, 0, &v), 0);
  int32_t st = 0;
  EXPECT_EQ(calc("a5(2,3)+1"), 43.0);
  EXPECT_EQ(run_calc("a5(1+1,x0+3)", st), 42.0);
  EXPECT_EQ(run_compiled("a5(2,3)", st), 42.0);
  EXPECT_EQ(st, 0);
  run_calc("a5(2,3,1)", st);
  EXPECT_EQ(st, kArrayIndexRange);  // more indices than dimensions
  run_compiled("a5(2,3,1)", st);
  EXPECT_EQ(st, kArrayIndexRange);
  run_calc("a5(4,1)", st);
  EXPECT_EQ(st, kArrayIndexRange);
  run_calc("a6(1)", st);
  EXPECT_EQ(st, kArrayMissing);
  run_compiled("a6(1)", st);
  EXPECT_EQ(st, kArrayMissing);
  // The argument offset moves array numbers too.
  SetGlobalVarOffset(2);
  EXPECT_EQ(run_calc("a3(2,3)", st), 42.0);
  EXPECT_EQ(run_compiled("a3(2,3)", st), 42.0);
  SetGlobalVarOffset(0);

  // Write mode: the element receives argument 0 (without offset); the result is 0.
  SetArgument(0, -8.5);
  SetGlobalVarOffset(1);
  st = -1;
  EXPECT_EQ(run_calc("a4(1,1)", st), 0.0);
  EXPECT_EQ(st, 0);
  ASSERT_EQ(AccessArrayElement(1, 5, 1, 1, 0, &v), 0);
  EXPECT_EQ(v, -8.5);
  SetArgument(0, 3.25);
  EXPECT_EQ(run_compiled("a4(3,4)", st, -1), 0.0);
  ASSERT_EQ(AccessArrayElement(1, 5, 3, 4, 0, &v), 0);
  EXPECT_EQ(v, 3.25);
  // The second and third index of the compiled form may not be a channel.
  SetGlobalVarOffset(0);
  run_compiled("a5(1,c2)", st);
  EXPECT_EQ(st, kFormulaDomain);
}

TEST_F(Evaluate, ReusedRecordsAndChangedOffsetsGiveFreshResults) {
  SetArgument(1, 5.0);
  SetArgument(3, 7.0);
  int16_t counter = 0;
  int32_t error = 0;
  int32_t st = 0;
  CompiledFormula f = CompileExp("x1+1", 4, &counter, kFormulaSlotLeft, &error);
  ASSERT_EQ(error, 0);
  EXPECT_EQ(RunTimeExp(&f, counter, 0, &st), 6.0);
  counter = 0;
  f = CompileExp("x1*3", 4, &counter, kFormulaSlotLeft, &error);
  EXPECT_EQ(RunTimeExp(&f, counter, 0, &st), 15.0);
  f.node[0].right_constant = 4.0;  // changed in place
  EXPECT_EQ(RunTimeExp(&f, counter, 0, &st), 20.0);
  SetGlobalVarOffset(2);
  EXPECT_EQ(RunTimeExp(&f, counter, 0, &st), 28.0);
  EXPECT_EQ(calc("x1*3"), 21.0);
  SetGlobalVarOffset(0);
  EXPECT_EQ(calc("x1*3"), 15.0);
}

// A compiled record is evaluated from what it holds at each call, whatever was evaluated before at
// its address: a change in any node read, another start node, many records in turn, an argument
// offset that moves a read outside the table, and node shapes the compiler never writes.
TEST_F(Evaluate, CompiledRecordsAreEvaluatedAsTheyAreNow) {
  for (int i = 1; i <= 5; ++i) SetArgument(i, i * 1.5);
  int16_t counter = 0;
  int32_t error = 0;
  int32_t st = 0;
  CompiledFormula f = CompileExp("(x1-x2)/(x3+1)", 14, &counter, kFormulaSlotLeft, &error);
  ASSERT_EQ(error, 0);
  ASSERT_EQ(counter, 4);
  EXPECT_DOUBLE_EQ(RunTimeExp(&f, counter, 0, &st), (1.5 - 3.0) / (4.5 + 1.0));
  f.node[4].right_constant = 3.0;  // the deepest node: x3+3
  EXPECT_DOUBLE_EQ(RunTimeExp(&f, counter, 0, &st), (1.5 - 3.0) / (4.5 + 3.0));
  f.node[2].operation = kFormulaOpAdd;  // x1+x2
  EXPECT_DOUBLE_EQ(RunTimeExp(&f, counter, 0, &st), (1.5 + 3.0) / (4.5 + 3.0));
  f.node[4].left_kind = kFormulaKindConstant;  // 5+3
  f.node[4].left_constant = 5.0;
  EXPECT_DOUBLE_EQ(RunTimeExp(&f, counter, 0, &st), (1.5 + 3.0) / 8.0);
  f.node[4].right_constant = -5.0;  // division by 0
  EXPECT_EQ(RunTimeExp(&f, counter, 0, &st), kFailed);
  EXPECT_EQ(st, kFormulaDivideByZero);

  // Another start node of the same record: node 0 alone lacks its intermediate operands.
  counter = 0;
  f = CompileExp("x1+x2*x3", 8, &counter, kFormulaSlotLeft, &error);
  ASSERT_EQ(counter, 1);
  EXPECT_DOUBLE_EQ(RunTimeExp(&f, 1, 0, &st), 1.5 + 3.0 * 4.5);
  EXPECT_EQ(st, 0);
  EXPECT_EQ(RunTimeExp(&f, 0, 0, &st), kFailed);
  EXPECT_EQ(st, kFormulaSyntax);
  EXPECT_DOUBLE_EQ(RunTimeExp(&f, 1, 0, &st), 1.5 + 3.0 * 4.5);

  // More records than are kept, evaluated in turn.
  std::vector<CompiledFormula> many(300);
  std::vector<int16_t> last(many.size());
  for (std::size_t i = 0; i < many.size(); ++i) {
    const std::string text = "x2*" + std::to_string(i) + "+x1";
    many[i] = CompileExp(text.data(), len(text), &last[i], kFormulaSlotLeft, &error);
    ASSERT_EQ(error, 0);
  }
  for (int round = 0; round < 2; ++round) {
    for (std::size_t i = 0; i < many.size(); i += round + 1) {
      EXPECT_DOUBLE_EQ(RunTimeExp(&many[i], last[i], 0, &st), 3.0 * static_cast<double>(i) + 1.5) << i;
    }
  }

  // An offset that moves one read beyond the arguments fails there, in both evaluators.
  counter = 0;
  f = CompileExp("x1+x5", 5, &counter, kFormulaSlotLeft, &error);
  EXPECT_DOUBLE_EQ(RunTimeExp(&f, counter, 0, &st), 9.0);
  SetGlobalVarOffset(kFormulaArguments - 3);
  EXPECT_EQ(RunTimeExp(&f, counter, 0, &st), kFailed);
  EXPECT_EQ(st, kFormulaSyntax);
  GetFormulaErrFlag();
  EXPECT_EQ(calc("x1+x5"), 0.0);
  EXPECT_EQ(GetFormulaErrFlag(), kFormulaSyntax);
  SetArgument(0, 0.25);
  SetGlobalVarOffset(-1);
  EXPECT_DOUBLE_EQ(RunTimeExp(&f, counter, 0, &st), 0.25 + 6.0);
  EXPECT_DOUBLE_EQ(calc("x1+x5"), 0.25 + 6.0);
  SetGlobalVarOffset(0);
  EXPECT_DOUBLE_EQ(RunTimeExp(&f, counter, 0, &st), 9.0);

  // Shapes CompileExp never writes: an addition without a right operand adds 0; a function with a
  // right operand reads it and ignores it.
  f = CompiledFormula{};
  f.node[0].operation = kFormulaOpAdd;
  f.node[0].left_kind = kFormulaKindConstant;
  f.node[0].left_constant = 2.0;
  EXPECT_EQ(RunTimeExp(&f, 0, 0, &st), 2.0);
  EXPECT_EQ(st, 0);
  f.node[0].operation = kFormulaOpAbs;
  f.node[0].left_constant = -2.0;
  f.node[0].right_kind = kFormulaKindArgument;
  f.node[0].right_number = 5;
  EXPECT_EQ(RunTimeExp(&f, 0, 0, &st), 2.0);
  f.node[0].right_number = kFormulaArguments;  // beyond the table
  EXPECT_EQ(RunTimeExp(&f, 0, 0, &st), kFailed);
  EXPECT_EQ(st, kFormulaSyntax);
}

TEST_F(Evaluate, EventStack) {
  for (int code = 1; code <= 5; ++code) ASSERT_EQ(SetSysArgument(1, code), 0);
  EXPECT_EQ(GetEventCount(), 5);
  EXPECT_EQ(GetEvent(-1, 0), 1);
  EXPECT_EQ(GetEvent(-2, 1), 5);
  EXPECT_EQ(GetEventCount(), 4);
  EXPECT_EQ(GetEvent(-3, 3), 1);
  EXPECT_EQ(GetEventCount(), 3);
  EXPECT_EQ(GetEvent(0, 0), 1);
  EXPECT_EQ(GetEvent(1, 0), 2);
  EXPECT_EQ(GetEvent(2, 0), 4);
  EXPECT_EQ(GetEvent(3, 0), 0);
  EXPECT_EQ(GetEvent(-3, 9), 0);
  EXPECT_EQ(GetEvent(1, 1), 2);
  EXPECT_EQ(GetEvent(1, 0), 4);
  // System argument -1 sets argument 1 without an event; formulas read it.
  EXPECT_EQ(SetSysArgument(-1, 77.0), 0);
  EXPECT_EQ(GetEventCount(), 2);
  EXPECT_EQ(calc("x32001"), 77.0);
  // Codes are cut towards zero to 16 bits.
  SetSysArgument(1, -3.9);
  EXPECT_EQ(GetEvent(-2, 1), -3);
  EXPECT_EQ(ClearEventStack(), 0);
  EXPECT_EQ(GetEvent(-1, 1), 0);

  for (int code = 1; code <= 512; ++code) SetSysArgument(1, code);
  EXPECT_EQ(GetEventCount(), 511);
  EXPECT_EQ(GetEvent(-1, 0), 2);  // the first push was dropped
  EXPECT_EQ(GetEvent(-2, 0), 512);
  EXPECT_EQ(GetEvent(510, 0), 512);
  EXPECT_EQ(GetEvent(511, 0), 0);
}

TEST_F(Evaluate, CompiledEvaluatorRefusesBrokenRecords) {
  CompiledFormula f{};
  int32_t st = 0;
  EXPECT_EQ(RunTimeExp(&f, 32, 0, &st), kFailed);
  EXPECT_EQ(st, kFormulaSyntax);
  EXPECT_EQ(RunTimeExp(nullptr, 0, 0, &st), kFailed);
  // An intermediate operand with nothing on the stack.
  f.node[0].operation = kFormulaOpAdd;
  f.node[0].left_kind = kFormulaKindIntermediate;
  f.node[0].right_kind = kFormulaKindIntermediate;
  EXPECT_EQ(RunTimeExp(&f, 0, 0, &st), kFailed);
  EXPECT_EQ(st, kFormulaSyntax);
  // Unknown operand kinds and operation codes.
  f.node[0].left_kind = 77;
  RunTimeExp(&f, 0, 0, &st);
  EXPECT_EQ(st, kFormulaDomain);
  f.node[0] = FormulaNode{};
  f.node[0].operation = 99;
  f.node[0].left_kind = kFormulaKindConstant;
  RunTimeExp(&f, 0, 0, &st);
  EXPECT_EQ(st, kFormulaSyntax);
}

TEST(EvaluateWithoutKernel, ChannelsAreUnavailableUntilAKernelIsLoaded) {
  reset_state();
  int32_t st = 0;
  EXPECT_EQ(run_calc("c1+1", st), 0.0);
  EXPECT_EQ(st, kFormulaChannelUnavailable);
  run_compiled("c1", st);
  EXPECT_EQ(st, kFormulaChannelUnavailable);
  const int32_t size[3] = {4, 0, 0};
  ASSERT_EQ(CreateArray(1, 1, size), 0);
  EXPECT_EQ(CopyArray2IO(1, 1, 3, 1), kFormulaChannelUnavailable);
  EXPECT_EQ(CopyArray2IO(1, 0, 3, 1), kFormulaChannelUnavailable);

  // A kernel loaded later is found.
  ASSERT_TRUE(standin::load());
  standin::reset();
  standin::fill(1, {2.5});
  EXPECT_EQ(run_calc("c1+1", st), 3.5);
  EXPECT_EQ(st, 0);
  EXPECT_EQ(run_compiled("c1+1", st), 3.5);
}

class EvaluateChannels : public Evaluate {
 protected:
  void SetUp() override {
    Evaluate::SetUp();
    ASSERT_TRUE(standin::load());
    standin::reset();
    standin::fill(1, {10, 20, 30});
    standin::fill(2, {1, 2});
  }
};

TEST_F(EvaluateChannels, ValuesAtTheCurrentRow) {
  int32_t st = 0;
  standin::set_row(1);
  EXPECT_EQ(run_calc("c1+c2", st), 22.0);
  EXPECT_EQ(run_calc("-c1*2", st), -40.0);
  EXPECT_EQ(calc("C1/c2"), 10.0);
  EXPECT_EQ(drv_calc("c1"), 20.0);
  run_compiled("c1+-c2", st);  // a sign after an operator is no formula
  EXPECT_EQ(st, kFormulaSyntax);
  EXPECT_EQ(run_compiled("c1-(-c2)", st), 22.0);
  standin::set_row(2);
  // Channel 2 has no value at row 2: -11, the value 1.0 at the failure.
  EXPECT_EQ(run_calc("c2", st), 1.0);
  EXPECT_EQ(st, kFormulaNoValueAtRow);
  EXPECT_EQ(GetFormulaErrFlag(), kFormulaNoValueAtRow);
  EXPECT_EQ(run_compiled("c1+c2", st), kFailed);
  EXPECT_EQ(st, kFormulaNoValueAtRow);
  EXPECT_EQ(run_calc("c1", st), 30.0);
  // The first failing operand in each evaluator's order: the compiled form computes sub-formulas
  // (the right one first) before the node reads its own operands left to right; the text
  // evaluators go left to right.
  run_compiled("c2+c3", st);
  EXPECT_EQ(st, kFormulaNoValueAtRow);
  run_calc("c2+c3", st);
  EXPECT_EQ(st, kFormulaNoValueAtRow);
  run_compiled("c2+sin(c3)", st);
  EXPECT_EQ(st, kFormulaChannelUnavailable);
  EXPECT_EQ(run_calc("c2+sin(c3)", st), 1.0);
  EXPECT_EQ(st, kFormulaNoValueAtRow);
  // The kernel refuses channels without a buffer and outside its range.
  run_calc("c3", st);
  EXPECT_EQ(st, kFormulaChannelUnavailable);
  run_calc("c70000", st);
  EXPECT_EQ(st, kFormulaChannelUnavailable);
}

TEST_F(EvaluateChannels, ChannelOffsetListBlocksChannels) {
  int32_t st = 0;
  ASSERT_EQ(SetOffsetInChList(1, -1), 0);
  EXPECT_EQ(run_calc("c2+c1", st), 0.0);
  EXPECT_EQ(st, kFormulaChannelUnavailable);
  run_compiled("c1", st);
  EXPECT_EQ(st, kFormulaChannelUnavailable);
  EXPECT_EQ(run_calc("c2", st), 1.0);
  ASSERT_EQ(SetOffsetInChList(-1, 0), 0);
  EXPECT_EQ(run_calc("c1", st), 10.0);
  ASSERT_EQ(SetOffsetInChList(-1, -5), 0);
  run_calc("c2", st);
  EXPECT_EQ(st, kFormulaChannelUnavailable);
}

TEST_F(EvaluateChannels, TimeComesFromTheClock) {
  int32_t st = 0;
  const double t1 = calc("time");
  const double t2 = run_compiled("time", st);
  EXPECT_EQ(st, 0);
  EXPECT_GT(t1, 0.0);
  EXPECT_GE(t2, t1);
}

}  // namespace
