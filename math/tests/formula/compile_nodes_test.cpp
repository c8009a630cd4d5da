// Node trees of single formulas, field by field: operators, signs, numbers, named operands, functions
// and array elements as the compiled record holds them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>

#include "compile_helpers.h"
#include "node_walk.h"

namespace formula_test {
namespace {

// Expects node `k` to be the plain or table operands given (kind 0 fields unchecked except kinds).
void expect_operands(const Node& n, int op, int left_kind, double left_value, int right_kind, double right_value) {
  EXPECT_EQ(n.operation, op);
  EXPECT_EQ(n.left_kind, left_kind);
  if (left_kind == kFormulaKindConstant) {
    EXPECT_DOUBLE_EQ(n.left_constant, left_value);
  } else if (left_kind != kFormulaKindIntermediate && left_kind != kFormulaKindNone) {
    EXPECT_EQ(n.left_number, static_cast<int32_t>(left_value));
  }
  EXPECT_EQ(n.right_kind, right_kind);
  if (right_kind == kFormulaKindConstant) {
    EXPECT_DOUBLE_EQ(n.right_constant, right_value);
  } else if (right_kind != kFormulaKindIntermediate && right_kind != kFormulaKindNone) {
    EXPECT_EQ(n.right_number, static_cast<int32_t>(right_value));
  }
}

// Expects each text to fail with its status.
void expect_failures(std::initializer_list<std::pair<const char*, int32_t>> cases) {
  for (const auto& [text, status] : cases) EXPECT_EQ(compile(text).error, status) << text;
  GetFormulaErrFlag();
}

bool zero_above(const Compiled& c) {
  static const FormulaNode kZero{};
  for (int k = c.counter + 1; k < NUMERA32_FORMULA_NODES; ++k) {
    if (std::memcmp(&c.formula.node[k], &kZero, sizeof kZero) != 0) return false;
  }
  return true;
}

TEST(CompileNodes, SumOfChannelAndProductUsesTwoNodes) {
  const Compiled c = compile("c1+c2*c3");
  ASSERT_EQ(c.error, kFormulaOk);
  EXPECT_EQ(c.counter, 1);
  expect_operands(node_at(c.formula, 0), kFormulaOpAdd, kFormulaKindChannel, 1, kFormulaKindIntermediate, 0);
  expect_operands(node_at(c.formula, 1), kFormulaOpMultiply, kFormulaKindChannel, 2, kFormulaKindChannel, 3);
  EXPECT_TRUE(zero_above(c));
}

TEST(CompileNodes, LoneOperandIsNodeZeroWithCodeZero) {
  const Compiled c = compile("x5");
  ASSERT_EQ(c.error, kFormulaOk);
  EXPECT_EQ(c.counter, 0);
  expect_operands(node_at(c.formula, 0), kFormulaOpOperand, kFormulaKindArgument, 5, kFormulaKindNone, 0);
  EXPECT_TRUE(zero_above(c));
}

TEST(CompileNodes, SameClassOperatorsAssociateLeft) {
  Compiled c = compile("x1-x2-x3");
  ASSERT_EQ(c.error, kFormulaOk);
  EXPECT_EQ(c.counter, 1);
  expect_operands(node_at(c.formula, 0), kFormulaOpSubtract, kFormulaKindIntermediate, 0, kFormulaKindArgument, 3);
  expect_operands(node_at(c.formula, 1), kFormulaOpSubtract, kFormulaKindArgument, 1, kFormulaKindArgument, 2);

  c = compile("2^3^2");
  ASSERT_EQ(c.error, kFormulaOk);
  expect_operands(node_at(c.formula, 0), kFormulaOpPower, kFormulaKindIntermediate, 0, kFormulaKindConstant, 2);
  expect_operands(node_at(c.formula, 1), kFormulaOpPower, kFormulaKindConstant, 2, kFormulaKindConstant, 3);
  EXPECT_EQ(evaluate(c.formula, c.counter, nullptr), 64.0);
}

TEST(CompileNodes, SignAfterOperatorIsRejectedButGroupedSignCompiles) {
  EXPECT_EQ(compile("2*-x1").error, kFormulaSyntax);
  const Compiled c = compile("2*(-x1)");
  ASSERT_EQ(c.error, kFormulaOk);
  EXPECT_EQ(c.counter, 1);
  expect_operands(node_at(c.formula, 0), kFormulaOpMultiply, kFormulaKindConstant, 2, kFormulaKindIntermediate, 0);
  expect_operands(node_at(c.formula, 1), kFormulaOpGroup, kFormulaKindArgumentNeg, 1, kFormulaKindNone, 0);
}

TEST(CompileNodes, LowerCaseExponentProtectsItsSign) {
  Compiled c = compile("1e-3");
  ASSERT_EQ(c.error, kFormulaOk);
  expect_operands(node_at(c.formula, 0), kFormulaOpOperand, kFormulaKindConstant, 1e-3, kFormulaKindNone, 0);
  c = compile("2.5e+4");
  ASSERT_EQ(c.error, kFormulaOk);
  expect_operands(node_at(c.formula, 0), kFormulaOpOperand, kFormulaKindConstant, 25000, kFormulaKindNone, 0);
  c = compile("1E-3");  // cut as "1E" minus "3"; "1E" reads as 1
  ASSERT_EQ(c.error, kFormulaOk);
  EXPECT_EQ(c.counter, 0);
  expect_operands(node_at(c.formula, 0), kFormulaOpSubtract, kFormulaKindConstant, 1, kFormulaKindConstant, 3);
}

TEST(CompileNodes, LetterEBeforeMinusTakesItAsExponentSign) {
  EXPECT_EQ(compile("e-1").error, kFormulaSyntax);
  EXPECT_EQ(compile("time-1").error, kFormulaSyntax);
  Compiled c = compile("(e)-1");
  ASSERT_EQ(c.error, kFormulaOk);
  expect_operands(node_at(c.formula, 0), kFormulaOpSubtract, kFormulaKindIntermediate, 0, kFormulaKindConstant, 1);
  expect_operands(node_at(c.formula, 1), kFormulaOpGroup, kFormulaKindConstant, 2.7182818, kFormulaKindNone, 0);
  c = compile("(time)-1");
  ASSERT_EQ(c.error, kFormulaOk);
  expect_operands(node_at(c.formula, 1), kFormulaOpGroup, kFormulaKindTime, 0, kFormulaKindNone, 0);
}

TEST(CompileNodes, ComparisonsAreSingleCharacters) {
  EXPECT_EQ(compile("x1<=x2").error, kFormulaSyntax);
  EXPECT_EQ(compile("x1>=x2").error, kFormulaSyntax);
  const struct {
    const char* text;
    int op;
  } cases[] = {{"x1<x2", 28}, {"x1>x2", 29}, {"x1=x2", 30}, {"x1&x2", 31}, {"x1|x2", 32}, {"x1~x2", 33},
               {"x1!x2", 34}, {"x1?x2", 35}, {"x1+x2", 40}, {"x1*x2", 41}, {"x1-x2", 42}, {"x1/x2", 43},
               {"x1%x2", 26}, {"x1^x2", 27}};
  for (const auto& k : cases) {
    const Compiled c = compile(k.text);
    ASSERT_EQ(c.error, kFormulaOk) << k.text;
    expect_operands(node_at(c.formula, 0), k.op, kFormulaKindArgument, 1, kFormulaKindArgument, 2);
  }
}

TEST(CompileNodes, LeadingSignsNegateNamesOrBecomeNodes) {
  Compiled c = compile("-e");
  expect_operands(node_at(c.formula, 0), kFormulaOpOperand, kFormulaKindConstant, -2.7182818, kFormulaKindNone, 0);
  c = compile("-pi");
  expect_operands(node_at(c.formula, 0), kFormulaOpOperand, kFormulaKindConstant, -3.1415926536, kFormulaKindNone, 0);
  c = compile("Pi");
  expect_operands(node_at(c.formula, 0), kFormulaOpOperand, kFormulaKindConstant, 3.1415926536, kFormulaKindNone, 0);
  c = compile("-c3");
  expect_operands(node_at(c.formula, 0), kFormulaOpOperand, kFormulaKindChannelNeg, 3, kFormulaKindNone, 0);
  c = compile("-X7");
  expect_operands(node_at(c.formula, 0), kFormulaOpOperand, kFormulaKindArgumentNeg, 7, kFormulaKindNone, 0);
  c = compile("-d3");
  ASSERT_EQ(c.error, kFormulaOk);
  EXPECT_EQ(c.counter, 0);
  expect_operands(node_at(c.formula, 0), kFormulaOpNegate, kFormulaKindDbArgument, 3, kFormulaKindNone, 0);
  c = compile("+x1");
  expect_operands(node_at(c.formula, 0), kFormulaOpGroup, kFormulaKindArgument, 1, kFormulaKindNone, 0);
  c = compile("-2");
  expect_operands(node_at(c.formula, 0), kFormulaOpOperand, kFormulaKindConstant, -2, kFormulaKindNone, 0);
  c = compile("-2^2");  // the sign belongs to the number, not to the power
  expect_operands(node_at(c.formula, 0), kFormulaOpPower, kFormulaKindConstant, -2, kFormulaKindConstant, 2);
  c = compile("-(x1+x2)");
  ASSERT_EQ(c.error, kFormulaOk);
  EXPECT_EQ(c.counter, 2);
  expect_operands(node_at(c.formula, 0), kFormulaOpNegate, kFormulaKindIntermediate, 0, kFormulaKindNone, 0);
  expect_operands(node_at(c.formula, 1), kFormulaOpGroup, kFormulaKindIntermediate, 0, kFormulaKindNone, 0);
  expect_operands(node_at(c.formula, 2), kFormulaOpAdd, kFormulaKindArgument, 1, kFormulaKindArgument, 2);
  // Two signs in a row: the second is taken as an operator without a left operand.
  EXPECT_EQ(compile("--1").error, kFormulaSyntax);
  EXPECT_EQ(compile("-").error, kFormulaSyntax);
  // '-' before c, e, p or x starts a negated name, so a function beginning with those letters
  // cannot take a leading '-'; write "-(cos(x1))" or "0-cos(x1)".
  EXPECT_EQ(compile("-cos(x1)").error, kFormulaSyntax);
  EXPECT_EQ(compile("-sin(x1)").error, kFormulaOk);
}

TEST(CompileNodes, NumbersDecimalAndHexadecimal) {
  const struct {
    const char* text;
    double value;
  } cases[] = {{"0x1F", 31.0},   {"0xff", 255.0}, {"0xFFFFFFFF", 4294967295.0}, {"-0x10", -16.0},
               {"0x", 0.0},      {"0X1F", 0.0},   {".5", 0.5},                  {"-.25", -0.25},
               {"1.5xyz", 1.5},  {"12 ", 12.0},   {"3.", 3.0},                  {"1e", 1.0},
               {"7e2", 700.0},   {"1e400", HUGE_VAL}, {"-1e400", -HUGE_VAL},   {"1e-400", 0.0},
               {"0.00000000000000000000000000000000000000001e-300", 0.0},
               {"100000000000000000000000000000000000000000e300", HUGE_VAL}};
  for (const auto& k : cases) {
    const Compiled c = compile(k.text);
    ASSERT_EQ(c.error, kFormulaOk) << k.text;
    const Node n = node_at(c.formula, 0);
    EXPECT_EQ(n.operation, kFormulaOpOperand) << k.text;
    EXPECT_EQ(n.left_kind, kFormulaKindConstant) << k.text;
    EXPECT_EQ(n.left_constant, k.value) << k.text;
  }
}

TEST(CompileNodes, NamedOperandsKindsAndTableNumbers) {
  const struct {
    const char* text;
    int kind;
    int32_t number;
  } cases[] = {{"x0", 1, 0},          {"x15999", 1, 15999},   {"x16000", 10, 0},     {"x23999", 10, 7999},
               {"x24000", 11, 0},     {"x31999", 11, 7999},   {"x32000", 12, 0},     {"x32127", 12, 127},
               {"x40000", 12, 8000},  {"-x16000", 18, 0},     {"-x24001", 19, 1},    {"-x32005", 20, 5},
               {"-x15999", 9, 15999}, {"c0", 2, 0},           {"C10000", 2, 10000},  {"c12abc", 2, 12},
               {"d0", 3, 0},          {"D31", 3, 31},         {"y0", 13, 0},         {"Y128", 13, 128},
               {"time", 4, 0},        {"Time", 4, 0},         {"x2147483647", 12, 2147451647}};
  for (const auto& k : cases) {
    const Compiled c = compile(k.text);
    ASSERT_EQ(c.error, kFormulaOk) << k.text;
    expect_operands(node_at(c.formula, 0), kFormulaOpOperand, k.kind, k.number, kFormulaKindNone, 0);
  }
}

TEST(CompileNodes, BadNamesAreSyntaxErrors) {
  for (const char* text : {"SIN(c1)", "c1 + c2", " c1", "ca", "c", "c-", "x", "xa", "x2147483648", "d32", "da",
                           "y129", "y", "e2", "E1", "pie", "PI", "p", "tim", "TIME", "time5", "times", "b1",
                           "z", "#", "-", "+", "Sqrt(4)"}) {
    EXPECT_EQ(compile(text).error, kFormulaSyntax) << text;
  }
}

TEST(CompileNodes, FunctionNamesAndTheirCodes) {
  const struct {
    const char* text;
    int op;
  } one[] = {{"(x1)", 4},     {"sin(x1)", 5},  {"cos(x1)", 6},   {"sqrt(x1)", 7},  {"tan(x1)", 8},
             {"exp(x1)", 9},  {"ln(x1)", 10},  {"log(x1)", 11},  {"acos(x1)", 12}, {"asin(x1)", 13},
             {"atan(x1)", 14}, {"abs(x1)", 15}, {"floor(x1)", 16}, {"ceil(x1)", 17}, {"rnd(x1)", 18},
             {"int(x1)", 19}, {"sgn(x1)", 20}};
  for (const auto& k : one) {
    const Compiled c = compile(k.text);
    ASSERT_EQ(c.error, kFormulaOk) << k.text;
    EXPECT_EQ(c.counter, 0);
    expect_operands(node_at(c.formula, 0), k.op, kFormulaKindArgument, 1, kFormulaKindNone, 0);
  }
  const struct {
    const char* text;
    int op;
  } two[] = {{"bit(x1,x2)", 21},   {"min(x1,x2)", 22},   {"max(x1,x2)", 23},
             {"atan2(x1,x2)", 24}, {"hypot(x1,x2)", 25}, {"db(x1,x2)", 101}};
  for (const auto& k : two) {
    const Compiled c = compile(k.text);
    ASSERT_EQ(c.error, kFormulaOk) << k.text;
    expect_operands(node_at(c.formula, 0), k.op, kFormulaKindArgument, 1, kFormulaKindArgument, 2);
  }
}

TEST(CompileNodes, ArgumentListsCutAtEveryComma) {
  Compiled c = compile("min(c1,max(c2,c3))");  // "max(c2" lacks its ')'
  EXPECT_EQ(c.error, kFormulaUnbalanced);
  GetFormulaErrFlag();
  c = compile("min(sin(c1),c2)");
  ASSERT_EQ(c.error, kFormulaOk);
  EXPECT_EQ(c.counter, 1);
  expect_operands(node_at(c.formula, 0), kFormulaOpMin, kFormulaKindIntermediate, 0, kFormulaKindChannel, 2);
  expect_operands(node_at(c.formula, 1), kFormulaOpSin, kFormulaKindChannel, 1, kFormulaKindNone, 0);
  c = compile("min(x1,x2,x3)");  // a third argument is ignored
  ASSERT_EQ(c.error, kFormulaOk);
  expect_operands(node_at(c.formula, 0), kFormulaOpMin, kFormulaKindArgument, 1, kFormulaKindArgument, 2);
  expect_failures({{"min(x1,x2,x3,x4)", kFormulaSyntax},  // a fourth argument is rejected
                   {"min(x1)", kFormulaSyntax},
                   {"min()", kFormulaSyntax},
                   {"min(,x1)", kFormulaSyntax},
                   {"min(x1,x2", kFormulaUnbalanced},
                   {"sin(x1", kFormulaUnbalanced},
                   {"sin(x1)x", kFormulaUnbalanced},
                   {"(x1", kFormulaUnbalanced},
                   {"sin()", kFormulaSyntax},
                   {"()", kFormulaSyntax}});
}

TEST(CompileNodes, ArgumentsUpTo127Characters) {
  const std::string arg127 = std::string(126, '0') + "7";
  Compiled c = compile("max(" + arg127 + ",x1)");
  ASSERT_EQ(c.error, kFormulaOk);
  expect_operands(node_at(c.formula, 0), kFormulaOpMax, kFormulaKindConstant, 7, kFormulaKindArgument, 1);
  c = compile("max(x1," + arg127 + ")");
  ASSERT_EQ(c.error, kFormulaOk);
  EXPECT_EQ(compile("max(0" + arg127 + ",x1)").error, kFormulaSyntax);
  EXPECT_EQ(compile("max(x1,0" + arg127 + ")").error, kFormulaSyntax);
  EXPECT_EQ(compile("max(x1,x2,0" + arg127 + ")").error, kFormulaSyntax);
  EXPECT_EQ(compile("a1(0" + arg127 + ")").error, kFormulaIndexList);
  c = compile("a1(" + arg127 + ")");
  ASSERT_EQ(c.error, kFormulaOk);
}

TEST(CompileNodes, ArrayElementFields) {
  Compiled c = compile("a5(2,x3,c1+1)");
  ASSERT_EQ(c.error, kFormulaOk);
  EXPECT_EQ(c.counter, 1);
  Node n = node_at(c.formula, 0);
  EXPECT_EQ(n.operation, kFormulaOpArrayElement);
  EXPECT_EQ(n.left_kind, kFormulaKindConstant);
  EXPECT_EQ(n.left_constant, 5.0);
  EXPECT_EQ(n.right_kind, kFormulaKindConstant);
  EXPECT_EQ(n.right_constant, 2.0);
  EXPECT_EQ(n.index2_kind, kFormulaKindArgument);
  EXPECT_EQ(n.left_number, 3);
  EXPECT_EQ(n.index3_kind, kFormulaKindIntermediate);
  expect_operands(node_at(c.formula, 1), kFormulaOpAdd, kFormulaKindChannel, 1, kFormulaKindConstant, 1);

  c = compile("A1023(2.7,-5.5,70000)");  // index constants cut towards zero to 16-bit integers
  ASSERT_EQ(c.error, kFormulaOk);
  n = node_at(c.formula, 0);
  EXPECT_EQ(n.left_constant, 1023.0);
  EXPECT_EQ(n.right_constant, 2.0);
  EXPECT_EQ(n.index2_kind, kFormulaKindConstant);
  EXPECT_EQ(n.left_number, -5);
  EXPECT_EQ(n.index3_kind, kFormulaKindConstant);
  EXPECT_EQ(n.right_number, 32767);

  // A channel or variable as first index shares its number field with the third index, so with a
  // third index it is passed as a one-node sub-formula instead.
  c = compile("a7(c2,x16005,-x3)");
  ASSERT_EQ(c.error, kFormulaOk);
  EXPECT_EQ(c.counter, 1);
  n = node_at(c.formula, 0);
  EXPECT_EQ(n.right_kind, kFormulaKindIntermediate);
  EXPECT_EQ(n.index2_kind, kFormulaKindLocalVar);
  EXPECT_EQ(n.left_number, 5);
  EXPECT_EQ(n.index3_kind, kFormulaKindArgumentNeg);
  EXPECT_EQ(n.right_number, 3);
  expect_operands(node_at(c.formula, 1), kFormulaOpGroup, kFormulaKindChannel, 2, kFormulaKindNone, 0);
  c = compile("a7(c2,x4)");  // without a third index the first keeps its own field
  ASSERT_EQ(c.error, kFormulaOk);
  EXPECT_EQ(c.counter, 0);
  n = node_at(c.formula, 0);
  EXPECT_EQ(n.right_kind, kFormulaKindChannel);
  EXPECT_EQ(n.right_number, 2);
  EXPECT_EQ(n.left_number, 4);
  const double args[64] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 11.0};
  c = compile("a7(x9,1,2)");
  ASSERT_EQ(c.error, kFormulaOk);
  EXPECT_EQ(render(c.formula, 0), "a7[grp[x9],1,2]");
  ArrayAccess access;
  evaluate(c.formula, c.counter, args, &access);
  EXPECT_EQ(access.array, 7.0);
  EXPECT_EQ(access.indices[0], 11.0);
  EXPECT_EQ(access.indices[1], 1.0);
  EXPECT_EQ(access.indices[2], 2.0);

