// Conversions between arrays and packed buffers (CopyArray), and the two bit utilities.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "numera32_arrays.h"

namespace {

class Conversion : public ::testing::Test {
 protected:
  void SetUp() override {
    EraseAllArrays();
    const int32_t sizes[3] = {2, 3, 0};
    ASSERT_EQ(CreateArray(7, 2, sizes), 0);
    const double values[6] = {1.9, -1.9, 40000.0, -40000.0, 3e10, -0.5};
    ASSERT_EQ(CopyArray2VB(7, 1, const_cast<double*>(values), 6), 0);
  }
  std::vector<double> contents() {
    std::vector<double> v(6);
    EXPECT_EQ(CopyArray2VB(7, 0, v.data(), 6), 0);
    return v;
  }
};

TEST_F(Conversion, ToPackedBuffersCutTowardsZeroWithinEachType) {
  auto* i16 = reinterpret_cast<int16_t*>(CopyArray(7, 0, 0, nullptr));
  ASSERT_NE(i16, nullptr);
  const int16_t expect16[6] = {1, -1, 32767, -32768, 32767, 0};
  EXPECT_EQ(std::memcmp(i16, expect16, sizeof expect16), 0);

  auto* i32 = reinterpret_cast<int32_t*>(CopyArray(7, 1, 0, nullptr));
  const int32_t expect32[6] = {1, -1, 40000, -40000, INT32_MAX, 0};
  EXPECT_EQ(std::memcmp(i32, expect32, sizeof expect32), 0);

  auto* slots = reinterpret_cast<int32_t*>(CopyArray(7, 2, 0, nullptr));
  const int32_t expect_slots[6] = {1, -1, 32767, -32768, 32767, 0};
  EXPECT_EQ(std::memcmp(slots, expect_slots, sizeof expect_slots), 0);

  auto* floats = reinterpret_cast<float*>(CopyArray(7, 3, 0, nullptr));
  const float expect_floats[6] = {1, -1, 32767, -32768, 32767, 0};
  EXPECT_EQ(std::memcmp(floats, expect_floats, sizeof expect_floats), 0);

  // Back into the array: each buffer is read in its type and released.
  i16[0] = -5;
  EXPECT_EQ(CopyArray(7, 0, 1, i16), 0);
  EXPECT_EQ(contents()[0], -5.0);
  i32[1] = 123456;
  EXPECT_EQ(CopyArray(7, 1, 1, i32), 0);
  EXPECT_EQ(contents()[1], 123456.0);
  slots[2] = -70000;
  EXPECT_EQ(CopyArray(7, 2, 1, slots), 0);
  EXPECT_EQ(contents()[2], -70000.0);
  floats[3] = 2.5f;
  EXPECT_EQ(CopyArray(7, 3, 1, floats), 0);
  EXPECT_EQ(contents()[3], 2.5);
}

TEST_F(Conversion, ForeignSmallOrReturnedBuffersAreRefused) {
  std::vector<int32_t> foreign(6, 9);
  EXPECT_EQ(CopyArray(7, 1, 1, foreign.data()), kArrayIndexRange);
  EXPECT_EQ(CopyArray(7, 1, 1, nullptr), kArrayIndexRange);
  // A 16-bit buffer is too small to be read as 32-bit values.
  void* small = reinterpret_cast<void*>(CopyArray(7, 0, 0, nullptr));
  EXPECT_EQ(CopyArray(7, 1, 1, small), kArrayIndexRange);
  EXPECT_EQ(CopyArray(7, 0, 1, small), 0);
  EXPECT_EQ(CopyArray(7, 0, 1, small), kArrayIndexRange);  // already given back
  EXPECT_EQ(contents()[5], 0.0);
}

TEST_F(Conversion, DataAddressTypesAndIds) {
  auto* data = reinterpret_cast<double*>(CopyArray(7, 9, -1, nullptr));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data[2], 40000.0);  // row-major: element (2, 1)
  EXPECT_EQ(CopyArray(7, 4, 0, nullptr), 0);
  EXPECT_EQ(CopyArray(7, -1, 0, nullptr), 0);
  EXPECT_EQ(CopyArray(8, 0, 0, nullptr), kArrayMissing);
  EXPECT_EQ(CopyArray(0, 0, 0, nullptr), kArrayBadId);
  EXPECT_EQ(CopyArray2VB(7, 0, nullptr, 3), kArrayIndexRange);
  EXPECT_EQ(CopyArray2VB(7, 1, data, -1), kArrayIndexRange);
}

TEST(BitUtilities, SetBitAndSwapBytes) {
  EXPECT_EQ(SetBitInNumber(0, 3, 1), 8);
  EXPECT_EQ(SetBitInNumber(15, 3, 0), 7);
  EXPECT_EQ(SetBitInNumber(0, 35, 1), 8);  // bit mod 32
  EXPECT_EQ(SetBitInNumber(0, 31, 1), INT32_MIN);
  EXPECT_EQ(SetBitInNumber(-1, 31, 0), INT32_MAX);
  EXPECT_EQ(SetBitInNumber(0, -1, 1), INT32_MIN);  // -1 mod 32 is 31
  int32_t v = 0x11223344;
  EXPECT_EQ(SwapBytesLong(&v, 1), 0);
  EXPECT_EQ(v, 0x44332211);
  v = 0x11223344;
  EXPECT_EQ(SwapBytesLong(&v, 0), 0);
  EXPECT_EQ(v, 0x4433);
  v = 0x000000ff;
  SwapBytesLong(&v, 0);
  EXPECT_EQ(v, static_cast<int16_t>(0xff00));  // sign-extended
  EXPECT_EQ(SwapBytesLong(nullptr, 1), kChannelOpFailed);
}

}  // namespace
