// A minimal JSON reader for the tests: parses the tool's --json documents back into a tree so
// that fields can be checked by name. Throws std::runtime_error on malformed input.
#pragma once

#include <charconv>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace json_mini {

struct Value {
  enum class Type { kNull, kBool, kNumber, kString, kArray, kObject } type = Type::kNull;
  bool boolean = false;
  double number = 0;
  std::string string;
  std::vector<Value> array;
  std::map<std::string, Value> object;

  const Value& operator[](const std::string& key) const {
    auto it = object.find(key);
    if (type != Type::kObject || it == object.end()) throw std::runtime_error("no member " + key);
    return it->second;
  }
  const Value& operator[](size_t i) const {
    if (type != Type::kArray || i >= array.size()) throw std::runtime_error("no element " + std::to_string(i));
    return array[i];
  }
  bool has(const std::string& key) const { return type == Type::kObject && object.count(key) != 0; }
  size_t size() const { return type == Type::kArray ? array.size() : object.size(); }
};

class Parser {
 public:
  explicit Parser(const std::string& text) : t_(text) {}
  Value parse() {
    Value v = value();
    ws();
    if (p_ != t_.size()) fail("trailing characters");
    return v;
  }

 private:
  [[noreturn]] void fail(const std::string& why) { throw std::runtime_error("JSON: " + why + " at " + std::to_string(p_)); }
  void ws() {
    while (p_ < t_.size() && (t_[p_] == ' ' || t_[p_] == '\n' || t_[p_] == '\r' || t_[p_] == '\t')) ++p_;
  }
  bool eat(const char* word) {
    size_t n = std::char_traits<char>::length(word);
    if (t_.compare(p_, n, word) != 0) return false;
    p_ += n;
    return true;
  }
  std::string str() {
    if (t_[p_] != '"') fail("string expected");
    ++p_;
    std::string out;
    while (p_ < t_.size() && t_[p_] != '"') {
      char c = t_[p_++];
      if (static_cast<unsigned char>(c) < 0x20) fail("control character in string");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (p_ >= t_.size()) fail("bad escape");
      char e = t_[p_++];
      switch (e) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          unsigned cp = static_cast<unsigned>(std::stoul(t_.substr(p_, 4), nullptr, 16));
          p_ += 4;
          if (cp < 0x80) out += static_cast<char>(cp);
          else fail("non-ASCII \\u escape not expected from the tool");
          break;
        }
        default: out += e;
      }
    }
    if (p_ >= t_.size()) fail("unterminated string");
    ++p_;
    return out;
  }
  Value value() {
    ws();
    if (p_ >= t_.size()) fail("value expected");
    Value v;
    char c = t_[p_];
    if (c == '{') {
      v.type = Value::Type::kObject;
      ++p_;
      ws();
      if (t_[p_] == '}') { ++p_; return v; }
      while (true) {
        ws();
        std::string k = str();
        ws();
        if (t_[p_++] != ':') fail(": expected");
        v.object[k] = value();
        ws();
        if (t_[p_] == ',') { ++p_; continue; }
        if (t_[p_] == '}') { ++p_; return v; }
        fail(", or } expected");
      }
    }
    if (c == '[') {
      v.type = Value::Type::kArray;
      ++p_;
      ws();
      if (t_[p_] == ']') { ++p_; return v; }
      while (true) {
        v.array.push_back(value());
        ws();
        if (t_[p_] == ',') { ++p_; continue; }
        if (t_[p_] == ']') { ++p_; return v; }
        fail(", or ] expected");
      }
    }
    if (c == '"') {
      v.type = Value::Type::kString;
      v.string = str();
      return v;
    }
    if (eat("true")) { v.type = Value::Type::kBool; v.boolean = true; return v; }
    if (eat("false")) { v.type = Value::Type::kBool; return v; }
    if (eat("null")) return v;
    v.type = Value::Type::kNumber;
    auto [end, ec] = std::from_chars(t_.data() + p_, t_.data() + t_.size(), v.number);
    if (ec != std::errc()) fail("number expected");
    p_ = static_cast<size_t>(end - t_.data());
    return v;
  }
  const std::string& t_;
  size_t p_ = 0;
};

inline Value parse(const std::string& text) { return Parser(text).parse(); }

}  // namespace json_mini
