// Corvanes attached by USB, as the interface library's simulator backend reaches them: a Unix
// socket on which each connection asks for the device list or becomes one pipe of one device. One
// thread waits on the listener, on connections that have not yet said what they are, and on every
// device's pipes; each device cuts its write pipe's bytes into lines with its own LineSession.
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "corvane_sim/server.h"
#include "line_session.h"
#include "posix_io.h"

namespace corvane_sim {
namespace {

constexpr char kPathPrefix[] = "simusb:";
// A request line longer than this is not one of ours; the connection is dropped.
constexpr size_t kMaxRequest = 1024;
// Replies held for a device without a read pipe, at most (a host that never reads loses the rest).
constexpr size_t kMaxHeld = 1 << 20;
constexpr char kReadPipe = '0';
constexpr char kWritePipe = '1';

}  // namespace

struct UsbServer::Impl {
  struct Device {
    LineDevice* engine = nullptr;
    std::string serial;
    std::string path;
    std::unique_ptr<LineSession> session;
    int read_fd = -1;   // pipe 0: the device's replies go out here
    int write_fd = -1;  // pipe 1: the host's commands come in here
    std::string held;   // replies made while no read pipe was open
  };
  struct Pending {
    int fd;
    std::string request;
  };

  // Hands reply bytes to the device's read pipe, or holds them until one opens.
  IoResult deliver(Device& d, std::string_view bytes) {
    if (d.read_fd < 0) {
      if (d.held.size() < kMaxHeld) d.held.append(bytes.substr(0, kMaxHeld - d.held.size()));
      return IoResult::kOk;
    }
    IoResult r = write_all(d.read_fd, bytes, stop);
    if (r == IoResult::kBroken) {  // the host closed its read pipe: the reply is lost with it
      close_fd(d.read_fd);
      d.read_fd = -1;
      return IoResult::kOk;
    }
    return r;
  }

  void close_pipes(Device& d) {
    close_fd(d.read_fd);
    close_fd(d.write_fd);
    d.read_fd = d.write_fd = -1;
    d.session->reset();
  }

  // Bytes on a device's write pipe. False when stop was requested.
  bool on_write_pipe(Device& d, char* buffer, size_t size) {
    ssize_t n = read_some(d.write_fd, buffer, size);
    if (n == -1) return true;
    if (n <= 0) {  // the host closed the pipe
      close_fd(d.write_fd);
      d.write_fd = -1;
      d.session->reset();
      return true;
    }
    return feed(d, buffer, static_cast<size_t>(n));
  }

  bool feed(Device& d, const char* data, size_t size) {
    IoResult r = d.session->feed(data, size, [&](std::string_view bytes) { return deliver(d, bytes); });
    if (r == IoResult::kStopped) return false;
    if (r == IoResult::kBroken) close_pipes(d);  // a fault hung up
    return true;
  }

  // Anything arriving on a read pipe is dropped; its end closes the pipe.
  void on_read_pipe(Device& d, char* buffer, size_t size) {
    ssize_t n = read_some(d.read_fd, buffer, size);
    if (n == 0 || n == -2) {
      close_fd(d.read_fd);
      d.read_fd = -1;
    }
  }

  Device* find(const std::string& path) {
    for (Device& d : devices)
      if (d.path == path) return &d;
    return nullptr;
  }

  // Answers a complete request line. The connection is closed here unless it became a pipe.
  // False when stop was requested.
  bool answer(int fd, const std::string& line, const std::string& rest) {
    if (line == "LIST") {
      std::string text;
      for (const Device& d : devices) text += d.serial + "\t" + d.path + "\n";
      text += "\n";
      IoResult r = write_all(fd, text, stop);
      close_fd(fd);
      return r != IoResult::kStopped;
    }
    // "OPEN <path> <pipe>": the path may not contain blanks, the pipe is one digit.
    Device* d = nullptr;
    char pipe = 0;
    if (line.size() > 7 && line.compare(0, 5, "OPEN ") == 0 && line[line.size() - 2] == ' ') {
      pipe = line.back();
      d = find(line.substr(5, line.size() - 7));
    }
    if (!d || (pipe != kReadPipe && pipe != kWritePipe)) {
      IoResult r = write_all(fd, "NO\n", stop);
      close_fd(fd);
      return r != IoResult::kStopped;
    }
    IoResult r = write_all(fd, "OK\n", stop);
    if (r != IoResult::kOk) {
      close_fd(fd);
      return r != IoResult::kStopped;
    }
    ++opened;
    if (pipe == kReadPipe) {
      close_fd(d->read_fd);
      d->read_fd = fd;
      std::string held;
      held.swap(d->held);
      return held.empty() || deliver(*d, held) != IoResult::kStopped;
    }
    close_fd(d->write_fd);
    d->session->reset();
    d->write_fd = fd;
    return rest.empty() || feed(*d, rest.data(), rest.size());
  }

