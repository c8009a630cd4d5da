// Serial exchanges over a pseudo-terminal: bytes on the line, terminated and exact reads with their
// time-outs, partial reads, queue flushing, device addressing, port selection and closing.
#include <fcntl.h>
#include <pty.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include "line_speed_probe.h"
#include "linkar_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

TEST_F(LinkarTest, WriteAndTerminatedReadMoveExactBytes) {
  ASSERT_EQ(open_com1(), 0);
  ASSERT_EQ(QBX_WritePort("EST?\n"), 0);
  EXPECT_EQ(pty_.read_exact(5, 1000), "EST?\n");
  pty_.write("0\r\n");
  char reply[1025];
  std::memset(reply, 'x', sizeof reply);
  int32_t status = -99, got = -1;
  EXPECT_EQ(QBX_ReadPort(reply, 1024, &status, &got, '\n'), 0);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(got, 3);
  EXPECT_EQ(std::string(reply, 4), std::string("0\r\n\0", 4));

  // Binary data with zeros, and the interpreter reset byte.
  ASSERT_EQ(QBX_WritePortCount("a\0b\xff", 4), 0);
  ASSERT_EQ(QBX_ResetInterface(), 0);
  EXPECT_EQ(pty_.read_exact(5, 1000), std::string("a\0b\xff\x01", 5));
}

TEST_F(LinkarTest, TerminatedReadKeepsFollowingBytesForTheNextRead) {
  ASSERT_EQ(open_com1(), 0);
  pty_.write("12\n345\nrest");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  char buf[64];
  int32_t status, got;
  ASSERT_EQ(QBX_ReadPort(buf, 63, &status, &got, '\n'), 0);
  EXPECT_STREQ(buf, "12\n");
  // Bytes already taken from the driver still count as waiting input.
  EXPECT_EQ(QBX_GetSerInQLen(), 8);
  ASSERT_EQ(QBX_ReadPort(buf, 63, &status, &got, '\n'), 0);
  EXPECT_STREQ(buf, "345\n");
  // A count limit stops the read before the terminator.
  ASSERT_EQ(QBX_ReadPort(buf, 2, &status, &got, '\n'), 0);
  EXPECT_EQ(got, 2);
  EXPECT_STREQ(buf, "re");
  // An exact read takes the buffered bytes first.
  ASSERT_EQ(QBX_ReadPort(buf, 2, &status, &got, 0), 0);
  EXPECT_EQ(std::string(buf, 2), "st");
  // Flushing discards and counts buffered and driver bytes alike.
  pty_.write("abc\ndef");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_EQ(QBX_ReadPort(buf, 63, &status, &got, '\n'), 0);
  pty_.write("gh");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(QBX_GetSerInQLen(), 5);
  EXPECT_EQ(QBX_FlushInQueue(), 5);
  EXPECT_EQ(QBX_GetSerInQLen(), 0);
  QBX_SetTimeout(100);
  EXPECT_EQ(QBX_ReadPort(buf, 63, &status, &got, '\n'), kQbxReadFailed);
  EXPECT_EQ(got, 0);
}

