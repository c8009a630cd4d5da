// The drvc compiler. Each source line is one statement, a block keyword, a label or a comment.
// Blocks become the kernel's jumps: "if" a conditional (type 3) over a no-op label statement at its
// "else"/"end", "loop" and "repeat" a loop start (1) and end (2) with "break" (6) aimed at the end;
// "goto" a jump (4) to the label's no-op statement. Statement numbers are counted per section, so
// labels are too. Expressions pass through as formula texts over the numeric variables x1..x64.
#include "source_compiler.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <stdexcept>

#include "tallix32.h"

namespace drvc {
namespace {

constexpr int kNoOp = 0;            // any type the kernel does not know is passed over
constexpr int kMaxReply = kAcqDriverReplySize - 1;
constexpr char kLineFeed = 10;
constexpr char kCarriageReturn = 13;

struct LineError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const std::string& message) { throw LineError(message); }

std::string trim(std::string_view text) {
  size_t b = 0;
  size_t e = text.size();
  while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
  return std::string(text.substr(b, e - b));
}

// Walks text at top level: calls visit(i) for each index outside quotes and parentheses; fails on
// an unclosed quote or unbalanced parentheses.
template <class F>
void scan_top_level(std::string_view text, F&& visit) {
  int depth = 0;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        quoted = false;
      }
      continue;
    }
    if (c == '"') {
      quoted = true;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (--depth < 0) fail("unbalanced parentheses: ')' without '('");
    } else if (depth == 0) {
      if (visit(i)) return;
    }
  }
  if (quoted) fail("unterminated string");
  if (depth != 0) fail("unbalanced parentheses: '(' without ')'");
}

std::string strip_comment(std::string_view line) {
  size_t cut = line.size();
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '\\') ++i;
      else if (c == '"') quoted = false;
    } else if (c == '"') {
      quoted = true;
    } else if (c == '#') {
      cut = i;
      break;
    }
  }
  return trim(line.substr(0, cut));
}

std::vector<std::string> split_at(std::string_view text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  scan_top_level(text, [&](size_t i) {
    if (text[i] == separator) {
      parts.push_back(trim(text.substr(start, i - start)));
      start = i + 1;
    }
    return false;
  });
  parts.push_back(trim(text.substr(start)));
  return parts;
}

std::vector<std::string> words(std::string_view text) {
  std::vector<std::string> out;
  size_t start = 0;
  bool in_word = false;
  auto close = [&](size_t end) {
    if (in_word) out.push_back(std::string(text.substr(start, end - start)));
    in_word = false;
  };
  int depth = 0;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (!quoted && depth == 0 && std::isspace(static_cast<unsigned char>(c))) {
      close(i);
      continue;
    }
    if (!in_word) {
      in_word = true;
      start = i;
    }
    if (quoted) {
      if (c == '\\') ++i;
      else if (c == '"') quoted = false;
    } else if (c == '"') {
      quoted = true;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (--depth < 0) fail("unbalanced parentheses: ')' without '('");
    }
  }
  if (quoted) fail("unterminated string");
  if (depth != 0) fail("unbalanced parentheses: '(' without ')'");
  close(text.size());
  return out;
}

bool is_identifier(std::string_view text) {
  if (text.empty() || !(std::isalpha(static_cast<unsigned char>(text[0])) || text[0] == '_')) return false;
  for (char c : text)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  return true;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// A string literal "..." (the whole text) with the escapes \" \\ \r \n \t \xHH, as raw bytes.
std::string string_literal(std::string_view text) {
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') fail("expected a string in double quotes");
  std::string out;
  for (size_t i = 1; i + 1 < text.size(); ++i) {
    char c = text[i];
    if (c == '"') fail("text after the end of a string");
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i + 1 > text.size() - 1) fail("string ends in a backslash");
    switch (text[i]) {
      case '"': out += '"'; break;
      case '\\': out += '\\'; break;
      case 'r': out += kCarriageReturn; break;
      case 'n': out += kLineFeed; break;
      case 't': out += '\t'; break;
      case 'x': {
        const int hi = i + 1 < text.size() - 1 ? hex_digit(text[i + 1]) : -1;
        const int lo = i + 2 < text.size() - 1 ? hex_digit(text[i + 2]) : -1;
        if (hi < 0 || lo < 0) fail("\\x needs two hex digits");
        if (hi == 0 && lo == 0) fail("a string cannot hold the byte 0");
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        break;
      }
      default: fail(std::string("unknown escape \\") + text[i]);
    }
  }
  return out;
}

