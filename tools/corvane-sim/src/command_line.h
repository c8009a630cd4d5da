// Cutting one received command line into its parts: the three-letter command word, whether it
// is a query ("?" after the word), and the comma-separated numeric arguments.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane_sim {

struct CommandLine {
  std::string word;           // three upper-case letters
  bool query = false;         // "?" followed the word
  std::vector<double> args;   // numeric arguments in order
  bool args_valid = true;     // false when an argument is empty or not a decimal number
};

// Parses a line (without line end). nullopt when the line does not start with a command word
// (three upper-case letters followed by "?", a digit, a sign or the end of the line).
std::optional<CommandLine> parse_command(std::string_view line);

}  // namespace corvane_sim
