// Copying one-dimensional arrays to and from database channels and the kernel's IO buffers. Out of
// the array, the elements are scans of several channels one after the other (the layout the
// database and the kernel take for interleaved writes).
#include <vector>

#include "arrays/array_table.h"
#include "arrays/database_io.h"
#include "evaluate/kernel_link.h"
#include "numera32_arrays.h"
#include "numera32_evaluate.h"

namespace {

using numera32::arrays::Array;

constexpr int32_t kIntoArray = 1;
constexpr int32_t kWholeBuffer = 0;   // QBX_ACQGetIOBuf: from index 0 ...
constexpr int32_t kToCurrentEnd = 0;  // ... to the current length
constexpr int32_t kAppend = -1;

// The one-dimensional array id, or nullptr with its status.
Array* vector_array(int32_t id, int32_t& status) {
  Array* a = numera32::arrays::find(id, status);
  if (a != nullptr && a->dims != 1) {
    status = kArrayNotOneDim;
    return nullptr;
  }
  return a;
}

// The channel list and per-channel count for writing the array out as scans: 0 or a status.
int32_t scan_layout(const Array& a, int32_t first, int32_t channels, std::vector<int32_t>& list,
                    std::vector<int32_t>& counts) {
  if (channels < 1 || channels > kArrayMaxChannels) return kArrayIndexRange;
  const int32_t per_channel = static_cast<int32_t>(a.total / channels);
  if (per_channel == 0) return kArrayZeroParts;
  for (int32_t i = 0; i < channels; ++i) {
    list.push_back(first + i);
    counts.push_back(per_channel);
  }
  return 0;
}

int32_t database_into_array(Array& a, int32_t channel) {
  const int32_t len = numera32::arrays::db::length(channel);
  if (len < 0) return len;
  if (len > a.total) return kArrayIndexRange;
  if (len == 0) return 0;
  return numera32::arrays::db::read(channel, 1, len, a.data.get());
}

int32_t iobuf_into_array(Array& a, int32_t channel) {
  const auto length = numera32::evaluate::kernel::iobuf_length();
  const auto get = numera32::evaluate::kernel::get_iobuf();
  if (length == nullptr || get == nullptr) return kFormulaChannelUnavailable;
  const int32_t len = length(channel);
  if (len < 0) return len;
  if (len > a.total) return kArrayIndexRange;
  if (len == 0) return 0;  // nothing to copy (as for an empty database channel)
  return get(channel, kWholeBuffer, kToCurrentEnd, a.data.get());
}

}  // namespace

extern "C" {

NUMERA32_API int32_t CopyArray2DB(int32_t id, int32_t direction, int32_t first_channel, int32_t channel_count) {
  try {
    int32_t status = 0;
    Array* a = vector_array(id, status);
    if (a == nullptr) return status;
    if (direction == kIntoArray) return database_into_array(*a, first_channel);
    std::vector<int32_t> list;
    std::vector<int32_t> counts;
    status = scan_layout(*a, first_channel, channel_count, list, counts);
    if (status != 0) return status;
    for (int32_t channel : list) {  // every channel exists before any is emptied
      const int32_t len = numera32::arrays::db::length(channel);
      if (len < 0) return len;
    }
    for (int32_t channel : list) {
      status = numera32::arrays::db::set_length(channel, 0);
      if (status != 0) return status;
    }
    return numera32::arrays::db::write_scans(channel_count, list.data(), counts.data(), a->data.get(), kAppend);
  } catch (...) {
    return kArrayNoMemory;
  }
}

NUMERA32_API int32_t CopyArray2IO(int32_t id, int32_t direction, int32_t first_channel, int32_t channel_count) {
  try {
    int32_t status = 0;
    Array* a = vector_array(id, status);
    if (a == nullptr) return status;
    if (direction == kIntoArray) return iobuf_into_array(*a, first_channel);
    std::vector<int32_t> list;
    std::vector<int32_t> counts;
    status = scan_layout(*a, first_channel, channel_count, list, counts);
    if (status != 0) return status;
    const auto reset = numera32::evaluate::kernel::reset_iobuf();
    const auto set = numera32::evaluate::kernel::set_iobuf_ex();
    if (reset == nullptr || set == nullptr) return kFormulaChannelUnavailable;
    for (int32_t channel : list) {
      status = reset(channel);
      if (status != 0) return status;
    }
    return set(channel_count, list.data(), counts.data(), a->data.get(), 0);
  } catch (...) {
    return kArrayNoMemory;
  }
}

}  // extern "C"
