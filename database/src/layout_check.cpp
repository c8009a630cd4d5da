// Checks that an opened file's descriptions are consistent, so that no later read or write can run
// outside a channel's own area or outside the file.
#include "layout_check.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace storix {

bool layout_is_sound(int32_t n, const DbChannelHeader* headers, int64_t file_size) {
  if (n < 1 || n > kDbMaxChannels) return false;
  if (file_size < kDbHeaderStart + static_cast<int64_t>(n) * static_cast<int64_t>(sizeof(DbChannelHeader)))
    return false;
  std::vector<std::pair<int64_t, int64_t>> areas;  // [begin, end)
  areas.reserve(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    const DbChannelHeader& h = headers[i];
    if (h.kind == kDbKindNumeric) {
      if (h.element_size != 8) return false;
    } else if (h.kind == kDbKindText) {
      if (h.element_size < 1) return false;
    } else {
      return false;
    }
    if (h.max_length < 1 || h.max_length > DB_MAX_ELEMENTS) return false;
    if (h.length < 0 || h.length > h.max_length) return false;
    const int64_t begin = h.data_offset;  // a copy: fields of packed records are not bound by reference
    if (begin < kDbDataStart || begin > file_size) return false;
    const int64_t bytes = static_cast<int64_t>(h.element_size) * h.max_length;
    if (bytes > file_size - begin) return false;
    areas.emplace_back(begin, begin + bytes);
  }
  std::sort(areas.begin(), areas.end());
  for (size_t i = 1; i < areas.size(); ++i)
    if (areas[i].first < areas[i - 1].second) return false;
  return true;
}

}  // namespace storix
