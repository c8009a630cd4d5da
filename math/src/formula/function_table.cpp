// The function names in the order they are tried. "atan(" comes before "atan2(" and cannot shadow it,
// because every name ends with its parenthesis.
#include "formula/function_table.h"

#include <array>

#include "numera32_formula.h"

namespace numera32::formula {

namespace {

constexpr std::array<FunctionName, 23> kFunctions = {{
    {"(", kFormulaOpGroup, 1},     {"sin(", kFormulaOpSin, 1},       {"cos(", kFormulaOpCos, 1},
    {"sqrt(", kFormulaOpSqrt, 1},  {"tan(", kFormulaOpTan, 1},       {"exp(", kFormulaOpExp, 1},
    {"ln(", kFormulaOpLn, 1},      {"log(", kFormulaOpLog, 1},       {"acos(", kFormulaOpAcos, 1},
    {"asin(", kFormulaOpAsin, 1},  {"atan(", kFormulaOpAtan, 1},     {"abs(", kFormulaOpAbs, 1},
    {"floor(", kFormulaOpFloor, 1}, {"ceil(", kFormulaOpCeil, 1},    {"rnd(", kFormulaOpRnd, 1},
    {"int(", kFormulaOpInt, 1},    {"sgn(", kFormulaOpSgn, 1},       {"bit(", kFormulaOpBit, 2},
    {"min(", kFormulaOpMin, 2},    {"max(", kFormulaOpMax, 2},       {"atan2(", kFormulaOpAtan2, 2},
    {"hypot(", kFormulaOpHypot, 2}, {"db(", kFormulaOpDatabase, 2},
}};

}  // namespace

const FunctionName* match_function(std::string_view text) {
  for (const FunctionName& f : kFunctions) {
    if (text.starts_with(f.name)) return &f;
  }
  return nullptr;
}

}  // namespace numera32::formula
