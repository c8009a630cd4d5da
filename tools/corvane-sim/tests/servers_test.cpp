// Serving the engine: a client opens the pty slave (as the driver does), closes and reopens it
// around a line-speed change; TCP and descriptor servers answer the same bytes; faults behave
// on a real line (silence, delay, hang-up); stop() ends a server with a client still attached;
// the USB server lists its devices and serves each device's pipe pair.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "block_reader.h"
#include "corvane_sim/engine.h"
#include "corvane_sim/server.h"

namespace corvane_sim {
namespace {

using Clock = std::chrono::steady_clock;

// Reads until `n` bytes, end of stream or the time-out.
std::string read_n(int fd, size_t n, int timeout_ms = 3000) {
  std::string out;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (out.size() < n) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
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

void send(int fd, const std::string& text) {
  ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
}

int open_slave(const std::string& path, speed_t speed = B9600) {
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
  if (fd >= 0) {
    struct termios t {};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetspeed(&t, speed);
    t.c_cflag |= PARENB;
    tcsetattr(fd, TCSANOW, &t);
  }
  return fd;
}

int connect_loopback(uint16_t port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  struct sockaddr_in addr {};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<struct sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Connects to the USB server's socket and sends one request line; -1 when nobody listens.
int usb_request(const std::string& path, const std::string& line) {
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  struct sockaddr_un addr {};
  addr.sun_family = AF_UNIX;
  path.copy(addr.sun_path, sizeof addr.sun_path - 1);
  if (connect(fd, reinterpret_cast<struct sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  send(fd, line);
  return fd;
}

TEST(PtyServing, LineSpeedSwitchWithCloseAndReopen) {
  Engine engine;
  PtyServer server(engine);
  std::string path = server.start();
  ASSERT_TRUE(server.running());
  ASSERT_EQ(server.slave_path(), path);
  int fd = open_slave(path);
  ASSERT_GE(fd, 0);
  for (int i = 0; i < 3; ++i) {
    send(fd, "EST?\n");
    EXPECT_EQ(read_n(fd, 3), "0\r\n");
  }
  send(fd, "BDR1410\n");
  EXPECT_EQ(read_n(fd, 3), "0\r\n");
  close(fd);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the server sees no slave for a while
  fd = open_slave(path, B19200);
  ASSERT_GE(fd, 0);
  send(fd, "IDN?\n");
  EXPECT_EQ(read_n(fd, 25), "QBX,Corvane,47110,P2.10\r\n");
  // Several commands in one write, the last split across two writes.
  send(fd, "ICR?\nASF?\nACT?");
  send(fd, "0\n");
  EXPECT_EQ(read_n(fd, 6 + 9 + 6), "6320\r\n140,971\r\n6203\r\n");
  close(fd);
  server.stop();
  EXPECT_FALSE(server.running());
  EXPECT_EQ(engine.device().baud_code, 1410);
  EXPECT_EQ(engine.lines(), (std::vector<std::string>{"EST?", "EST?", "EST?", "BDR1410", "IDN?", "ICR?", "ASF?",
                                                       "ACT?0"}));
}

TEST(PtyServing, BinaryBlockOfAFullChainArrivesWhole) {
  EngineConfig config;
  config.devices = 10;
  config.virtual_clock = true;
  config.buffer_samples = 1 << 20;
  Engine engine(config);
  PtyServer server(engine);
  int fd = open_slave(server.start());
  ASSERT_GE(fd, 0);
  for (int c = 0; c < 100; ++c) engine.set_source(c, SignalSource::raw(c * 3 - 100));
  send(fd, "ACT100,1\n");
  EXPECT_EQ(read_n(fd, 3), "0\r\n");
  send(fd, "MSV0,0,6100,1\n");
  EXPECT_EQ(read_n(fd, 3), "0\r\n");
  engine.advance(std::chrono::microseconds(312500));  // 3000 scans at 9600 Hz
  send(fd, "MSV?\n");
  EXPECT_EQ(read_n(fd, 10), "2,3000,1\r\n");
  std::vector<int> active = engine.acquisition().scan_channels;
  ASSERT_EQ(active.size(), 90u) << "every channel but the empty slots";
  send(fd, "OMB?3000\n");
  std::string block = read_n(fd, 3000 * 90 * 2 + 4, 20000);
  ASSERT_EQ(block.size(), 3000u * 90 * 2 + 4);
  std::vector<int16_t> values = block_values(block);
  for (size_t i = 0; i < values.size(); i += 997) {
    EXPECT_EQ(values[i], active[i % 90] * 3 - 100) << i;
  }
  close(fd);
}

TEST(PtyServing, FaultsOnTheLine) {
  Engine engine;
  PtyServer server(engine);
  int fd = open_slave(server.start());
  ASSERT_GE(fd, 0);
  Fault silent;
  silent.kind = FaultKind::kNoAnswer;
  silent.match = "EST?";
  engine.inject(silent);
  send(fd, "EST?\n");
  EXPECT_EQ(read_n(fd, 1, 200), "");
  Fault delay;
  delay.kind = FaultKind::kDelay;
  delay.delay_ms = 300;
  engine.inject(delay);
  auto t0 = Clock::now();
  send(fd, "EST?\n");
  EXPECT_EQ(read_n(fd, 3), "0\r\n");
  EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(300));
  Fault cut;
  cut.kind = FaultKind::kCutLine;
  cut.keep_bytes = 4;
  cut.hang_up = true;  // a pty cannot hang up: the line just stays open
  engine.inject(cut);
  send(fd, "IDN?\n");
  EXPECT_EQ(read_n(fd, 25, 300), "QBX,");
  send(fd, "EST?\n");
  EXPECT_EQ(read_n(fd, 3), "0\r\n");
  close(fd);
}

TEST(PtyServing, StopWithAClientAttachedAndWithoutAny) {
  Engine engine;
  {
    PtyServer idle(engine);
    idle.start();
  }  // destructor stops a server whose slave was never opened
  PtyServer server(engine);
  int fd = open_slave(server.start());
  ASSERT_GE(fd, 0);
  Fault delay;
  delay.kind = FaultKind::kDelay;
  delay.delay_ms = 60000;
  engine.inject(delay);
  send(fd, "EST?\n");
  ASSERT_TRUE(engine.wait_for_lines(1, std::chrono::milliseconds(3000)));
  auto t0 = Clock::now();
  server.stop();
  EXPECT_LT(Clock::now() - t0, std::chrono::milliseconds(30000)) << "stop interrupts a 60 s delayed reply";
  close(fd);
}

TEST(TcpServing, ConnectionsShareTheChain) {
  Engine engine;
  TcpServer server(engine);
  uint16_t port = server.start(0);
  ASSERT_NE(port, 0);
  EXPECT_EQ(server.port(), port);
  int a = connect_loopback(port);
  int b = connect_loopback(port);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  send(a, "ACT2,6200\n");
  EXPECT_EQ(read_n(a, 3), "0\r\n");
  send(b, "ACT?2\r\n");
  EXPECT_EQ(read_n(b, 6), "6200\r\n");
  EXPECT_EQ(server.connections(), 2);
  // A cut line with hang-up closes that connection only.
  Fault cut;
  cut.kind = FaultKind::kCutLine;
  cut.keep_bytes = 2;
  cut.hang_up = true;
  engine.inject(cut);
  send(a, "IDN?\n");
  EXPECT_EQ(read_n(a, 100), "QB");
  send(b, "EST?\n");
  EXPECT_EQ(read_n(b, 3), "0\r\n");
  close(a);
  close(b);
  server.stop();
  EXPECT_LT(connect_loopback(port), 0) << "the port is closed after stop";
}

TEST(FdServing, SocketPairAndPipes) {
  Engine engine;
  int sv[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
  FdServer server(engine, sv[1], -1, true);
  server.start();
  send(sv[0], "AID?8\n");
  EXPECT_EQ(read_n(sv[0], 6), "5055\r\n");
  close(sv[0]);
  for (int i = 0; i < 200 && !server.finished(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(server.finished()) << "the server ends when the peer closes";
  server.stop();

  int to_device[2];
  int from_device[2];
  ASSERT_EQ(pipe(to_device), 0);
  ASSERT_EQ(pipe(from_device), 0);
  FdServer pipes(engine, to_device[0], from_device[1]);
  pipes.start();
  send(to_device[1], "ICR6308\n");
  EXPECT_EQ(read_n(from_device[0], 7), "10021\r\n");
  pipes.stop();
  for (int fd : {to_device[0], to_device[1], from_device[0], from_device[1]}) close(fd);
}

TEST(UsbServing, ListAndPipePairs) {
  EngineConfig second;
  second.serial_numbers = {"222"};
  Engine a;
  Engine b(second);
  const std::string path = "/tmp/corvane-sim-usb-test-" + std::to_string(getpid()) + ".sock";
  UsbServer server(a, "CV-A");
  EXPECT_EQ(server.add_device(b, "CV-B"), "simusb:1");
  ASSERT_EQ(server.start(path), path);

  int list = usb_request(path, "LIST\n");
  EXPECT_EQ(read_n(list, 100, 1000), "CV-A\tsimusb:0\nCV-B\tsimusb:1\n\n");  // then the server closes
  close(list);
  for (const char* bad : {"OPEN simusb:2 0\n", "OPEN simusb:0 2\n", "OPEN simusb:0\n", "HELLO\n"}) {
    int fd = usb_request(path, bad);
    EXPECT_EQ(read_n(fd, 100, 1000), "NO\n") << bad;
    close(fd);
  }

  // Replies made while no read pipe is open wait for one.
  int to_a = usb_request(path, "OPEN simusb:0 1\n");
  EXPECT_EQ(read_n(to_a, 3), "OK\n");
  send(to_a, "IDN?\n");
  ASSERT_TRUE(a.wait_for_lines(1, std::chrono::milliseconds(2000)));
  int from_a = usb_request(path, "OPEN simusb:0 0\n");
  EXPECT_EQ(read_n(from_a, 3 + 25), "OK\nQBX,Corvane,47110,P2.10\r\n");
  // The devices keep apart: B answers on its own pipes.
  int to_b = usb_request(path, "OPEN simusb:1 1\nIDN?\n");  // bytes right after the request count
  int from_b = usb_request(path, "OPEN simusb:1 0\n");
  EXPECT_EQ(read_n(to_b, 3), "OK\n");
  EXPECT_EQ(read_n(from_b, 3 + 23), "OK\nQBX,Corvane,222,P2.10\r\n");
  // A newer read pipe replaces the older one, which the server closes.
  int from_a2 = usb_request(path, "OPEN simusb:0 0\n");
  EXPECT_EQ(read_n(from_a2, 3), "OK\n");
  send(to_a, "EST?\n");
  EXPECT_EQ(read_n(from_a2, 3), "0\r\n");
  EXPECT_EQ(read_n(from_a, 10, 500), "");
  EXPECT_EQ(server.pipes_opened(), 5);

  // A fault that hangs up closes both pipes of that device only.
  Fault hang;
  hang.kind = FaultKind::kNoAnswer;
  hang.match = "EST?";
  hang.hang_up = true;
  a.inject(hang);
  send(to_a, "EST?\n");
  EXPECT_EQ(read_n(from_a2, 10, 2000), "");
  send(to_b, "EST?\n");
  EXPECT_EQ(read_n(from_b, 3), "0\r\n");
  for (int fd : {to_a, from_a, from_a2, to_b, from_b}) close(fd);
  server.stop();
  struct stat st {};
  EXPECT_NE(stat(path.c_str(), &st), 0) << "stop removes the socket file";
  EXPECT_LT(usb_request(path, "LIST\n"), 0);
}

}  // namespace
}  // namespace corvane_sim
