// A device played by the test on the master side of a pseudo-terminal that the driver opens as
// COM1: a thread cuts the driver's bytes into lines and answers each line through a handler the
// test sets (exact reply bytes, optionally after a delay; an empty reply is no answer). Every byte
// the driver sent is kept so that tests can compare the exact line traffic.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "corvan32.h"
#include "linkar32.h"
#include "testkit/pty_pair.h"
#include "testkit/temp_dir.h"

struct Answer {
  std::string bytes;
  int delay_ms = 0;
};

class ScriptedDevice {
 public:
  using Handler = std::function<Answer(const std::string& line)>;

  ScriptedDevice() : thread_([this] { run(); }) {}
  ~ScriptedDevice() {
    stop_ = true;
    thread_.join();
  }

  const std::string& slave_path() const { return pty_.slave_path(); }
  int master_fd() const { return pty_.master_fd(); }

  // Fixed replies by exact line (without LF); other lines get `fallback`.
  void set_replies(std::map<std::string, std::string> replies, std::string fallback = "0\r\n") {
    set_handler([replies = std::move(replies), fallback](const std::string& line) {
      auto it = replies.find(line);
      return Answer{it != replies.end() ? it->second : fallback};
    });
  }
  void set_handler(Handler h) {
    std::lock_guard<std::mutex> lock(mutex_);
    handler_ = std::move(h);
  }
  // Every byte the driver wrote so far.
  std::string received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
  }
  void clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    received_.clear();
  }
  // Output speed of the line as the driver set it last.
  speed_t speed() const {
    struct termios t {};
    tcgetattr(pty_.master_fd(), &t);
    return cfgetospeed(&t);
  }

 private:
  void run() {
    std::string pending;
    while (!stop_) {
      struct pollfd p {pty_.master_fd(), POLLIN, 0};
      if (poll(&p, 1, 20) <= 0) continue;
      char buf[4096];
      ssize_t n = ::read(pty_.master_fd(), buf, sizeof buf);
      if (n <= 0) continue;
      Handler h;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        received_.append(buf, static_cast<size_t>(n));
        h = handler_;
      }
      pending.append(buf, static_cast<size_t>(n));
      for (size_t lf; (lf = pending.find('\n')) != std::string::npos;) {
        std::string line = pending.substr(0, lf);
        pending.erase(0, lf + 1);
        Answer a = h ? h(line) : Answer{"0\r\n"};
        if (a.delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(a.delay_ms));
        if (!a.bytes.empty()) pty_.write(a.bytes);
      }
    }
  }

  testkit::PtyPair pty_;
  mutable std::mutex mutex_;
  Handler handler_;
  std::string received_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Each test: a scripted device on COM1, a private lock folder, a short read time-out so that
// silent-device cases finish fast, and everything closed afterwards.
class Scripted : public ::testing::Test {
 protected:
  static constexpr int32_t kTimeoutMs = 300;
  void SetUp() override {
    QBX_OpenInterfaceLib();
    QBX_SetTimeout(kTimeoutMs);
  }
  void TearDown() override {
    CV_CloseDevice();
    QBX_OpenInterfaceLib();
    QBX_SetTimeout(3000);
  }
  int32_t open_port() { return CV_OpenPort(1, 9600, "e", 8, 1, 4096); }
  // Opens the port and the device online with `aid` as the "AID?" reply.
  void open_online(const std::string& aid, int32_t expected_channels) {
    dev_.set_replies({{"EST?", "0\r\n"}, {"AID?", aid}});
    ASSERT_EQ(open_port(), 0);
    int32_t n = 100;
    ASSERT_EQ(CV_OpenDevice(0, &n), 0);
    ASSERT_EQ(n, expected_channels);
    dev_.clear();
  }
  // Waits briefly for the device thread to take in the last bytes, then returns the traffic.
  std::string traffic() {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    return dev_.received();
  }

  testkit::TempDir dir_;
  testkit::ScopedEnv runtime_{"XDG_RUNTIME_DIR", dir_.path()};
  ScriptedDevice dev_;
  testkit::ScopedEnv com1_{"LINKAR32_COM1", dev_.slave_path()};
};
