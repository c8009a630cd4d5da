// Serving the engine on a loopback TCP port: one thread waits on the listening socket and on
// every accepted connection; each connection has its own line framing.
#include <atomic>
#include <memory>
#include <thread>

#include "corvane_sim/server.h"
#include "line_session.h"
#include "posix_io.h"

namespace corvane_sim {

struct TcpServer::Impl {
  explicit Impl(LineDevice& e) : engine(e) {}

  struct Connection {
    int fd;
    std::unique_ptr<LineSession> session;
  };

  void run() {
    std::vector<Connection> connections;
    std::vector<Readiness> ready;
    char buffer[4096];
    while (true) {
      std::vector<int> fds{listener};
      for (const auto& c : connections) fds.push_back(c.fd);
      if (!wait_readable(fds, stop, -1, &ready)) break;
      for (size_t i = connections.size(); i-- > 0;) {
        const Readiness& r = ready[i + 1];
        if (!r.readable && !r.hung_up) continue;
        Connection& c = connections[i];
        ssize_t n = read_some(c.fd, buffer, sizeof buffer);
        IoResult result = IoResult::kOk;
        if (n > 0) {
          result = c.session->feed(buffer, static_cast<size_t>(n), c.fd);
        } else if (n != -1) {
          result = IoResult::kBroken;
        }
        if (result == IoResult::kStopped) {
          for (auto& conn : connections) close_fd(conn.fd);
          return;
        }
        if (result == IoResult::kBroken) {
          close_fd(c.fd);
          connections.erase(connections.begin() + static_cast<std::ptrdiff_t>(i));
        }
      }
      if (ready[0].readable) {
        int fd;
        while ((fd = accept_client(listener)) >= 0) {
          connections.push_back({fd, std::make_unique<LineSession>(engine, stop)});
          ++accepted;
        }
      }
    }
    for (auto& conn : connections) close_fd(conn.fd);
  }

  LineDevice& engine;
  StopSignal stop;
  int listener = -1;
  uint16_t port = 0;
  std::atomic<int> accepted{0};
  std::thread thread;
};

TcpServer::TcpServer(LineDevice& engine) : impl_(std::make_unique<Impl>(engine)) {}

TcpServer::~TcpServer() { stop(); }

uint16_t TcpServer::start(uint16_t port, const std::string& address) {
  if (impl_->thread.joinable()) return impl_->port;
  impl_->listener = listen_loopback(port, &impl_->port, address);
  impl_->stop.clear();
  impl_->thread = std::thread([this] { impl_->run(); });
  return impl_->port;
}

uint16_t TcpServer::port() const { return impl_->port; }

int TcpServer::connections() const { return impl_->accepted.load(); }

void TcpServer::stop() {
  if (impl_->thread.joinable()) {
    impl_->stop.request();
    impl_->thread.join();
  }
  close_fd(impl_->listener);
  impl_->listener = -1;
}

bool TcpServer::running() const { return impl_->thread.joinable(); }

}  // namespace corvane_sim
