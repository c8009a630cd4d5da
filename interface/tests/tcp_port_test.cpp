// TCP connections on port 100 against small loopback servers: connection table, selection by id,
// named-port calls, buffering after the terminator, closing one or all, refused input.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>

#include "linkar_fixture.h"

namespace {

// Listens on address:ephemeral port and answers every "EST?\n" with its own reply line; a line
// "SILENT\n" gets no answer.
class LoopbackDevice {
 public:
  LoopbackDevice(const char* address, std::string reply) : reply_(std::move(reply)) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    inet_pton(AF_INET, address, &at.sin_addr);
    int on = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bind(listener_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || listen(listener_, 4) != 0) std::abort();
    socklen_t length = sizeof at;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&at), &length);
    port_ = ntohs(at.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~LoopbackDevice() {
    stop_ = true;
    thread_.join();
    close(listener_);
  }
  int port() const { return port_; }
  std::string received() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return received_;
  }

 private:
  void serve() {
    std::vector<int> clients;
    std::string line;
    while (!stop_) {
      std::vector<pollfd> fds{{listener_, POLLIN, 0}};
      for (int c : clients) fds.push_back({c, POLLIN, 0});
      if (poll(fds.data(), fds.size(), 20) <= 0) continue;
      if (fds[0].revents & POLLIN) clients.push_back(accept(listener_, nullptr, nullptr));
      for (size_t i = 1; i < fds.size(); ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP))) continue;
        char buf[256];
        ssize_t n = read(fds[i].fd, buf, sizeof buf);
        if (n <= 0) continue;
        std::lock_guard<std::mutex> hold(mutex_);
        received_.append(buf, static_cast<size_t>(n));
        for (ssize_t k = 0; k < n; ++k) {
          line.push_back(buf[k]);
          if (buf[k] != '\n') continue;
          if (line == "EST?\n") (void)!write(fds[i].fd, reply_.data(), reply_.size());
          line.clear();
        }
      }
    }
    for (int c : clients) close(c);
  }

  std::string reply_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::string received_;
  std::thread thread_;
};

std::string ask(int32_t expect_status = 0) {
  char buf[64] = {};
  int32_t status = 0, got = 0;
  EXPECT_EQ(QBX_WritePort("EST?\n"), 0);
  EXPECT_EQ(QBX_ReadPort(buf, 63, &status, &got, '\n'), expect_status);
  return std::string(buf, static_cast<size_t>(got));
}

