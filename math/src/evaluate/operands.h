// Reading one operand of a formula from the tables and sources, by its operand kind: shared by the
// compiled evaluator (kinds stored in the nodes) and the text evaluators (kinds the parser found).
#ifndef NUMERA32_EVALUATE_OPERANDS_H
#define NUMERA32_EVALUATE_OPERANDS_H

#include <cstdint>

#include "evaluate/sources.h"
#include "evaluate/tables.h"
#include "numera32_evaluate.h"
#include "numera32_formula.h"

namespace numera32::evaluate {

inline bool is_negated_kind(uint8_t kind) {
  return kind == kFormulaKindChannelNeg || kind == kFormulaKindArgumentNeg || kind == kFormulaKindLocalVarNeg ||
         kind == kFormulaKindFuncParamNeg || kind == kFormulaKindSysArgNeg;
}

// The value of a table, channel or time operand of `kind` with table number `number`, read from
// the tables `t`; 0 or a status: kFormulaSyntax for an entry outside its table, the channel
// statuses, kFormulaDomain for a kind that is no table operand. A negated kind negates the value.
inline int32_t read_operand(const TableSet& t, uint8_t kind, int32_t number, double& value) {
  bool ok = true;
  int32_t status = 0;
  switch (kind) {
    case kFormulaKindArgument:
    case kFormulaKindArgumentNeg:
      ok = read_entry(t.arguments, t.argument_count, t.argument_offset, number, value);
      break;
    case kFormulaKindLocalVar:
    case kFormulaKindLocalVarNeg:
      ok = read_entry(t.local_vars, t.local_var_count, t.local_var_offset, number, value);
      break;
    case kFormulaKindFuncParam:
    case kFormulaKindFuncParamNeg:
      ok = read_entry(t.func_params, t.func_param_count, t.func_param_offset, number, value);
      break;
    case kFormulaKindSysArg:
    case kFormulaKindSysArgNeg:
      ok = read_entry(t.sys_arguments, t.sys_argument_count, nullptr, number, value);
      break;
    case kFormulaKindDbArgument:
      ok = read_entry(tables().db_arguments.entries.data(), kFormulaDbArguments, nullptr, number, value);
      break;
    case kFormulaKindLastArg:
      value = tables().arguments.entries[kFormulaArguments - 1];
      break;
    case kFormulaKindChannel:
    case kFormulaKindChannelNeg:
      status = channel_value(number, value);
      if (status != 0) return status;
      break;
    case kFormulaKindTime:
      value = system_time();
      break;
    default:
      return kFormulaDomain;
  }
  if (!ok) {
    value = 0.0;
    return kFormulaSyntax;
  }
  if (is_negated_kind(kind)) value = -value;
  return 0;
}

}  // namespace numera32::evaluate

#endif
