// The communication log file: exact texts of opens, exchanges and closes, the prefix, the 160-byte
// pieces, pausing, and the plain-words reasons of a failed open.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "linkar_fixture.h"

namespace {

TEST_F(LinkarTest, LogOfAnOpenAndOneExchange) {
  enable_log();
  ASSERT_EQ(open_com1(), 0);
  const int32_t h = handle_of(1);
  ASSERT_EQ(QBX_WritePort("EST?\n"), 0);
  pty_.write("0\r\n");
  char buf[64];
  int32_t status, got;
  ASSERT_EQ(QBX_ReadPort(buf, 63, &status, &got, '\n'), 0);
  pty_.write("AB");
  ASSERT_EQ(QBX_ReadPort(buf, 2, &status, &got, 0), 0);
  ASSERT_EQ(QBX_ClosePort(), 0);
  ASSERT_EQ(QBX_DisableComLog(), 0);
  const std::string hs = std::to_string(h);
  EXPECT_EQ(log_text(),
            "Communication log enabled at hh:mm:ss\r\n"
            "(T ms) >>> Attempting to open or modify port COM1 (RS232):  Baud: 9600  Parity: e   Data: 8  Stop: 1  "
            "RecvBuf: 4096 Bytes\r\n"
            "(T ms) >>> Ports currently open: 0\r\n"
            "(T ms) >>> Successfully opened port: COM1 (RS232)\r\n"
            "(T ms) >>> Sent 5 bytes:  EST?\n\r\n"
            "(T ms) >>> Received 3 bytes: 0\r\n\r\n"
            "(T ms) >>> Requested 2 Bytes - Received 2 Bytes\r\n"
            "(T ms) >>> COM port status: 0 \r\n"
            "(T ms) >>> Closing current port: COM1 (RS232)  Handle " + hs + "\r\n"
            "Communication log disabled at hh:mm:ss\r\n\r\n");
}

TEST_F(LinkarTest, LogListsOpenPortsAndCloses) {
  testkit::PtyPair pty2;
  testkit::ScopedEnv com2("LINKAR32_COM2", pty2.slave_path());
  ASSERT_EQ(open_com1(), 0);
  ASSERT_EQ(QBX_OpenPort(2, 9600, "n", 8, 1, 0), 0);
  const std::string h1 = std::to_string(handle_of(1)), h2 = std::to_string(handle_of(2));
  enable_log();
  ASSERT_EQ(QBX_OpenPort(1, 19200, "n", 8, 1, 256), 0);
  ASSERT_EQ(QBX_SelectPort(2), 0);
  ASSERT_EQ(QBX_ClosePortEx(1), 0);
  ASSERT_EQ(QBX_ClosePortEx(-1), 0);
  ASSERT_EQ(QBX_DisableComLog(), 0);
  EXPECT_EQ(log_text(),
            "Communication log enabled at hh:mm:ss\r\n"
            "(T ms) >>> Attempting to open or modify port COM1 (RS232):  Baud: 19200  Parity: n   Data: 8  Stop: 1  "
            "RecvBuf: 256 Bytes\r\n"
            "(T ms) >>> Ports currently open: 2 (Current = COM2 (RS232))\r\n"
            "(T ms) >>>           COM1 (RS232)  (" + h1 + ")\r\n"
            "(T ms) >>>           COM2 (RS232)  (" + h2 + ")\r\n"
            "(T ms) >>> Successfully modified port: COM1 (RS232)\r\n"
            "(T ms) >>> Selected port: COM2 (RS232)  Handle " + h2 + "\r\n"
            "(T ms) >>> Closing port: COM1 (RS232)  Handle " + h1 + "\r\n"
            "(T ms) >>> Closing all open ports\r\n"
            "Communication log disabled at hh:mm:ss\r\n\r\n");
}

TEST_F(LinkarTest, LogWritesLongTextsIn160BytePieces) {
  enable_log();
  const std::string a(160, 'a'), b(160, 'b'), c(80, 'c');
  ASSERT_EQ(QBX_WriteLog((a + b + c).c_str()), 0);
  ASSERT_EQ(QBX_WriteLog(a.c_str()), 0);
  ASSERT_EQ(QBX_WriteLog(""), 0);
  ASSERT_EQ(QBX_WriteLogEx(100, 1, 4, "x\r\n"), 0);
  ASSERT_EQ(QBX_DisableComLog(), 0);
  EXPECT_EQ(log_text(), "Communication log enabled at hh:mm:ss\r\n"
                        "(T ms) >>> " + a + "\r\n" + b + "\r\n" + c +
                        "(T ms) >>> " + a + "\r\n"
                        "(T ms) >>> "
                        "(T ms) >>> Device: 4 x\r\n"
                        "Communication log disabled at hh:mm:ss\r\n\r\n");
}

TEST_F(LinkarTest, LogOffPausedAndReopened) {
  EXPECT_EQ(QBX_WriteLog("nothing\r\n"), kQbxLogError);
  EXPECT_EQ(QBX_WriteLogEx(1, 0, 0, "nothing\r\n"), kQbxLogError);
  EXPECT_EQ(QBX_PauseComLog(1), 0);  // on, but no file: still nothing written
  EXPECT_EQ(QBX_WriteLog("nothing\r\n"), kQbxLogError);
  EXPECT_EQ(QBX_PauseComLog(0), 0);
  enable_log();
  EXPECT_EQ(QBX_EnableComLog(), 0);  // already on: no second header
  EXPECT_EQ(QBX_PauseComLog(0x10000), 0);  // low 16 bits zero: pause
  EXPECT_EQ(QBX_WriteLog("paused\r\n"), kQbxLogError);
  EXPECT_EQ(QBX_PauseComLog(1), 0);
  EXPECT_EQ(QBX_WriteLog("resumed\r\n"), 0);
  EXPECT_EQ(QBX_DisableComLog(), 0);
  EXPECT_EQ(QBX_DisableComLog(), 0);
  ASSERT_EQ(QBX_EnableComLog(), 0);  // appends to the same file
  ASSERT_EQ(QBX_DisableComLog(), 0);
  EXPECT_EQ(log_text(), "Communication log enabled at hh:mm:ss\r\n"
                        "(T ms) >>> resumed\r\n"
                        "Communication log disabled at hh:mm:ss\r\n\r\n"
                        "Communication log enabled at hh:mm:ss\r\n"
                        "Communication log disabled at hh:mm:ss\r\n\r\n");
  ASSERT_EQ(QBX_SetLogFile(dir_.file("no/such/folder/x.log").c_str()), 0);
  EXPECT_EQ(QBX_EnableComLog(), kQbxLogError);
  EXPECT_EQ(QBX_WriteLog("x"), kQbxLogError);
}

TEST_F(LinkarTest, EnablingAPausedLogOpensTheFileNamedLast) {
  enable_log();
  ASSERT_EQ(QBX_WriteLog("first\r\n"), 0);
  ASSERT_EQ(QBX_PauseComLog(0), 0);
  const std::string second = dir_.file("SECOND.LOG");
  ASSERT_EQ(QBX_SetLogFile(second.c_str()), 0);
  ASSERT_EQ(QBX_EnableComLog(), 0);
  ASSERT_EQ(QBX_WriteLog("second\r\n"), 0);
  // Paused again with the same name: enabling writes a new header into the same file.
  ASSERT_EQ(QBX_PauseComLog(0), 0);
  ASSERT_EQ(QBX_EnableComLog(), 0);
  ASSERT_EQ(QBX_WriteLog("third\r\n"), 0);
  // A name that cannot be opened leaves the log paused on its file.
  ASSERT_EQ(QBX_PauseComLog(0), 0);
  ASSERT_EQ(QBX_SetLogFile(dir_.file("no/such/folder/x.log").c_str()), 0);
  EXPECT_EQ(QBX_EnableComLog(), kQbxLogError);
  EXPECT_EQ(QBX_WriteLog("lost\r\n"), kQbxLogError);
  ASSERT_EQ(QBX_PauseComLog(1), 0);
  ASSERT_EQ(QBX_WriteLog("resumed\r\n"), 0);
  ASSERT_EQ(QBX_DisableComLog(), 0);
  EXPECT_EQ(log_text(), "Communication log enabled at hh:mm:ss\r\n(T ms) >>> first\r\n");
  EXPECT_EQ(normalize_log(testkit::read_file(second)),
            "Communication log enabled at hh:mm:ss\r\n(T ms) >>> second\r\n"
            "Communication log enabled at hh:mm:ss\r\n(T ms) >>> third\r\n(T ms) >>> resumed\r\n"
            "Communication log disabled at hh:mm:ss\r\n\r\n");
}

TEST_F(LinkarTest, LogExplainsFailedOpensInPlainWords) {
  testkit::ScopedEnv com2("LINKAR32_COM2", dir_.file("missing-tty"));
  int other = open(pty_.slave_path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  enable_log();
  EXPECT_EQ(QBX_OpenPort(2, 9600, "n", 8, 1, 0), kQbxOpenFailed);
  EXPECT_EQ(open_com1(), kQbxOpenFailed);
  EXPECT_EQ(QBX_OpenPort(7, 9600, "n", 8, 1, 0), kQbxOpenFailed);
  QBX_DisableComLog();
  close(other);
  const std::string text = log_text();
  EXPECT_NE(text.find("(T ms) >>> Win32 error dump: 2\r\n(T ms) >>> COM2 (RS232): the device " + dir_.file("missing-tty") +
                      " does not exist\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("(T ms) >>> Win32 error dump: 11\r\n(T ms) >>> COM1 (RS232): the device " + pty_.slave_path() +
                      " is in use by another program\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("Attempting to open or modify port NONE:  Baud: 9600"), std::string::npos) << text;
  EXPECT_NE(text.find("NONE: the device NONE does not exist\r\n"), std::string::npos) << text;
}

TEST_F(LinkarTest, LogOfFailedReads) {
  ASSERT_EQ(open_com1(), 0);
  QBX_SetTimeout(50);
  enable_log();
  char buf[16];
  int32_t status, got;
  pty_.write("12");
  EXPECT_EQ(QBX_ReadPort(buf, 8, &status, &got, '\n'), kQbxReadFailed);
  pty_.write("3");
  EXPECT_EQ(QBX_ReadPort(buf, 4, &status, &got, 0), kQbxReadFailed);
  EXPECT_EQ(QBX_ReadPortEx(0, 1, 9, buf, 4, &status, &got, 0), kQbxReadFailed);
  QBX_DisableComLog();
  EXPECT_EQ(log_text(), "Communication log enabled at hh:mm:ss\r\n"
                        "(T ms) >>> Win32 error dump: 0\r\n"
                        "(T ms) >>> Read operation failed: requested 8 Bytes - received 2 Bytes\r\n"
                        "(T ms) >>> Win32 error dump: 0\r\n"
                        "(T ms) >>> Read operation failed: requested 4 Bytes - Received 1 Bytes\r\n"
                        "(T ms) >>> Device: 9 Win32 error dump: 0\r\n"
                        "(T ms) >>> Device: 9 Read operation failed: requested 4 Bytes - Received 0 Bytes\r\n"
                        "Communication log disabled at hh:mm:ss\r\n\r\n");
}

}  // namespace
