// Parallel ports 90 and 91 through the parallel-port drivers, with pseudo-terminals standing in for
// LPT1 and LPT2: the bytes on the line, both drivers, re-opening, two ports sharing PORTIX32, the
// power handling, the log texts, and the failures (missing device, missing driver, time-out).
#include <chrono>

#include "linkar_fixture.h"
#include "parallel_drivers.h"

namespace {

// The open parameter that selects PARLINK.
constexpr int32_t kParlink = 95;

class ParallelTest : public LinkarTest {
 protected:
  void SetUp() override {
    LinkarTest::SetUp();
    QBX_SetTimeout(300);
  }

  // A terminated read of up to 64 bytes; the text read, or "<status>" on failure.
  static std::string read_line() {
    char buf[65] = {};
    int32_t got = -1;
    int32_t r = QBX_ReadPort(buf, 64, 0, &got, '\n');
    if (r != 0) return "<" + std::to_string(r) + ">";
    return std::string(buf, static_cast<size_t>(got));
  }

  testkit::PtyPair lpt1_;
  testkit::PtyPair lpt2_;
  testkit::ScopedEnv lpt1_env_{"LINKAR32_LPT1", lpt1_.slave_path()};
  testkit::ScopedEnv lpt2_env_{"LINKAR32_LPT2", lpt2_.slave_path()};
  testkit::ScopedEnv portix_{"LINKAR32_PORTIX32", QBX_PORTIX32_PATH};
  testkit::ScopedEnv parlink_{"LINKAR32_PARLINK", QBX_PARLINK_PATH};
};

TEST_F(ParallelTest, PortixMovesCommandsAndRepliesWithTheirLogTexts) {
  enable_log();
  ASSERT_EQ(QBX_OpenPort(90, 0, nullptr, 0, 0, 0), 0);
  ASSERT_EQ(QBX_WritePort("IDN?\n"), 0);
  EXPECT_EQ(lpt1_.read_exact(5, 1000), "IDN?\n");

  lpt1_.write("QBX,Corvane\r\nrest");
  EXPECT_EQ(read_line(), "QBX,Corvane\r\n");
  char exact[8] = {};
  int32_t got = 0;
  ASSERT_EQ(QBX_ReadPort(exact, 4, 0, &got, 0), 0);  // the bytes after the terminator were kept
  EXPECT_EQ(std::string(exact, 4), "rest");
  EXPECT_EQ(got, 4);

  // Binary writes cannot pass through a text driver.
  EXPECT_EQ(QBX_WritePortCount("\x01\x00", 2), kQbxWriteFailed);
  ASSERT_EQ(QBX_DisableComLog(), 0);

  const std::string log = log_text();
  EXPECT_NE(log.find("Successfully opened parallel port: LPT1\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Sent: IDN?\n\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Received terminated 13 Bytes QBX,Corvane\r\n\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Requested 4 Bytes - received unterminated 4 Bytes\r\n"), std::string::npos) << log;
}

TEST_F(ParallelTest, SilentLineTimesOutWithinTheTimeOut) {
  enable_log();
  ASSERT_EQ(QBX_OpenPort(91, 3, nullptr, 0, 0, 0), 0);
  lpt2_.write("par");
  const auto start = std::chrono::steady_clock::now();
  char buf[16] = {};
  int32_t got = -1;
  EXPECT_EQ(QBX_ReadPort(buf, 8, 0, &got, '\n'), kQbxReadFailed);
  const double waited = ms_since(start);
  EXPECT_EQ(got, 3);
  EXPECT_STREQ(buf, "par");
  EXPECT_GE(waited, 250.0);
  EXPECT_LT(waited, 20000.0);  // ends with the time-out, no hang

  // A new time-out reaches the driver before the next read: the long one set before it is not
  // waited for.
  ASSERT_EQ(QBX_SetTimeout(60000), 0);
  ASSERT_EQ(QBX_SetTimeout(50), 0);
  const auto again = std::chrono::steady_clock::now();
  EXPECT_EQ(QBX_ReadPort(buf, 4, 0, &got, 0), kQbxReadFailed);
  EXPECT_LT(ms_since(again), 30000.0);
  ASSERT_EQ(QBX_DisableComLog(), 0);
  EXPECT_NE(log_text().find("Error reading parallel port: -10\r\n"), std::string::npos) << log_text();
}

TEST_F(ParallelTest, ParlinkDrivesThePortAndTakesTheInterpreterByte) {
  ASSERT_EQ(QBX_OpenPort(90, kParlink, nullptr, 0, 0, 0), 0);
  ASSERT_EQ(QBX_WritePort("EST?\n"), 0);
  EXPECT_EQ(lpt1_.read_exact(5, 1000), "EST?\n");
  lpt1_.write("0\r\n");
  EXPECT_EQ(read_line(), "0\r\n");

  // The interpreter byte goes to a PARLINK port, not to a PORTIX32 one.
  ASSERT_EQ(QBX_OpenPort(91, 1, nullptr, 0, 0, 0), 0);
  EXPECT_EQ(QBX_ActivateInterpreter(0), 0);
  EXPECT_EQ(lpt1_.read_available(100), "\x12");
  EXPECT_EQ(lpt2_.read_available(50), "");

  // PARLINK ports need no waking: the link driver holds them.
  ASSERT_EQ(QBX_SelectPort(90), 0);
  EXPECT_EQ(QBX_Corvane_Sleep(), 0);
  ASSERT_EQ(QBX_WritePort("A\n"), 0);
  EXPECT_EQ(lpt1_.read_exact(2, 1000), "A\n");
}

TEST_F(ParallelTest, TwoPortsOnOneDriverEachKeepTheirOwnLine) {
  for (const int32_t parameter : {0, kParlink}) {  // PORTIX32, then PARLINK
    SCOPED_TRACE(parameter);
    ASSERT_EQ(QBX_OpenPort(90, parameter, nullptr, 0, 0, 0), 0);
    ASSERT_EQ(QBX_OpenPort(91, parameter, nullptr, 0, 0, 0), 0);
    ASSERT_EQ(QBX_SelectPort(90), 0);
    ASSERT_EQ(QBX_WritePort("one\n"), 0);
    ASSERT_EQ(QBX_SelectPort(91), 0);
    ASSERT_EQ(QBX_WritePort("two\n"), 0);
    ASSERT_EQ(QBX_SelectPort(90), 0);
    ASSERT_EQ(QBX_WritePort("three\n"), 0);
    EXPECT_EQ(lpt1_.read_available(100), "one\nthree\n");
    EXPECT_EQ(lpt2_.read_available(100), "two\n");

    // Each port reads its own line, whichever answered first.
    lpt2_.write("B\r\n");
    lpt1_.write("A\r\n");
    EXPECT_EQ(read_line(), "A\r\n");
    ASSERT_EQ(QBX_SelectPort(91), 0);
    EXPECT_EQ(read_line(), "B\r\n");

    // Closing LPT1 while LPT2 is current closes LPT1's line and leaves LPT2 working.
    ASSERT_EQ(QBX_ClosePortEx(90), 0);
    ASSERT_EQ(QBX_SelectPort(91), 0);
    ASSERT_EQ(QBX_WritePort("four\n"), 0);
    EXPECT_EQ(lpt2_.read_available(100), "four\n");
    EXPECT_EQ(lpt1_.read_available(50), "");
    lpt2_.write("ok\r\n");
    EXPECT_EQ(read_line(), "ok\r\n");
    EXPECT_EQ(QBX_SelectPort(90), kQbxPortNotOpen);

    // The named-port lookup selects the line in the driver as well.
    int32_t index = -1, handle = -1;
    ASSERT_EQ(QBX_GetSocket(91, 0, &index, &handle), 0);
    EXPECT_EQ(handle, 0);
    ASSERT_EQ(QBX_ClosePortEx(91), 0);
  }
}

TEST_F(ParallelTest, OpeningAnOpenPortReopensItInTheDriverTheParameterSelects) {
  enable_log();
  ASSERT_EQ(QBX_OpenPort(90, 0, nullptr, 0, 0, 0), 0);
  ASSERT_EQ(QBX_OpenPort(90, kParlink, nullptr, 0, 0, 0), 0);
  ASSERT_EQ(QBX_OpenPort(91, 0, nullptr, 0, 0, 0), 0);
  ASSERT_EQ(QBX_OpenPort(90, 0, nullptr, 0, 0, 0), 0);  // LPT1 is current again
  ASSERT_EQ(QBX_WritePort("X\n"), 0);
  EXPECT_EQ(lpt1_.read_available(100), "X\n");
  ASSERT_EQ(QBX_DisableComLog(), 0);
  const std::string log = log_text();
  size_t first = log.find("Successfully re-opened parallel port: LPT1\r\n");
  ASSERT_NE(first, std::string::npos) << log;
  EXPECT_NE(log.find("Successfully re-opened parallel port: LPT1\r\n", first + 1), std::string::npos) << log;
  // Still one entry in the table.
  ASSERT_EQ(QBX_ClosePortEx(90), 0);
  EXPECT_EQ(QBX_ClosePortEx(90), kQbxPortNotOpen);
}

TEST_F(ParallelTest, SleepClosesThePortAndWakeUpOpensItAgain) {
  ASSERT_EQ(QBX_OpenPort(90, 0, nullptr, 0, 0, 0), 0);
  EXPECT_EQ(QBX_Corvane_WakeUp(), 0);  // already awake
  EXPECT_EQ(QBX_Corvane_Sleep(), 0);
  EXPECT_EQ(QBX_WritePort("lost\n"), kQbxWriteFailed);
  EXPECT_EQ(QBX_Corvane_WakeUp(), 0);
  ASSERT_EQ(QBX_WritePort("back\n"), 0);
  EXPECT_EQ(lpt1_.read_available(100), "back\n");
  EXPECT_EQ(QBX_ClosePort(), 0);

  // Not a parallel port: the current port number comes back; no port at all gives -1.
  ASSERT_EQ(open_com1(), 0);
  EXPECT_EQ(QBX_Corvane_WakeUp(), 1);
  EXPECT_EQ(QBX_Corvane_Sleep(), 0);
  ASSERT_EQ(QBX_ClosePort(), 0);
  EXPECT_EQ(QBX_Corvane_WakeUp(), -1);
}

TEST_F(ParallelTest, PortWhoseDeviceIsMissingStaysInTheTableUntilAWakeUpFindsIt) {
  enable_log();
  {
    testkit::ScopedEnv missing("LINKAR32_LPT1", dir_.file("no-such-port"));
    EXPECT_EQ(QBX_OpenPort(90, 0, nullptr, 0, 0, 0), -1);
    // The failed open left the port asleep: a wake-up tries the open again and reports it.
    EXPECT_EQ(QBX_Corvane_WakeUp(), -1);
    EXPECT_EQ(QBX_Corvane_WakeUp(), -1);
    EXPECT_EQ(QBX_SelectPort(90), 0);
    EXPECT_EQ(QBX_WritePort("x\n"), kQbxWriteFailed);
    EXPECT_EQ(read_line(), "<-10>");
    EXPECT_EQ(QBX_Corvane_Sleep(), 0);
    EXPECT_EQ(QBX_Corvane_WakeUp(), -1);
  }
  // The device has appeared: the next wake-up opens it, and one after a sleep again.
  EXPECT_EQ(QBX_Corvane_WakeUp(), 0);
  ASSERT_EQ(QBX_WritePort("here\n"), 0);
  EXPECT_EQ(lpt1_.read_available(100), "here\n");
  EXPECT_EQ(QBX_Corvane_WakeUp(), 0);  // awake: nothing to do
  EXPECT_EQ(QBX_Corvane_Sleep(), 0);
  EXPECT_EQ(QBX_Corvane_WakeUp(), 0);
  ASSERT_EQ(QBX_WritePort("again\n"), 0);
  EXPECT_EQ(lpt1_.read_available(100), "again\n");
  ASSERT_EQ(QBX_DisableComLog(), 0);
  EXPECT_NE(log_text().find("Failed opening parallel port: LPT1 Error -1\r\n"), std::string::npos)
      << log_text();
}

TEST_F(ParallelTest, MissingDriverLibraryOpensNothing) {
  enable_log();
  linkar::forget_parallel_drivers();
  {
    testkit::ScopedEnv gone("LINKAR32_PORTIX32", dir_.file("libportix32.so"));
    EXPECT_EQ(QBX_OpenPort(90, 0, nullptr, 0, 0, 0), kQbxOpenFailed);
    EXPECT_EQ(QBX_SelectPort(90), kQbxPortNotOpen);
    // A missing PORTIX32 does not keep PARLINK from working.
    ASSERT_EQ(QBX_OpenPort(91, kParlink, nullptr, 0, 0, 0), 0);
    ASSERT_EQ(QBX_WritePort("L\n"), 0);
    EXPECT_EQ(lpt2_.read_available(100), "L\n");
  }
  // Installed later, the driver is found at the next open.
  linkar::forget_parallel_drivers();
  EXPECT_EQ(QBX_OpenPort(90, 0, nullptr, 0, 0, 0), 0);
  ASSERT_EQ(QBX_DisableComLog(), 0);
  EXPECT_NE(log_text().find("Failed opening parallel port: LPT1 Error -1\r\n"), std::string::npos)
      << log_text();
}

TEST_F(ParallelTest, FlushDropsPendingBytes) {
  ASSERT_EQ(QBX_OpenPort(90, 0, nullptr, 0, 0, 0), 0);
  lpt1_.write("stale bytes");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(QBX_FlushInQueue(), 11);
  lpt1_.write("fresh\n");
  EXPECT_EQ(read_line(), "fresh\n");
}

}  // namespace
