// Argument lists of the formula language. An argument is limited to 127 characters and a list to
// three arguments; longer or further ones are reported, never stored.
#include "formula/argument_split.h"

namespace numera32::formula {

ArgumentList split_arguments(std::string_view list) {
  ArgumentList result;
  int depth = 1;
  std::size_t close = 0;
  for (; close < list.size(); ++close) {
    if (list[close] == '(') {
      ++depth;
    } else if (list[close] == ')' && --depth == 0) {
      break;
    }
  }
  if (depth > 0 || close == 0) return result;  // never closed, or "()"
  const std::string_view body = list.substr(0, close);
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = body.find(',', start);
    const std::size_t end = comma == std::string_view::npos ? body.size() : comma;
    if (result.count == kMaxArguments) {
      result.status = SplitStatus::kTooMany;
      return result;
    }
    if (end - start > kMaxArgumentLength) return result;
    result.arguments[result.count++] = body.substr(start, end - start);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  result.status = SplitStatus::kOk;
  return result;
}

}  // namespace numera32::formula
