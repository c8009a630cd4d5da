// The array table against a model: random sequences of creation, destruction, element access by
// indices and by element number, information queries and block copies, with the model computing
// the row-major element numbers and every status on its own.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

#include "numera32_arrays.h"

namespace {

struct ModelArray {
  int dims;
  int size[3];
  std::vector<double> data;
};

class Model {
 public:
  int32_t create(int32_t id, int32_t dims, const int32_t* s) {
    if (id < 1 || id > 1023) return kArrayBadId;
    if (arrays_.count(id)) return kArrayExists;
    if (dims > 3) return kArrayTooManyDims;
    if (dims < 1) return kArrayTooFewDims;
    long long total = 1;
    ModelArray a{dims, {0, 0, 0}, {}};
    for (int d = 0; d < dims; ++d) {
      if (s[d] < 1) return kArrayIndexRange;
      a.size[d] = s[d];
      total *= s[d];
    }
    a.data.assign(static_cast<std::size_t>(total), 0.0);
    arrays_[id] = a;
    return 0;
  }
  int32_t destroy(int32_t id) {
    if (id < 1 || id > 1023) return kArrayBadId;
    arrays_.erase(id);
    return 0;
  }
  // Element number of (i, j, k) written out per dimension count, or -1.
  static long long number(const ModelArray& a, int i, int j, int k) {
    const int idx[3] = {i, j, k};
    for (int d = 0; d < a.dims; ++d) {
      if (idx[d] < 1 || idx[d] > a.size[d]) return -1;
    }
    if (a.dims == 1) return i - 1;
    if (a.dims == 2) return static_cast<long long>(i - 1) * a.size[1] + (j - 1);
    return (static_cast<long long>(i - 1) * a.size[1] + (j - 1)) * a.size[2] + (k - 1);
  }
  int32_t access(bool read, int32_t id, int i, int j, int k, double& v) {
    if (id < 1 || id > 1023) return kArrayBadId;
    auto it = arrays_.find(id);
    if (it == arrays_.end()) return kArrayMissing;
    const long long n = number(it->second, i, j, k);
    if (n < 0) return kArrayIndexRange;
    if (read) {
      v = it->second.data[static_cast<std::size_t>(n)];
    } else {
      it->second.data[static_cast<std::size_t>(n)] = v;
    }
    return 0;
  }
  ModelArray* find(int32_t id) {
    auto it = arrays_.find(id);
    return it == arrays_.end() ? nullptr : &it->second;
  }
  int32_t count() const { return static_cast<int32_t>(arrays_.size()); }