TEST_F(LinkarTest, TwoTcpConnectionsSelectedById) {
  LoopbackDevice a("127.0.0.1", "A\r\n"), b("127.0.0.2", "B1\r\nB2\r\n");
  enable_log();
  ASSERT_EQ(QBX_OpenPort(100, 1, "127.0.0.1", a.port(), 0, 0), 0);
  ASSERT_EQ(QBX_OpenPort(100, 2, "127.0.0.2", b.port(), 0, 0), 0);
  ASSERT_EQ(QBX_OpenPort(100, 5, "127.0.0.2", b.port(), 0, 0), 0);  // already open: no third connection
  EXPECT_EQ(ask(), "B1\r\n");  // the newest connection is current
  EXPECT_EQ(ask(), "B2\r\n");  // the second line came in the same segment and stayed buffered
  ASSERT_EQ(QBX_SelectDevice(1), 0);
  EXPECT_EQ(ask(), "A\r\n");
  EXPECT_EQ(QBX_SelectDevice(3), -1);
  EXPECT_EQ(ask(), "A\r\n");  // still on connection 1

  // Named-port calls reach a connection by its position.
  int32_t index = 0, handle = -1;
  ASSERT_EQ(QBX_GetSocket(100, 2, &index, &handle), 0);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(handle, 0);
  EXPECT_EQ(QBX_GetSocket(100, 9, &index, &handle), -1);
  ASSERT_EQ(QBX_WritePortEx(handle, 100, 2, "EST?\n"), 0);
  char buf[64];
  int32_t status, got;
  ASSERT_EQ(QBX_ReadPortEx(handle, 100, 2, buf, 63, &status, &got, '\n'), 0);
  EXPECT_STREQ(buf, "B1\r\n");
  // Left over: "B2\r\n" of this answer and the whole answer to the second question.
  EXPECT_EQ(QBX_FlushInQueueEx(handle, 100, 2), 12);

  // Closing the current connection keeps port 100 for the other one.
  ASSERT_EQ(QBX_ClosePort(), 0);
  EXPECT_EQ(QBX_SelectPort(100), 0);
  EXPECT_EQ(QBX_SelectDevice(1), -1);
  ASSERT_EQ(QBX_SelectDevice(2), 0);
  EXPECT_EQ(ask(), "B1\r\n");
  ASSERT_EQ(QBX_CloseInterpreterEx(0, 0), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(b.received().substr(b.received().size() - 5), "DCL\r\n");
  ASSERT_EQ(QBX_ClosePortEx(-1), 0);
  EXPECT_EQ(QBX_SelectPort(100), kQbxPortNotOpen);
  QBX_DisableComLog();
  const std::string text = log_text();
  EXPECT_NE(text.find("(T ms) >>> Attempting to open or modify port TCP/IP\r\n(T ms) >>> Ports currently open: 0\r\n"
                      "(T ms) >>> Established TCP/IP connection with address: 127.0.0.1\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("(T ms) >>> TCP/IP port with address: 127.0.0.2 already open\r\n"), std::string::npos);
  EXPECT_NE(text.find("(T ms) >>> Sent 5 bytes: EST?\n\r\n(T ms) >>> Received 4 bytes: B1\r\n\r\n"), std::string::npos);
  EXPECT_NE(text.find("(T ms) >>> Device: 2 Sent 5 bytes: EST?\n"), std::string::npos) << text;
}

TEST_F(LinkarTest, OpeningATcpConnectionMakesItCurrent) {
  LoopbackDevice a("127.0.0.1", "A\r\n");
  ASSERT_EQ(open_com1(), 0);
  ASSERT_EQ(QBX_OpenPort(100, 1, "127.0.0.1", a.port(), 0, 0), 0);
  EXPECT_EQ(ask(), "A\r\n");  // over TCP, not on COM1
  EXPECT_EQ(pty_.read_available(50), "");
  // COM1 current again; opening the open address once more makes TCP current again.
  ASSERT_EQ(QBX_SelectPort(1), 0);
  ASSERT_EQ(QBX_OpenPort(100, 1, "127.0.0.1", a.port(), 0, 0), 0);
  EXPECT_EQ(ask(), "A\r\n");
  EXPECT_EQ(pty_.read_available(50), "");
  // A failed connection leaves COM1 current.
  ASSERT_EQ(QBX_SelectPort(1), 0);
  EXPECT_EQ(QBX_OpenPort(100, 2, "not an address", a.port(), 0, 0), kQbxOpenFailed);
  ASSERT_EQ(QBX_WritePort("EST?\n"), 0);
  EXPECT_EQ(pty_.read_available(200), "EST?\n");
}

TEST_F(LinkarTest, TcpTimeoutsAndRefusals) {
  LoopbackDevice a("127.0.0.1", "");  // never answers
  QBX_SetTimeout(200);
  enable_log();
  EXPECT_EQ(QBX_OpenPort(100, 128, "127.0.0.1", a.port(), 0, 0), kQbxOpenFailed);
  EXPECT_EQ(QBX_OpenPort(100, -1, "127.0.0.1", a.port(), 0, 0), kQbxOpenFailed);
  EXPECT_EQ(QBX_OpenPort(100, 1, "127.000.000.001.000.000.000.000.0001", a.port(), 0, 0), kQbxOpenFailed);
  EXPECT_EQ(QBX_OpenPort(100, 1, "not an address", a.port(), 0, 0), kQbxOpenFailed);
  EXPECT_EQ(QBX_OpenPort(100, 1, nullptr, a.port(), 0, 0), kQbxOpenFailed);
  EXPECT_EQ(QBX_SelectPort(100), kQbxPortNotOpen);
  ASSERT_EQ(QBX_OpenPort(100, 1, "127.0.0.1", a.port(), 0, 0), 0);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ask(kQbxReadFailed), "");
  EXPECT_GE(ms_since(start), 190);
  char buf[8];
  int32_t status, got;
  EXPECT_EQ(QBX_ReadPort(buf, 4, &status, &got, 0), kQbxReadFailed);
  QBX_DisableComLog();
  const std::string text = log_text();
  EXPECT_NE(text.find("(T ms) >>> Read timeout: received 0 bytes: \r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("(T ms) >>> Read timeout: requested 4 Bytes - received 0 Bytes\r\n"), std::string::npos);
}

TEST_F(LinkarTest, TcpConnectRefused) {
  int port = 0;
  {
    LoopbackDevice gone("127.0.0.1", "");
    port = gone.port();
  }
  enable_log();
  EXPECT_EQ(QBX_OpenPort(100, 1, "127.0.0.1", port, 0, 0), kQbxOpenFailed);
  QBX_DisableComLog();
  EXPECT_NE(log_text().find("(T ms) >>> TCP/IP error: Failed connecting to address: 127.0.0.1\r\n"), std::string::npos);
}

}  // namespace
