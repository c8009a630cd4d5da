// A read cursor over the bytes of a file that never reads past their end: the hand-off file and
// the older setup files are read through it, every field checked against the bytes that are left.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace setup {

class ByteCursor {
 public:
  explicit ByteCursor(std::string_view bytes) : bytes_(bytes) {}

  // Copies the next sizeof(T) bytes (little-endian, as the files and the host) into *out; false,
  // reading nothing, when fewer are left.
  template <typename T>
  bool take(T* out) {
    if (left() < sizeof(T)) return false;
    std::memcpy(out, bytes_.data() + pos_, sizeof(T));
    pos_ += sizeof(T);
    return true;
  }
  // The next `count` bytes as a text; false, reading nothing, when fewer are left.
  bool take_text(size_t count, std::string* out) {
    if (left() < count) return false;
    out->assign(bytes_.data() + pos_, count);
    pos_ += count;
    return true;
  }
  size_t left() const { return bytes_.size() - pos_; }
  size_t pos() const { return pos_; }

 private:
  std::string_view bytes_;
  size_t pos_ = 0;
};

}  // namespace setup
