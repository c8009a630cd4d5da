// The array table: slots 1..1023, each empty or holding an array of doubles with one to three
// dimensions stored row-major. Shared by the array exports and the formula evaluators.
#ifndef NUMERA32_ARRAYS_ARRAY_TABLE_H
#define NUMERA32_ARRAYS_ARRAY_TABLE_H

#include <cstdint>
#include <memory>

namespace numera32::arrays {

struct Array {
  int32_t dims = 0;
  int32_t size[3] = {0, 0, 0};  // unused dimensions 0
  int64_t total = 0;            // product of the used sizes (at most INT32_MAX)
  std::unique_ptr<double[]> data;
};

// Creates array id; the CreateArray statuses.
int32_t create(int32_t id, int32_t dims, const int32_t* sizes);
// Frees array id; 0 or kArrayBadId.
int32_t destroy(int32_t id);
int32_t count();

// The array with number id, or nullptr; `status` gets kArrayBadId or kArrayMissing then.
Array* find(int64_t id, int32_t& status);

// Element (i, j, k) of an array (indices 1-based, j and k ignored beyond its dimensions): its
// 0-based element number, or -1 when an index is out of range.
int64_t element_number(const Array& array, int64_t i, int64_t j, int64_t k);

// Reads or writes element (i, j, k) of array id; AccessArrayElement's statuses.
int32_t access(bool read, int64_t id, int64_t i, int64_t j, int64_t k, double& value);

// As `access` for a formula that names `index_count` indices: more indices than the array has
// dimensions fail with kArrayIndexRange.
int32_t access_from_formula(bool read, int64_t id, int index_count, int64_t i, int64_t j, int64_t k, double& value);

}  // namespace numera32::arrays

#endif
