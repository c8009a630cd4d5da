// Faults injected at the platform seam: failing line-settings calls, a failing close, a refused
// break, a failing write, line errors reported by the driver, and a millisecond counter that wraps.
#include <gtest/gtest.h>
#include <linux/serial.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "linkar32.h"
#include "linkar_fixture.h"
#include "platform.h"
#include "testkit/pty_pair.h"
#include "testkit/temp_dir.h"

namespace {

// The real system with chosen calls failing.
class FaultyPlatform : public linkar::Platform {
 public:
  bool fail_tcgetattr = false;
  bool fail_tcsetattr = false;
  bool fail_close_of_tty = false;
  bool fail_break = false;
  bool fail_write = false;
  int overruns = 0;      // reported through TIOCGICOUNT when set
  int buf_overruns = 0;
  int tty_fd = -1;
  int closes_of_tty = 0;
  bool counters = false;  // the driver offers line-error counters
  struct termios last_set {};
  bool fake_clock = false;
  uint64_t clock_ms = 0;
  uint64_t clock_step_ms = 0;  // advance per reading
  bool fail_custom_speed = false;
  std::vector<uint32_t> custom_speeds;  // rates given to set_custom_speed
  int tcsetattr_calls = 0;
  std::vector<std::pair<unsigned long, int>> modem_calls;  // TIOCMBIS/TIOCMBIC and their lines
  // Output queue of the tty: this many bytes until the fake clock reaches out_queue_until_ms.
  int out_queue = 0;
  uint64_t out_queue_until_ms = 0;
  std::vector<std::string> drain_calls;  // "tcdrain" and "tcflush" in their order
  bool throw_in_recv = false;  // a socket read that ends in an exception (out of memory, say)

  int open(const char* path, int flags, int mode) override {
    int fd = Platform::open(path, flags, mode);
    if (fd >= 0 && std::string(path).rfind("/dev/pts/", 0) == 0) tty_fd = fd;
    return fd;
  }
  int close(int fd) override {
    int r = Platform::close(fd);
    if (fd == tty_fd) {
      tty_fd = -1;
      ++closes_of_tty;
      if (fail_close_of_tty) {
        errno = EIO;
        return -1;
      }
    }
    return r;
  }
  ssize_t write(int fd, const void* data, size_t count) override {
    if (fail_write && fd == tty_fd) {
      errno = EIO;
      return -1;
    }
    return Platform::write(fd, data, count);
  }
  int tcgetattr(int fd, struct termios* t) override {
    if (fail_tcgetattr) {
      errno = EIO;
      return -1;
    }
    return Platform::tcgetattr(fd, t);
  }
  int tcsetattr(int fd, int when, const struct termios* t) override {
    last_set = *t;
    ++tcsetattr_calls;
    if (fail_tcsetattr) {
      errno = EIO;
      return -1;
    }
    return Platform::tcsetattr(fd, when, t);
  }
  int ioctl(int fd, unsigned long request, void* arg) override {
    if (fail_break && request == TIOCSBRK) {
      errno = EIO;
      return -1;
    }
    if ((request == TIOCMBIS || request == TIOCMBIC) && fd == tty_fd)
      modem_calls.emplace_back(request, *static_cast<int*>(arg));
    if (request == TIOCOUTQ && fd == tty_fd && out_queue > 0) {
      *static_cast<int*>(arg) = clock_ms < out_queue_until_ms ? out_queue : 0;
      return 0;
    }
    if (request == TIOCGICOUNT && counters) {
      auto* counts = static_cast<serial_icounter_struct*>(arg);
      *counts = {};
      counts->overrun = overruns;
      counts->buf_overrun = buf_overruns;
      return 0;
    }
    return Platform::ioctl(fd, request, arg);
  }
  int set_custom_speed(int fd, uint32_t baud) override {
    custom_speeds.push_back(baud);
    if (fail_custom_speed) {
      errno = EINVAL;
      return -1;
    }
    return Platform::set_custom_speed(fd, baud);
  }
  int tcdrain(int fd) override {
    if (fd == tty_fd) drain_calls.push_back("tcdrain");
    return Platform::tcdrain(fd);
  }
  int tcflush(int fd, int queue) override {
    if (fd == tty_fd && queue == TCOFLUSH) drain_calls.push_back("tcflush");
    return Platform::tcflush(fd, queue);
  }
  ssize_t recv(int fd, void* buffer, size_t count) override {
    if (throw_in_recv) throw std::runtime_error("recv");
    return Platform::recv(fd, buffer, count);
  }
  void sleep_ms(int milliseconds) override {
    if (!fake_clock) return Platform::sleep_ms(milliseconds);
    clock_ms += static_cast<uint64_t>(milliseconds);
  }
  uint64_t monotonic_ns() override {
    if (!fake_clock) return Platform::monotonic_ns();
    uint64_t now = clock_ms;
    clock_ms += clock_step_ms;
    return now * 1000000ull;
  }
};

class FaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    linkar::set_platform(&fake_);
    QBX_OpenInterfaceLib();
    QBX_SetTimeout(500);
  }
  void TearDown() override {
    fake_ = FaultyPlatform{};
    QBX_OpenInterfaceLib();
    linkar::set_platform(nullptr);
  }
  std::string log_text() const {
    return normalize_log(testkit::read_file(dir_.file("COMLOG.LOG")));
  }
  void enable_log() {
    QBX_SetLogFile(dir_.file("COMLOG.LOG").c_str());
    ASSERT_EQ(QBX_EnableComLog(), 0);
  }

  FaultyPlatform fake_;
  testkit::TempDir dir_;
  testkit::ScopedEnv runtime_{"XDG_RUNTIME_DIR", dir_.path()};
  testkit::PtyPair pty_;
  testkit::ScopedEnv com1_{"LINKAR32_COM1", pty_.slave_path()};
};

