// Limits and calling conventions of CompileExp: the 32-node record, start counters, operand slots,
// lengths that disagree with the text, bad pointers, very long texts, and the formula error flag.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include "compile_helpers.h"
#include "node_walk.h"

extern "C" {
size_t formula_node_size_in_c(void);
size_t formula_right_number_offset_in_c(void);
int32_t compile_in_c(const char* text, int16_t length, int16_t* counter, int32_t* root_operation);
}

namespace formula_test {
namespace {

TEST(CompileLimits, HeaderServesCCallers) {
  EXPECT_EQ(formula_node_size_in_c(), sizeof(FormulaNode));
  EXPECT_EQ(formula_right_number_offset_in_c(), 26u);
  int16_t counter = -1;
  int32_t root = -1;
  EXPECT_EQ(compile_in_c("c1+c2*c3", 8, &counter, &root), kFormulaOk);
  EXPECT_EQ(counter, 1);
  EXPECT_EQ(root, kFormulaOpAdd);
}

std::string repeat(const std::string& piece, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += piece;
  return s;
}

// "1+1+...+1" with `operators` additions needs exactly that many nodes.
std::string chain(int operators) { return "1" + repeat("+1", operators); }

// `levels` nested groups around "x1": one node per group.
std::string nested(int levels) { return repeat("(", levels) + "x1" + repeat(")", levels); }

TEST(CompileLimits, ThirtyTwoNodesFitAndOneMoreFails) {
  Compiled c = compile(chain(32));
  ASSERT_EQ(c.error, kFormulaOk);
  EXPECT_EQ(c.counter, 31);
  EXPECT_EQ(check_layout(c.formula, 0, c.counter), "");
  EXPECT_EQ(evaluate(c.formula, c.counter, nullptr), 33.0);
  EXPECT_EQ(compile(chain(33)).error, kFormulaTooManyNodes);

  c = compile(nested(32));
  ASSERT_EQ(c.error, kFormulaOk);
  EXPECT_EQ(c.counter, 31);
  EXPECT_EQ(compile(nested(33)).error, kFormulaTooManyNodes);

  // Right-leaning: each group holds a sum whose right side is the next group.
  std::string right = "x1";
  for (int i = 0; i < 16; ++i) right = "x1+(" + right + ")";
  c = compile(right);
  ASSERT_EQ(c.error, kFormulaOk);
  EXPECT_EQ(c.counter, 31);
  EXPECT_EQ(check_layout(c.formula, 0, c.counter), "");
  EXPECT_EQ(compile("x1+(" + right + ")").error, kFormulaTooManyNodes);
}

TEST(CompileLimits, StartCounterPlacesTheRoot) {
  Compiled c = compile("x1+x2*x3", 5);
  ASSERT_EQ(c.error, kFormulaOk);
  EXPECT_EQ(c.counter, 6);
  EXPECT_EQ(node_at(c.formula, 5).operation, kFormulaOpAdd);
  EXPECT_EQ(node_at(c.formula, 6).operation, kFormulaOpMultiply);
  static const FormulaNode kZero{};
  for (int k = 0; k < 5; ++k) EXPECT_EQ(std::memcmp(&c.formula.node[k], &kZero, sizeof kZero), 0) << k;
  EXPECT_EQ(check_layout(c.formula, 5, 6), "");

  c = compile("x1+x2", 31);
  ASSERT_EQ(c.error, kFormulaOk);
  EXPECT_EQ(c.counter, 31);
  EXPECT_EQ(compile("x1+x2*x3", 31).error, kFormulaTooManyNodes);
  EXPECT_EQ(compile("x1", 32).error, kFormulaTooManyNodes);
  EXPECT_EQ(compile("x1", -1).error, kFormulaTooManyNodes);
  EXPECT_EQ(compile("x1", 32767).error, kFormulaTooManyNodes);
  EXPECT_EQ(compile("x1", -32768).error, kFormulaTooManyNodes);
}

TEST(CompileLimits, OperandSlots) {
  Compiled c = compile("x5", 0, kFormulaSlotRight);
  ASSERT_EQ(c.error, kFormulaOk);
  Node n = node_at(c.formula, 0);
  EXPECT_EQ(n.operation, kFormulaOpOperand);
  EXPECT_EQ(n.left_kind, kFormulaKindNone);
  EXPECT_EQ(n.right_kind, kFormulaKindArgument);
  EXPECT_EQ(n.right_number, 5);

  c = compile("-70000.9", 3, kFormulaSlotIndex);
  ASSERT_EQ(c.error, kFormulaOk);
  n = node_at(c.formula, 3);
  EXPECT_EQ(n.right_kind, kFormulaKindConstant);
  EXPECT_EQ(n.right_constant, -32768.0);
  c = compile("-3.9", 0, kFormulaSlotIndex);
  EXPECT_EQ(node_at(c.formula, 0).right_constant, -3.0);
  c = compile("2.5", 0, kFormulaSlotRight);  // only index slots cut constants
  EXPECT_EQ(node_at(c.formula, 0).right_constant, 2.5);
  c = compile("1e400", 0, kFormulaSlotIndex);
  EXPECT_EQ(node_at(c.formula, 0).right_constant, 32767.0);

  c = compile("x1*x2", 0, kFormulaSlotRight);  // an operation node is the same in every slot
  ASSERT_EQ(c.error, kFormulaOk);
  EXPECT_EQ(node_at(c.formula, 0).operation, kFormulaOpMultiply);
  EXPECT_EQ(compile("x1", 0, 0).error, kFormulaSyntax);
  EXPECT_EQ(compile("x1", 0, 4).error, kFormulaSyntax);
}

TEST(CompileLimits, LengthGovernsNotTheText) {
  const char text[] = "c12+c3";
  int16_t counter = 0;
  int32_t error = 1;
  CompiledFormula f = CompileExp(text, 3, &counter, kFormulaSlotLeft, &error);
  ASSERT_EQ(error, kFormulaOk);
  EXPECT_EQ(node_at(f, 0).operation, kFormulaOpOperand);
  EXPECT_EQ(node_at(f, 0).left_number, 12);

  // A number cut by the length: "1234" read with length 2 is 12.
  f = CompileExp("1234", 2, &counter, kFormulaSlotLeft, &error);
  EXPECT_EQ(node_at(f, 0).left_constant, 12.0);
  // "0x1F" cut after "0x1" is 1; "time" cut to "tim" is no name.
  f = CompileExp("0x1F", 3, &counter, kFormulaSlotLeft, &error);
  EXPECT_EQ(node_at(f, 0).left_constant, 1.0);
  CompileExp("time", 3, &counter, kFormulaSlotLeft, &error);
  EXPECT_EQ(error, kFormulaSyntax);
  // A zero byte inside the length is just a character.
  const char with_zero[] = {'x', '1', '\0', '+', 'x', '2'};
  counter = 0;
  f = CompileExp(with_zero, 6, &counter, kFormulaSlotLeft, &error);
  ASSERT_EQ(error, kFormulaOk);
  EXPECT_EQ(render(f, 0), "(x1+x2)");

  CompileExp(text, 0, &counter, kFormulaSlotLeft, &error);
  EXPECT_EQ(error, kFormulaSyntax);
  CompileExp(text, -5, &counter, kFormulaSlotLeft, &error);
  EXPECT_EQ(error, kFormulaSyntax);
  CompileExp(nullptr, 5, &counter, kFormulaSlotLeft, &error);
  EXPECT_EQ(error, kFormulaSyntax);
  CompileExp(text, 6, nullptr, kFormulaSlotLeft, &error);
  EXPECT_EQ(error, kFormulaSyntax);
  counter = 0;
  f = CompileExp(text, 6, &counter, kFormulaSlotLeft, nullptr);  // nothing to report into: nothing done
  EXPECT_EQ(counter, 0);
  EXPECT_EQ(node_at(f, 0).operation, 0);
}

TEST(CompileLimits, LongTextsFailFastWithoutDeepRecursion) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(compile(chain(16383)).error, kFormulaTooManyNodes);
  EXPECT_EQ(compile(nested(16000)).error, kFormulaTooManyNodes);
  EXPECT_EQ(compile(repeat("sin(", 6000) + "1" + repeat(")", 6000)).error, kFormulaTooManyNodes);
  EXPECT_EQ(compile("1" + repeat("^1", 16383)).error, kFormulaTooManyNodes);
  EXPECT_EQ(compile(repeat("(1)*", 8000) + "1").error, kFormulaTooManyNodes);
  EXPECT_EQ(compile(repeat("(", 32767)).error, kFormulaUnbalanced);
  EXPECT_EQ(compile(repeat(")", 32767)).error, kFormulaSyntax);
  EXPECT_NE(compile(repeat("-", 32767)).error, kFormulaOk);
  EXPECT_EQ(compile("min(" + repeat("(", 32000) + ")").error, kFormulaSyntax);
  GetFormulaErrFlag();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 20.0);  // generous: a loaded machine under the sanitizers
}

