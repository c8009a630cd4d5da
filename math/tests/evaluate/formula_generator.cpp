// Formula generation and the reference evaluation (see formula_generator.h). The reference follows the
// language rules directly: operation meanings, domain rules and replacement values, evaluation order.
#include "formula_generator.h"

#include <charconv>
#include <cmath>
#include <map>

namespace differential {

namespace {

constexpr double kFailed = 3.4028234663852886e+38;
constexpr int32_t kDomain = -4;
constexpr int32_t kDivide = -7;

const std::string kBinary = "&|><=~!?+-*/%^";
const std::vector<std::string> kUnaryFunctions = {"sin", "cos", "sqrt", "tan", "exp", "ln", "log", "acos",
                                                  "asin", "atan", "abs", "floor", "ceil", "int", "sgn"};
const std::vector<std::string> kBinaryFunctions = {"bit", "min", "max", "atan2", "hypot"};

int precedence(char op) {
  switch (op) {
    case '&': case '|': return 1;
    case '>': case '<': case '=': case '~': case '!': case '?': return 2;
    case '+': case '-': return 3;
    case '*': case '/': case '%': return 4;
    default: return 5;
  }
}

bool is_binary_operator(const std::string& op) { return op.size() == 1 && kBinary.find(op[0]) != std::string::npos; }

std::string number_text(double v) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
  std::string s(buffer, end);
  return std::signbit(v) ? "(" + s + ")" : s;
}

// A number used as an integer: cut towards zero, at most the 32-bit bounds.
double integer_part(double v) {
  if (std::isnan(v)) return 0.0;
  return std::trunc(std::fmin(2147483647.0, std::fmax(-2147483648.0, v)));
}

struct Outcome {
  double value;
  int32_t error;
};

// The value of an operation with its domain rule; on an error the text evaluators' replacement.
Outcome apply(const std::string& op, double x, double y) {
  if (op == "neg") return {-x, 0};
  if (op == "grp") return {x, 0};
  if (op == "+") return {x + y, 0};
  if (op == "-") return {x - y, 0};
  if (op == "*") return {x * y, 0};
  if (op == "/") return y == 0 ? Outcome{kFailed, kDivide} : Outcome{x / y, 0};
  if (op == "%") {
    const double a = integer_part(x);
    const double b = integer_part(y);
    if (b == 0) return {kFailed, kDivide};
    const double r = std::fmod(a, b);
    return {r == 0 ? 0.0 : r, 0};
  }
  if (op == "^") return (y < 1 && x < 0) ? Outcome{kFailed, kDomain} : Outcome{std::pow(x, y), 0};
  if (op == "&") return {(x != 0 && y != 0) ? 1.0 : 0.0, 0};
  if (op == "|") return {(x != 0 || y != 0) ? 1.0 : 0.0, 0};
  if (op == ">") return {x > y ? 1.0 : 0.0, 0};
  if (op == "<") return {x < y ? 1.0 : 0.0, 0};
  if (op == "=") return {x == y ? 1.0 : 0.0, 0};
  if (op == "~") return {x != y ? 1.0 : 0.0, 0};
  if (op == "!") return {x >= y ? 1.0 : 0.0, 0};
  if (op == "?") return {x <= y ? 1.0 : 0.0, 0};
  if (op == "sin") return {std::sin(x), 0};
  if (op == "cos") return {std::cos(x), 0};
  if (op == "tan") return {std::tan(x), 0};
  if (op == "sqrt") return x < 0 ? Outcome{0.0, kDomain} : Outcome{std::sqrt(x), 0};
  if (op == "exp") return {std::exp(x), 0};
  if (op == "ln") return x <= 0 ? Outcome{0.0, kDomain} : Outcome{std::log(x), 0};
  if (op == "log") return x <= 0 ? Outcome{0.0, kDomain} : Outcome{std::log10(x), 0};
  if (op == "acos") return {std::acos(x), 0};
  if (op == "asin") return {std::asin(x), 0};
  if (op == "atan") return {std::atan(x), 0};
  if (op == "abs") return {std::fabs(x), 0};
  if (op == "floor") return {std::floor(x), 0};
  if (op == "ceil") return {std::ceil(x), 0};
  if (op == "int") return {x < 0 ? -std::floor(-x + 0.5) : std::floor(x + 0.5), 0};
  if (op == "sgn") return {x < 0 ? -1.0 : 1.0, 0};
  if (op == "min") return {x < y ? x : y, 0};
  if (op == "max") return {x > y ? x : y, 0};
  if (op == "atan2") return {std::atan2(x, y), 0};
  if (op == "hypot") {
    if (std::isinf(x) || std::isinf(y)) return {HUGE_VAL, 0};
    if (std::isnan(x) || std::isnan(y)) return {NAN, 0};
    const double m = std::fmax(std::fabs(x), std::fabs(y));
    if (m == 0) return {0.0, 0};
    return {m * std::sqrt((x / m) * (x / m) + (y / m) * (y / m)), 0};
  }
  // bit
  const double b = integer_part(y);
  if (b < 0 || b > 31) return {0.0, kDomain};
  const uint32_t word = static_cast<uint32_t>(static_cast<int32_t>(integer_part(x)));
  return {static_cast<double>((word >> static_cast<int>(b)) & 1u), 0};
}

}  // namespace

