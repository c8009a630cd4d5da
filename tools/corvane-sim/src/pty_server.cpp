// Serving the engine on a pseudo-terminal. The server holds only the master: while no process
// has the slave open the master reports a hang-up, and the server waits in short naps until the
// driver opens the slave again (it closes and reopens it to change the line speed).
#include <system_error>
#include <thread>

#include "corvane_sim/server.h"
#include "line_session.h"
#include "posix_io.h"

namespace corvane_sim {
namespace {

// How long the server naps while no process has the slave open.
constexpr int kNoSlaveNapMs = 2;

}  // namespace

struct PtyServer::Impl {
  explicit Impl(LineDevice& e) : engine(e) {}

  void run() {
    LineSession session(engine, stop);
    char buffer[4096];
    std::vector<Readiness> ready;
    while (wait_readable({master}, stop, -1, &ready)) {
      bool slave_gone = false;
      if (ready[0].readable || ready[0].hung_up) {
        ssize_t n = read_some(master, buffer, sizeof buffer);
        if (n > 0) {
          if (session.feed(buffer, static_cast<size_t>(n), master) == IoResult::kStopped) return;
          continue;
        }
        slave_gone = n != -1 || ready[0].hung_up;
      }
      if (slave_gone) {
        session.reset();
        if (stop.wait_ms(kNoSlaveNapMs)) return;
      }
    }
  }

  LineDevice& engine;
  StopSignal stop;
  int master = -1;
  std::string slave_path;
  std::thread thread;
};

PtyServer::PtyServer(LineDevice& engine) : impl_(std::make_unique<Impl>(engine)) {}

PtyServer::~PtyServer() { stop(); }

const std::string& PtyServer::start() {
  if (impl_->thread.joinable()) return impl_->slave_path;
  impl_->master = open_pty_master(&impl_->slave_path);
  impl_->stop.clear();
  impl_->thread = std::thread([this] { impl_->run(); });
  return impl_->slave_path;
}

const std::string& PtyServer::slave_path() const { return impl_->slave_path; }

void PtyServer::stop() {
  if (impl_->thread.joinable()) {
    impl_->stop.request();
    impl_->thread.join();
  }
  close_fd(impl_->master);
  impl_->master = -1;
}

bool PtyServer::running() const { return impl_->thread.joinable(); }

}  // namespace corvane_sim
