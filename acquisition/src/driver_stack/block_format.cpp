// Format texts of the device input statement. '%' and a type letter read one value; '(' ... ')'
// repeat the enclosed part (count from the preceding r<n>, up to 7 levels); t<n> sets the width of
// text numbers; any other character skips one reply byte. A group whose pass reads nothing and
// hands on no value is not repeated further: every further pass would do the same.
#include "driver_stack/block_format.h"

#include <cstring>

#include "driver_stack/driver_numbers.h"
#include "tallix32.h"

namespace tallix {
namespace {

constexpr int kMaxNesting = 7;

class BlockParser {
 public:
  BlockParser(const char* format, const uint8_t* reply, size_t length, const std::function<int32_t(double)>& sink)
      : format_(format), reply_(reply), length_(length), sink_(sink) {}

  int32_t run(size_t begin, size_t end, int depth) {
    long repeat = 1;
    size_t i = begin;
    while (i < end) {
      const char c = format_[i];
      if (c == '%') {
        if (i + 1 >= end) return kAcqStackBadFormat;
        if (int32_t r = value(format_[i + 1]); r < 0) return r;
        i += 2;
      } else if (c == '(') {
        if (depth + 1 > kMaxNesting) return kAcqStackBadFormat;
        const size_t close = matching(i, end);
        if (close == end) return kAcqStackBadFormat;
        for (long pass = 0; pass < repeat; ++pass) {
          const size_t before = at_;
          const long delivered = values_;
          if (int32_t r = run(i + 1, close, depth + 1); r < 0) return r;
          if (at_ == before && values_ == delivered) break;
        }
        repeat = 1;
        i = close + 1;
      } else if (c == ')') {
        return kAcqStackBadFormat;
      } else if (c == 'r' || c == 't') {
        long n = 0;
        size_t j = i + 1;
        if (j >= end || format_[j] < '0' || format_[j] > '9') return kAcqStackBadFormat;
        while (j < end && format_[j] >= '0' && format_[j] <= '9') {
          if (n < 100000000) n = n * 10 + (format_[j] - '0');
          ++j;
        }
        if (c == 'r') {
          repeat = n < 1 ? 1 : n;
        } else {
          width_ = static_cast<size_t>(n);
        }
        i = j;
      } else {
        if (at_ < length_) ++at_;
        ++i;
      }
    }
    return kAcqOk;
  }

 private:
  // The index of the ')' that closes the '(' at `open`, or `end`.
  size_t matching(size_t open, size_t end) const {
    int level = 0;
    for (size_t j = open; j < end; ++j) {
      if (format_[j] == '(') ++level;
      if (format_[j] == ')' && --level == 0) return j;
    }
    return end;
  }

  // One little-endian binary value of type T (the host is little-endian, as the data are).
  template <class T>
  int32_t binary() {
    T x;
    if (length_ - at_ < sizeof(T)) return kAcqStackBadFormat;
    std::memcpy(&x, reply_ + at_, sizeof(T));
    at_ += sizeof(T);
    return deliver(static_cast<double>(x));
  }

  int32_t deliver(double v) {
    ++values_;
    return sink_(v);
  }

  int32_t value(char letter) {
    double v = 0.0;
    switch (letter) {
      case '#': {
        const size_t available = length_ - at_;
        const size_t field = width_ > 0 ? width_ : available;
        if (width_ > 0 && available < width_) return kAcqStackBadFormat;
        size_t consumed = 0;
        if (!parse_number(reinterpret_cast<const char*>(reply_ + at_), field, &v, &consumed))
          return kAcqStackBadFormat;
        at_ += width_ > 0 ? width_ : consumed;
        return deliver(v);
      }
      case 'b': return binary<uint8_t>();
      case 'i': return binary<int16_t>();
      case 'l': return binary<int32_t>();
      case 'f': return binary<float>();
      case 'd': return binary<double>();
      default:
        return kAcqStackBadFormat;
    }
  }

  const char* format_;
  const uint8_t* reply_;
  size_t length_;
  const std::function<int32_t(double)>& sink_;
  size_t at_ = 0;
  size_t width_ = 0;
  long values_ = 0;
};

}  // namespace

int32_t parse_block(const char* format, const uint8_t* reply, size_t reply_length,
                    const std::function<int32_t(double)>& sink) {
  if (format == nullptr) return kAcqOk;
  BlockParser parser(format, reply, reply_length, sink);
  return parser.run(0, std::strlen(format), 0);
}

}  // namespace tallix