Generator::Node Generator::leaf(bool comma_free) {
  Node n;
  const int k = pick(10);
  const int i = pick(10);
  switch (pick(comma_free ? 13 : 14)) {
    case 0: {
      static const double kConstants[] = {0, 1, 2, 0.5, -1, -2.5, 3.75, 1e-3, 2.5e+4, 10, 1e-300, 31, -0.0};
      n.value = kConstants[pick(13)];
      n.text = number_text(n.value);
      break;
    }
    case 1:
      n.value = std::round(std::uniform_real_distribution<double>(-10, 10)(random_) * 1000) / 1000;
      n.text = number_text(n.value);
      break;
    case 2: {
      static const std::pair<const char*, double> kNamed[] = {
          {"(e)", 2.7182818}, {"pi", 3.1415926536}, {"(-pi)", -3.1415926536}, {"(-e)", -2.7182818}, {"0x1f", 31}};
      const auto& c = kNamed[pick(5)];
      n.text = c.first;
      n.value = c.second;
      break;
    }
    case 3:
    case 4:
      n.text = (pick(4) == 0 ? "X" : "x") + std::to_string(k);
      n.value = inputs_.arguments[k];
      if (pick(4) == 0) {
        n.text = "(-" + n.text + ")";
        n.value = -n.value;
      }
      break;
    case 5:
      n.text = "x" + std::to_string(16000 + k);
      n.value = inputs_.local_vars[k];
      break;
    case 6:
      n.text = pick(2) ? "x" + std::to_string(24000 + k) : "(-x" + std::to_string(24000 + k) + ")";
      n.value = n.text[0] == '(' ? -inputs_.func_params[k] : inputs_.func_params[k];
      break;
    case 7:
      n.text = "x" + std::to_string(32000 + k);
      n.value = inputs_.sys_arguments[k];
      break;
    case 8:
      n.text = "d" + std::to_string(k);
      n.value = inputs_.db_arguments[k];
      break;
    case 9:
      n.text = "y" + std::to_string(pick(129));
      n.value = inputs_.last_argument;
      break;
    case 10:
      n.text = "c" + std::to_string(1 + k % 3);
      n.value = inputs_.channels[k % 3];
      if (pick(3) == 0) {
        n.text = "(-" + n.text + ")";
        n.value = -n.value;
      }
      break;
    case 11:
    case 12:
      n.text = "a1(" + std::to_string(1 + i % 5) + ")";
      n.value = inputs_.array1[i % 5];
      break;
    default:
      n.text = "a2(" + std::to_string(1 + i % 3) + "," + std::to_string(1 + k % 4) + ")";
      n.value = inputs_.array2[i % 3][k % 4];
      break;
  }
  return n;
}

