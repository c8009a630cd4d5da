// A small streaming JSON writer for the --json output: one compact document per line, texts
// given in UTF-8, numbers locale-independent (not-a-number and infinities become null).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvane_cli {

class JsonWriter {
 public:
  JsonWriter& begin_object();
  JsonWriter& end_object();
  JsonWriter& begin_array();
  JsonWriter& end_array();
  // The next value's name inside an object.
  JsonWriter& key(std::string_view name);
  JsonWriter& value(std::string_view utf8);
  JsonWriter& value(const char* utf8) { return value(std::string_view(utf8)); }
  JsonWriter& value(double number);
  JsonWriter& value(float number);
  JsonWriter& value(int number) { return value(static_cast<long long>(number)); }
  JsonWriter& value(long number) { return value(static_cast<long long>(number)); }
  JsonWriter& value(long long number);
  JsonWriter& value(bool flag);
  JsonWriter& null();
  // key(name).value(v) in one step.
  template <typename T>
  JsonWriter& field(std::string_view name, const T& v) {
    key(name);
    return value(v);
  }

  const std::string& text() const { return out_; }

 private:
  void separate();
  std::string out_;
  std::vector<bool> first_;  // per open container: no element written yet
  bool after_key_ = false;
};

// The text as a JSON string literal, quotes included.
std::string json_quote(std::string_view utf8);

}  // namespace corvane_cli
