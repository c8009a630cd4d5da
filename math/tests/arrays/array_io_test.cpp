// Copies between one-dimensional arrays and the kernel's IO buffers, through the stand-in kernel.
#include <gtest/gtest.h>

#include <vector>

#include "kernel_standin.h"
#include "numera32_arrays.h"
#include "numera32_evaluate.h"

namespace {

class ArrayIo : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(standin::load());
    standin::reset();
    EraseAllArrays();
    const int32_t size[3] = {7, 0, 0};
    ASSERT_EQ(CreateArray(1, 1, size), 0);
    const double scans[7] = {1, 10, 2, 20, 3, 30, 99};
    ASSERT_EQ(CopyArray2VB(1, 1, const_cast<double*>(scans), 7), 0);
  }
};

TEST_F(ArrayIo, ScansOutToBuffersAndOneBufferBack) {
  standin::fill(4, {7, 7, 7, 7, 7}, 8);
  standin::fill(5, {}, 8);
  ASSERT_EQ(CopyArray2IO(1, 0, 4, 2), 0);
  EXPECT_EQ(standin::values(4), (std::vector<double>{1, 2, 3}));  // reset, then filled from index 0
  EXPECT_EQ(standin::values(5), (std::vector<double>{10, 20, 30}));

  standin::fill(6, {-1, -2, -3}, 8);
  ASSERT_EQ(CopyArray2IO(1, 1, 6, 1), 0);
  std::vector<double> back(7);
  ASSERT_EQ(CopyArray2VB(1, 0, back.data(), 7), 0);
  EXPECT_EQ(back, (std::vector<double>{-1, -2, -3, 20, 3, 30, 99}));
  standin::fill(7, {}, 8);
  EXPECT_EQ(CopyArray2IO(1, 1, 7, 1), 0);  // an empty buffer copies nothing
  ASSERT_EQ(CopyArray2VB(1, 0, back.data(), 7), 0);
  EXPECT_EQ(back[0], -1.0);
}

TEST_F(ArrayIo, RefusedCopies) {
  standin::fill(4, {1, 2, 3, 4, 5, 6, 7, 8}, 8);
  EXPECT_EQ(CopyArray2IO(1, 1, 4, 1), kArrayIndexRange);  // longer than the array
  EXPECT_EQ(CopyArray2IO(1, 1, 9, 1), -412);               // the kernel's status: no buffer
  EXPECT_EQ(CopyArray2IO(1, 0, 4, 17), kArrayIndexRange);
  EXPECT_EQ(CopyArray2IO(1, 0, 4, 8), kArrayZeroParts);
  standin::fill(5, {}, 2);
  EXPECT_EQ(CopyArray2IO(1, 0, 4, 2), -411);  // channel 5 holds only 2 values
  const int32_t square[3] = {2, 2, 0};
  ASSERT_EQ(CreateArray(2, 2, square), 0);
  EXPECT_EQ(CopyArray2IO(2, 1, 4, 1), kArrayNotOneDim);
}

}  // namespace