 private:
  std::map<int32_t, ModelArray> arrays_;
};

TEST(ArrayModel, RandomSequencesAgreeWithTheModel) {
  EraseAllArrays();
  Model model;
  std::mt19937 random(99);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  for (int step = 0; step < 20000; ++step) {
    const int32_t id = pick(-1, 12) == 12 ? 1024 : pick(0, 12);
    const int op = pick(0, 9);
    if (op == 0) {
      const int32_t dims = pick(0, 4);
      const int32_t sizes[3] = {pick(0, 6), pick(0, 5), pick(-1, 4)};
      ASSERT_EQ(CreateArray(id, dims, sizes), model.create(id, dims, sizes)) << step;
    } else if (op == 1) {
      ASSERT_EQ(DestroyArray(id), model.destroy(id));
    } else if (op <= 5) {
      const bool read = pick(0, 1) == 1;
      const int i = pick(-1, 7);
      const int j = pick(-1, 6);
      const int k = pick(-1, 5);
      double mine = pick(-1000, 1000) / 8.0;
      double theirs = mine;
      ASSERT_EQ(AccessArrayElement(read ? 1 : 0, id, i, j, k, &mine), model.access(read, id, i, j, k, theirs));
      ASSERT_EQ(mine, theirs);
    } else if (op == 6) {
      ModelArray* a = model.find(id);
      const int32_t n = pick(-1, 130);
      double v = 1.0;
      const int32_t st = AccessArrayElementLinear(1, id, n, &v);
      if (a == nullptr) {
        ASSERT_EQ(st, (id < 1 || id > 1023) ? kArrayBadId : kArrayMissing);
      } else if (n < 1 || n > static_cast<int32_t>(a->data.size())) {
        ASSERT_EQ(st, kArrayIndexRange);
      } else {
        ASSERT_EQ(st, 0);
        ASSERT_EQ(v, a->data[static_cast<std::size_t>(n - 1)]);
      }
    } else if (op == 7) {
      int32_t dims = -1;
      int32_t sizes[3] = {-1, -1, -1};
      const int32_t st = GetArrayInfo(id, &dims, sizes);
      ModelArray* a = model.find(id);
      if (a == nullptr) {
        ASSERT_NE(st, 0);
      } else {
        ASSERT_EQ(st, 0);
        ASSERT_EQ(dims, a->dims);
        for (int d = 0; d < 3; ++d) ASSERT_EQ(sizes[d], a->size[d]);
      }
    } else if (op == 8) {
      ModelArray* a = model.find(id);
      std::vector<double> block(140, -7.0);
      const int32_t count = pick(0, 130);
      for (int32_t i = 0; i < count; ++i) block[static_cast<std::size_t>(i)] = pick(-50, 50);
      const int32_t st = CopyArray2VB(id, 1, block.data(), count);
      if (a == nullptr) {
        ASSERT_NE(st, 0);
      } else if (count > static_cast<int32_t>(a->data.size())) {
        ASSERT_EQ(st, kArrayIndexRange);
      } else {
        ASSERT_EQ(st, 0);
        std::copy(block.begin(), block.begin() + count, a->data.begin());
      }
    } else {
      ModelArray* a = model.find(id);
      std::vector<double> out(140, -9.0);
      const int32_t count = pick(0, 130);
      const int32_t st = CopyArray2VB(id, 0, out.data(), count);
      if (a != nullptr) {
        ASSERT_EQ(st, 0);
        const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), a->data.size());
        for (std::size_t e = 0; e < n; ++e) ASSERT_EQ(out[e], a->data[e]);
        ASSERT_EQ(out[n], -9.0);  // nothing beyond min(count, elements) is written
      }
    }
    ASSERT_EQ(GetArrayCount(), model.count());
  }
  EXPECT_EQ(EraseAllArrays(), 0);
  EXPECT_EQ(GetArrayCount(), 0);
}

TEST(ArrayModel, EdgeCases) {
  EraseAllArrays();
  const int32_t sizes[3] = {3, 4, 0};
  ASSERT_EQ(CreateArray(5, 2, sizes), 0);
  int32_t dims = 0;
  int32_t got[3];
  ASSERT_EQ(GetArrayInfo(5, &dims, got), 0);
  EXPECT_EQ(dims, 2);
  EXPECT_EQ(got[0] * got[1], 12);
  double v = 6.5;
  ASSERT_EQ(AccessArrayElementLinear(0, 5, 7, &v), 0);  // element number 6, 0-based
  double w = 0.0;
  ASSERT_EQ(AccessArrayElement(1, 5, 2, 3, 0, &w), 0);
  EXPECT_EQ(w, 6.5);
  EXPECT_EQ(AccessArrayElement(1, 5, 4, 1, 0, &w), kArrayIndexRange);
  EXPECT_EQ(CreateArray(5, 2, sizes), kArrayExists);
  EXPECT_EQ(DestroyArray(5), 0);
  EXPECT_EQ(DestroyArray(5), 0);
  EXPECT_EQ(AccessArrayElementLinear(1, 5, 0, &w), kArrayMissing);
  ASSERT_EQ(CreateArray(5, 1, sizes), 0);
  EXPECT_EQ(AccessArrayElementLinear(1, 5, 0, &w), kArrayIndexRange);
  // Sizes below 1 and totals beyond a 32-bit count are refused before anything is allocated.
  const int32_t zero[3] = {4, 0, 2};
  EXPECT_EQ(CreateArray(6, 2, zero), kArrayIndexRange);
  const int32_t negative[3] = {-3, 1, 1};
  EXPECT_EQ(CreateArray(6, 1, negative), kArrayIndexRange);
  const int32_t huge[3] = {65536, 65536, 2};
  EXPECT_EQ(CreateArray(6, 2, huge), kArrayNoMemory);
  EXPECT_EQ(CreateArray(6, 3, huge), kArrayNoMemory);
  EXPECT_EQ(CreateArray(6, 1, nullptr), kArrayIndexRange);
  EXPECT_EQ(GetArrayCount(), 1);
  EXPECT_EQ(CreateArray(0, 1, sizes), kArrayBadId);
  EXPECT_EQ(CreateArray(1024, 1, sizes), kArrayBadId);
  EXPECT_EQ(DestroyArray(0), kArrayBadId);
}

}  // namespace
