// The connections of a port kind that holds several at once behind one table entry (TCP, USB):
// kept in opening order, each with the caller's id, one of them current. Named-port operations
// address a connection by its 1-based position instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "comlog.h"

namespace linkar {

// T has a member `int32_t id`.
template <typename T>
class ConnectionList {
 public:
  static constexpr size_t kNone = static_cast<size_t>(-1);

  bool empty() const { return items_.empty(); }
  size_t size() const { return items_.size(); }
  T& operator[](size_t index) { return items_[index]; }
  typename std::vector<T>::iterator begin() { return items_.begin(); }
  typename std::vector<T>::iterator end() { return items_.end(); }

  // Appends a connection and makes it current.
  T& add(T item) {
    items_.push_back(std::move(item));
    current_ = items_.size() - 1;
    return items_.back();
  }
  size_t current_index() const { return current_; }
  void make_current(size_t index) { current_ = index; }
  // Index of the connection with this id, kNone when there is none.
  size_t find(int32_t id) const {
    for (size_t i = 0; i < items_.size(); ++i) {
      if (items_[i].id == id) return i;
    }
    return kNone;
  }
  // The connection a read or write goes to: the one at the named position for named-port
  // operations, else the current one; nullptr when there is none.
  T* target(const LogTarget& log) {
    const size_t index = log.named ? static_cast<size_t>(log.device) - 1 : current_;
    if (log.named && log.device < 1) return nullptr;
    return index < items_.size() ? &items_[index] : nullptr;
  }
  // Id of the connection at a 1-based position; the position itself when there is none.
  int32_t id_at(int32_t position) const {
    if (position < 1 || static_cast<size_t>(position) > items_.size()) return position;
    return items_[static_cast<size_t>(position) - 1].id;
  }
  // Removes the connection at index; the current one keeps its place among those that remain.
  void erase(size_t index) {
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    if (current_ >= index && current_ > 0) --current_;
  }

 private:
  std::vector<T> items_;
  size_t current_ = 0;
};

}  // namespace linkar