TEST(CompileLimits, UnbalancedParenthesesSetTheErrorFlag) {
  GetFormulaErrFlag();
  EXPECT_EQ(compile("(x1+x2)*x3").error, kFormulaOk);
  EXPECT_EQ(GetFormulaErrFlag(), 0);

  EXPECT_EQ(compile("(x1+x2").error, kFormulaUnbalanced);
  EXPECT_EQ(GetFormulaErrFlag(), kFormulaUnbalanced);
  EXPECT_EQ(GetFormulaErrFlag(), 0);  // read once, then reset

  // Pieces that compile on their own do not make an unbalanced text a formula.
  for (const char* text : {"x1+x2)", "a1(x1)+a2(2))", "x1)+(x2", "c12)", "sin(x1))"}) {
    EXPECT_EQ(compile(text).error, kFormulaUnbalanced) << text;
    EXPECT_EQ(GetFormulaErrFlag(), kFormulaUnbalanced) << text;
  }
  // A split argument that lost its ')' to the comma cut sets the flag too.
  EXPECT_EQ(compile("min(c1,max(c2,c3))").error, kFormulaUnbalanced);
  EXPECT_EQ(GetFormulaErrFlag(), kFormulaUnbalanced);

  EXPECT_EQ(compile("sin(x1)").error, kFormulaOk);
  EXPECT_EQ(GetFormulaErrFlag(), 0);
}

}  // namespace
}  // namespace formula_test
