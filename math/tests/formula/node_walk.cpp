// Reading compiled formulas as an evaluator does, written from the documented node layout only.
#include "node_walk.h"

#include <charconv>
#include <cmath>
#include <map>
#include <set>
#include <vector>

namespace formula_test {

namespace {

const std::map<int, std::string>& one_argument_names() {
  static const std::map<int, std::string> names = {
      {3, "neg"},   {4, "grp"},    {5, "sin"},   {6, "cos"},    {7, "sqrt"},  {8, "tan"},
      {9, "exp"},   {10, "ln"},    {11, "log"},  {12, "acos"},  {13, "asin"}, {14, "atan"},
      {15, "abs"},  {16, "floor"}, {17, "ceil"}, {18, "rnd"},   {19, "int"},  {20, "sgn"}};
  return names;
}

const std::map<int, std::string>& two_argument_names() {
  static const std::map<int, std::string> names = {{21, "bit"},   {22, "min"},   {23, "max"},
                                                   {24, "atan2"}, {25, "hypot"}, {101, "db"}};
  return names;
}

const std::map<int, char>& operator_characters() {
  static const std::map<int, char> chars = {{26, '%'}, {27, '^'}, {28, '<'}, {29, '>'}, {30, '='},
                                            {31, '&'}, {32, '|'}, {33, '~'}, {34, '!'}, {35, '?'},
                                            {40, '+'}, {41, '*'}, {42, '-'}, {43, '/'}};
  return chars;
}

bool known_kind(int kind) {
  static const std::set<int> kinds = {1, 2, 3, 4, 5, 9, 10, 11, 12, 13, 18, 19, 20, 200, 255};
  return kinds.count(kind) != 0;
}

std::string number_text(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string operand_text(int kind, double constant, int32_t number) {
  const std::string n = std::to_string(number);
  switch (kind) {
    case 1: return "x" + n;
    case 9: return "-x" + n;
    case 2: return "c" + n;
    case 5: return "-c" + n;
    case 3: return "d" + n;
    case 4: return "time";
    case 10: return "loc" + n;
    case 18: return "-loc" + n;
    case 11: return "par" + n;
    case 19: return "-par" + n;
    case 12: return "sys" + n;
    case 20: return "-sys" + n;
    case 13: return "y" + n;
    case 255: return number_text(constant);
    default: return "?" + std::to_string(kind);
  }
}

// Walks the subtree at `k`; returns the index after its last node, or -1 with `why` set.
int walk(const CompiledFormula& f, int k, int last, std::string& why) {
  if (k > last) {
    why = "operand sub-formula beyond the last node";
    return -1;
  }
  const Node n = node_at(f, k);
  std::vector<int> kinds;
  if (n.operation == 0) {
    why = "plain operand node inside a tree at " + std::to_string(k);
    return -1;
  }
  if (one_argument_names().count(n.operation)) {
    if (n.right_kind != 0) {
      why = "one-argument node with a right operand at " + std::to_string(k);
      return -1;
    }
    kinds = {n.left_kind};
  } else if (two_argument_names().count(n.operation) || operator_characters().count(n.operation)) {
    kinds = {n.left_kind, n.right_kind};
  } else if (n.operation == 100) {
    if (n.left_kind != 255) {
      why = "array node without its number";
      return -1;
    }
    kinds = {n.right_kind};
    if (n.index2_kind != 0) kinds.push_back(n.index2_kind);
    if (n.index3_kind != 0) {
      if (n.index2_kind == 0) {
        why = "third index without a second";
        return -1;
      }
      kinds.push_back(n.index3_kind);
    }
  } else {
    why = "unknown operation " + std::to_string(n.operation) + " at " + std::to_string(k);
    return -1;
  }
  int next = k + 1;
  for (int kind : kinds) {
    if (!known_kind(kind)) {
      why = "unknown operand kind " + std::to_string(kind) + " at " + std::to_string(k);
      return -1;
    }
    if (kind == 200) {
      next = walk(f, next, last, why);
      if (next < 0) return -1;
    }
  }
  return next;
}

struct Rendered {
  std::string text;
  int next;
};

Rendered render_at(const CompiledFormula& f, int k) {
  const Node n = node_at(f, k);
  int next = k + 1;
  auto operand = [&](int kind, double constant, int32_t number) {
    if (kind != 200) return operand_text(kind, constant, number);
    Rendered sub = render_at(f, next);
    next = sub.next;
    return sub.text;
  };
  if (n.operation == 0) return {operand_text(n.left_kind, n.left_constant, n.left_number), next};
  if (auto it = one_argument_names().find(n.operation); it != one_argument_names().end()) {
    return {it->second + "[" + operand(n.left_kind, n.left_constant, n.left_number) + "]", next};
  }
  if (auto it = two_argument_names().find(n.operation); it != two_argument_names().end()) {
    std::string left = operand(n.left_kind, n.left_constant, n.left_number);
    std::string right = operand(n.right_kind, n.right_constant, n.right_number);
    return {it->second + "[" + left + "," + right + "]", next};
  }
  if (auto it = operator_characters().find(n.operation); it != operator_characters().end()) {
    std::string left = operand(n.left_kind, n.left_constant, n.left_number);
    std::string right = operand(n.right_kind, n.right_constant, n.right_number);
    return {"(" + left + it->second + right + ")", next};
  }
  if (n.operation == 100) {
    std::string text = "a" + number_text(n.left_constant) + "[" + operand(n.right_kind, n.right_constant, n.right_number);
    if (n.index2_kind != 0) text += "," + operand(n.index2_kind, n.left_number, n.left_number);
    if (n.index3_kind != 0) text += "," + operand(n.index3_kind, n.right_number, n.right_number);
    return {text + "]", next};
  }
  return {"?op" + std::to_string(n.operation), next};
}

}  // namespace

Node node_at(const CompiledFormula& formula, int index) {
  const FormulaNode& n = formula.node[index];
  return Node{n.operation, n.left_constant, n.right_constant, n.left_kind, n.right_kind,
              n.index2_kind, n.index3_kind, n.left_number, n.right_number};
}

std::string check_layout(const CompiledFormula& formula, int first, int last) {
  if (first < 0 || last < first || last >= NUMERA32_FORMULA_NODES) return "node range outside the record";
  if (node_at(formula, first).operation == 0) {
    return first == last ? "" : "plain operand root followed by more nodes";
  }
  std::string why;
  const int next = walk(formula, first, last, why);
  if (next < 0) return why;
  if (next != last + 1) return "tree ends at " + std::to_string(next - 1) + ", counter says " + std::to_string(last);
  return "";
}

std::string render(const CompiledFormula& formula, int first) { return render_at(formula, first).text; }

double apply_operation(int operation, double x, double y) {
  switch (operation) {
    case 3: return -x;
    case 4: return x;
    case 5: return std::sin(x);
    case 6: return std::cos(x);
    case 7: return std::sqrt(x);
    case 8: return std::tan(x);
    case 9: return std::exp(x);
    case 10: return std::log(x);
    case 11: return std::log10(x);
    case 12: return std::acos(x);
    case 13: return std::asin(x);
    case 14: return std::atan(x);
    case 15: return std::fabs(x);
    case 16: return std::floor(x);
    case 17: return std::ceil(x);
    case 19: return std::round(x);
    case 20: return x < 0 ? -1.0 : 1.0;
    case 22: return x < y ? x : y;
    case 23: return x > y ? x : y;
    case 24: return std::atan2(x, y);
    case 25: return std::hypot(x, y);
    case 26: return std::fmod(std::trunc(x), std::trunc(y));
    case 27: return std::pow(x, y);
    case 28: return x < y;
    case 29: return x > y;
    case 30: return x == y;
    case 31: return x != 0 && y != 0;
    case 32: return x != 0 || y != 0;
    case 33: return x != y;
    case 34: return x >= y;
    case 35: return x <= y;
    case 40: return x + y;
    case 41: return x * y;
    case 42: return x - y;
    case 43: return x / y;
    default: return std::nan("");
  }
}

double evaluate(const CompiledFormula& formula, int last, const double* args, ArrayAccess* access) {
  std::vector<double> stack;
  for (int k = last; k >= 0; --k) {
    const Node n = node_at(formula, k);
    std::size_t taken = 0;
    auto value = [&](int kind, double constant, int32_t number) {
      switch (kind) {
        case 200: {
          const double v = stack[stack.size() - 1 - taken];
          ++taken;
          return v;
        }
        case 255: return constant;
        case 1: return args != nullptr ? args[number % 64] : std::nan("");
        case 9: return args != nullptr ? -args[number % 64] : std::nan("");
        default: return std::nan("");
      }
    };
    double result;
    if (n.operation == 100) {
      const double i = value(n.right_kind, n.right_constant, n.right_number);
      const double j = value(n.index2_kind, n.left_number, n.left_number);
      const double k3 = value(n.index3_kind, n.right_number, n.right_number);
      if (access != nullptr) *access = ArrayAccess{n.left_constant, {i, j, k3}};
      result = std::nan("");
    } else {
      const double x = value(n.left_kind, n.left_constant, n.left_number);
      const double y = value(n.right_kind, n.right_constant, n.right_number);
      result = n.operation == 0 ? x : apply_operation(n.operation, x, y);
    }
    stack.resize(stack.size() - taken);
    stack.push_back(result);
  }
  return stack.empty() ? std::nan("") : stack.back();
}

}  // namespace formula_test
