// ScanBuffer: an array filled from a byte buffer as a small format language describes it (numbers as
// text, binary integers and floats, skipped bytes, repeated groups). The format is run by a loop with
// an explicit stack of open groups, so no format can exhaust the call stack.
#include <charconv>
#include <cstring>
#include <string>

#include "arrays/array_table.h"
#include "numera32_arrays.h"

namespace {

using numera32::arrays::Array;

constexpr int kMaxGroups = 7;
constexpr int32_t kMaxNumber = 1000000000;  // largest repeat count or width read from a format

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Reads the decimal number after a format letter; false when there is none or it is too large.
bool read_count(const char*& f, int32_t& value) {
  const char* start = f;
  int64_t v = 0;
  while (is_digit(*f)) {
    v = v * 10 + (*f - '0');
    if (v > kMaxNumber) return false;
    ++f;
  }
  value = static_cast<int32_t>(v);
  return f != start;
}

// The length of the number (sign, digits, fraction, exponent) at the start of a zero-terminated text.
std::size_t number_length(const char* s) {
  std::size_t n = 0;
  if (s[n] == '+' || s[n] == '-') ++n;
  while (is_digit(s[n])) ++n;
  if (s[n] == '.') {
    ++n;
    while (is_digit(s[n])) ++n;
  }
  if ((s[n] == 'e' || s[n] == 'E') && (is_digit(s[n + 1]) || ((s[n + 1] == '+' || s[n + 1] == '-') && is_digit(s[n + 2])))) {
    n += 2;
    while (is_digit(s[n])) ++n;
  }
  return n;
}

// Reads a number written as text from `text` (whose first `length` characters count); false when
// no number is there.
bool parse_text_number(std::string_view text, double& value) {
  std::size_t i = 0;
  while (i < text.size() && is_blank(text[i])) ++i;
  if (i < text.size() && text[i] == '+') ++i;
  const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value);
  return ec == std::errc() && end != text.data() + i;
}

struct Group {
  const char* body;       // first format character inside the group
  int32_t remaining;      // further runs
  const char* data_mark;  // data position and stored count at the start of this run
  int32_t stored_mark;
};

class Scanner {
 public:
  Scanner(const char* data, Array& array, int32_t max_count, int32_t& count)
      : d_(data), array_(array), max_count_(max_count), count_(count) {}

  int32_t run(const char* format);

 private:
  enum class Item { kStored, kEnd, kFull, kBadFormat };
  Item item(char type);
  Item store(double v) {
    if (stored_ >= array_.size[0]) return Item::kFull;
    array_.data[static_cast<std::size_t>(stored_++)] = v;
    ++count_;
    return Item::kStored;
  }
  template <class T>
  Item binary() {
    T v;
    std::memcpy(&v, d_, sizeof v);
    d_ += sizeof v;
    return store(static_cast<double>(v));
  }
  Item text_number();

  const char* d_;
  Array& array_;
  int32_t max_count_;
  int32_t& count_;
  int32_t stored_ = 0;
  int32_t width_ = 0;
};

Scanner::Item Scanner::text_number() {
  double v = 0.0;
  if (width_ > 0) {
    const std::size_t n = strnlen(d_, static_cast<std::size_t>(width_));
    const std::string_view field(d_, n);
    d_ += n;
    return parse_text_number(field, v) ? store(v) : Item::kEnd;
  }
  while (is_blank(*d_)) ++d_;
  const std::size_t n = number_length(d_);
  const bool ok = parse_text_number(std::string_view(d_, n), v);
  d_ += n;
  return ok ? store(v) : Item::kEnd;
}

Scanner::Item Scanner::item(char type) {
  switch (type) {
    case '#': return text_number();
    case 'b': return binary<int8_t>();
    case 'i': return binary<int16_t>();
    case 'l': return binary<int32_t>();
    case 'f': return binary<float>();
    case 'd': return binary<double>();
    default: return Item::kBadFormat;
  }
}

int32_t Scanner::run(const char* f) {
  Group groups[kMaxGroups];
  int depth = 0;
  int32_t repeat = 1;
  while (stored_ < max_count_ && *f != '\0') {
    const char c = *f;
    if (c == '%') {
      const char type = f[1];
      if (std::strchr("#bilfd", type) == nullptr || type == '\0') return kArrayBadFormat;
      if (*d_ == '\0') return kArrayOk;
      const Item result = item(type);
      if (result == Item::kFull) return kArrayIndexRange;
      if (result == Item::kEnd) return kArrayOk;
      f += 2;
    } else if (c == 'r' || c == 't') {
      int32_t n = 0;
      ++f;
      if (!read_count(f, n) || (c == 'r' && n < 1)) return kArrayBadFormat;
      (c == 'r' ? repeat : width_) = n;
    } else if (c == '(') {
      if (depth == kMaxGroups) return kArrayBadFormat;
      groups[depth++] = {f + 1, repeat - 1, d_, stored_};
      ++f;
    } else if (c == ')') {
      if (depth == 0) return kArrayBadFormat;
      Group& g = groups[depth - 1];
      // A run that read and stored nothing would do the same again: the group is done.
      if (g.remaining > 0 && (d_ != g.data_mark || stored_ != g.stored_mark)) {
        --g.remaining;
        g.data_mark = d_;
        g.stored_mark = stored_;
        f = g.body;
      } else {
        --depth;
        ++f;
      }
    } else {
      if (*d_ == '\0') return kArrayOk;
      ++d_;
      ++f;
    }
  }
  return kArrayOk;
}

}  // namespace

extern "C" NUMERA32_API int32_t ScanBuffer(const char* data, const char* format, int32_t id, int32_t max_count,
                                           int32_t* count) {
  int32_t status = 0;
  Array* a = numera32::arrays::find(id, status);
  if (a == nullptr) return status;
  if (data == nullptr || format == nullptr || count == nullptr) return kArrayIndexRange;
  return Scanner(data, *a, max_count, *count).run(format);
}
