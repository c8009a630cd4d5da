// Round trips "EST?\n" -> "0\r\n" over a pseudo-terminal: through QBX_WritePort + QBX_ReadPort
// (terminator LF) against a plain write/read loop on the same kind of line, in the same run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "linkar32.h"

namespace {

// A pseudo-terminal whose master side answers every "EST?\n" with "0\r\n" on a thread.
class AnsweringDevice {
 public:
  AnsweringDevice() {
    char name[256] = {};
    struct termios raw {};
    cfmakeraw(&raw);
    if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) std::abort();
    path_ = name;
    thread_ = std::thread([this] { run(); });
  }
  ~AnsweringDevice() {
    stop_ = true;
    thread_.join();
    close(slave_);
    close(master_);
  }
  const std::string& path() const { return path_; }

 private:
  void run() {
    std::string line;
    char buf[256];
    while (!stop_) {
      struct pollfd p {master_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      ssize_t n = read(master_, buf, sizeof buf);
      if (n <= 0) continue;
      for (ssize_t i = 0; i < n; ++i) {
        line.push_back(buf[i]);
        if (buf[i] != '\n') continue;
        if (line == "EST?\n" && write(master_, "0\r\n", 3) != 3) return;
        line.clear();
      }
    }
  }

  int master_ = -1;
  int slave_ = -1;
  std::string path_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

void BM_LibraryRoundTrip(benchmark::State& state) {
  AnsweringDevice device;
  setenv("LINKAR32_COM1", device.path().c_str(), 1);
  if (QBX_OpenPort(1, 115200, "n", 8, 1, 4096) != 0) {
    state.SkipWithError("QBX_OpenPort failed");
    return;
  }
  char reply[64];
  int32_t status = 0, got = 0;
  for (auto _ : state) {
    if (QBX_WritePort("EST?\n") != 0 || QBX_ReadPort(reply, 63, &status, &got, 10) != 0 || got != 3) {
      state.SkipWithError("round trip failed");
      break;
    }
  }
  QBX_ClosePort();
  state.SetItemsProcessed(state.iterations());
}

void BM_PlainRoundTrip(benchmark::State& state) {
  AnsweringDevice device;
  int fd = open(device.path().c_str(), O_RDWR | O_NOCTTY);
  struct termios raw {};
  tcgetattr(fd, &raw);
  cfmakeraw(&raw);
  tcsetattr(fd, TCSANOW, &raw);
  char reply[64];
  for (auto _ : state) {
    if (write(fd, "EST?\n", 5) != 5) {
      state.SkipWithError("write failed");
      break;
    }
    size_t have = 0;
    while (have == 0 || reply[have - 1] != '\n') {
      ssize_t n = read(fd, reply + have, sizeof reply - have);
      if (n <= 0) break;
      have += static_cast<size_t>(n);
    }
  }
  close(fd);
  state.SetItemsProcessed(state.iterations());
}

// Run with --benchmark_repetitions=N --benchmark_enable_random_interleaving=true so that both
// loops see the same load on a shared machine; compare the medians.
BENCHMARK(BM_PlainRoundTrip)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_LibraryRoundTrip)->MinTime(1.0)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
