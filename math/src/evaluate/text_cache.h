// The programs of recently evaluated formula texts, so that a formula channel that evaluates the same
// text once per row parses it once.
#ifndef NUMERA32_EVALUATE_TEXT_CACHE_H
#define NUMERA32_EVALUATE_TEXT_CACHE_H

#include <string_view>

#include "evaluate/text_program.h"

namespace numera32::evaluate {

// The program of `text` (at most NUMERA32_FORMULA_TEXT_MAX characters) for `evaluator` and the logic
// mode, parsed now when not kept. The reference
// stays valid until the next call.
const TextProgram& cached_program(std::string_view text, TextEvaluator evaluator, bool logic);

}  // namespace numera32::evaluate

#endif
