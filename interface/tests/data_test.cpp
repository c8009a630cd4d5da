// Binary sample reads, typed copies, version text, clocks and delay.
#include "linkar_fixture.h"

namespace {

TEST_F(LinkarTest, BinarySampleReads) {
  ASSERT_EQ(open_com1(), 0);
  // Little-endian 256 and -256 in the upper 24 bits, and two 16-bit words.
  pty_.write(std::string("\x00\x01\x00\x00\x00\xff\xff\xff\x00\x80\xff\xff", 12));
  int32_t words[3] = {};
  ASSERT_EQ(QBX_Read4Bin(words, 3), 0);
  EXPECT_EQ(words[0], 1);
  EXPECT_EQ(words[1], -1);
  EXPECT_EQ(words[2], -128);  // -32768 / 256, truncated toward zero
  pty_.write(std::string("\x34\x12\xfe\xff", 4));
  int16_t shorts[2] = {};
  ASSERT_EQ(QBX_Read2Bin(shorts, 2), 0);
  EXPECT_EQ(shorts[0], 0x1234);
  EXPECT_EQ(shorts[1], -2);
  QBX_SetTimeout(50);
  pty_.write("\x01\x02");
  EXPECT_EQ(QBX_Read2Bin(shorts, 2), kQbxReadFailed);
  // The null port reads nothing, and without a port nothing is read: the caller's words stay.
  for (int32_t port : {kQbxPortNull, kQbxPortNone}) {
    const int32_t expected = port == kQbxPortNull ? 0 : kQbxNoCurrentPort;
    ASSERT_EQ(QBX_SelectPort(port), 0);
    int32_t untouched[2] = {0x12345678, -1000};
    EXPECT_EQ(QBX_Read4Bin(untouched, 2), expected) << port;
    EXPECT_EQ(untouched[0], 0x12345678) << port;
    EXPECT_EQ(untouched[1], -1000) << port;
    int16_t untouched16[1] = {0x1234};
    EXPECT_EQ(QBX_Read2Bin(untouched16, 1), expected) << port;
    EXPECT_EQ(untouched16[0], 0x1234) << port;
  }
  EXPECT_EQ(QBX_ReadTransferCounter(1), 0);
  EXPECT_EQ(QBX_ReadTransferCounter(3), 0);
  EXPECT_EQ(QBX_ReadTransferCounter(4), -1);
  EXPECT_EQ(QBX_ReadTransferCounter(0), -1);
}

TEST(LinkarData, TypedCopiesAndVersion) {
  const char bytes[8] = {0x00, 0x00, static_cast<char>(0x80), 0x3f, 0x78, 0x56, 0x34, 0x12};
  float f = 0;
  int32_t l = 0;
  int16_t s = 0;
  EXPECT_EQ(QBX_String2Float(bytes, &f), 0);
  EXPECT_EQ(f, 1.0f);
  EXPECT_EQ(QBX_String2Long(bytes + 4, &l), 0);
  EXPECT_EQ(l, 0x12345678);
  EXPECT_EQ(QBX_String2Int(bytes + 4, &s), 0);
  EXPECT_EQ(s, 0x5678);
  int16_t block[4] = {1, 2, 3, 4};
  EXPECT_EQ(QBX_String2IntBlock(block, block + 1, 6), 0);  // overlapping copy
  EXPECT_EQ(block[1], 1);
  EXPECT_EQ(block[3], 3);
  char version[64];
  std::memset(version, '#', sizeof version);
  EXPECT_EQ(QBX_GetComLibVersion(version), 0);
  EXPECT_EQ(std::string(version, 44), std::string("QBX Intercace Library (32-Bit) Version 2.0\0#", 44));
}

TEST(LinkarClock, CountersAndDelay) {
  uint32_t t0 = QBX_GetSysTime();
  double hr0 = QBX_GetHighResTime();
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(QBX_Delay(30), 0);
  EXPECT_GE(ms_since(start), 29.0);
  EXPECT_GE(QBX_GetSysTime() - t0, 29u);
  EXPECT_GE(QBX_GetHighResTime() - hr0, 29.0);
  EXPECT_GE(QBX_GetSysTimeEx(), static_cast<double>(t0));
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(QBX_Delay(0), 0);
  EXPECT_EQ(QBX_Delay(-5), 0);
  EXPECT_LT(ms_since(start), 1000.0);  // at once, not some long wait an overflow would give
  EXPECT_EQ(QBX_SetTimeout(1234), 0);
  EXPECT_EQ(QBX_GetCurrTimeout(), 1234);
  QBX_SetTimeout(3000);
}

}  // namespace
