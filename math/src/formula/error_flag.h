// The library-wide formula error flag: the last failing status of a formula step (compiler operator
// search now, evaluators later), kept until a caller reads it with GetFormulaErrFlag.
#ifndef NUMERA32_FORMULA_ERROR_FLAG_H
#define NUMERA32_FORMULA_ERROR_FLAG_H

#include <cstdint>

namespace numera32::formula {

// Records a failing status in the flag (the newest status wins).
void set_error_flag(int32_t status);

// Returns the flag and resets it to 0.
int32_t take_error_flag();

}  // namespace numera32::formula

#endif