  // Bytes from a connection that has not said what it is. False when stop was requested.
  bool on_pending(size_t index, char* buffer, size_t size, bool* done) {
    Pending& p = pending[index];
    *done = false;
    ssize_t n = read_some(p.fd, buffer, size);
    if (n == -1) return true;
    if (n <= 0) {
      close_fd(p.fd);
      *done = true;
      return true;
    }
    p.request.append(buffer, static_cast<size_t>(n));
    size_t lf = p.request.find('\n');
    if (lf == std::string::npos) {
      if (p.request.size() > kMaxRequest) {
        close_fd(p.fd);
        *done = true;
      }
      return true;
    }
    *done = true;
    int fd = p.fd;
    std::string line = p.request.substr(0, lf);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return answer(fd, line, p.request.substr(lf + 1));
  }

  void run() {
    std::vector<Readiness> ready;
    char buffer[4096];
    bool going = true;
    while (going) {
      // Snapshot of the descriptors: listener, then each device's write and read pipe, then the
      // pending connections. A device's entry is acted on only while it still holds that descriptor.
      std::vector<int> fds{listener};
      for (const Device& d : devices) {
        fds.push_back(d.write_fd);
        fds.push_back(d.read_fd);
      }
      const size_t first_pending = fds.size();
      for (const Pending& p : pending) fds.push_back(p.fd);
      if (!wait_readable(fds, stop, -1, &ready)) break;
      for (size_t i = 0; i < devices.size() && going; ++i) {
        Device& d = devices[i];
        const Readiness& w = ready[1 + 2 * i];
        const Readiness& r = ready[2 + 2 * i];
        if ((w.readable || w.hung_up) && d.write_fd >= 0 && d.write_fd == fds[1 + 2 * i])
          going = on_write_pipe(d, buffer, sizeof buffer);
        if ((r.readable || r.hung_up) && d.read_fd >= 0 && d.read_fd == fds[2 + 2 * i])
          on_read_pipe(d, buffer, sizeof buffer);
      }
      for (size_t i = pending.size(); i-- > 0 && going;) {
        const Readiness& p = ready[first_pending + i];
        if (!p.readable && !p.hung_up) continue;
        bool done = false;
        going = on_pending(i, buffer, sizeof buffer, &done);
        if (done) pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i));
      }
      if (going && ready[0].readable) {
        int fd;
        while ((fd = accept_client(listener)) >= 0) pending.push_back({fd, {}});
      }
    }
    for (Pending& p : pending) close_fd(p.fd);
    pending.clear();
    for (Device& d : devices) close_pipes(d);
  }

  std::vector<Device> devices;
  std::vector<Pending> pending;
  StopSignal stop;
  int listener = -1;
  std::string path;
  std::atomic<int> opened{0};
  std::thread thread;
};

UsbServer::UsbServer(LineDevice& engine, std::string serial) : impl_(std::make_unique<Impl>()) {
  add_device(engine, std::move(serial));
}

UsbServer::~UsbServer() {
  stop();
}

std::string UsbServer::add_device(LineDevice& engine, std::string serial) {
  std::string path = kPathPrefix + std::to_string(impl_->devices.size());
  Impl::Device d;
  d.engine = &engine;
  d.serial = std::move(serial);
  d.path = path;
  d.session = std::make_unique<LineSession>(engine, impl_->stop);
  impl_->devices.push_back(std::move(d));
  return path;
}

const std::string& UsbServer::start(const std::string& socket_path) {
  if (impl_->thread.joinable()) return impl_->path;
  impl_->listener = listen_unix(socket_path);
  impl_->path = socket_path;
  impl_->stop.clear();
  impl_->thread = std::thread([this] { impl_->run(); });
  return impl_->path;
}

const std::string& UsbServer::socket_path() const {
  return impl_->path;
}

int UsbServer::pipes_opened() const {
  return impl_->opened.load();
}

void UsbServer::stop() {
  if (impl_->thread.joinable()) {
    impl_->stop.request();
    impl_->thread.join();
  }
  if (impl_->listener >= 0) {
    close_fd(impl_->listener);
    impl_->listener = -1;
    remove_socket_file(impl_->path);
  }
}

bool UsbServer::running() const {
  return impl_->thread.joinable();
}

}  // namespace corvane_sim