TEST_F(LinkarTest, TerminatedReadGivesEachByteTheTimeout) {
  ASSERT_EQ(open_com1(), 0);
  QBX_SetTimeout(400);
  char buf[16];
  int32_t status = 0, got = 0;
  auto start = Clock::now();
  {
    Trickle device(pty_, {"0", "\r", "\n"}, 250);
    EXPECT_EQ(QBX_ReadPort(buf, 15, &status, &got, '\n'), 0);
  }
  EXPECT_GE(ms_since(start), 700);  // longer than one time-out in total, yet no byte came late
  EXPECT_EQ(got, 3);
  EXPECT_STREQ(buf, "0\r\n");

  // A byte that comes later than the time-out ends the read with what arrived.
  {
    Trickle device(pty_, {"A", "B"}, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  start = Clock::now();
  EXPECT_EQ(QBX_ReadPort(buf, 15, &status, &got, '\n'), kQbxReadFailed);
  EXPECT_EQ(status, kQbxReadFailed);
  EXPECT_EQ(got, 2);
  EXPECT_STREQ(buf, "AB");
  EXPECT_GE(ms_since(start), 390);
  EXPECT_LT(ms_since(start), 20000);  // ends with the time-out, no hang
}

TEST_F(LinkarTest, ExactReadGivesTheWholeReadOneTimeout) {
  ASSERT_EQ(open_com1(), 0);
  QBX_SetTimeout(400);
  char buf[16] = {};
  int32_t status = 0, got = -1;
  auto start = Clock::now();
  {
    Trickle device(pty_, {"0", "1", "2", "3"}, 250);
    EXPECT_EQ(QBX_ReadPort(buf, 4, &status, &got, 0), kQbxReadFailed);
    // Not per byte: the whole read had 400 ms, so it ends with the bytes that came in time, long
    // before the last one (at 1000 ms).
    EXPECT_GE(ms_since(start), 390);
  }
  EXPECT_EQ(status, kQbxReadFailed);
  EXPECT_EQ(got, 1);  // the partial count of what arrived in time
  EXPECT_EQ(buf[0], '0');
  QBX_FlushInQueue();

  // In time: exactly the count, nothing more taken from the line.
  pty_.write(std::string("\x01\x00\x02\x03\x04", 5));
  EXPECT_EQ(QBX_ReadPort(buf, 4, &status, &got, 0), 0);
  EXPECT_EQ(got, 4);
  EXPECT_EQ(std::string(buf, 4), std::string("\x01\x00\x02\x03", 4));
  EXPECT_EQ(QBX_GetSerInQLen(), 1);
}

TEST_F(LinkarTest, ClosedLineFailsReadsAndWritesAtOnce) {
  int master = -1, slave = -1;
  char name[256];
  struct termios raw {};
  cfmakeraw(&raw);
  ASSERT_EQ(openpty(&master, &slave, name, &raw, nullptr), 0);
  testkit::ScopedEnv com2("LINKAR32_COM2", name);
  ASSERT_EQ(QBX_OpenPort(2, 9600, "n", 8, 1, 0), 0);
  close(slave);
  close(master);  // the device is gone
  char buf[16];
  int32_t status = 0, got = 0;
  // A hung-up line does not wait for the time-out: two reads end well within one.
  QBX_SetTimeout(30000);
  auto start = Clock::now();
  EXPECT_EQ(QBX_ReadPort(buf, 15, &status, &got, '\n'), kQbxReadFailed);
  EXPECT_EQ(QBX_ReadPort(buf, 4, &status, &got, 0), kQbxReadFailed);
  EXPECT_LT(ms_since(start), 15000);
  EXPECT_EQ(QBX_WritePort("EST?\n"), kQbxWriteFailed);
  EXPECT_EQ(QBX_ClosePort(), 0);
}

TEST_F(LinkarTest, OpenSelectAndCloseKeepTheTableInOrder) {
  testkit::PtyPair pty3, pty4;
  testkit::ScopedEnv com3("LINKAR32_COM3", pty3.slave_path());
  testkit::ScopedEnv com4("LINKAR32_COM4", pty4.slave_path());
  ASSERT_EQ(open_com1(), 0);
  ASSERT_EQ(QBX_OpenPort(3, 19200, "n", 8, 1, 4096), 0);
  ASSERT_EQ(QBX_OpenPort(40, 9600, "n", 8, 1, 4096), 0);
  const int32_t h1 = handle_of(1), h3 = handle_of(3), h40 = handle_of(40);
  // Reopening changes settings and keeps one entry (and the same handle).
  ASSERT_EQ(QBX_OpenPort(3, 38400, "o", 7, 2, 1024), 0);
  EXPECT_EQ(handle_of(3), h3);

  // Writes go to the current port only.
  ASSERT_EQ(QBX_SelectPort(1), 0);
  ASSERT_EQ(QBX_WritePort("one"), 0);
  ASSERT_EQ(QBX_SelectPort(3), 0);
  ASSERT_EQ(QBX_WritePort("three"), 0);
  EXPECT_EQ(pty_.read_available(50), "one");
  EXPECT_EQ(pty3.read_available(50), "three");
  EXPECT_EQ(QBX_SelectPort(5), kQbxPortNotOpen);
  ASSERT_EQ(QBX_WritePort("still three"), 0);
  EXPECT_EQ(pty3.read_available(50), "still three");

  // Closing a port that is not current removes its own entry; the others keep their handles.
  EXPECT_EQ(QBX_ClosePortEx(1), 0);
  EXPECT_EQ(QBX_SelectPort(1), kQbxPortNotOpen);
  EXPECT_EQ(handle_of(3), h3);
  EXPECT_EQ(handle_of(40), h40);
  EXPECT_NE(h1, -1);
  // No current port after a close: writes do nothing.
  EXPECT_EQ(QBX_WritePort("lost"), 0);
  EXPECT_EQ(QBX_FlushInQueue(), kQbxNoCurrentPort);
  EXPECT_EQ(QBX_ClosePortEx(7), kQbxPortNotOpen);
  EXPECT_EQ(QBX_ClosePortEx(-1), 0);
  EXPECT_EQ(QBX_ClosePort(), kQbxPortNotOpen);
  EXPECT_EQ(pty3.read_available(50), "");
}

TEST_F(LinkarTest, PortNumbersWithoutDevices) {
  EXPECT_EQ(QBX_OpenPort(7, 9600, "n", 8, 1, 0), kQbxOpenFailed);
  EXPECT_EQ(QBX_OpenPort(11, 9600, "n", 8, 1, 0), kQbxOpenFailed);
  EXPECT_EQ(QBX_OpenPort(9, 9600, "n", 8, 1, 0), 0);
  EXPECT_EQ(QBX_OpenPort(95, 9600, "n", 8, 1, 0), 0);
  EXPECT_EQ(QBX_OpenPort(488, 9600, "n", 8, 1, 0), 0);
  EXPECT_EQ(QBX_SelectPort(9), kQbxPortNotOpen);
  ASSERT_EQ(open_com1(), 0);  // the lock was released by the opens that did nothing
  EXPECT_EQ(QBX_ClosePortEx(-1), 0);
  EXPECT_EQ(QBX_ClosePortEx(-1), kQbxPortNotOpen);
}

TEST_F(LinkarTest, NullPortAndNoPortMakeIoANoOp) {
  ASSERT_EQ(open_com1(), 0);
  pty_.write("0\r\n");
  for (int32_t port : {99, 1000, 5000}) {
    ASSERT_EQ(QBX_SelectPort(port), 0);
    EXPECT_EQ(QBX_WritePort("EST?\n"), 0);
    char buf[8] = "xxxxxxx";
    int32_t status = -1, got = -1;
    EXPECT_EQ(QBX_ReadPort(buf, 4, &status, &got, 0), 0);
    EXPECT_EQ(got, 0);
    EXPECT_EQ(status, 0);
  }
  EXPECT_EQ(pty_.read_available(50), "");
  ASSERT_EQ(QBX_SelectPort(1), 0);
  EXPECT_EQ(QBX_GetSerInQLen(), 3);  // nothing was read by the no-op reads
}

TEST_F(LinkarTest, DeviceAddressOnMultidropLines) {
  testkit::ScopedEnv com1("LINKAR32_COM1", pty_.slave_path());
  ASSERT_EQ(QBX_OpenPort(10, 9600, "n", 8, 1, 0), 0);
  ASSERT_EQ(QBX_SelectDevice(7), 0);
  ASSERT_EQ(QBX_SelectDevice(12), 0);
  EXPECT_EQ(pty_.read_available(50), "S07\nS12\n");
  // Idle: deselect every device, pause, then the device clear.
  ASSERT_EQ(QBX_CloseInterpreterEx(0, 0), 0);
  EXPECT_EQ(pty_.read_available(100), "S98\nDCL\r\n");
  ASSERT_EQ(QBX_CloseInterpreterEx(10, 3), 0);
  EXPECT_EQ(pty_.read_available(100), "S03\nDCL\r\n");
  EXPECT_EQ(QBX_CloseInterpreterEx(20, 3), kQbxPortNotOpen);  // not sent anywhere
  EXPECT_EQ(pty_.read_available(50), "");
  ASSERT_EQ(QBX_ClosePort(), 0);

  // One device per RS232 line: no address command.
  ASSERT_EQ(open_com1(), 0);
  ASSERT_EQ(QBX_SelectDevice(7), 0);
  ASSERT_EQ(QBX_CloseInterpreterEx(-1, 0), 0);
  EXPECT_EQ(pty_.read_available(50), "DCL\r\n");
}

TEST_F(LinkarTest, ActivateInterpreterWakesEveryPortThenWaits) {
  testkit::PtyPair pty2;
  testkit::ScopedEnv com2("LINKAR32_COM2", pty2.slave_path());
  EXPECT_EQ(QBX_ActivateInterpreter(0), 0);  // nothing open
  ASSERT_EQ(open_com1(), 0);
  ASSERT_EQ(QBX_OpenPort(2, 9600, "n", 8, 1, 0), 0);
  auto start = Clock::now();
  EXPECT_EQ(QBX_ActivateInterpreter(100), 0);
  EXPECT_GE(ms_since(start), 99);
  EXPECT_EQ(pty_.read_available(50), "\x12");
  EXPECT_EQ(pty2.read_available(50), "\x12");
}

TEST_F(LinkarTest, SerialOpenIsExclusive) {
  ASSERT_EQ(open_com1(), 0);
  // Another program opening the device cannot take it.
  int other = open(pty_.slave_path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(other, 0);
  EXPECT_NE(flock(other, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(errno, EWOULDBLOCK);
  ASSERT_EQ(QBX_ClosePort(), 0);
  EXPECT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  // Now the library is the one kept out.
  EXPECT_EQ(open_com1(), kQbxOpenFailed);
  close(other);
  EXPECT_EQ(open_com1(), 0);
}

TEST_F(LinkarTest, LineSettingsReachTheDevice) {
  // Parity and data bits are checked at the platform seam (pseudo-terminals drop them).
  ASSERT_EQ(QBX_OpenPort(1, 19200, "e", 8, 2, 0), 0);
  struct termios t {};
  int fd = open(pty_.slave_path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(tcgetattr(fd, &t), 0);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));
  EXPECT_TRUE(t.c_cflag & CSTOPB);
  EXPECT_FALSE(t.c_lflag & (ICANON | ECHO));
  EXPECT_FALSE(t.c_oflag & OPOST);
  // Modify: the same port again with other settings, reopened with the same ones.
  ASSERT_EQ(QBX_OpenPort(1, 9600, "e", 8, 1, 0), 0);
  ASSERT_EQ(QBX_OpenPort(1, 9600, "e", 8, 1, 0), 0);
  ASSERT_EQ(tcgetattr(fd, &t), 0);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
  EXPECT_FALSE(t.c_cflag & CSTOPB);
  // CTS mode changes RTS only: a line without output flow control keeps writing freely.
  ASSERT_EQ(QBX_SetCTSMode(1), 0);
  ASSERT_EQ(tcgetattr(fd, &t), 0);
  EXPECT_FALSE(t.c_cflag & CRTSCTS);
  ASSERT_EQ(QBX_WritePort("EST?\n"), 0);
  EXPECT_EQ(pty_.read_available(200), "EST?\n");
  ASSERT_EQ(QBX_SetCTSMode(0), 0);
  ASSERT_EQ(tcgetattr(fd, &t), 0);
  EXPECT_FALSE(t.c_cflag & CRTSCTS);
  // A rate that is not positive fails the modify and keeps the port.
  EXPECT_EQ(QBX_OpenPort(1, 0, "n", 8, 1, 0), kQbxSetSettingsFailed);
  EXPECT_EQ(QBX_OpenPort(1, -9600, "n", 8, 1, 0), kQbxSetSettingsFailed);
  EXPECT_EQ(QBX_SelectPort(1), 0);
  close(fd);
  // Closed and opened again with even parity (the framing a pseudo-terminal ignores).
  ASSERT_EQ(QBX_ClosePort(), 0);
  EXPECT_EQ(open_com1(), 0);
}

TEST_F(LinkarTest, EveryRateOfTheDriverOpensTheLine) {
  // The amplifier's rates (600 ... 76800) and other rates serial drivers take without a B* constant.
  const int32_t rates[] = {600, 1200, 2400, 4800, 9600, 19200, 38400, 76800, 14400, 28800, 56000, 128000, 256000};
  for (int32_t rate : rates) {
    ASSERT_EQ(QBX_OpenPort(1, rate, "e", 8, 1, 4096), 0) << rate;
    EXPECT_EQ(line_speed_of(handle_of(1)), static_cast<uint32_t>(rate)) << rate;
    // The line works at that speed.
    ASSERT_EQ(QBX_WritePort("EST?\n"), 0);
    EXPECT_EQ(pty_.read_available(200), "EST?\n") << rate;
    ASSERT_EQ(QBX_ClosePort(), 0);
  }
  // An open line moves between standard and custom rates.
  ASSERT_EQ(open_com1(), 0);
  for (int32_t rate : {76800, 9600, 14400, 56000, 38400}) {
    ASSERT_EQ(QBX_OpenPort(1, rate, "e", 8, 1, 4096), 0) << rate;
    EXPECT_EQ(line_speed_of(handle_of(1)), static_cast<uint32_t>(rate)) << rate;
  }
}

TEST_F(LinkarTest, ExtendedParametersApplyAtTheNextOpen) {
  QbxExtComPars p{};
  p.out_cts_flow = 1;
  p.dtr_control = 1;
  p.rts_control = 2;
  p.xon_xoff_in = 1;
  p.xon_char = 0x11;
  p.xoff_char = 0x13;
  p.xon_limit = 1;
  p.xoff_limit = 7;  // not taken: only 1 is
  EXPECT_EQ(QBX_SetExtendedComPars(&p), 0);
  enable_log();
  ASSERT_EQ(open_com1(), 0);
  int fd = open(pty_.slave_path().c_str(), O_RDWR | O_NOCTTY);
  struct termios t {};
  ASSERT_EQ(tcgetattr(fd, &t), 0);
  EXPECT_TRUE(t.c_cflag & CRTSCTS);
  EXPECT_TRUE(t.c_iflag & IXOFF);
  EXPECT_FALSE(t.c_iflag & IXON);
  // Either CTS mode keeps the output flow control the extended parameters set.
  for (int32_t mode : {0, 1, 0}) {
    ASSERT_EQ(QBX_SetCTSMode(mode), 0);
    ASSERT_EQ(tcgetattr(fd, &t), 0);
    EXPECT_TRUE(t.c_cflag & CRTSCTS) << "mode " << mode;
  }
  close(fd);
  QBX_DisableComLog();
  EXPECT_NE(log_text().find("(T ms) >>> Configured extended RS232 port parameters:\r\n"
                            "(T ms) >>> fOutxCtsFlow: 1\r\n(T ms) >>> fOutxDsrFlow: 0\r\n"
                            "(T ms) >>> fDtrControl: 1\r\n(T ms) >>> fRtsControl: 2\r\n"
                            "(T ms) >>> fDsrSensitivity: 0\r\n(T ms) >>> fTXContinueOnXoff: 1\r\n"
                            "(T ms) >>> fAbortOnError: 0\r\n(T ms) >>> fOutX: 0\r\n(T ms) >>> fInX: 1\r\n"
                            "(T ms) >>> XonLim: 1 Byte\r\n(T ms) >>> XoffLim: 0 Byte\r\n"
                            "(T ms) >>> XonChar: 11\r\n(T ms) >>> XoffChar: 13\r\n"
                            "(T ms) >>> Successfully opened port: COM1 (RS232)\r\n"),
            std::string::npos)
      << log_text();
  ASSERT_EQ(QBX_ClosePort(), 0);
  // DSR flow control has no equivalent here: the open fails instead of pretending.
  p.out_dsr_flow = 1;
  QBX_SetExtendedComPars(&p);
  EXPECT_EQ(open_com1(), kQbxSetSettingsFailed);
  p.out_dsr_flow = 0;
  QBX_SetExtendedComPars(&p);
  EXPECT_EQ(open_com1(), 0);
}

TEST_F(LinkarTest, BreakAndOutputQueue) {
  ASSERT_EQ(open_com1(), 0);
  EXPECT_EQ(QBX_ComBreak(0), 0);
  EXPECT_EQ(QBX_ComBreak(1), 0);
  EXPECT_EQ(QBX_GetSerOutQLen(), 0);
  EXPECT_EQ(QBX_FlushOutQueue(), 0);
  ASSERT_EQ(QBX_SelectPort(99), 0);
  EXPECT_EQ(QBX_GetSerInQLen(), 0);
  EXPECT_EQ(QBX_ComBreak(0), 0);
}

}  // namespace
