// Textbook recursive descent: formula = logic; each level parses its stronger neighbour and loops
// over its own operators, which makes every level left-associative. A sign is allowed only at the
// start of a formula, a group or a function argument, and binds to the first primary only.
#include "reference_parser.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <map>

#include "node_walk.h"

namespace formula_test {

namespace {

// A parsed piece: its canonical text, value, node count, and whether it is a plain operand.
struct Piece {
  std::string text;
  double value = 0.0;
  int nodes = 0;
  bool plain = false;
};

class Parser {
 public:
  Parser(const std::string& s, const double* args) : s_(s), args_(args) {}

  bool parse(Piece& out) {
    if (!formula(out)) return false;
    return pos_ == s_.size();
  }

 private:
  char peek() const { return pos_ < s_.size() ? s_[pos_] : '\0'; }

  bool formula(Piece& out) { return level(0, true, out); }

  // Levels 0..4 are the operator classes; 5 is a (possibly signed) primary.
  bool level(int lvl, bool first, Piece& out) {
    static const std::string kOps[5] = {"&|", "><=~!?", "+-", "*/%", "^"};
    static const std::map<char, int> kCodes = {{'&', 31}, {'|', 32}, {'>', 29}, {'<', 28}, {'=', 30},
                                               {'~', 33}, {'!', 34}, {'?', 35}, {'+', 40}, {'-', 42},
                                               {'*', 41}, {'/', 43}, {'%', 26}, {'^', 27}};
    if (lvl == 5) return first ? signed_primary(out) : primary(out);
    if (!level(lvl + 1, first, out)) return false;
    while (peek() != '\0' && kOps[lvl].find(peek()) != std::string::npos) {
      const char op = s_[pos_++];
      Piece right;
      if (!level(lvl + 1, false, right)) return false;
      out = combine(std::string("(") + out.text + op + right.text + ")",
                    apply_operation(kCodes.at(op), out.value, right.value), out, &right);
    }
    return true;
  }

  static Piece combine(std::string text, double value, const Piece& a, const Piece* b) {
    Piece p;
    p.text = std::move(text);
    p.value = value;
    p.nodes = 1 + a.nodes + (b ? b->nodes : 0);
    return p;
  }

  bool signed_primary(Piece& out) {
    const char c = peek();
    if (c != '-' && c != '+') return primary(out);
    ++pos_;
    const char next = pos_ < s_.size() ? static_cast<char>(std::tolower(static_cast<unsigned char>(s_[pos_]))) : '\0';
    if (c == '-' && (std::isdigit(static_cast<unsigned char>(next)) || next == '.')) {
      --pos_;
      return number(out);
    }
    Piece inner;
    if (!primary(inner)) return false;
    const bool named_sign = c == '-' && (next == 'x' || next == 'c' || next == 'e' || next == 'p');
    if (named_sign && !inner.plain) return false;  // "-cos(" reads as a name, not as a sign: unsupported
    if (named_sign) {  // a negated argument or channel is an operand kind of its own
      out = inner;
      out.text = "-" + inner.text;
      out.value = -inner.value;
      return true;
    }
    out = combine((c == '-' ? "neg[" : "grp[") + inner.text + "]", c == '-' ? -inner.value : inner.value, inner,
                  nullptr);
    return true;
  }

  bool number(Piece& out) {
    const std::size_t start = pos_;
    if (peek() == '-') ++pos_;
    if (s_.compare(pos_, 2, "0x") == 0) {
      pos_ += 2;
      double v = 0;
      while (std::isxdigit(static_cast<unsigned char>(peek()))) {
        const char h = static_cast<char>(std::tolower(static_cast<unsigned char>(s_[pos_++])));
        v = v * 16 + (std::isdigit(static_cast<unsigned char>(h)) ? h - '0' : h - 'a' + 10);
      }
      out = Piece{"", s_[start] == '-' ? -v : v, 0, true};
    } else {
      while (std::isdigit(static_cast<unsigned char>(peek()))) ++pos_;
      if (peek() == '.') {
        ++pos_;
        while (std::isdigit(static_cast<unsigned char>(peek()))) ++pos_;
      }
      if (peek() == 'e') {
        ++pos_;
        if (peek() == '+' || peek() == '-') ++pos_;
        while (std::isdigit(static_cast<unsigned char>(peek()))) ++pos_;
      }
      double v = 0;
      std::from_chars(s_.data() + start, s_.data() + pos_, v);
      out = Piece{"", v, 0, true};
    }
    char buffer[64];
    out.text.assign(buffer, std::to_chars(buffer, buffer + sizeof buffer, out.value).ptr);
    return pos_ > start;
  }

  bool primary(Piece& out) {
    static const std::map<std::string, int> kOne = {
        {"sin", 5},  {"cos", 6},   {"sqrt", 7},   {"tan", 8},   {"exp", 9},  {"ln", 10},
        {"log", 11}, {"acos", 12}, {"asin", 13},  {"atan", 14}, {"abs", 15}, {"floor", 16},
        {"ceil", 17}, {"int", 19}, {"sgn", 20}};
    static const std::map<std::string, int> kTwo = {{"min", 22}, {"max", 23}, {"atan2", 24}, {"hypot", 25}};
    const char c = peek();
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') return number(out);
    if (c == '(') {
      ++pos_;
      Piece inner;
      if (!formula(inner) || peek() != ')') return false;
      ++pos_;
      out = combine("grp[" + inner.text + "]", inner.value, inner, nullptr);
      return true;
    }
    std::string word;
    while (std::isalpha(static_cast<unsigned char>(peek()))) word += s_[pos_++];
    if (word == "atan" && peek() == '2') word += s_[pos_++];
    if ((word == "x" || word == "X" || word == "c" || word == "C") && std::isdigit(static_cast<unsigned char>(peek()))) {
      int n = 0;
      while (std::isdigit(static_cast<unsigned char>(peek()))) n = n * 10 + (s_[pos_++] - '0');
      const bool arg = word == "x" || word == "X";
      out = Piece{(arg ? "x" : "c") + std::to_string(n), arg ? args_[n % 64] : std::nan(""), 0, true};
      return true;
    }
    if (peek() != '(') return false;
    ++pos_;
    Piece a;
    if (!formula(a)) return false;
    if (auto it = kOne.find(word); it != kOne.end()) {
      if (peek() != ')') return false;
      ++pos_;
      out = combine(word + "[" + a.text + "]", apply_operation(it->second, a.value, 0), a, nullptr);
      return true;
    }
    auto it = kTwo.find(word);
    if (it == kTwo.end() || peek() != ',') return false;
    ++pos_;
    Piece b;
    if (!formula(b) || peek() != ')') return false;
    ++pos_;
    out = combine(word + "[" + a.text + "," + b.text + "]", apply_operation(it->second, a.value, b.value), a, &b);
    return true;
  }

  const std::string& s_;
  const double* args_;
  std::size_t pos_ = 0;
};

}  // namespace

Reference parse_reference(const std::string& text, const double* args) {
  Reference r;
  Piece p;
  Parser parser(text, args);
  if (!parser.parse(p)) return r;
  r.ok = true;
  r.canonical = p.text;
  r.value = p.value;
  r.nodes = p.nodes == 0 ? 1 : p.nodes;
  return r;
}

}  // namespace formula_test
