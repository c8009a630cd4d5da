// Precedence and associativity: compiled trees against hand-derived fully parenthesised forms, and
// random formulas against the independent reference parser (same tree, same value, same node count,
// and -15 exactly when the formula needs more than 32 nodes).
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "compile_helpers.h"
#include "node_walk.h"
#include "reference_parser.h"

namespace formula_test {
namespace {

double args_table[64];

void fill_args() {
  for (int i = 0; i < 64; ++i) args_table[i] = (i % 7) - 2.5 + i * 0.25;
}

bool same_value(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

TEST(Precedence, TableOfFormulas) {
  fill_args();
  const struct {
    const char* text;
    const char* tree;
    bool reference;  // the reference parser reads it too
  } cases[] = {
      {"x1&x2<x3+x4*x5^x6", "(x1&(x2<(x3+(x4*(x5^x6)))))", true},
      {"x1^x2*x3+x4<x5&x6", "(((((x1^x2)*x3)+x4)<x5)&x6)", true},
      {"x1-x2-x3", "((x1-x2)-x3)", true},
      {"x1-x2+x3", "((x1-x2)+x3)", true},
      {"x1+x2-x3", "((x1+x2)-x3)", true},
      {"x1/x2*x3", "((x1/x2)*x3)", true},
      {"x1/x2/x3", "((x1/x2)/x3)", true},
      {"x1%x2*x3", "((x1%x2)*x3)", true},
      {"x1*x2%x3", "((x1*x2)%x3)", true},
      {"2^3^2", "((2^3)^2)", true},
      {"x1|x2&x3", "((x1|x2)&x3)", true},
      {"x1&x2|x3", "((x1&x2)|x3)", true},
      {"x1<x2>x3", "((x1<x2)>x3)", true},
      {"x1=x2~x3!x4?x5", "((((x1=x2)~x3)!x4)?x5)", true},
      {"x1+x2=x3*x4", "((x1+x2)=(x3*x4))", true},
      {"x1*(x2+x3)", "(x1*grp[(x2+x3)])", true},
      {"x1-(x2-x3)", "(x1-grp[(x2-x3)])", true},
      {"(x1-x2)-x3", "(grp[(x1-x2)]-x3)", true},
      {"x1^(x2^x3)", "(x1^grp[(x2^x3)])", true},
      {"-x1^2", "(-x1^2)", true},
      {"-2^2", "(-2^2)", true},
      {"-(x1)^2", "(neg[grp[x1]]^2)", true},
      {"+x1*x2", "(grp[x1]*x2)", true},
      {"sin(x1)^2+cos(x1)^2", "((sin[x1]^2)+(cos[x1]^2))", true},
      {"min(x1+x2,x3)*2", "(min[(x1+x2),x3]*2)", true},
      {"hypot(x1,x2)-atan2(x3,x4)", "(hypot[x1,x2]-atan2[x3,x4])", true},
      {"1e-3+2", "(0.001+2)", true},
      {"x1*2.5e+4", "(x1*25000)", true},
      {"1E-3", "(1-3)", false},
      {"2.5E+4", "(2.5+4)", false},
      {"(e)-1", "(grp[2.7182818]-1)", false},
      {"a5(x1*2,3)+1", "(a5[(x1*2),3]+1)", false},
      {"c1>100&c2<5", "((c1>100)&(c2<5))", false},
  };
  for (const auto& k : cases) {
    const Compiled c = compile(k.text);
    ASSERT_EQ(c.error, kFormulaOk) << k.text;
    EXPECT_EQ(check_layout(c.formula, 0, c.counter), "") << k.text;
    EXPECT_EQ(render(c.formula, 0), k.tree) << k.text;
    if (!k.reference) continue;
    const Reference r = parse_reference(k.text, args_table);
    ASSERT_TRUE(r.ok) << k.text;
    EXPECT_EQ(r.canonical, k.tree) << k.text;
    EXPECT_EQ(c.counter + 1, r.nodes) << k.text;
    EXPECT_TRUE(same_value(evaluate(c.formula, c.counter, args_table), r.value)) << k.text;
  }
}

// Random formulas of the reference subset: no lower-case e before a sign, no two-argument call
// inside another's arguments, a sign only where a sub-formula starts and never before a name that
// begins with c, e, p or x.
class FormulaGenerator {
 public:
  explicit FormulaGenerator(unsigned seed) : rng_(seed) {}

  std::string formula(int depth) { return gen(depth, true, true); }

 private:
  int pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

  std::string leaf(bool first) {
    static const char* kNumbers[] = {"0", "1", "2", "3", "7", "10", "2.5", "0.5", ".25", "0x1F", "100"};
    std::string s = pick(2) ? kNumbers[pick(11)] : "x" + std::to_string(pick(64));
    if (first && pick(5) == 0 && s != ".25") s = (pick(2) ? "-" : "+") + s;
    return s;
  }

  std::string gen(int depth, bool first, bool two_ok) {
    static const char kOps[] = "&|><=~!?+-*/%^";
    static const char* kOne[] = {"sin(", "sqrt(", "abs(", "floor(", "int(", "sgn(", "tan(", "atan(",
                                 "cos(", "exp(", "ceil(", "log("};
    static const char* kTwo[] = {"min(", "max(", "hypot(", "atan2("};
    if (depth == 0) return leaf(first);
    const int r = pick(100);
    if (r < 25) return leaf(first);
    if (r < 65) return gen(depth - 1, first, two_ok) + kOps[pick(14)] + gen(depth - 1, false, two_ok);
    if (r < 75) return "(" + gen(depth - 1, true, two_ok) + ")";
    if (r < 85) return std::string(kOne[pick(12)]) + gen(depth - 1, true, two_ok) + ")";
    if (r < 92 && two_ok) {
      const int d = depth > 2 ? 2 : depth - 1;
      return std::string(kTwo[pick(4)]) + gen(d, true, false) + "," + gen(d, true, false) + ")";
    }
    if (!first) return leaf(false);
    const std::string sign = pick(2) ? "-" : "+";
    if (pick(2)) return sign + "(" + gen(depth - 1, true, two_ok) + ")";
    return sign + std::string(kOne[pick(8)]) + gen(depth - 1, true, two_ok) + ")";  // no c, e, p, x names
  }

  std::mt19937 rng_;
};

TEST(Precedence, RandomFormulasMatchTheReferenceParser) {
  fill_args();
  FormulaGenerator generator(20261208u);
  int compiled = 0;
  int too_large = 0;
  for (int i = 0; i < 4000; ++i) {
    const std::string text = generator.formula(2 + i % 9);
    if (text.size() > 32767) continue;
    const Reference r = parse_reference(text, args_table);
    ASSERT_TRUE(r.ok) << "generator produced a text outside the reference subset: " << text;
    const Compiled c = compile(text);
    if (r.nodes > NUMERA32_FORMULA_NODES) {
      EXPECT_EQ(c.error, kFormulaTooManyNodes) << text;
      ++too_large;
      continue;
    }
    ASSERT_EQ(c.error, kFormulaOk) << text;
    ++compiled;
    EXPECT_EQ(c.counter + 1, r.nodes) << text;
    EXPECT_EQ(check_layout(c.formula, 0, c.counter), "") << text;
    EXPECT_EQ(render(c.formula, 0), r.canonical) << text;
    EXPECT_TRUE(same_value(evaluate(c.formula, c.counter, args_table), r.value))
        << text << " compiled " << evaluate(c.formula, c.counter, args_table) << " reference " << r.value;
  }
  // Both sides of the node limit must really be exercised.
  EXPECT_GT(compiled, 2000);
  EXPECT_GT(too_large, 100) << compiled;
  EXPECT_EQ(GetFormulaErrFlag(), 0);  // balanced formulas never set the flag
}

}  // namespace
}  // namespace formula_test
