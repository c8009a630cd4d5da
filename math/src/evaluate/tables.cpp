// The formula tables of the process and the two views of them that evaluators read.
#include "evaluate/tables.h"

namespace numera32::evaluate {

namespace {
FormulaTables g_tables;

const TableSet g_host = {
    g_tables.arguments.entries.data(),     kFormulaArguments,    &g_tables.argument_offset,
    g_tables.local_vars.entries.data(),    kFormulaLocalVars,    &g_tables.local_var_offset,
    g_tables.func_params.entries.data(),   kFormulaFuncParams,   &g_tables.func_param_offset,
    g_tables.sys_arguments.entries.data(), kFormulaSysArguments,
};

const TableSet g_driver = {
    g_tables.drv_arguments.entries.data(),     kFormulaDrvArguments,    nullptr,
    g_tables.drv_local_vars.entries.data(),    kFormulaDrvLocalVars,    &g_tables.drv_local_var_offset,
    g_tables.drv_func_params.entries.data(),   kFormulaDrvFuncParams,   &g_tables.drv_func_param_offset,
    g_tables.drv_sys_arguments.entries.data(), kFormulaDrvSysArguments,
};
}  // namespace

FormulaTables& tables() { return g_tables; }
const TableSet& host_tables() { return g_host; }
const TableSet& driver_tables() { return g_driver; }

}  // namespace numera32::evaluate
