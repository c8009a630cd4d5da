// The exported array functions: creation, element access, information, and the conversions between an
// array and packed buffers. Buffers handed out by CopyArray are remembered with their size, so that a
// buffer given back is checked before it is read and freed.
#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_map>

#include "arrays/array_table.h"
#include "evaluate/operations.h"
#include "numera32_arrays.h"

namespace {

using numera32::arrays::Array;

constexpr int32_t kAddressOfData = -1;
constexpr int32_t kToBuffer = 0;
constexpr int32_t kMaxType = 3;

enum PackedType { kInt16 = 0, kInt32 = 1, kInt16In32 = 2, kInt16InFloat = 3 };

std::unordered_map<void*, std::size_t> g_handed_out;  // buffer -> bytes

std::size_t element_bytes(int32_t type) { return type == kInt16 ? sizeof(int16_t) : sizeof(int32_t); }

// A value cut towards zero to a 16-bit integer, stopping at the type's bounds.
int16_t cut16(double v) {
  const int32_t n = numera32::evaluate::cut_int32(v);
  if (n > INT16_MAX) return INT16_MAX;
  if (n < INT16_MIN) return INT16_MIN;
  return static_cast<int16_t>(n);
}

intptr_t to_buffer(const Array& a, int32_t type) {
  const std::size_t n = static_cast<std::size_t>(a.total);
  void* buffer = std::malloc(n * element_bytes(type));
  if (buffer == nullptr) return -1;
  try {
    g_handed_out.emplace(buffer, n * element_bytes(type));
  } catch (...) {
    std::free(buffer);
    return -1;
  }
  for (std::size_t e = 0; e < n; ++e) {
    const double v = a.data[e];
    switch (type) {
      case kInt16: static_cast<int16_t*>(buffer)[e] = cut16(v); break;
      case kInt32: static_cast<int32_t*>(buffer)[e] = numera32::evaluate::cut_int32(v); break;
      case kInt16In32: static_cast<int32_t*>(buffer)[e] = cut16(v); break;
      default: static_cast<float*>(buffer)[e] = cut16(v); break;
    }
  }
  return reinterpret_cast<intptr_t>(buffer);
}

intptr_t from_buffer(Array& a, int32_t type, void* buffer) {
  const auto handed = g_handed_out.find(buffer);
  const std::size_t n = static_cast<std::size_t>(a.total);
  if (buffer == nullptr || handed == g_handed_out.end() || handed->second < n * element_bytes(type)) {
    return kArrayIndexRange;
  }
  for (std::size_t e = 0; e < n; ++e) {
    switch (type) {
      case kInt16: {
        int16_t v;
        std::memcpy(&v, static_cast<const char*>(buffer) + e * sizeof v, sizeof v);
        a.data[e] = v;
        break;
      }
      case kInt16InFloat: {
        float v;
        std::memcpy(&v, static_cast<const char*>(buffer) + e * sizeof v, sizeof v);
        a.data[e] = v;
        break;
      }
      default: {
        int32_t v;
        std::memcpy(&v, static_cast<const char*>(buffer) + e * sizeof v, sizeof v);
        a.data[e] = v;
        break;
      }
    }
  }
  g_handed_out.erase(handed);
  std::free(buffer);
  return 0;
}

}  // namespace

extern "C" {

NUMERA32_API int32_t CreateArray(int32_t id, int32_t dims, const int32_t* sizes) {
  try {
    return numera32::arrays::create(id, dims, sizes);
  } catch (...) {
    return kArrayNoMemory;
  }
}

NUMERA32_API int32_t DestroyArray(int32_t id) { return numera32::arrays::destroy(id); }

NUMERA32_API int32_t EraseAllArrays(void) {
  for (int32_t id = 1; id <= kArrayMaxId; ++id) numera32::arrays::destroy(id);
  return 0;
}

NUMERA32_API int32_t AccessArrayElement(int32_t read, int32_t id, int32_t i, int32_t j, int32_t k, double* value) {
  int32_t status = 0;
  if (numera32::arrays::find(id, status) == nullptr) return status;
  if (value == nullptr) return kArrayIndexRange;
  return numera32::arrays::access(read != 0, id, i, j, k, *value);
}

NUMERA32_API int32_t AccessArrayElementLinear(int32_t read, int32_t id, int32_t n, double* value) {
  int32_t status = 0;
  Array* a = numera32::arrays::find(id, status);
  if (a == nullptr) return status;
  if (value == nullptr || n < 1 || n > a->total) return kArrayIndexRange;
  double& element = a->data[static_cast<std::size_t>(n - 1)];
  if (read != 0) {
    *value = element;
  } else {
    element = *value;
  }
  return 0;
}

NUMERA32_API int32_t GetArrayInfo(int32_t id, int32_t* dims, int32_t* sizes) {
  int32_t status = 0;
  const Array* a = numera32::arrays::find(id, status);
  if (a == nullptr) return status;
  if (dims == nullptr || sizes == nullptr) return kArrayIndexRange;
  *dims = a->dims;
  for (int d = 0; d < 3; ++d) sizes[d] = a->size[d];
  return 0;
}

NUMERA32_API int32_t GetArrayCount(void) { return numera32::arrays::count(); }

NUMERA32_API intptr_t CopyArray(int32_t id, int32_t type, int32_t direction, void* buffer) {
  int32_t status = 0;
  Array* a = numera32::arrays::find(id, status);
  if (a == nullptr) return status;
  if (direction == kAddressOfData) return reinterpret_cast<intptr_t>(a->data.get());
  if (type < 0 || type > kMaxType) return 0;
  return direction == kToBuffer ? to_buffer(*a, type) : from_buffer(*a, type, buffer);
}

NUMERA32_API int32_t CopyArray2VB(int32_t id, int32_t direction, double* buffer, int32_t count) {
  int32_t status = 0;
  Array* a = numera32::arrays::find(id, status);
  if (a == nullptr) return status;
  if (count < 0 || (buffer == nullptr && count > 0)) return kArrayIndexRange;
  if (direction == kToBuffer) {
    const int64_t n = count < a->total ? count : a->total;
    if (n > 0) std::memcpy(buffer, a->data.get(), static_cast<std::size_t>(n) * sizeof(double));
    return 0;
  }
  if (count > a->total) return kArrayIndexRange;
  if (count > 0) std::memcpy(a->data.get(), buffer, static_cast<std::size_t>(count) * sizeof(double));
  return 0;
}

}  // extern "C"
