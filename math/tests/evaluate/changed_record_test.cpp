// A compiled record changed in place between two evaluations: RunTimeExp keeps a program per record
// address, and must never run it for a record that no longer holds the nodes it was built from. Every
// bit of every node an evaluation reads (operation code, both constants, all four kinds, both
// numbers; the first, middle and last node; records of 1 to 32 nodes) is flipped after an evaluation
// and flipped back, and each following evaluation is checked against a reference evaluator of the
// record written here from the rules of the compiled form.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "evaluate_helpers.h"
#include "numera32_evaluate.h"
#include "numera32_formula.h"

using namespace eval_test;

namespace {

constexpr double kFailed = NUMERA32_FORMULA_FAILED_VALUE;

// The inputs every table entry holds in these tests: distinct, nonzero, of both signs.
double argument(int i) { return 0.75 + 0.5 * i; }
double local_var(int i) { return -1.25 - 0.25 * i; }
double func_param(int i) { return 2.5 + 0.125 * i; }
double sys_argument(int i) { return -0.5 - 0.375 * i; }
double db_argument(int i) { return 3.0 + 0.0625 * i; }

void bind_tables() {
  for (int i = 0; i < kFormulaArguments; ++i) SetArgument(i, argument(i));
  for (int i = 0; i < kFormulaLocalVars; ++i) SetLocalVarArgument(i, local_var(i));
  for (int i = 0; i < kFormulaFuncParams; ++i) SetFuncParamArgument(i, func_param(i));
  for (int i = 0; i < kFormulaSysArguments; ++i) SetSysArgument(i == 1 ? -1 : i, sys_argument(i));
  for (int i = 0; i < kFormulaDbArguments; ++i) SetDBArgument(i, db_argument(i));
}

// A double cut towards zero to a 32-bit integer, stopping at the bounds; NaN gives 0.
int32_t cut(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}

// An operand of a table kind (all offsets 0): 0 or the status of the read.
int32_t table_operand(uint8_t kind, int32_t n, double& v) {
  auto entry = [&](int count, double (*value)(int)) {
    if (n < 0 || n >= count) return static_cast<int32_t>(kFormulaSyntax);
    v = value(n);
    return 0;
  };
  switch (kind) {
    case kFormulaKindArgument: return entry(kFormulaArguments, argument);
    case kFormulaKindLocalVar: return entry(kFormulaLocalVars, local_var);
    case kFormulaKindFuncParam: return entry(kFormulaFuncParams, func_param);
    case kFormulaKindSysArg: return entry(kFormulaSysArguments, sys_argument);
    case kFormulaKindDbArgument: return entry(kFormulaDbArguments, db_argument);
    case kFormulaKindLastArg: v = argument(kFormulaArguments - 1); return 0;
    case kFormulaKindArgumentNeg:
    case kFormulaKindLocalVarNeg:
    case kFormulaKindFuncParamNeg:
    case kFormulaKindSysArgNeg: {
      const int32_t status = table_operand(static_cast<uint8_t>(kind - kFormulaKindNegated), n, v);
      v = -v;
      return status;
    }
    default: return kFormulaDomain;
  }
}

// The value of operation `op` of x and y with its domain rule (0 or a status).
int32_t operation(int op, double x, double y, double& v) {
  switch (op) {
    case kFormulaOpOperand: case kFormulaOpGroup: v = x; return 0;
    case kFormulaOpNegate: v = -x; return 0;
    case kFormulaOpSin: v = std::sin(x); return 0;
    case kFormulaOpCos: v = std::cos(x); return 0;
    case kFormulaOpSqrt: if (x < 0) return kFormulaDomain; v = std::sqrt(x); return 0;
    case kFormulaOpTan: v = std::tan(x); return 0;
    case kFormulaOpExp: v = std::exp(x); return 0;
    case kFormulaOpLn: if (x <= 0) return kFormulaDomain; v = std::log(x); return 0;
    case kFormulaOpLog: if (x <= 0) return kFormulaDomain; v = std::log10(x); return 0;
    case kFormulaOpAcos: v = std::acos(x); return 0;
    case kFormulaOpAsin: v = std::asin(x); return 0;
    case kFormulaOpAtan: v = std::atan(x); return 0;
    case kFormulaOpAbs: v = std::fabs(x); return 0;
    case kFormulaOpFloor: v = std::floor(x); return 0;
    case kFormulaOpCeil: v = std::ceil(x); return 0;
    case kFormulaOpInt: v = std::round(x); return 0;
    case kFormulaOpSgn: v = x < 0 ? -1.0 : 1.0; return 0;
    case kFormulaOpBit: {
      const int32_t bit = cut(y);
      if (bit < 0 || bit > 31) return kFormulaDomain;
      v = static_cast<double>((static_cast<uint32_t>(cut(x)) >> bit) & 1u);
      return 0;
    }
    case kFormulaOpMin: v = x < y ? x : y; return 0;
    case kFormulaOpMax: v = x > y ? x : y; return 0;
    case kFormulaOpAtan2: v = std::atan2(x, y); return 0;
    case kFormulaOpHypot: v = std::hypot(x, y); return 0;
    case kFormulaOpRemainder: {
      const int64_t a = cut(x);
      const int64_t b = cut(y);
      if (b == 0) return kFormulaDivideByZero;
      v = static_cast<double>(a % b);
      return 0;
    }
    case kFormulaOpPower: if (y < 1 && x < 0) return kFormulaDomain; v = std::pow(x, y); return 0;
    case kFormulaOpLess: v = x < y; return 0;
    case kFormulaOpGreater: v = x > y; return 0;
    case kFormulaOpEqual: v = x == y; return 0;
    case kFormulaOpAnd: v = x != 0 && y != 0; return 0;
    case kFormulaOpOr: v = x != 0 || y != 0; return 0;
    case kFormulaOpNotEqual: v = x != y; return 0;
    case kFormulaOpGreaterEqual: v = x >= y; return 0;
    case kFormulaOpLessEqual: v = x <= y; return 0;
    case kFormulaOpAdd: v = x + y; return 0;
    case kFormulaOpMultiply: v = x * y; return 0;
    case kFormulaOpSubtract: v = x - y; return 0;
    case kFormulaOpDivide: if (y == 0) return kFormulaDivideByZero; v = x / y; return 0;
    default: return kFormulaSyntax;
  }
}

// The compiled form's evaluation of nodes last..0: each node's value replaces the intermediate
// results it takes (the newest first); the first failing node ends it.
double reference(const CompiledFormula& f, int last, int32_t& status) {
  std::vector<double> stack;
  status = 0;
  for (int k = last; k >= 0; --k) {
    const FormulaNode& node = f.node[k];
    std::size_t taken = 0;
    auto take = [&](uint8_t kind, double constant, int32_t number, double& v) -> int32_t {
      if (kind == kFormulaKindConstant) {
        v = constant;
        return 0;
      }
      if (kind != kFormulaKindIntermediate) return table_operand(kind, number, v);
      if (taken >= stack.size()) return kFormulaSyntax;
      v = stack[stack.size() - 1 - taken++];
      return 0;
    };
    double x = 0.0;
    double y = 0.0;
    status = take(node.left_kind, node.left_constant, node.left_number, x);
    if (status == 0 && node.right_kind != kFormulaKindNone) {
      status = take(node.right_kind, node.right_constant, node.right_number, y);
    }
    double v = 0.0;
    if (status == 0) status = operation(node.operation, x, y, v);
    if (status != 0) return kFailed;
    stack.resize(stack.size() - taken);
    stack.push_back(v);
  }
  return stack.back();
}

// Records the reference does not evaluate: reads of channels or the time, random numbers, arrays
// and database channels (their own tests cover them).
bool outside_reference(const CompiledFormula& f, int last) {
  for (int k = 0; k <= last; ++k) {
    const FormulaNode& n = f.node[k];
    if (n.operation == kFormulaOpRnd || n.operation == kFormulaOpArrayElement || n.operation == kFormulaOpDatabase) {
      return true;
    }
    for (uint8_t kind : {n.left_kind, n.right_kind}) {
      if (kind == kFormulaKindChannel || kind == kFormulaKindChannelNeg || kind == kFormulaKindTime) return true;
    }
  }
  return false;
}

bool same(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  if (a == b) return true;
  return std::fabs(a - b) <= 1e-12 * std::fmax(std::fabs(a), std::fabs(b));
}

// Evaluates `f` from node `last` and compares with the reference; true when they agree.
::testing::AssertionResult follows_record(const CompiledFormula& f, int last) {
  int32_t expected_status = 0;
  const double expected = reference(f, last, expected_status);
  int32_t status = 12345;
  const double value = RunTimeExp(&f, static_cast<int16_t>(last), 0, &status);
  if (status == expected_status && same(value, expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "value " << value << " status " << status << ", expected " << expected
                                       << " status " << expected_status;
}

// The byte ranges of one node's fields, for messages.
const char* field_of(std::size_t byte) {
  if (byte < 2) return "operation";
  if (byte < 10) return "left constant";
  if (byte < 18) return "right constant";
  if (byte == 18) return "left kind";
  if (byte == 19) return "right kind";
  if (byte == 20) return "second index kind";
  if (byte == 21) return "third index kind";
  if (byte < 26) return "left number";
  return "right number";
}

class ChangedRecord : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_state();
    bind_tables();
  }
};

TEST_F(ChangedRecord, EveryBitOfTheNodesReadIsFollowed) {
  static_assert(sizeof(FormulaNode) == 30, "the field ranges of field_of");
  std::string many = "x0";
  for (int i = 1; i <= 32; ++i) many += "+x" + std::to_string(i);  // 32 nodes: the whole record
  const std::vector<std::string> texts = {
      "x7",                                      // one node
      "x1*0.5+x2",                               // two
      "sqrt(x1^2+x2^2)",                         // four
      "(x1-x2)/(x3+1)",                          // five
      "(x1+x2+x3+x4+x5)/5",                      // six
      "max(x16001,(-x3))-min(x24002,d4)+x32005*y7",
      "x1+x2+x3+x4+x5+x6+x7+x8+x9+x0",           // nine
      many,
  };
  // The record sits alone on the heap, so that a read past its end is caught by the sanitizer.
  auto record = std::make_unique<CompiledFormula>();
  int checked = 0;
  for (const std::string& text : texts) {
    int16_t counter = 0;
    int32_t error = 0;
    *record = CompileExp(text.data(), len(text), &counter, kFormulaSlotLeft, &error);
    ASSERT_EQ(error, 0) << text;
    const int last = counter;
    ASSERT_TRUE(follows_record(*record, last)) << text;
    auto* bytes = reinterpret_cast<unsigned char*>(record->node);
    for (std::size_t byte = 0; byte < sizeof(FormulaNode) * static_cast<std::size_t>(last + 1); ++byte) {
      for (int bit = 0; bit < 8; ++bit) {
        const auto mask = static_cast<unsigned char>(1u << bit);
        bytes[byte] ^= mask;  // changed in place after an evaluation of the record as it was
        if (!outside_reference(*record, last)) {
          ASSERT_TRUE(follows_record(*record, last))
              << text << ": node " << byte / sizeof(FormulaNode) << ", " << field_of(byte % sizeof(FormulaNode))
              << ", bit " << bit << " of byte " << byte;
          ++checked;
        }
        bytes[byte] ^= mask;  // and back
        ASSERT_TRUE(follows_record(*record, last)) << text << ": restored after byte " << byte << " bit " << bit;
      }
    }
    // Another start node of the same record, and back.
    if (last > 0) {
      EXPECT_TRUE(follows_record(*record, last - 1)) << text;
      EXPECT_TRUE(follows_record(*record, last)) << text;
    }
  }
  EXPECT_GT(checked, 10000);
}

// Changes a caller may well make, each followed by the next evaluation: a new constant, another
// operation, another variable or table, a constant in place of a variable, a record the programs do
// not run (an array element) in place of one they do, and back.
TEST_F(ChangedRecord, FieldChangesAreFollowed) {
  const std::string text = "(x1-x2)/(x3+1)";
  int16_t counter = 0;
  int32_t error = 0;
  auto f = std::make_unique<CompiledFormula>(CompileExp(text.data(), len(text), &counter, kFormulaSlotLeft, &error));
  ASSERT_EQ(error, 0);
  ASSERT_EQ(counter, 4);
  const double x1 = argument(1), x2 = argument(2), x3 = argument(3);
  int32_t st = 0;
  auto run = [&] { return RunTimeExp(f.get(), counter, 0, &st); };
  EXPECT_DOUBLE_EQ(run(), (x1 - x2) / (x3 + 1));
  // Nodes: 0 '/', 1 '(' over 2 'x1-x2', 3 '(' over 4 'x3+1'.
  f->node[4].right_constant = 3.0;
  EXPECT_DOUBLE_EQ(run(), (x1 - x2) / (x3 + 3));
  f->node[2].operation = kFormulaOpAdd;
  EXPECT_DOUBLE_EQ(run(), (x1 + x2) / (x3 + 3));
  f->node[2].left_number = 7;
  EXPECT_DOUBLE_EQ(run(), (argument(7) + x2) / (x3 + 3));
  f->node[2].right_kind = kFormulaKindLocalVar;
  EXPECT_DOUBLE_EQ(run(), (argument(7) + local_var(2)) / (x3 + 3));
  f->node[2].right_kind = kFormulaKindArgumentNeg;
  EXPECT_DOUBLE_EQ(run(), (argument(7) - x2) / (x3 + 3));
  f->node[4].left_kind = kFormulaKindConstant;
  f->node[4].left_constant = 5.0;
  EXPECT_DOUBLE_EQ(run(), (argument(7) - x2) / 8.0);
  f->node[4].right_constant = -5.0;  // a division by 0 now
  EXPECT_EQ(run(), kFailed);
  EXPECT_EQ(st, kFormulaDivideByZero);
  f->node[4].right_constant = -4.0;
  EXPECT_DOUBLE_EQ(run(), (argument(7) - x2) / 1.0);
  EXPECT_EQ(st, 0);
  f->node[2].left_number = kFormulaArguments;  // beyond the table
  EXPECT_EQ(run(), kFailed);
  EXPECT_EQ(st, kFormulaSyntax);
  f->node[2].left_number = 1;

  // Node 4 becomes the array element a1(2) (the general evaluator's), and back.
  const int32_t size[3] = {4, 0, 0};
  ASSERT_EQ(CreateArray(1, 1, size), 0);
  double element = 6.5;
  ASSERT_EQ(AccessArrayElement(0, 1, 2, 0, 0, &element), 0);
  const FormulaNode sum = f->node[4];
  f->node[4] = FormulaNode{};
  f->node[4].operation = kFormulaOpArrayElement;
  f->node[4].left_kind = kFormulaKindConstant;
  f->node[4].left_constant = 1.0;
  f->node[4].right_kind = kFormulaKindConstant;
  f->node[4].right_constant = 2.0;
  EXPECT_DOUBLE_EQ(run(), (x1 - x2) / 6.5);
  EXPECT_EQ(st, 0);
  f->node[4] = sum;
  EXPECT_DOUBLE_EQ(run(), (x1 - x2) / (5.0 - 4.0));
}

}  // namespace
