// Bad input never crashes and never writes outside the caller's buffer: null pointers, negative
// counts and unknown port numbers give status codes.
#include "linkar_fixture.h"

namespace {

TEST_F(LinkarTest, NullPointersAndNegativeCounts) {
  ASSERT_EQ(open_com1(), 0);
  int32_t status = 77, got = 77;
  char buf[8];
  EXPECT_EQ(QBX_ReadPort(nullptr, 4, &status, &got, '\n'), kQbxBadArgument);
  EXPECT_EQ(status, kQbxBadArgument);
  EXPECT_EQ(got, 0);
  EXPECT_EQ(QBX_ReadPort(buf, -1, &status, &got, 0), kQbxBadArgument);
  EXPECT_EQ(QBX_ReadPortEx(0, 1, 0, nullptr, 4, &status, &got, 0), kQbxBadArgument);
  EXPECT_EQ(QBX_WritePort(nullptr), kQbxBadArgument);
  EXPECT_EQ(QBX_WritePortEx(0, 1, 0, nullptr), kQbxBadArgument);
  EXPECT_EQ(QBX_WritePortCount(nullptr, 3), kQbxBadArgument);
  EXPECT_EQ(QBX_WritePortCount("abc", -3), kQbxBadArgument);
  EXPECT_EQ(QBX_WritePortCount(nullptr, 0), 0);
  EXPECT_EQ(QBX_SetExtendedComPars(nullptr), kQbxBadArgument);
  EXPECT_EQ(QBX_SetLogFile(nullptr), kQbxBadArgument);
  EXPECT_EQ(QBX_WriteLog(nullptr), kQbxBadArgument);
  EXPECT_EQ(QBX_WriteLogEx(1, 0, 0, nullptr), kQbxBadArgument);
  EXPECT_EQ(QBX_Read2Bin(nullptr, 1), kQbxBadArgument);
  EXPECT_EQ(QBX_Read4Bin(reinterpret_cast<int32_t*>(buf), -1), kQbxBadArgument);
  EXPECT_EQ(QBX_Read4Bin(reinterpret_cast<int32_t*>(buf), 0x40000000), kQbxBadArgument);
  EXPECT_EQ(QBX_String2Long(nullptr, nullptr), kQbxBadArgument);
  EXPECT_EQ(QBX_String2FloatBlock(buf, nullptr, 4), kQbxBadArgument);
  EXPECT_EQ(QBX_String2IntBlock(buf, reinterpret_cast<int16_t*>(buf), -2), kQbxBadArgument);
  EXPECT_EQ(QBX_GetComLibVersion(nullptr), kQbxBadArgument);
  EXPECT_EQ(QBX_GetSocket(1, 0, nullptr, nullptr), kQbxBadArgument);
  EXPECT_EQ(USB_ScanUsbDevice(-1, nullptr), kQbxBadArgument);
  // Optional out-values may be left out.
  pty_.write("ok\n");
  EXPECT_EQ(QBX_ReadPort(buf, 7, nullptr, nullptr, '\n'), 0);
  EXPECT_STREQ(buf, "ok\n");
  // A parity text left out leaves the parity as it is.
  EXPECT_EQ(QBX_OpenPort(1, 9600, nullptr, 8, 1, 0), 0);
  EXPECT_EQ(QBX_OpenPort(1, 9600, "n", 8, 1, -5), kQbxQueueSetupFailed);
  EXPECT_EQ(QBX_OpenPort(1, 9600, "n", 9, 1, 0), kQbxSetSettingsFailed);
}

TEST_F(LinkarTest, ReadsNeverWriteBeyondTheBuffer) {
  ASSERT_EQ(open_com1(), 0);
  pty_.write("abcdefghij\n");
  char buf[8];
  std::memset(buf, '#', sizeof buf);
  int32_t status, got;
  // count 4 with a terminator: 4 bytes and the zero; buf[5..] untouched.
  EXPECT_EQ(QBX_ReadPort(buf, 4, &status, &got, '\n'), 0);
  EXPECT_EQ(std::string(buf, 8), std::string("abcd\0###", 8));
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(QBX_ReadPort(buf, 3, &status, &got, 0), 0);
  EXPECT_EQ(std::string(buf, 8), "efg#####");
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(QBX_ReadPort(buf, 0, &status, &got, '\n'), 0);
  EXPECT_EQ(got, 0);
  EXPECT_EQ(std::string(buf, 2), std::string("\0#", 2));
}

TEST_F(LinkarTest, UnknownPortNumbers) {
  for (int32_t port : {-7, -1, 0, 9, 81, 92, 150, 487, 999}) {
    EXPECT_EQ(QBX_SelectPort(port), kQbxPortNotOpen) << port;
    EXPECT_EQ(QBX_ClosePortEx(port), kQbxPortNotOpen) << port;
  }
  char buf[8];
  int32_t status, got;
  EXPECT_EQ(QBX_ReadPortEx(0, -1, 0, buf, 4, &status, &got, 0), kQbxNoCurrentPort);
  EXPECT_EQ(QBX_WritePortEx(0, -1, 0, "x"), kQbxNoCurrentPort);
  EXPECT_EQ(QBX_FlushInQueueEx(0, -1, 0), kQbxNoCurrentPort);
  EXPECT_EQ(QBX_ReadPortEx(0, 3, 0, buf, 4, &status, &got, 0), kQbxPortNotOpen);
  EXPECT_EQ(QBX_WritePortEx(0, 3, 0, "x"), kQbxPortNotOpen);
  EXPECT_EQ(QBX_ReleaseSocketEx(0, -1, 0), kQbxNoCurrentPort);
  EXPECT_EQ(QBX_ReleaseSocketEx(0, 1, 0), 0);
  // Without any port: the queue calls report it.
  EXPECT_EQ(QBX_FlushInQueue(), kQbxNoCurrentPort);
  EXPECT_EQ(QBX_FlushOutQueue(), kQbxNoCurrentPort);
  EXPECT_EQ(QBX_ResetInterface(), kQbxNoCurrentPort);
  EXPECT_EQ(QBX_SetEOIMode(0), kQbxNoCurrentPort);
  EXPECT_EQ(QBX_GetSerInQLen(), 0);
  EXPECT_EQ(QBX_GetSerOutQLen(), 0);
  EXPECT_EQ(QBX_SelectDevice(3), 0);
  EXPECT_EQ(QBX_CloseInterpreterEx(0, 0), 0);
  EXPECT_EQ(QBX_Read2Bin(reinterpret_cast<int16_t*>(buf), 1), kQbxNoCurrentPort);
}

TEST_F(LinkarTest, NamedPortOperations) {
  testkit::PtyPair pty2;
  testkit::ScopedEnv com2("LINKAR32_COM2", pty2.slave_path());
  ASSERT_EQ(open_com1(), 0);
  ASSERT_EQ(QBX_OpenPort(2, 9600, "n", 8, 1, 0), 0);
  int32_t index = -1, handle = -1;
  ASSERT_EQ(QBX_GetSocket(1, 0, &index, &handle), 0);
  // Port 2 stays current; the named calls reach port 1.
  EXPECT_EQ(QBX_WritePortEx(handle, 1, 0, "EST?\n"), 0);
  EXPECT_EQ(pty_.read_available(50), "EST?\n");
  pty_.write("0\r\nxyz");
  char buf[16];
  int32_t status, got;
  EXPECT_EQ(QBX_ReadPortEx(handle, 1, 0, buf, 15, &status, &got, '\n'), 0);
  EXPECT_STREQ(buf, "0\r\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(QBX_FlushInQueueEx(handle, 1, 0), 3);
  EXPECT_EQ(QBX_WritePort("two"), 0);
  EXPECT_EQ(pty2.read_available(50), "two");
}

}  // namespace