TEST_F(FaultTest, FailingLineSettingsLeaveTheTableAsItWas) {
  enable_log();
  fake_.fail_tcgetattr = true;
  EXPECT_EQ(QBX_OpenPort(1, 9600, "n", 8, 1, 0), kQbxGetSettingsFailed);
  EXPECT_EQ(fake_.closes_of_tty, 1);  // the handle was closed again
  EXPECT_EQ(QBX_SelectPort(1), kQbxPortNotOpen);
  fake_.fail_tcgetattr = false;
  fake_.fail_tcsetattr = true;
  EXPECT_EQ(QBX_OpenPort(1, 9600, "n", 8, 1, 0), kQbxSetSettingsFailed);
  EXPECT_EQ(fake_.closes_of_tty, 2);
  EXPECT_EQ(QBX_SelectPort(1), kQbxPortNotOpen);
  fake_.fail_tcsetattr = false;
  ASSERT_EQ(QBX_OpenPort(1, 9600, "n", 8, 1, 0), 0);
  // On an open port: the modify fails, the port stays.
  fake_.fail_tcgetattr = true;
  EXPECT_EQ(QBX_OpenPort(1, 19200, "n", 8, 1, 0), kQbxGetSettingsFailed);
  EXPECT_EQ(QBX_SetCTSMode(1), 0);  // changes RTS only: the line settings are not needed
  fake_.fail_tcgetattr = false;
  fake_.fail_tcsetattr = true;
  EXPECT_EQ(QBX_OpenPort(1, 19200, "n", 8, 1, 0), kQbxSetSettingsFailed);
  EXPECT_EQ(QBX_SetCTSMode(1), 0);
  fake_.fail_tcsetattr = false;
  EXPECT_EQ(QBX_SelectPort(1), 0);
  QBX_DisableComLog();
  const std::string text = log_text();
  EXPECT_NE(text.find("Win32 error dump: 5\r\n"), std::string::npos) << text;  // EIO
  EXPECT_EQ(text.find("Successfully opened port"), text.rfind("Successfully opened port")) << text;
}

