// Command-line parsing. Arguments are decimal numbers with an optional sign and fraction; the
// acquisition kernel sends tare values with decimals, the driver integers. Parsing is the same
// under every locale (std::from_chars).
#include "command_line.h"

#include <charconv>

namespace corvane_sim {
namespace {

bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }

std::optional<double> parse_number(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  double value = 0.0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<CommandLine> parse_command(std::string_view line) {
  if (line.size() < 3 || !is_upper(line[0]) || !is_upper(line[1]) || !is_upper(line[2])) return std::nullopt;
  CommandLine cmd;
  cmd.word = std::string(line.substr(0, 3));
  std::string_view rest = line.substr(3);
  if (!rest.empty() && rest.front() == '?') {
    cmd.query = true;
    rest.remove_prefix(1);
  }
  if (rest.empty()) return cmd;
  char first = rest.front();
  bool starts_number = (first >= '0' && first <= '9') || first == '-' || first == '+' || first == ' ' || first == '.';
  if (!starts_number && !(cmd.query && first == ',')) {
    // Letters straight after the word: a longer word, which the amplifier does not know.
    if (is_upper(first) || (first >= 'a' && first <= 'z')) return std::nullopt;
  }
  size_t start = 0;
  while (true) {
    size_t comma = rest.find(',', start);
    std::string_view field = rest.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    auto value = parse_number(field);
    if (value) {
      cmd.args.push_back(*value);
    } else {
      cmd.args_valid = false;
      cmd.args.push_back(0.0);
    }
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return cmd;
}

}  // namespace corvane_sim
