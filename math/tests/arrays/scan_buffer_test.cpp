// ScanBuffer: numbers as text with and without a width, binary values in machine order, skipped
// bytes, repeated and nested groups, and every way a format or the data ends a scan.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "numera32_arrays.h"

namespace {

class Scan : public ::testing::Test {
 protected:
  void SetUp() override {
    EraseAllArrays();
    const int32_t sizes[3] = {6, 0, 0};
    ASSERT_EQ(CreateArray(3, 1, sizes), 0);
  }
  std::vector<double> values(int n) {
    std::vector<double> v(static_cast<std::size_t>(n));
    EXPECT_EQ(CopyArray2VB(3, 0, v.data(), n), 0);
    return v;
  }
  template <class T>
  static void put(std::string& data, T v) {
    data.append(reinterpret_cast<const char*>(&v), sizeof v);
  }
};

TEST_F(Scan, RepeatedBinaryIntegers) {
  std::string data;
  put<int16_t>(data, 0x0101);
  put<int16_t>(data, -2);
  put<int16_t>(data, 0x7f7f);
  int32_t count = 0;
  EXPECT_EQ(ScanBuffer(data.c_str(), "r3(%i)", 3, 100, &count), 0);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(values(3), (std::vector<double>{257, -2, 32639}));
}

TEST_F(Scan, MixedItemsSkipsAndNestedGroups) {
  std::string data = "12.5;-3e2;";
  put<int8_t>(data, -7);
  put<int32_t>(data, 0x01020304);
  put<float>(data, 1.1f);  // no item may start with a zero byte: 1.1f and 0.1 start with 0xCD, 0x9A
  put<double>(data, 0.1);
  int32_t count = 10;
  EXPECT_EQ(ScanBuffer(data.c_str(), "r2(%#x)%b%l%f%d", 3, 100, &count), 0);
  EXPECT_EQ(count, 16);  // grows from the caller's value
  EXPECT_EQ(values(6), (std::vector<double>{12.5, -300, -7, 0x01020304, static_cast<double>(1.1f), 0.1}));

  int32_t n = 0;
  EXPECT_EQ(ScanBuffer("0012003400560078", "t4r2(r2(%#))", 3, 100, &n), 0);
  EXPECT_EQ(n, 4);
  EXPECT_EQ(values(4), (std::vector<double>{12, 34, 56, 78}));
}

TEST_F(Scan, EndsOfScanning) {
  int32_t n = 0;
  // The data ends: scanning stops with 0.
  EXPECT_EQ(ScanBuffer("1 2", "r5(%# )", 3, 100, &n), 0);
  EXPECT_EQ(n, 2);
  // max_count values stored.
  n = 0;
  EXPECT_EQ(ScanBuffer("1 2 3 4", "r9(%# )", 3, 3, &n), 0);
  EXPECT_EQ(n, 3);
  // The array is full.
  n = 0;
  EXPECT_EQ(ScanBuffer("1 2 3 4 5 6 7 8", "r9(%# )", 3, 100, &n), kArrayIndexRange);
  EXPECT_EQ(n, 6);
  // No number where one is expected.
  n = 0;
  EXPECT_EQ(ScanBuffer("1 x 3", "r3(%# )", 3, 100, &n), 0);
  EXPECT_EQ(n, 1);
  // A group that reads nothing is not repeated forever.
  n = 0;
  EXPECT_EQ(ScanBuffer("5", "r1000000000()%#", 3, 100, &n), 0);
  EXPECT_EQ(n, 1);
}

TEST_F(Scan, BadFormats) {
  int32_t n = 0;
  for (const char* format : {"%q", "%", "r0(%i)", "r(%i)", "tx%#", "(((((((((%i)))))))))", "%i)"}) {
    EXPECT_EQ(ScanBuffer("abcdefgh", format, 3, 100, &n), kArrayBadFormat) << format;
  }
  EXPECT_EQ(ScanBuffer("1", "%#", 4, 100, &n), kArrayMissing);
  EXPECT_EQ(ScanBuffer("1", "%#", 0, 100, &n), kArrayBadId);
  EXPECT_EQ(ScanBuffer(nullptr, "%#", 3, 100, &n), kArrayIndexRange);
  EXPECT_EQ(ScanBuffer("1", "%#", 3, 100, nullptr), kArrayIndexRange);
}

}  // namespace