TEST_F(FaultTest, FramingReachesTheLineSettings) {
  // Pseudo-terminals drop parity and data bits, so the settings handed to the system are checked.
  ASSERT_EQ(QBX_OpenPort(1, 19200, "o", 7, 2, 0), 0);
  EXPECT_EQ(fake_.last_set.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
  EXPECT_EQ(fake_.last_set.c_cflag & (PARENB | PARODD), static_cast<tcflag_t>(PARENB | PARODD));
  EXPECT_TRUE(fake_.last_set.c_cflag & CSTOPB);
  EXPECT_EQ(cfgetospeed(&fake_.last_set), static_cast<speed_t>(B19200));
  ASSERT_EQ(QBX_OpenPort(1, 9600, "e", 8, 1, 0), 0);
  EXPECT_EQ(fake_.last_set.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(fake_.last_set.c_cflag & (PARENB | PARODD), static_cast<tcflag_t>(PARENB));
  EXPECT_FALSE(fake_.last_set.c_cflag & CSTOPB);
  ASSERT_EQ(QBX_OpenPort(1, 9600, "n", 8, 3, 0), 0);  // stop bits 3 leave them
  EXPECT_EQ(fake_.last_set.c_cflag & PARENB, 0u);
  EXPECT_FALSE(fake_.last_set.c_cflag & CSTOPB);
  ASSERT_EQ(QBX_OpenPort(1, 9600, "x", 8, 2, 0), 0);  // "x" leaves the parity
  EXPECT_EQ(fake_.last_set.c_cflag & PARENB, 0u);
  EXPECT_TRUE(fake_.last_set.c_cflag & CSTOPB);
}

TEST_F(FaultTest, RatesWithoutAConstantGoThroughTheCustomRateCall) {
  // Standard rates stay in the termios settings; others take one custom-rate call after them.
  ASSERT_EQ(QBX_OpenPort(1, 38400, "e", 8, 1, 0), 0);
  EXPECT_EQ(cfgetospeed(&fake_.last_set), static_cast<speed_t>(B38400));
  EXPECT_TRUE(fake_.custom_speeds.empty());
  ASSERT_EQ(QBX_OpenPort(1, 76800, "e", 8, 1, 0), 0);
  EXPECT_EQ(fake_.custom_speeds, std::vector<uint32_t>{76800});
  ASSERT_EQ(QBX_ClosePort(), 0);
  ASSERT_EQ(QBX_OpenPort(1, 14400, "e", 8, 1, 0), 0);
  EXPECT_EQ(fake_.custom_speeds, (std::vector<uint32_t>{76800, 14400}));
  ASSERT_EQ(QBX_OpenPort(1, 9600, "e", 8, 1, 0), 0);
  EXPECT_EQ(cfgetospeed(&fake_.last_set), static_cast<speed_t>(B9600));
  EXPECT_EQ(fake_.custom_speeds.size(), 2u);
  ASSERT_EQ(QBX_ClosePort(), 0);
  // A line that refuses the rate fails the open (the descriptor is closed) or the modify (the port stays).
  fake_.fail_custom_speed = true;
  const int closes = fake_.closes_of_tty;
  EXPECT_EQ(QBX_OpenPort(1, 76800, "e", 8, 1, 0), kQbxSetSettingsFailed);
  EXPECT_EQ(fake_.closes_of_tty, closes + 1);
  EXPECT_EQ(QBX_SelectPort(1), kQbxPortNotOpen);
  ASSERT_EQ(QBX_OpenPort(1, 9600, "e", 8, 1, 0), 0);
  EXPECT_EQ(QBX_OpenPort(1, 28800, "e", 8, 1, 0), kQbxSetSettingsFailed);
  EXPECT_EQ(QBX_SelectPort(1), 0);
}

TEST_F(FaultTest, CtsModeDrivesRtsThroughTheModemLines) {
  ASSERT_EQ(QBX_OpenPort(1, 9600, "n", 8, 1, 0), 0);
  const int settings_written = fake_.tcsetattr_calls;
  fake_.modem_calls.clear();
  ASSERT_EQ(QBX_SetCTSMode(1), 0);
  ASSERT_EQ(QBX_SetCTSMode(0), 0);
  const std::vector<std::pair<unsigned long, int>> raised{{TIOCMBIS, TIOCM_RTS}, {TIOCMBIS, TIOCM_RTS}};
  EXPECT_EQ(fake_.modem_calls, raised);
  EXPECT_EQ(fake_.tcsetattr_calls, settings_written);  // output flow control untouched
}

TEST_F(FaultTest, CloseLetsQueuedOutputLeaveFirst) {
  // 960 bytes at 9600 Baud need about 1.2 s, more than the 500 ms time-out: the close waits for
  // them, then tcdrain, and only then discards.
  ASSERT_EQ(QBX_OpenPort(1, 9600, "n", 8, 1, 0), 0);
  fake_.fake_clock = true;
  fake_.clock_ms = 1000;
  fake_.out_queue = 960;
  fake_.out_queue_until_ms = fake_.clock_ms + 1500;
  ASSERT_EQ(QBX_ClosePort(), 0);
  EXPECT_GE(fake_.clock_ms, fake_.out_queue_until_ms);
  EXPECT_EQ(fake_.drain_calls, (std::vector<std::string>{"tcdrain", "tcflush"}));

  // Output held for ever (flow control): the wait ends after 2 s plus the bytes' time, and what is
  // left is discarded without tcdrain, which could block.
  fake_.fake_clock = false;
  ASSERT_EQ(QBX_OpenPort(1, 9600, "n", 8, 1, 0), 0);
  fake_.fake_clock = true;
  fake_.clock_ms = 1000;
  fake_.out_queue_until_ms = UINT64_MAX;
  fake_.drain_calls.clear();
  ASSERT_EQ(QBX_ClosePort(), 0);
  const uint64_t waited = fake_.clock_ms - 1000;
  EXPECT_GE(waited, 2000u + 960u * 1000u / 960u);
  EXPECT_LT(waited, 5000u);
  EXPECT_EQ(fake_.drain_calls, std::vector<std::string>{"tcflush"});
}

TEST_F(FaultTest, ResetAfterAFailedCloseReleasesEveryConnection) {
  // A loopback listener stands in for a TCP device.
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof at;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&at), &length), 0);

  ASSERT_EQ(QBX_OpenPort(1, 9600, "n", 8, 1, 0), 0);
  ASSERT_EQ(QBX_OpenPort(100, 1, "127.0.0.1", ntohs(at.sin_port), 0, 0), 0);
  int device = accept(listener, nullptr, nullptr);
  ASSERT_GE(device, 0);
  // COM1's close fails, which stops closing all ports; the reset still lets the connection go.
  fake_.fail_close_of_tty = true;
  QBX_OpenInterfaceLib();
  struct pollfd p {device, POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 10000), 1);  // generous: the end of the connection comes at once
  char byte;
  EXPECT_EQ(read(device, &byte, 1), 0);  // the connection has ended
  EXPECT_EQ(QBX_SelectPort(100), kQbxPortNotOpen);
  close(device);
  close(listener);
}

