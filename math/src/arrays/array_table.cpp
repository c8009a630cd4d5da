// The arrays of the process. Sizes are checked at creation (each at least 1, the total within a
// 32-bit element count), so every later element computation stays inside the data.
#include "arrays/array_table.h"

#include <array>
#include <new>

#include "numera32_arrays.h"

namespace numera32::arrays {

namespace {

constexpr int32_t kMaxDims = 3;
constexpr int64_t kMaxTotal = INT32_MAX;

std::array<std::unique_ptr<Array>, kArrayMaxId + 1> g_arrays;

bool valid_id(int64_t id) { return id >= 1 && id <= kArrayMaxId; }

}  // namespace

int32_t create(int32_t id, int32_t dims, const int32_t* sizes) {
  if (!valid_id(id)) return kArrayBadId;
  if (g_arrays[static_cast<std::size_t>(id)]) return kArrayExists;
  if (dims > kMaxDims) return kArrayTooManyDims;
  if (dims < 1) return kArrayTooFewDims;
  if (sizes == nullptr) return kArrayIndexRange;
  auto array = std::make_unique<Array>();
  array->dims = dims;
  int64_t total = 1;
  for (int32_t d = 0; d < dims; ++d) {
    if (sizes[d] < 1) return kArrayIndexRange;
    array->size[d] = sizes[d];
    total *= sizes[d];
    if (total > kMaxTotal) return kArrayNoMemory;
  }
  array->total = total;
  array->data.reset(new (std::nothrow) double[static_cast<std::size_t>(total)]());
  if (!array->data) return kArrayNoMemory;
  g_arrays[static_cast<std::size_t>(id)] = std::move(array);
  return kArrayOk;
}

int32_t destroy(int32_t id) {
  if (!valid_id(id)) return kArrayBadId;
  g_arrays[static_cast<std::size_t>(id)].reset();
  return kArrayOk;
}

int32_t count() {
  int32_t n = 0;
  for (const auto& a : g_arrays) n += a ? 1 : 0;
  return n;
}

Array* find(int64_t id, int32_t& status) {
  if (!valid_id(id)) {
    status = kArrayBadId;
    return nullptr;
  }
  Array* array = g_arrays[static_cast<std::size_t>(id)].get();
  status = array != nullptr ? kArrayOk : kArrayMissing;
  return array;
}

int64_t element_number(const Array& array, int64_t i, int64_t j, int64_t k) {
  const int64_t index[3] = {i, j, k};
  int64_t number = 0;
  for (int32_t d = 0; d < array.dims; ++d) {
    if (index[d] < 1 || index[d] > array.size[d]) return -1;
    number = number * array.size[d] + (index[d] - 1);
  }
  return number;
}

int32_t access(bool read, int64_t id, int64_t i, int64_t j, int64_t k, double& value) {
  int32_t status = kArrayOk;
  Array* array = find(id, status);
  if (array == nullptr) return status;
  const int64_t n = element_number(*array, i, j, k);
  if (n < 0) return kArrayIndexRange;
  if (read) {
    value = array->data[static_cast<std::size_t>(n)];
  } else {
    array->data[static_cast<std::size_t>(n)] = value;
  }
  return kArrayOk;
}

int32_t access_from_formula(bool read, int64_t id, int index_count, int64_t i, int64_t j, int64_t k, double& value) {
  int32_t status = kArrayOk;
  const Array* array = find(id, status);
  if (array == nullptr) return status;
  if (index_count > array->dims) return kArrayIndexRange;
  return access(read, id, i, j, k, value);
}

}  // namespace numera32::arrays
