// The simulator backend: the device list and each pipe come over their own connection to the Unix
// socket named by LINKAR32_USB_SIM (protocol in usb_sim.h). A pipe's handle is its socket.
#include "usb_sim.h"

#include <sys/un.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "clock.h"
#include "linkar32.h"
#include "platform.h"
#include "socket_send.h"
#include "text_format.h"
#include "usb_backend.h"

namespace linkar {
namespace {

constexpr char kListRequest[] = "LIST\n";
constexpr char kOpenAnswer[] = "OK";
// Longest answer line taken from the simulator (a device list line, or OK/NO).
constexpr size_t kMaxAnswerLine = 1024;


// Connects to the simulator's socket (non-blocking afterwards); -1 when it is not set or not there.
int connect_simulator() {
  Platform& sys = platform();
  const char* path = sys.getenv(kUsbSimSocketVariable);
  sockaddr_un at{};
  if (!path || std::strlen(path) == 0 || std::strlen(path) >= sizeof at.sun_path) return -1;
  at.sun_family = AF_UNIX;
  std::memcpy(at.sun_path, path, std::strlen(path));
  const int fd = sys.socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  if (sys.connect(fd, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0 ||
      sys.set_nonblocking(fd) != 0) {
    sys.close(fd);
    return -1;
  }
  return fd;
}

// Reads one answer line (without its LF) byte by byte, so that nothing after it is taken from the
// socket. False on time-out, end of stream, failure or an overlong line.
bool read_line(int fd, uint32_t start, std::string* line) {
  Platform& sys = platform();
  line->clear();
  while (line->size() < kMaxAnswerLine) {
    char byte = 0;
    const ssize_t n = sys.recv(fd, &byte, 1);
    if (n == 1) {
      if (byte == '\n') return true;
      line->push_back(byte);
      continue;
    }
    if (n == 0 || (sys.last_error() != EAGAIN && sys.last_error() != EWOULDBLOCK)) return false;
    const int left = time_left(start, kUsbSimHandshakeMs);
    if (left == 0) return false;
    pollfd p{fd, POLLIN, 0};
    if (sys.poll(&p, 1, left) < 0 && sys.last_error() != EINTR) return false;
  }
  return false;
}

// Connects and sends one request line; -1 when the simulator cannot be reached.
int request(const std::string& text) {
  const int fd = connect_simulator();
  if (fd < 0) return -1;
  int error = 0;
  if (send_within(fd, text.data(), text.size(), kUsbSimHandshakeMs, &error) != static_cast<ssize_t>(text.size())) {
    platform().close(fd);
    return -1;
  }
  return fd;
}

class SimBackend : public UsbBackend {
 public:
  int32_t scan(std::vector<UsbDeviceInfo>* devices) override {
    devices->clear();
    const int fd = request(kListRequest);
    if (fd < 0) return kQbxUsbNoSetupApi;
    const uint32_t start = sys_time_ms();
    std::string line;
    bool complete = false;
    while (read_line(fd, start, &line)) {
      if (line.empty()) {
        complete = true;
        break;
      }
      const size_t tab = line.find('\t');
      if (tab != std::string::npos)
        devices->push_back(UsbDeviceInfo{line.substr(0, tab), line.substr(tab + 1)});
    }
    platform().close(fd);
    if (!complete) {
      devices->clear();
      return kQbxUsbNoSetupApi;
    }
    return kQbxOk;
  }

  int open_pipe(const std::string& path, int pipe) override {
    if (pipe != kUsbReadPipe && pipe != kUsbWritePipe) return -1;
    const int fd = request(strprintf("OPEN %s %d\n", path.c_str(), pipe));
    if (fd < 0) return -1;
    std::string answer;
    if (!read_line(fd, sys_time_ms(), &answer) || answer != kOpenAnswer) {
      platform().close(fd);
      return -1;
    }
    return fd;
  }

  ssize_t read(int handle, char* buffer, size_t size, int32_t timeout_ms) override {
    Platform& sys = platform();
    pollfd p{handle, POLLIN, 0};
    const int ready = sys.poll(&p, 1, timeout_ms > 0 ? timeout_ms : -1);
    if (ready < 0) return sys.last_error() == EINTR ? 0 : -1;
    if (ready == 0) return 0;
    const ssize_t n = sys.recv(handle, buffer, size);
    if (n > 0) return n;
    if (n < 0 && (sys.last_error() == EAGAIN || sys.last_error() == EWOULDBLOCK)) return 0;
    return -1;  // the simulator closed the pipe, or the socket failed
  }

  ssize_t write(int handle, const char* data, size_t size, int32_t timeout_ms) override {
    int error = 0;
    return send_within(handle, data, size, timeout_ms, &error);
  }

  void close(int handle) override { platform().close(handle); }
};

}  // namespace

UsbBackend& sim_usb_backend() {
  static SimBackend* backend = new SimBackend;  // lives as long as the process, like the pipe slots
  return *backend;
}

}  // namespace linkar
