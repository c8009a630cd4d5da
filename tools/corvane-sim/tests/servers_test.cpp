// Serving the engine: a client opens the pty slave (as the driver does), closes and reopens
// it; TCP and descriptor servers answer the same bytes.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "corvane_sim/engine.h"
#include "corvane_sim/server.h"

namespace corvane_sim {
namespace {

// Reads until `n` bytes or the time-out.
std::string read_n(int fd, size_t n, int timeout_ms = 3000) {
  std::string out;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (out.size() < n) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    struct pollfd p {fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    char buf[4096];
    ssize_t got = read(fd, buf, std::min(sizeof buf, n - out.size()));
    if (got <= 0) break;
    out.append(buf, static_cast<size_t>(got));
  }
  return out;
}

int open_slave(const std::string& path) {
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
  if (fd >= 0) {
    struct termios t {};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
  }
  return fd;
}

TEST(PtyServing, AnswersOverTheSlaveAndSurvivesReopen) {
  Engine engine;
  PtyServer server(engine);
  std::string path = server.start();
  ASSERT_FALSE(path.empty());
  int fd = open_slave(path);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "EST?\n", 5), 5);
  EXPECT_EQ(read_n(fd, 3), "0\r\n");
  ASSERT_EQ(write(fd, "BDR1410\n", 8), 8);
  EXPECT_EQ(read_n(fd, 3), "0\r\n");
  close(fd);
  fd = open_slave(path);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "IDN?\n", 5), 5);
  EXPECT_EQ(read_n(fd, 25), "QBX,Corvane,47110,P2.10\r\n");
  close(fd);
  server.stop();
  EXPECT_EQ(engine.lines(), (std::vector<std::string>{"EST?", "BDR1410", "IDN?"}));
}

}  // namespace
}  // namespace corvane_sim
