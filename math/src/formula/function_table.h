// The function names of the formula language with their operation codes and argument counts.
#ifndef NUMERA32_FORMULA_FUNCTION_TABLE_H
#define NUMERA32_FORMULA_FUNCTION_TABLE_H

#include <cstdint>
#include <string_view>

namespace numera32::formula {

struct FunctionName {
  std::string_view name;  // including the opening parenthesis
  int16_t operation;
  int arguments;          // 1 or 2
};

// The first function name (in the language's fixed order, "(" first) that `text` begins with,
// compared case-sensitively; nullptr when none does.
const FunctionName* match_function(std::string_view text);

}  // namespace numera32::formula

#endif