TEST_F(FaultTest, FailedCloseIsReportedAndTheEntryGoes) {
  ASSERT_EQ(QBX_OpenPort(1, 9600, "n", 8, 1, 0), 0);
  enable_log();
  fake_.fail_close_of_tty = true;
  EXPECT_EQ(QBX_ClosePort(), kQbxCloseFailed);
  // The descriptor is gone even so: the table must not keep it.
  EXPECT_EQ(QBX_SelectPort(1), kQbxPortNotOpen);
  QBX_DisableComLog();
  EXPECT_NE(log_text().find("Failed closing port: COM1 (RS232)  Handle "), std::string::npos);
  EXPECT_NE(log_text().find("Win32 error dump: 5\r\n"), std::string::npos);
}

TEST_F(FaultTest, RefusedBreakAndFailedWrite) {
  ASSERT_EQ(QBX_OpenPort(1, 9600, "n", 8, 1, 0), 0);
  fake_.fail_break = true;
  EXPECT_EQ(QBX_ComBreak(0), kQbxBreakFailed);
  EXPECT_EQ(QBX_ComBreak(1), 0);
  enable_log();
  fake_.fail_write = true;
  EXPECT_EQ(QBX_WritePort("EST?\n"), kQbxWriteFailed);
  EXPECT_EQ(QBX_ResetInterface(), kQbxWriteFailed);
  QBX_DisableComLog();
  EXPECT_NE(log_text().find("(T ms) >>> Win32 error dump: 5\r\n(T ms) >>> Write operation failed\r\n"),
            std::string::npos)
      << log_text();
}

TEST_F(FaultTest, LineErrorsReachTheReader) {
  fake_.counters = true;
  ASSERT_EQ(QBX_OpenPort(1, 9600, "n", 8, 1, 0), 0);
  char buf[16];
  int32_t status = 0, got = 0;
  // An overrun since the last check: the terminated read delivers its data and reports it.
  fake_.overruns = 1;
  pty_.write("0\r\n");
  EXPECT_EQ(QBX_ReadPort(buf, 15, &status, &got, '\n'), kQbxRxOverrun);
  EXPECT_EQ(got, 3);
  EXPECT_STREQ(buf, "0\r\n");
  // A receive-queue overflow: an exact read fails before reading.
  fake_.buf_overruns = 1;
  enable_log();
  pty_.write("AB");
  EXPECT_EQ(QBX_ReadPort(buf, 2, &status, &got, 0), kQbxRxOverflow);
  EXPECT_EQ(status, kQbxRxOverflow);
  EXPECT_EQ(got, 0);
  fake_.overruns = 2;
  EXPECT_EQ(QBX_ReadPort(buf, 2, &status, &got, 0), kQbxRxOverrun);
  EXPECT_EQ(QBX_ReadPort(buf, 2, &status, &got, 0), 0);  // counters unchanged since: clean
  QBX_DisableComLog();
  EXPECT_NE(log_text().find("(T ms) >>> RX Buffer Overflow\r\n(T ms) >>> RS232 Overrun error\r\n"), std::string::npos)
      << log_text();
}

