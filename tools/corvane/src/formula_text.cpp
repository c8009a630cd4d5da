// Finding and renumbering the channel references of a formula text. The formula language names a
// measured channel's value c<n>; anything else (functions, x<n>, d<n>, numbers) passes unchanged.
#include "formula_text.h"

#include <algorithm>
#include <set>

#include "messages.h"
#include "session.h"

namespace corvane_cli {
namespace {

constexpr size_t kMaxNameBytes = 31;     // a database channel name holds 32 bytes
constexpr size_t kMaxFormulaBytes = 255; // the kernel's limit for a formula text
constexpr size_t kMaxUnitBytes = 10;     // a database channel unit holds 10 bytes

bool word_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
}
bool digit(char c) { return c >= '0' && c <= '9'; }

// Calls each(start, end, number) for every c<n> reference: text[start] is the 'c', [start+1, end)
// the digits.
template <typename Each>
void for_each_reference(const std::string& text, Each each) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != 'c' || (i > 0 && word_char(text[i - 1]))) continue;
    size_t end = i + 1;
    while (end < text.size() && digit(text[end])) ++end;
    if (end == i + 1 || end - i > 6) continue;
    each(i, end, static_cast<int32_t>(std::stol(text.substr(i + 1, end - i - 1))));
    i = end - 1;
  }
}

}  // namespace

FormulaOption parse_formula_option(const std::string& option) {
  const size_t eq = option.find('=');
  FormulaOption f;
  if (eq != std::string::npos) {
    f.name = option.substr(0, eq);
    f.text = option.substr(eq + 1);
  }
  if (eq == std::string::npos || f.name.empty() || f.text.empty()) {
    throw CommandError(tr("--formula takes NAME=TEXT, such as \"Sum=c0+c1\", not \"{}\".", option), kExitUsage);
  }
  // "Force [kN]": the unit in brackets at the end of the name.
  const size_t open = f.name.rfind('[');
  if (f.name.back() == ']' && open != std::string::npos) {
    f.unit = f.name.substr(open + 1, f.name.size() - open - 2);
    f.name.resize(open);
    while (!f.name.empty() && f.name.back() == ' ') f.name.pop_back();
    if (f.unit.size() > kMaxUnitBytes) {
      throw CommandError(tr("The unit \"{}\" of a formula may have at most 10 characters.", f.unit), kExitUsage);
    }
  }
  if (f.name.empty() || f.name.size() > kMaxNameBytes || f.name.find(',') != std::string::npos) {
    throw CommandError(tr("The formula name \"{}\" must be 1 to 31 characters without a comma.", f.name), kExitUsage);
  }
  return f;
}

std::vector<int32_t> formula_channels(const std::string& text) {
  std::set<int32_t> found;
  for_each_reference(text, [&](size_t, size_t, int32_t n) { found.insert(n); });
  return {found.begin(), found.end()};
}

std::string translate_formula(const FormulaOption& formula, const std::map<int32_t, int32_t>& kernel) {
  std::string out;
  size_t copied = 0;
  for_each_reference(formula.text, [&](size_t start, size_t end, int32_t n) {
    auto it = kernel.find(n);
    if (it == kernel.end()) {
      throw CommandError(tr("The formula {} uses c{}, which is not recorded: add channel {} to --channels.", formula.name, n, n),
                         kExitUsage);
    }
    out += formula.text.substr(copied, start - copied) + "c" + std::to_string(it->second);
    copied = end;
  });
  out += formula.text.substr(copied);
  if (out.size() > kMaxFormulaBytes) {
    throw CommandError(tr("The formula {} is longer than {} characters.", formula.name, kMaxFormulaBytes),
                       kExitUsage);
  }
  return out;
}

}  // namespace corvane_cli
