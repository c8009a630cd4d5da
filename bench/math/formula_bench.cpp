// Formula evaluation against muparser on the same ten formulas of two to five variables in the same
// run. One benchmark iteration evaluates all ten formulas once:
//   BM_RunTimeExp       compiled formulas (CompileExp once, RunTimeExp per evaluation)
//   BM_CalcExp          the formula text per evaluation (the same text every call)
//   BM_MuparserEval     muparser with each expression set once, Eval per evaluation
//   BM_MuparserSetEval  muparser SetExpr and Eval per evaluation
// The variables x1..x5 are the library's arguments 1..5 and muparser variables bound to the same
// values. The ratios of the rates (from CPU time) are printed at the end.
#include <benchmark/benchmark.h>
#include <muParser.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "numera32.h"
#include "qbx_bench/ratio_reporter.h"

namespace {

// Our text and the same formula in muparser's notation (which agrees for these operators).
const std::array<std::string, 10> kFormulas = {
    "x1*0.5+x2",
    "sqrt(x1^2+x2^2)",
    "(x1-x2)/(x3+1)",
    "sin(x1)*cos(x2)+x3",
    "x1*x2*x3-x4/2",
    "exp(-x1/10)*x2",
    "abs(x1-x2)+abs(x3-x4)",
    "(x1+x2+x3+x4+x5)/5",
    "ln(x1+10)*x2^3",
    "max(x1,x2)-min(x3,x4)+x5",
};

double g_vars[6] = {0.0, 1.25, 2.5, -0.75, 4.0, 3.5};

void set_arguments() {
  for (int i = 1; i <= 5; ++i) SetArgument(i, g_vars[i]);
}

void define_variables(mu::Parser& p) {
  for (int i = 1; i <= 5; ++i) p.DefineVar("x" + std::to_string(i), &g_vars[i]);
}

void BM_RunTimeExp(benchmark::State& state) {
  set_arguments();
  std::vector<CompiledFormula> compiled(kFormulas.size());
  std::vector<int16_t> last(kFormulas.size());
  for (std::size_t i = 0; i < kFormulas.size(); ++i) {
    int32_t error = 0;
    compiled[i] = CompileExp(kFormulas[i].data(), static_cast<int16_t>(kFormulas[i].size()), &last[i],
                             kFormulaSlotLeft, &error);
    if (error != 0) state.SkipWithError("compile failed");
  }
  for (auto _ : state) {
    double sum = 0.0;
    for (std::size_t i = 0; i < compiled.size(); ++i) {
      int32_t status = 0;
      sum += RunTimeExp(&compiled[i], last[i], 0, &status);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kFormulas.size()));
}

void BM_CalcExp(benchmark::State& state) {
  set_arguments();
  for (auto _ : state) {
    double sum = 0.0;
    for (const std::string& f : kFormulas) sum += CalcExp(f.data(), static_cast<int16_t>(f.size()));
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kFormulas.size()));
}

void BM_MuparserEval(benchmark::State& state) {
  std::vector<mu::Parser> parsers(kFormulas.size());
  for (std::size_t i = 0; i < kFormulas.size(); ++i) {
    define_variables(parsers[i]);
    parsers[i].SetExpr(kFormulas[i]);
    parsers[i].Eval();  // the first evaluation parses
  }
  for (auto _ : state) {
    double sum = 0.0;
    for (mu::Parser& p : parsers) sum += p.Eval();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kFormulas.size()));
}

void BM_MuparserSetEval(benchmark::State& state) {
  mu::Parser parser;
  define_variables(parser);
  for (auto _ : state) {
    double sum = 0.0;
    for (const std::string& f : kFormulas) {
      parser.SetExpr(f);
      sum += parser.Eval();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kFormulas.size()));
}

BENCHMARK(BM_RunTimeExp);
BENCHMARK(BM_CalcExp);
BENCHMARK(BM_MuparserEval);
BENCHMARK(BM_MuparserSetEval);

// Checks once that both libraries compute the same values, so the comparison is of equal work.
bool same_results() {
  set_arguments();
  bool ok = true;
  for (const std::string& f : kFormulas) {
    mu::Parser p;
    define_variables(p);
    p.SetExpr(f);
    const double theirs = p.Eval();
    const double ours = CalcExp(f.data(), static_cast<int16_t>(f.size()));
    if (std::fabs(ours - theirs) > 1e-12 * std::fmax(1.0, std::fabs(theirs))) {
      std::printf("formula %s: %.17g here, %.17g in muparser\n", f.c_str(), ours, theirs);
      ok = false;
    }
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (!same_results()) return 1;
  return qbx_bench::run_with_ratios(argc, argv, [](const qbx_bench::RatioReporter& r) {
    std::printf("\nrate ratio (ours / muparser, higher is better; CPU time, ten formulas per iteration)\n");
    std::printf("  RunTimeExp / muparser Eval          %6.2f\n", r.ratio("BM_RunTimeExp", "BM_MuparserEval"));
    std::printf("  CalcExp    / muparser SetExpr+Eval  %6.2f\n", r.ratio("BM_CalcExp", "BM_MuparserSetEval"));
    std::printf("  CalcExp    / muparser Eval          %6.2f\n", r.ratio("BM_CalcExp", "BM_MuparserEval"));
  });
}