TEST_F(FaultTest, WrappingMillisecondCounter) {
  fake_.fake_clock = true;
  fake_.clock_ms = 4294967290ull;
  EXPECT_EQ(QBX_GetSysTime(), 4294967290u);
  EXPECT_EQ(QBX_GetSysTimeEx(), 4294967290.0);
  fake_.clock_ms = (1ull << 32) + 5;
  EXPECT_EQ(QBX_GetSysTime(), 5u);
  EXPECT_EQ(QBX_GetSysTimeEx(), 4294967300.0);
  EXPECT_EQ(QBX_GetSysTimeEx(), 4294967300.0);  // no second wrap without a lower reading
  QBX_OpenInterfaceLib();  // clears the wrap count
  EXPECT_EQ(QBX_GetSysTimeEx(), 5.0);

  // A delay that spans the wrap ends after its milliseconds, not at once or never.
  fake_.clock_ms = 4294967290ull;
  fake_.clock_step_ms = 1;
  EXPECT_EQ(QBX_Delay(20), 0);
  EXPECT_EQ(fake_.clock_ms, 4294967290ull + 21);  // the start reading and 20 polls
}

}  // namespace

namespace {

// A loopback listener that stands in for a TCP device; port() is where it listens.
class LoopbackListener {
 public:
  LoopbackListener() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof at;
    bind(fd_, reinterpret_cast<sockaddr*>(&at), sizeof at);
    listen(fd_, 1);
    getsockname(fd_, reinterpret_cast<sockaddr*>(&at), &length);
    port_ = ntohs(at.sin_port);
  }
  ~LoopbackListener() { close(fd_); }
  int fd() const { return fd_; }
  int port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

}  // namespace

TEST_F(FaultTest, FlushingByReadingLeavesTheTimeOutAsItWas) {
  LoopbackListener listener;
  ASSERT_EQ(QBX_OpenPort(100, 1, "127.0.0.1", listener.port(), 0, 0), 0);
  int device = accept(listener.fd(), nullptr, nullptr);
  ASSERT_GE(device, 0);
  ASSERT_EQ(write(device, "stale", 5), 5);
  // The stale bytes arrive on the loopback at once; the flush reads until 10 ms pass without more.
  struct pollfd p {device, POLLOUT, 0};
  poll(&p, 1, 1000);
  EXPECT_GE(QBX_FlushInQueue(), 0);
  EXPECT_EQ(QBX_GetCurrTimeout(), 500);
  // A flush whose read fails by an exception still leaves the process-wide time-out alone.
  fake_.throw_in_recv = true;
  QBX_FlushInQueue();
  fake_.throw_in_recv = false;
  EXPECT_EQ(QBX_GetCurrTimeout(), 500);
  QBX_ClosePortEx(-1);
  close(device);
}

TEST_F(FaultTest, PortNumbersFromOneThousandUpAreNoPort) {
  // Every operation treats 1000 and above alike, the socket query included.
  int32_t index = -5;
  int32_t handle = -5;
  EXPECT_EQ(QBX_GetSocket(1000, 0, &index, &handle), 0);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(QBX_GetSocket(9999, 0, &index, &handle), 0);
  char buffer[8] = "x";
  int32_t status = -5;
  int32_t got = -5;
  EXPECT_EQ(QBX_ReadPortEx(0, 5000, 0, buffer, 4, &status, &got, '\n'), 0);
  EXPECT_EQ(got, 0);
  EXPECT_EQ(QBX_WritePortEx(0, 5000, 0, "A\n"), 0);
  EXPECT_EQ(QBX_FlushInQueueEx(0, 5000, 0), 0);
  EXPECT_EQ(QBX_SelectPort(5000), 0);
  EXPECT_EQ(QBX_WritePort("A\n"), 0);
}
