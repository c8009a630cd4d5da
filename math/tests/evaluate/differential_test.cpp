// Differential test: generated formulas over every operator, function, operand kind, precedence
// level and domain case, evaluated compiled (RunTimeExp), by CalcExp and by RunCalcExp, against the
// reference evaluation of formula_generator. Values agree to 1e-12 relative; errors agree.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "evaluate_helpers.h"
#include "formula_generator.h"
#include "kernel_standin.h"

namespace {

using differential::Expected;

bool same_value(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  if (a == b) return true;
  return std::fabs(a - b) <= 1e-12 * std::fmax(std::fabs(a), std::fabs(b));
}

differential::Inputs make_inputs(std::mt19937& random) {
  std::uniform_real_distribution<double> value(-6.0, 6.0);
  differential::Inputs in{};
  for (int i = 0; i < 10; ++i) {
    in.arguments[i] = i == 0 ? 0.0 : value(random);
    in.local_vars[i] = value(random);
    in.func_params[i] = value(random);
    in.sys_arguments[i] = i == 2 ? 0.0 : value(random);
    in.db_arguments[i] = value(random);
  }
  in.last_argument = value(random);
  for (double& c : in.channels) c = value(random);
  for (double& a : in.array1) a = value(random);
  for (auto& row : in.array2) {
    for (double& a : row) a = value(random);
  }
  return in;
}

// Puts the inputs where formulas read them.
void bind(const differential::Inputs& in) {
  for (int i = 0; i < 10; ++i) {
    SetArgument(i, in.arguments[i]);
    SetLocalVarArgument(i, in.local_vars[i]);
    SetFuncParamArgument(i, in.func_params[i]);
    SetSysArgument(i == 1 ? -1 : i, in.sys_arguments[i]);
    SetDBArgument(i, in.db_arguments[i]);
  }
  SetArgument(1023, in.last_argument);
  standin::reset();
  for (int c = 0; c < 3; ++c) standin::fill(c + 1, {in.channels[c]});
  standin::set_row(0);
  const int32_t size1[3] = {5, 0, 0};
  const int32_t size2[3] = {3, 4, 0};
  ASSERT_EQ(CreateArray(1, 1, size1), 0);
  ASSERT_EQ(CreateArray(2, 2, size2), 0);
  for (int i = 0; i < 5; ++i) {
    double v = in.array1[i];
    ASSERT_EQ(AccessArrayElement(0, 1, i + 1, 0, 0, &v), 0);
  }
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 4; ++j) {
      double v = in.array2[i][j];
      ASSERT_EQ(AccessArrayElement(0, 2, i + 1, j + 1, 0, &v), 0);
    }
  }
}

TEST(Differential, GeneratedFormulasAgreeWithTheReference) {
  ASSERT_TRUE(standin::load());
  eval_test::reset_state();
  std::mt19937 random(20261209);
  const differential::Inputs inputs = make_inputs(random);
  bind(inputs);
  differential::Generator generator(4711, inputs);

  constexpr int kFormulas = 3000;
  int compiled = 0;
  int with_errors = 0;
  for (int n = 0; n < kFormulas; ++n) {
    const Expected e = generator.next(1 + n % 5);
    SCOPED_TRACE(e.text);
    GetFormulaErrFlag();
    const double by_calc = eval_test::calc(e.text);
    EXPECT_TRUE(same_value(by_calc, e.text_value)) << by_calc << " vs " << e.text_value;
    EXPECT_EQ(GetFormulaErrFlag(), e.flag);

    int32_t status = 0;
    const double by_run = eval_test::run_calc(e.text, status);
    EXPECT_TRUE(same_value(by_run, e.text_value)) << by_run << " vs " << e.text_value;
    EXPECT_EQ(status, e.status);
    EXPECT_EQ(GetFormulaErrFlag(), e.flag);
    with_errors += e.flag != 0 ? 1 : 0;

    int16_t counter = 0;
    int32_t error = 0;
    const CompiledFormula f = CompileExp(e.text.data(), eval_test::len(e.text), &counter, kFormulaSlotLeft, &error);
    if (error == kFormulaTooManyNodes) continue;  // more than 32 nodes: text evaluation only
    ASSERT_EQ(error, 0);
    ++compiled;
    const double by_node = RunTimeExp(&f, counter, 0, &status);
    EXPECT_TRUE(same_value(by_node, e.compiled_value)) << by_node << " vs " << e.compiled_value;
    EXPECT_EQ(status, e.compiled_status);
  }
  EXPECT_GE(compiled, 300);
  EXPECT_GE(with_errors, 100);
  // Every operation was generated.
  for (const char* op : {"&", "|", ">", "<", "=", "~", "!", "?", "+", "-", "*", "/", "%", "^", "sin", "cos", "sqrt",
                         "tan", "exp", "ln", "log", "acos", "asin", "atan", "abs", "floor", "ceil", "int", "sgn",
                         "bit", "min", "max", "atan2", "hypot", "neg", "grp"}) {
    EXPECT_TRUE(generator.covered().count(op)) << op;
  }
}

}  // namespace
