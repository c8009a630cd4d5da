// The library-wide inputs of formulas: the argument tables of the host and of driver programs,
// their offsets, the channel offset list and the logic evaluation mode. One instance per process,
// all zero at load. Every read checks the number plus its offset against the table.
#ifndef NUMERA32_EVALUATE_TABLES_H
#define NUMERA32_EVALUATE_TABLES_H

#include <array>
#include <cstdint>

#include "numera32_evaluate.h"

namespace numera32::evaluate {

// A table of doubles whose setter refuses indices outside it.
template <int N>
struct Table {
  std::array<double, N> entries{};

  bool set(int32_t index, double value) {
    if (index < 0 || index >= N) return false;
    entries[static_cast<std::size_t>(index)] = value;
    return true;
  }
};

// One set of variable tables as a formula sees them: the host's or the driver programs'.
struct TableSet {
  const double* arguments;
  int32_t argument_count;
  const int32_t* argument_offset;  // null: no offset (driver arguments)
  const double* local_vars;
  int32_t local_var_count;
  const int32_t* local_var_offset;
  const double* func_params;
  int32_t func_param_count;
  const int32_t* func_param_offset;
  const double* sys_arguments;
  int32_t sys_argument_count;
};

struct FormulaTables {
  Table<kFormulaArguments> arguments;
  Table<kFormulaLocalVars> local_vars;
  Table<kFormulaFuncParams> func_params;
  Table<kFormulaSysArguments> sys_arguments;
  Table<kFormulaDbArguments> db_arguments;
  Table<kFormulaDrvArguments> drv_arguments;
  Table<kFormulaDrvLocalVars> drv_local_vars;
  Table<kFormulaDrvFuncParams> drv_func_params;
  Table<kFormulaDrvSysArguments> drv_sys_arguments;

  int32_t argument_offset = 0;
  int32_t local_var_offset = 0;
  int32_t func_param_offset = 0;
  int32_t drv_local_var_offset = 0;
  int32_t drv_func_param_offset = 0;

  int32_t logic_mode = 0;
  void* channel_buffer = nullptr;  // kept for the host; evaluation does not use it
  // Entry per channel 1..kFormulaChannels (entry 0 unused).
  std::array<int32_t, kFormulaChannels + 1> channel_offsets{};
};

// The one instance, and the views of the host's tables (every formula evaluator but DrvCalcExp) and
// of the driver programs' tables. Defined here so that evaluators read them without a call.
inline FormulaTables g_formula_tables;

inline constexpr TableSet kHostTables = {
    g_formula_tables.arguments.entries.data(),     kFormulaArguments,    &g_formula_tables.argument_offset,
    g_formula_tables.local_vars.entries.data(),    kFormulaLocalVars,    &g_formula_tables.local_var_offset,
    g_formula_tables.func_params.entries.data(),   kFormulaFuncParams,   &g_formula_tables.func_param_offset,
    g_formula_tables.sys_arguments.entries.data(), kFormulaSysArguments,
};

inline constexpr TableSet kDriverTables = {
    g_formula_tables.drv_arguments.entries.data(),     kFormulaDrvArguments,    nullptr,
    g_formula_tables.drv_local_vars.entries.data(),    kFormulaDrvLocalVars,    &g_formula_tables.drv_local_var_offset,
    g_formula_tables.drv_func_params.entries.data(),   kFormulaDrvFuncParams,   &g_formula_tables.drv_func_param_offset,
    g_formula_tables.drv_sys_arguments.entries.data(), kFormulaDrvSysArguments,
};

inline FormulaTables& tables() { return g_formula_tables; }
inline const TableSet& host_tables() { return kHostTables; }
inline const TableSet& driver_tables() { return kDriverTables; }

// Reads entry number + *offset of a table of count entries; false when outside.
inline bool read_entry(const double* table, int32_t count, const int32_t* offset, int32_t number, double& out) {
  const int64_t n = static_cast<int64_t>(number) + (offset != nullptr ? *offset : 0);
  if (n < 0 || n >= count) return false;
  out = table[n];
  return true;
}

// True when the channel offset list forbids reading channel n (a negative entry).
inline bool channel_blocked(int64_t channel) {
  if (channel < 1 || channel > kFormulaChannels) return false;
  return tables().channel_offsets[static_cast<std::size_t>(channel)] < 0;
}

}  // namespace numera32::evaluate

#endif
