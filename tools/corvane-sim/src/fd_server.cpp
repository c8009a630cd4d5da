// Serving the engine on descriptors that are already connected: a socket, or a pair of pipes
// that stand in for a USB device's read and write pipes.
#include <atomic>
#include <thread>

#include "corvane_sim/server.h"
#include "line_session.h"
#include "posix_io.h"

namespace corvane_sim {

struct FdServer::Impl {
  Impl(LineDevice& e, int r, int w, bool own) : engine(e), read_fd(r), write_fd(w < 0 ? r : w), owned(own) {}

  void run() {
    LineSession session(engine, stop);
    std::vector<Readiness> ready;
    char buffer[4096];
    while (wait_readable({read_fd}, stop, -1, &ready)) {
      ssize_t n = read_some(read_fd, buffer, sizeof buffer);
      if (n == -1) continue;
      if (n <= 0 || session.feed(buffer, static_cast<size_t>(n), write_fd) != IoResult::kOk) break;
    }
    finished = true;
  }

  LineDevice& engine;
  int read_fd;
  int write_fd;
  bool owned;
  StopSignal stop;
  std::atomic<bool> finished{false};
  std::thread thread;
};

FdServer::FdServer(LineDevice& engine, int read_fd, int write_fd, bool take_ownership)
    : impl_(std::make_unique<Impl>(engine, read_fd, write_fd, take_ownership)) {}

FdServer::~FdServer() { stop(); }

void FdServer::start() {
  if (impl_->thread.joinable()) return;
  set_nonblocking(impl_->read_fd);
  set_nonblocking(impl_->write_fd);
  impl_->thread = std::thread([this] { impl_->run(); });
}

void FdServer::stop() {
  if (impl_->thread.joinable()) {
    impl_->stop.request();
    impl_->thread.join();
  }
  if (impl_->owned) {
    if (impl_->write_fd != impl_->read_fd) close_fd(impl_->write_fd);
    close_fd(impl_->read_fd);
    impl_->owned = false;
  }
  impl_->finished = true;
}

bool FdServer::finished() const { return impl_->finished.load(); }

}  // namespace corvane_sim