// "x12" or "$12": the variable number 1..64 after the prefix, else nullopt.
std::optional<int> variable_number(std::string_view text, char prefix) {
  if (text.size() < 2 || text[0] != prefix) return std::nullopt;
  int n = 0;
  for (size_t i = 1; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i])) || n > 1000) return std::nullopt;
    n = n * 10 + (text[i] - '0');
  }
  if (n < 1 || n > kAcqDriverVariables) fail(std::string("variable ") + std::string(text) + " outside " + prefix + "1.." +
                                             prefix + std::to_string(kAcqDriverVariables));
  return n;
}

// A numeric expression, checked for what the formula language can never accept here.
std::string expression(std::string_view text, const char* what = "expression") {
  std::string e = trim(text);
  if (e.empty()) fail(std::string("missing ") + what);
  scan_top_level(e, [](size_t) { return false; });
  if (e.find('"') != std::string::npos) fail(std::string("a string cannot stand in an ") + what);
  if (e.find('$') != std::string::npos) fail(std::string("a text variable cannot stand in an ") + what);
  // The formula language has no blanks: the source may use them freely.
  std::erase_if(e, [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
  return e;
}

// A text operand: a string, a text variable, or a numeric expression (its value as text).
std::string text_operand(std::string_view text) {
  std::string t = trim(text);
  if (t.empty()) fail("missing text");
  if (t[0] == '"') return '"' + string_literal(t) + '"';
  if (auto n = variable_number(t, '$')) return "$" + std::to_string(*n);
  return "@" + expression(t, "expression");
}

// name(arguments) covering the whole text: the arguments, else nullopt.
std::optional<std::vector<std::string>> call_of(std::string_view text, std::string_view name) {
  if (text.size() < name.size() + 2 || text.substr(0, name.size()) != name) return std::nullopt;
  std::string_view rest = text.substr(name.size());
  size_t open = 0;
  while (open < rest.size() && rest[open] == ' ') ++open;
  if (open >= rest.size() || rest[open] != '(' || rest.back() != ')') return std::nullopt;
  // The '(' must close at the very end.
  int depth = 0;
  bool quoted = false;
  for (size_t i = open; i < rest.size(); ++i) {
    const char c = rest[i];
    if (quoted) {
      if (c == '\\') ++i;
      else if (c == '"') quoted = false;
      continue;
    }
    if (c == '"') quoted = true;
    if (c == '(') ++depth;
    if (c == ')' && --depth == 0 && i + 1 != rest.size()) return std::nullopt;
  }
  std::string_view inside = rest.substr(open + 1, rest.size() - open - 2);
  if (trim(inside).empty()) return std::vector<std::string>{};
  return split_at(inside, ',');
}

void need_arguments(const std::vector<std::string>& args, size_t low, size_t high, const char* name) {
  if (args.size() < low || args.size() > high) {
    fail(std::string(name) + " takes " +
         (low == high ? std::to_string(low) : std::to_string(low) + " to " + std::to_string(high)) + " argument" +
         (high == 1 ? "" : "s"));
  }
}

struct Parameter {
  const char* name;
  int target;
  int id;
  bool settable;
};

constexpr Parameter kParameters[] = {
    {"timeout", kDrvTargetRun, kDrvParTimeout, true},
    {"inqueue", kDrvTargetRun, kDrvParInQueue, false},
    {"rate", kDrvTargetRun, kDrvParSampleRate, false},
    {"blocklength", kDrvTargetRun, kDrvParBlockLength, false},
    {"channels", kDrvTargetRun, kDrvParChannelCount, false},
    {"initchannel", kDrvTargetRun, kDrvParInitChannel, false},
    {"hwchannel", kDrvTargetChannel, kDrvParHwChannel, false},
    {"range", kDrvTargetChannel, kDrvParRange, true},
    {"offset", kDrvTargetChannel, kDrvParZeroOffset, true},
    {"fullscale", kDrvTargetChannel, kDrvParFullScale, true},
};

// "name" or "name(channel)": the parameter and its channel expression.
std::pair<const Parameter*, std::optional<std::string>> parameter_of(std::string_view text) {
  const std::string t = trim(text);
  for (const Parameter& p : kParameters) {
    if (p.target == kDrvTargetRun && t == p.name) return {&p, std::nullopt};
    if (p.target == kDrvTargetChannel) {
      if (t == p.name) fail(std::string("parameter ") + p.name + " needs a channel: " + p.name + "(CHANNEL)");
      if (auto args = call_of(t, p.name)) {
        need_arguments(*args, 1, 1, p.name);
        return {&p, expression((*args)[0], "channel")};
      }
    }
  }
  fail("unknown parameter '" + t + "'");
}

enum class BlockKind { kIf, kLoop };

struct Block {
  Block(BlockKind k, int l) : kind(k), line(l) {}
  BlockKind kind;
  int line;
  size_t condition = 0;        // if: the conditional statement
  std::optional<size_t> jump;  // if with else: the jump over the else part
  std::vector<size_t> breaks;  // loop: its break statements
};

struct PendingGoto {
  size_t statement;
  std::string label;
  int line;
};

constexpr std::string_view kRunSections[] = {"InitDevice", "InitChan", "ACQStart", "ACQRead", "ACQStop"};

class Compiler {
 public:
  explicit Compiler(std::vector<Diagnostic>& errors) : errors_(errors) {}

  Program run(std::string_view source) {
    int line_number = 0;
    size_t start = 0;
    while (start <= source.size()) {
      size_t end = source.find('\n', start);
      if (end == std::string_view::npos) end = source.size();
      ++line_number;
      line_ = line_number;
      try {
        line(strip_comment(source.substr(start, end - start)));
      } catch (const LineError& e) {
        errors_.push_back({line_number, e.what()});
      }
      start = end + 1;
    }
    if (section_) {
      for (const Block& b : blocks_) error(b.line, std::string(b.kind == BlockKind::kIf ? "if" : "loop") + " without end");
      error(section_line_, "section " + program_.sections.back().name + " without end");
      close_section();
    }
    return std::move(program_);
  }

 private:
  void error(int line, std::string message) { errors_.push_back({line, std::move(message)}); }

  Section& current() { return program_.sections.back(); }
  size_t number_of(size_t index) const { return index + 1; }

  size_t add(int type, std::initializer_list<std::optional<std::string>> args) {
    Statement s;
    s.type = type;
    s.line = line_;
    size_t k = 0;
    for (const auto& a : args) s.args[k++] = a;
    current().statements.push_back(std::move(s));
    return current().statements.size() - 1;
  }
  void patch(size_t statement, size_t arg, size_t target) {
    current().statements[statement].args[arg] = std::to_string(number_of(target));
  }

  void line(const std::string& text) {
    if (text.empty()) return;
    const std::vector<std::string> w = words(text);
    const std::string& key = w[0];
    const std::string rest = trim(std::string_view(text).substr(key.size()));
    if (key == "section") return open_section(rest);
    if (!section_) fail("statement outside a section");
    if (text.back() == ':' && is_identifier(std::string_view(text).substr(0, text.size() - 1)))
      return label(text.substr(0, text.size() - 1));
    if (key == "end") {
      if (!rest.empty()) fail("end takes nothing after it");
      return end_block();
    }
    if (key == "if" || key == "loop" || key == "repeat") return open_block(key, rest);
    if (key == "else") {
      if (!rest.empty()) fail("else takes nothing after it");
      return else_part();
    }
    if (key == "break") return break_loop(rest);
    if (key == "goto") return go_to(rest);
    if (key == "wait") {
      add(kDrvWait, {expression(rest, "time in ms")});
      add(kNoOp, {});  // the kernel skips the statement after a wait
      return;
    }
    if (key == "return") {
      add(kDrvReturn, {rest.empty() ? std::string("0") : expression(rest)});
      return;
    }
    if (key == "message") {
      add(kDrvMessage, {text_operand(rest)});
      return;
    }
    if (key == "flush") {
      if (!rest.empty()) fail("flush takes nothing after it");
      add(kDrvDeviceIO, {std::to_string(kDrvIoFlush)});
      return;
    }
    if (key == "write") return write(w);
    if (key == "read") return read(w);
    if (key == "store") return store(w);
    if (key == "set") return set(rest);
    if (assignment(text)) return;
    fail("unknown statement '" + key + "'");
  }

  void open_section(const std::string& name) {
    if (section_) {
      // Report the missing end and go on as if it had been there.
      for (const Block& b : blocks_) error(b.line, std::string(b.kind == BlockKind::kIf ? "if" : "loop") + " without end");
      error(line_, "section inside section " + current().name + " (missing end?)");
      close_section();
    }
    if (!is_identifier(name)) fail("section needs a name");
    if (name.size() >= 40) fail("section name longer than 39 characters");
    bool runs = false;
    for (std::string_view s : kRunSections) runs = runs || name.find(s) != std::string::npos;
    if (!runs) fail("section " + name + " is never run: its name must contain InitDevice, InitChan, ACQStart, ACQRead or ACQStop");
    for (const Section& s : program_.sections)
      if (s.name == name) fail("section " + name + " defined twice (first on line " + std::to_string(s.line) + ")");
    program_.sections.push_back(Section{name, line_, {}});
    section_ = true;
    section_line_ = line_;
    labels_.clear();
    gotos_.clear();
    blocks_.clear();
  }

  void close_section() {
    for (const PendingGoto& g : gotos_) {
      auto it = labels_.find(g.label);
      if (it == labels_.end()) {
        error(g.line, "goto to unknown label " + g.label);
      } else {
        patch(g.statement, 0, it->second);
      }
    }
    if (current().statements.size() > 0xFFFF) error(section_line_, "section with more than 65535 statements");
    section_ = false;
  }

  void label(const std::string& name) {
    if (labels_.count(name)) fail("label " + name + " defined twice");
    labels_[name] = add(kNoOp, {});
  }

  void go_to(const std::string& name) {
    if (!is_identifier(name)) fail("goto needs a label name");
    gotos_.push_back({add(kDrvJump, {std::string("0")}), name, line_});
  }

  // A block whose opening line is wrong still opens, so that its "end" does not close the section.
  void open_block(const std::string& key, const std::string& rest) {
    try {
      if (key == "if") return open_if(rest);
      if (key == "loop") return open_loop(rest);
      return open_repeat(rest);
    } catch (const LineError&) {
      Block b(key == "if" ? BlockKind::kIf : BlockKind::kLoop, line_);
      b.condition = add(kNoOp, {});
      blocks_.push_back(b);
      throw;
    }
  }

  void open_if(const std::string& condition) {
    Block b{BlockKind::kIf, line_};
    b.condition = add(kDrvIf, {expression(condition, "condition"), std::string("0")});
    blocks_.push_back(b);
  }

  void else_part() {
    if (blocks_.empty() || blocks_.back().kind != BlockKind::kIf) fail("else without if");
    Block& b = blocks_.back();
    if (b.jump) fail("second else for the if on line " + std::to_string(b.line));
    b.jump = add(kDrvJump, {std::string("0")});
    patch(b.condition, 1, add(kNoOp, {}));
  }

  void open_loop(const std::string& rest) {
    // loop xN = START to LIMIT [step STEP]
    const std::vector<std::string> w = words(rest);
    if (w.size() < 5 || w[1] != "=") fail("loop needs: loop xN = START to LIMIT [step STEP]");
    const auto n = variable_number(w[0], 'x');
    if (!n) fail("loop needs a numeric variable x1..x64, not '" + w[0] + "'");
    std::string start, limit, step;
    std::string* into = &start;
    for (size_t i = 2; i < w.size(); ++i) {
      if (w[i] == "to" && into == &start) {
        into = &limit;
      } else if (w[i] == "step" && into == &limit) {
        into = &step;
      } else {
        *into += (into->empty() ? "" : " ") + w[i];
      }
    }
    if (into == &start) fail("loop needs 'to LIMIT'");
    if (into == &step && step.empty()) fail("missing step after 'step'");
    Block b{BlockKind::kLoop, line_};
    add(kDrvLoopStart, {std::to_string(*n), expression(start, "start value"), expression(limit, "limit"),
                        step.empty() ? std::nullopt : std::optional<std::string>(expression(step, "step"))});
    blocks_.push_back(b);
  }

  void open_repeat(const std::string& count) {
    Block b{BlockKind::kLoop, line_};
    add(kDrvLoopStart, {std::nullopt, count.empty() ? std::string("0") : expression(count, "repeat count")});
    blocks_.push_back(b);
  }

  void break_loop(const std::string& rest) {
    if (!rest.empty()) fail("break takes nothing after it");
    for (auto it = blocks_.rbegin(); it != blocks_.rend(); ++it) {
      if (it->kind == BlockKind::kLoop) {
        it->breaks.push_back(add(kDrvBreak, {std::string("0")}));
        return;
      }
    }
    fail("break outside a loop");
  }

  void end_block() {
    if (blocks_.empty()) return close_section();
    Block b = blocks_.back();
    blocks_.pop_back();
    if (b.kind == BlockKind::kIf) {
      const size_t end = add(kNoOp, {});
      patch(b.jump ? *b.jump : b.condition, b.jump ? 0 : 1, end);
    } else {
      const size_t end = add(kDrvLoopEnd, {});
      for (size_t br : b.breaks) patch(br, 0, end);
    }
  }

  // write TEXT [cr|lf|crlf] [count EXPR]
  void write(const std::vector<std::string>& w) {
    if (w.size() < 2) fail("write needs a text");
    std::optional<std::string> ending, count;
    for (size_t i = 2; i < w.size(); ++i) {
      if (w[i] == "cr" || w[i] == "lf" || w[i] == "crlf") {
        if (ending) fail("second line end in write");
        ending = w[i] == "cr" ? "1" : w[i] == "lf" ? "2" : "3";
      } else if (w[i] == "count" && i + 1 < w.size()) {
        count = expression(w[++i], "count");
      } else {
        fail("unexpected '" + w[i] + "' in write (expected cr, lf, crlf or count EXPR)");
      }
    }
    add(kDrvDeviceIO, {std::to_string(kDrvIoWrite), text_operand(w[1]), ending.value_or("0"), count});
  }

  // read DEST [length EXPR] [until cr|lf|none|EXPR] [timeout EXPR]
  void read(const std::vector<std::string>& w) {
    if (w.size() < 2) fail("read needs a variable (xN or $N)");
    std::string dest;
    if (auto n = variable_number(w[1], 'x')) {
      dest = std::to_string(*n);
    } else if (auto t = variable_number(w[1], '$')) {
      dest = "$" + std::to_string(*t);
    } else {
      fail("read needs a variable (xN or $N), not '" + w[1] + "'");
    }
    std::optional<std::string> length, timeout;
    std::string until = std::to_string(kLineFeed);
    bool exact = false;
    for (size_t i = 2; i < w.size(); ++i) {
      const bool has_value = i + 1 < w.size();
      if (w[i] == "length" && has_value) {
        length = expression(w[++i], "length");
      } else if (w[i] == "until" && has_value) {
        const std::string& u = w[++i];
        exact = u == "none";
        until = u == "cr" ? std::to_string(kCarriageReturn) : u == "lf" ? std::to_string(kLineFeed)
                : exact ? "0" : expression(u, "terminator");
      } else if (w[i] == "timeout" && has_value) {
        timeout = expression(w[++i], "time-out");
      } else {
        fail("unexpected '" + w[i] + "' in read (expected length EXPR, until cr|lf|none|EXPR, timeout EXPR)");
      }
    }
    if (exact && !length) fail("read until none needs a length");
    add(kDrvDeviceIO, {std::to_string(kDrvIoRead), dest, length.value_or(std::to_string(kMaxReply)), until, timeout});
  }

  // store FORMAT [to CHANNEL]
  void store(const std::vector<std::string>& w) {
    if (w.size() < 2) fail("store needs a format text");
    const std::string format = text_operand(w[1]);
    if (format[0] == '@') fail("store needs a format string or a text variable");
    if (w.size() == 2) {
      add(kDrvDeviceIO, {std::to_string(kDrvIoStore), format});
      return;
    }
    if (w.size() != 4 || w[2] != "to") fail("store takes: store FORMAT [to CHANNEL]");
    add(kDrvDeviceIO, {std::to_string(kDrvIoStore), format, std::to_string(kDrvTargetChannel), expression(w[3], "channel")});
  }

  // set PARAMETER = EXPR
  void set(const std::string& rest) {
    const std::vector<std::string> sides = split_at(rest, '=');
    if (sides.size() != 2) fail("set needs: set PARAMETER = VALUE");
    auto [p, channel] = parameter_of(sides[0]);
    if (!p->settable) fail(std::string("parameter ") + p->name + " cannot be set");
    add(kDrvSetParameter, {expression(sides[1], "value"), std::to_string(p->target), std::to_string(p->id), channel});
  }

  // xN = ... or $N = ...; false when the line is not an assignment.
  bool assignment(const std::string& text) {
    size_t eq = std::string::npos;
    scan_top_level(text, [&](size_t i) {
      if (text[i] == '=') {
        eq = i;
        return true;
      }
      return false;
    });
    if (eq == std::string::npos) return false;
    const std::string lhs = trim(std::string_view(text).substr(0, eq));
    const std::string rhs = trim(std::string_view(text).substr(eq + 1));
    if (auto n = variable_number(lhs, 'x')) {
      numeric_assignment(*n, rhs);
      return true;
    }
    if (auto n = variable_number(lhs, '$')) {
      text_assignment(*n, rhs);
      return true;
    }
    if (is_identifier(lhs)) fail("cannot assign to '" + lhs + "': variables are x1..x64 and $1..$64");
    return false;
  }

  void numeric_assignment(int n, const std::string& rhs) {
    const std::string var = std::to_string(n);
    if (rhs.empty()) fail("missing value after '='");
    if (rhs.rfind("get ", 0) == 0) {
      auto [p, channel] = parameter_of(rhs.substr(4));
      add(kDrvGetParameter, {var, std::to_string(p->target), std::to_string(p->id), channel});
      return;
    }
    if (auto a = call_of(rhs, "measured")) {
      need_arguments(*a, 1, 1, "measured");
      add(kDrvDeviceIO, {std::to_string(kDrvIoChannelOf), var, expression((*a)[0], "index")});
      return;
    }
    struct TextTest {
      const char* name;
      int type;
      size_t texts;
    };
    static constexpr TextTest kTests[] = {{"equal", kDrvEqual, 2}, {"find", kDrvFind, 2}, {"len", kDrvLength, 1},
                                          {"val", kDrvValue, 1}};
    for (const TextTest& t : kTests) {
      if (auto a = call_of(rhs, t.name)) {
        need_arguments(*a, t.texts, t.texts, t.name);
        add(t.type, {var, text_operand((*a)[0]), t.texts > 1 ? std::optional(text_operand((*a)[1])) : std::nullopt});
        return;
      }
    }
    if (rhs[0] == '"') fail("a numeric variable cannot take a string (use val(...) or a text variable $N)");
    add(kDrvAssign, {var, expression(rhs)});
  }

  void text_assignment(int n, const std::string& rhs) {
    const std::string var = std::to_string(n);
    if (rhs.empty()) fail("missing value after '='");
    if (rhs[0] == '"') {
      add(kDrvAssign, {var, '"' + string_literal(rhs) + '"'});
      return;
    }
    if (auto t = variable_number(rhs, '$')) {
      add(kDrvConcat, {var, "$" + std::to_string(*t)});
      return;
    }
    if (auto a = call_of(rhs, "fixed")) {
      need_arguments(*a, 1, 2, "fixed");
      add(kDrvFormat, {var, expression((*a)[0]),
                       a->size() > 1 ? std::optional(expression((*a)[1], "decimals")) : std::nullopt});
      return;
    }
    if (auto a = call_of(rhs, "concat")) {
      need_arguments(*a, 1, kArguments - 1, "concat");
      Statement s;
      s.type = kDrvConcat;
      s.line = line_;
      s.args[0] = var;
      for (size_t k = 0; k < a->size(); ++k) s.args[k + 1] = text_operand((*a)[k]);
      current().statements.push_back(std::move(s));
      return;
    }
    if (auto a = call_of(rhs, "mid")) {
      need_arguments(*a, 2, 3, "mid");
      add(kDrvMid, {var, text_operand((*a)[0]), expression((*a)[1], "start"),
                    a->size() > 2 ? std::optional(expression((*a)[2], "length")) : std::nullopt});
      return;
    }
    if (auto a = call_of(rhs, "chr")) {
      need_arguments(*a, 1, 1, "chr");
      add(kDrvChar, {var, expression((*a)[0], "character code")});
      return;
    }
    fail("a text variable takes a string, a text variable, fixed(), concat(), mid() or chr()");
  }

  std::vector<Diagnostic>& errors_;
  Program program_;
  int line_ = 0;
  bool section_ = false;
  int section_line_ = 0;
  std::vector<Block> blocks_;
  std::map<std::string, size_t> labels_;
  std::vector<PendingGoto> gotos_;
};

}  // namespace

Program compile_source(std::string_view source, std::vector<Diagnostic>& errors) {
  Compiler compiler(errors);
  Program program = compiler.run(source);
  std::stable_sort(errors.begin(), errors.end(), [](const Diagnostic& a, const Diagnostic& b) { return a.line < b.line; });
  return program;
}

}  // namespace drvc