  c = compile("a1(x1+1,x2*2,x3-3)");
  ASSERT_EQ(c.error, kFormulaOk);
  EXPECT_EQ(c.counter, 3);
  n = node_at(c.formula, 0);
  EXPECT_EQ(n.right_kind, kFormulaKindIntermediate);
  EXPECT_EQ(n.index2_kind, kFormulaKindIntermediate);
  EXPECT_EQ(n.index3_kind, kFormulaKindIntermediate);
  EXPECT_EQ(node_at(c.formula, 1).operation, kFormulaOpAdd);
  EXPECT_EQ(node_at(c.formula, 2).operation, kFormulaOpMultiply);
  EXPECT_EQ(node_at(c.formula, 3).operation, kFormulaOpSubtract);

  c = compile("a2(5)");
  ASSERT_EQ(c.error, kFormulaOk);
  n = node_at(c.formula, 0);
  EXPECT_EQ(n.index2_kind, kFormulaKindNone);
  EXPECT_EQ(n.index3_kind, kFormulaKindNone);
  EXPECT_EQ(render(c.formula, 0), "a2[5]");
}

TEST(CompileNodes, ArrayElementErrors) {
  expect_failures({{"a1()", kFormulaIndexList},
                   {"a1(1", kFormulaIndexList},
                   {"a1(1,2,3,4)", kFormulaIndexCount},
                   {"a1", kFormulaSyntax},
                   {"a0(1)", kFormulaSyntax},
                   {"a1024(1)", kFormulaSyntax},
                   {"a(1)", kFormulaSyntax},
                   {"a1(1,)", kFormulaSyntax},
                   {"a1(1,2*-3)", kFormulaSyntax}});
}

TEST(CompileNodes, SubFormulaNodesFollowInPreOrder) {
  // (x1+x2)*(x3-x4)/sin(x5): '/' over '*' over two groups, then sin.
  const Compiled c = compile("(x1+x2)*(x3-x4)/sin(x5)");
  ASSERT_EQ(c.error, kFormulaOk);
  EXPECT_EQ(c.counter, 6);
  const int ops[] = {kFormulaOpDivide, kFormulaOpMultiply, kFormulaOpGroup, kFormulaOpAdd,
                     kFormulaOpGroup,  kFormulaOpSubtract, kFormulaOpSin};
  for (int k = 0; k <= 6; ++k) EXPECT_EQ(node_at(c.formula, k).operation, ops[k]) << k;
  EXPECT_EQ(check_layout(c.formula, 0, c.counter), "");
  const double args[64] = {0, 1, 2, 7, 3, 0.5};
  EXPECT_DOUBLE_EQ(evaluate(c.formula, c.counter, args), (1.0 + 2.0) * (7.0 - 3.0) / std::sin(0.5));
}

}  // namespace
}  // namespace formula_test
