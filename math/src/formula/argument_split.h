// Splitting the argument list of a two-argument function or an array element into argument texts.
#ifndef NUMERA32_FORMULA_ARGUMENT_SPLIT_H
#define NUMERA32_FORMULA_ARGUMENT_SPLIT_H

#include <array>
#include <cstddef>
#include <string_view>

namespace numera32::formula {

inline constexpr int kMaxArguments = 3;
inline constexpr std::size_t kMaxArgumentLength = 127;

enum class SplitStatus {
  kOk,
  kFailed,       // no matching ')', an empty list, or an argument longer than kMaxArgumentLength
  kTooMany       // more than kMaxArguments arguments
};

struct ArgumentList {
  SplitStatus status = SplitStatus::kFailed;
  int count = 0;
  std::array<std::string_view, kMaxArguments> arguments{};  // views into the text
};

// Splits `list`, the text just after an opening parenthesis: finds the matching ')' by depth, then
// cuts everything before it at every comma (commas inside nested parentheses cut as well). Text
// after the matching ')' is not looked at. The arguments are views into `list`, so nested splits
// never disturb each other.
ArgumentList split_arguments(std::string_view list);

}  // namespace numera32::formula

#endif