Generator::Node Generator::generate(int depth, bool comma_free) {
  if (depth == 0 || pick(5) == 0) return leaf(comma_free);
  Node n;
  const int kind = pick(comma_free ? 9 : 10);
  if (kind < 5) {
    n.op = std::string(1, kBinary[static_cast<std::size_t>(pick(static_cast<int>(kBinary.size())))]);
    n.children = {generate(depth - 1, comma_free), generate(depth - 1, comma_free)};
  } else if (kind < 8) {
    n.op = kUnaryFunctions[static_cast<std::size_t>(pick(static_cast<int>(kUnaryFunctions.size())))];
    n.children = {generate(depth - 1, comma_free)};
  } else if (kind == 8) {
    n.op = pick(2) ? "neg" : "grp";
    n.children = {generate(depth - 1, comma_free)};
  } else {
    // Arguments are cut at every comma: no two-argument call or two-index element inside them.
    n.op = kBinaryFunctions[static_cast<std::size_t>(pick(static_cast<int>(kBinaryFunctions.size())))];
    n.children = {generate(std::min(depth - 1, 2), true), generate(std::min(depth - 1, 2), true)};
  }
  covered_.insert(n.op);
  return n;
}

std::string Generator::render(const Node& n) {
  if (n.op.empty()) return n.text;
  if (n.op == "neg") return "(-(" + render(n.children[0]) + "))";
  if (n.op == "grp") return "(" + render(n.children[0]) + ")";
  if (is_binary_operator(n.op)) {
    const int p = precedence(n.op[0]);
    std::string left = render(n.children[0]);
    std::string right = render(n.children[1]);
    const Node& l = n.children[0];
    const Node& r = n.children[1];
    if (is_binary_operator(l.op) && precedence(l.op[0]) < p) left = "(" + left + ")";
    if (is_binary_operator(r.op) && precedence(r.op[0]) <= p) right = "(" + right + ")";
    return left + n.op + right;
  }
  std::string text = n.op + "(" + render(n.children[0]);
  if (n.children.size() > 1) text += "," + render(n.children[1]);
  return text + ")";
}

double Generator::text_value(const Node& n, std::vector<int32_t>& flag_errors, std::vector<int32_t>& status_errors) {
  if (n.op.empty()) return n.value;
  const double x = text_value(n.children[0], flag_errors, status_errors);
  const double y = n.children.size() > 1 ? text_value(n.children[1], flag_errors, status_errors) : 0.0;
  const Outcome o = apply(n.op, x, y);
  if (o.error != 0) {
    flag_errors.push_back(o.error);
    if (!(n.op == "%" && o.error == kDivide)) status_errors.push_back(o.error);
  }
  return o.value;
}

double Generator::compiled_value(const Node& n, int32_t& status) {
  if (n.op.empty()) return n.value;
  const double y = n.children.size() > 1 ? compiled_value(n.children[1], status) : 0.0;
  if (status != 0) return kFailed;
  const double x = compiled_value(n.children[0], status);
  if (status != 0) return kFailed;
  const Outcome o = apply(n.op, x, y);
  if (o.error != 0) {
    status = o.error;
    return kFailed;
  }
  return o.value;
}

Expected Generator::next(int max_depth) {
  while (true) {
    const Node root = generate(max_depth, false);
    Expected e;
    e.text = render(root);
    if (e.text.size() > 255) continue;
    std::vector<int32_t> flag_errors;
    std::vector<int32_t> status_errors;
    e.text_value = text_value(root, flag_errors, status_errors);
    e.flag = flag_errors.empty() ? 0 : flag_errors.back();
    e.status = status_errors.empty() ? 0 : status_errors.back();
    e.compiled_value = compiled_value(root, e.compiled_status);
    return e;
  }
}

}  // namespace differential
