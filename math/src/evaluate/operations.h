// The value of every operation of the formula language with its domain rule, shared by the compiled
// and the text evaluators. A failing operation reports its status together with the replacement
// value the text evaluators go on with; the compiled evaluator stops instead.
#ifndef NUMERA32_EVALUATE_OPERATIONS_H
#define NUMERA32_EVALUATE_OPERATIONS_H

#include <cmath>
#include <cstdint>

#include "numera32_evaluate.h"
#include "numera32_formula.h"

namespace numera32::evaluate {

struct OpResult {
  double value;
  int32_t status;  // 0, kFormulaDomain, kFormulaDivideByZero, or kFormulaSyntax for an unknown code
};

// A double cut towards zero to a 32-bit integer; values beyond the range stop at its bounds, NaN
// gives 0 (a number used as an integer never wraps into another value).
inline int32_t cut_int32(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}

// The same as a 64-bit integer, for numbers that an offset is added to.
inline int64_t cut_int64(double v) {
  if (!(v == v)) return 0;
  if (v >= 9.2e18) return INT64_MAX / 2;
  if (v <= -9.2e18) return INT64_MIN / 2;
  return static_cast<int64_t>(v);
}

// The pseudo-random generator of rnd(: values 0..32767.
int32_t random_15bit();

inline OpResult fail(double replacement, int32_t status) { return {replacement, status}; }

// x op y for every operation but the operand, array and database codes.
[[gnu::always_inline]] inline OpResult apply(int operation, double x, double y) {
  constexpr double kFailed = NUMERA32_FORMULA_FAILED_VALUE;
  switch (operation) {
    case kFormulaOpOperand:
    case kFormulaOpGroup: return {x, 0};
    case kFormulaOpNegate: return {-x, 0};
    case kFormulaOpSin: return {std::sin(x), 0};
    case kFormulaOpCos: return {std::cos(x), 0};
    case kFormulaOpSqrt: return x < 0.0 ? fail(0.0, kFormulaDomain) : OpResult{std::sqrt(x), 0};
    case kFormulaOpTan: return {std::tan(x), 0};
    case kFormulaOpExp: return {std::exp(x), 0};
    case kFormulaOpLn: return x <= 0.0 ? fail(0.0, kFormulaDomain) : OpResult{std::log(x), 0};
    case kFormulaOpLog: return x <= 0.0 ? fail(0.0, kFormulaDomain) : OpResult{std::log10(x), 0};
    case kFormulaOpAcos: return {std::acos(x), 0};
    case kFormulaOpAsin: return {std::asin(x), 0};
    case kFormulaOpAtan: return {std::atan(x), 0};
    case kFormulaOpAbs: return {std::fabs(x), 0};
    case kFormulaOpFloor: return {std::floor(x), 0};
    case kFormulaOpCeil: return {std::ceil(x), 0};
    case kFormulaOpRnd: return {random_15bit() / 32767.0, 0};
    case kFormulaOpInt: return {std::round(x), 0};
    case kFormulaOpSgn: return {x < 0.0 ? -1.0 : 1.0, 0};
    case kFormulaOpBit: {
      const int32_t bit = cut_int32(y);
      if (bit < 0 || bit > 31) return fail(0.0, kFormulaDomain);
      return {static_cast<double>((static_cast<uint32_t>(cut_int32(x)) >> bit) & 1u), 0};
    }
    case kFormulaOpMin: return {x < y ? x : y, 0};
    case kFormulaOpMax: return {x > y ? x : y, 0};
    case kFormulaOpAtan2: return {std::atan2(x, y), 0};
    case kFormulaOpHypot: return {std::hypot(x, y), 0};
    case kFormulaOpRemainder: {
      const int32_t a = cut_int32(x);
      const int32_t b = cut_int32(y);
      if (b == 0) return fail(kFailed, kFormulaDivideByZero);
      if (b == -1) return {0.0, 0};  // INT32_MIN % -1 overflows; every remainder by -1 is 0
      return {static_cast<double>(a % b), 0};
    }
    case kFormulaOpPower:
      if (y < 1.0 && x < 0.0) return fail(kFailed, kFormulaDomain);
      // Squares and cubes without the call (the square is the correctly rounded one pow gives; the
      // cube differs from pow by at most one unit in the last place).
      if (y == 2.0) return {x * x, 0};
      if (y == 3.0) return {x * x * x, 0};
      return {std::pow(x, y), 0};
    case kFormulaOpLess: return {x < y ? 1.0 : 0.0, 0};
    case kFormulaOpGreater: return {x > y ? 1.0 : 0.0, 0};
    case kFormulaOpEqual: return {x == y ? 1.0 : 0.0, 0};
    case kFormulaOpAnd: return {(x != 0.0 && y != 0.0) ? 1.0 : 0.0, 0};
    case kFormulaOpOr: return {(x != 0.0 || y != 0.0) ? 1.0 : 0.0, 0};
    case kFormulaOpNotEqual: return {x != y ? 1.0 : 0.0, 0};
    case kFormulaOpGreaterEqual: return {x >= y ? 1.0 : 0.0, 0};
    case kFormulaOpLessEqual: return {x <= y ? 1.0 : 0.0, 0};
    case kFormulaOpAdd: return {x + y, 0};
    case kFormulaOpMultiply: return {x * y, 0};
    case kFormulaOpSubtract: return {x - y, 0};
    case kFormulaOpDivide: return y == 0.0 ? fail(kFailed, kFormulaDivideByZero) : OpResult{x / y, 0};
    default: return fail(0.0, kFormulaSyntax);
  }
}

}  // namespace numera32::evaluate

#endif
