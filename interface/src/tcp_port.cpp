// TCP connections: non-blocking connect within the time-out, buffered reads with and without a
// terminator, writes, and closing one or every connection.
#include "tcp_port.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "clock.h"
#include "linkar32.h"
#include "platform.h"
#include "socket_send.h"
#include "text_format.h"

namespace linkar {
namespace {

// Connection ids index a table of 128 entries; addresses fill 32-byte fields with their terminator.
constexpr int32_t kMaxConnectionId = 127;
constexpr size_t kMaxAddressLength = 31;
constexpr int32_t kDefaultReceiveBuffer = 16384;
// Port numbers that stand for the "echo" service.
constexpr int32_t kEchoMarkers[] = {0, 8};
constexpr size_t kReadChunk = 4096;

void note_socket_error(const LogTarget& log, int error) {
  note(log, strprintf("A call to the TCPIP socket library failed with error code: (%li)\r\n", static_cast<long>(error)));
}


}  // namespace

TcpPort::~TcpPort() {
  while (!connections_.empty()) close_connection(connections_.size() - 1);
}

int32_t TcpPort::connect(int32_t id, const char* address, int32_t tcp_port, int32_t receive_buffer,
                         int32_t timeout_ms, const LogTarget& log) {
  if (!address || std::strlen(address) > kMaxAddressLength || id < 0 || id > kMaxConnectionId) return kQbxOpenFailed;
  for (size_t i = 0; i < connections_.size(); ++i) {
    if (connections_[i].address == address) {
      // Opened again, the connection is current, as a USB device opened again is.
      connections_.make_current(i);
      note(log, strprintf("TCP/IP port with address: %s already open\r\n", address));
      return kQbxOk;
    }
  }
  Platform& sys = platform();
  int fd = sys.socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) {
    note_socket_error(log, sys.last_error());
    return kQbxOpenFailed;
  }
  struct sockaddr_in to {};
  to.sin_family = AF_INET;
  if (std::find(std::begin(kEchoMarkers), std::end(kEchoMarkers), tcp_port) != std::end(kEchoMarkers)) {
    int echo = sys.service_port("echo", "tcp");
    if (echo < 0) {
      note_socket_error(log, ENOENT);
      sys.close(fd);
      return kQbxOpenFailed;
    }
    to.sin_port = static_cast<in_port_t>(echo);
  } else {
    to.sin_port = htons(static_cast<uint16_t>(tcp_port));
  }
  if (tcp_port < 0 || tcp_port > 65535 || inet_pton(AF_INET, address, &to.sin_addr) != 1) {
    note_socket_error(log, EINVAL);
    sys.close(fd);
    return kQbxOpenFailed;
  }
  bool connected = false;
  if (sys.set_nonblocking(fd) != 0) {
    note_socket_error(log, sys.last_error());
  } else if (sys.connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
    connected = true;
  } else if (sys.last_error() == EINPROGRESS) {
    struct pollfd p {fd, POLLOUT, 0};
    int error = 0;
    socklen_t length = sizeof error;
    connected = sys.poll(&p, 1, timeout_ms > 0 ? timeout_ms : -1) == 1 &&
                sys.getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
  }
  if (!connected) {
    sys.close(fd);
    note(log, strprintf("TCP/IP error: Failed connecting to address: %s\r\n", address));
    return kQbxOpenFailed;
  }
  const int on = 1;
  const int size = receive_buffer > 0 ? receive_buffer : kDefaultReceiveBuffer;
  if (sys.setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0 ||
      sys.setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size) != 0) {
    note_socket_error(log, sys.last_error());
    sys.close(fd);
    return kQbxOpenFailed;
  }
  connections_.add(Connection{fd, address, id, {}, 0});
  note(log, strprintf("Established TCP/IP connection with address: %s\r\n", address));
  return kQbxOk;
}

int32_t TcpPort::read(char* buffer, int32_t count, int32_t* bytes_read, int32_t terminator, int32_t timeout_ms,
                      const LogTarget& log) {
  *bytes_read = 0;
  Connection* c = connections_.target(log);
  if (!c) {
    if (terminator) buffer[0] = '\0';
    return kQbxReadFailed;
  }
  Platform& sys = platform();
  const uint32_t start = sys_time_ms();
  int32_t n = 0;
  bool hit = false;
  while (n < count && !hit) {
    if (c->begin < c->buffer.size()) {
      // Hand out what an earlier receive left, stopping after the terminator.
      size_t want = std::min(c->buffer.size() - c->begin, static_cast<size_t>(count - n));
      const char* from = c->buffer.data() + c->begin;
      const void* at = terminator ? std::memchr(from, static_cast<unsigned char>(terminator), want) : nullptr;
      size_t take = at ? static_cast<size_t>(static_cast<const char*>(at) - from) + 1 : want;
      std::memcpy(buffer + n, from, take);
      c->begin += take;
      n += static_cast<int32_t>(take);
      hit = at != nullptr;
      if (c->begin == c->buffer.size()) {
        c->buffer.clear();
        c->begin = 0;
      }
      continue;
    }
    char chunk[kReadChunk];
    // Without a terminator nothing beyond the count is taken from the socket.
    size_t ask = terminator ? sizeof chunk : std::min(sizeof chunk, static_cast<size_t>(count - n));
    ssize_t got = sys.recv(c->fd, chunk, ask);
    if (got > 0) {
      c->buffer.assign(chunk, chunk + got);
      c->begin = 0;
      continue;
    }
    bool failed = got == 0 || sys.last_error() != EAGAIN;  // 0: the other side closed
    int left = time_left(start, timeout_ms);
    if (!failed && left != 0) {
      struct pollfd p {c->fd, POLLIN, 0};
      sys.poll(&p, 1, left);
      continue;
    }
    *bytes_read = n;
    if (terminator) {
      buffer[n] = '\0';
      if (comlog().active()) note(log, strprintf("Read timeout: received %i bytes: %s\r\n", n, buffer));
    } else {
      note(log, strprintf("Read timeout: requested %u Bytes - received %u Bytes\r\n", static_cast<unsigned>(count),
                          static_cast<unsigned>(n)));
    }
    return kQbxReadFailed;
  }
  *bytes_read = n;
  if (terminator) {
    buffer[n] = '\0';
    if (comlog().active()) note(log, strprintf("Received %i bytes: %s\r\n", n, buffer));
  } else if (comlog().active()) {
    note(log, strprintf("Requested %u Bytes - Received %u Bytes\r\n", static_cast<unsigned>(count),
                        static_cast<unsigned>(n)));
  }
  return kQbxOk;
}

int32_t TcpPort::send_all(Connection& c, const char* data, size_t length, int32_t timeout_ms, const LogTarget& log) {
  int error = 0;
  if (send_within(c.fd, data, length, timeout_ms, &error) != static_cast<ssize_t>(length)) {
    note(log, strprintf("TCP/IP Write operation failed: %i\r\n", -1));
    note_socket_error(log, error);
    return kQbxWriteFailed;
  }
  if (comlog().active())
    note(log, strprintf("Sent %i bytes: %.*s\r\n", static_cast<int>(length),
                        static_cast<int>(std::find(data, data + length, '\0') - data), data));
  return kQbxOk;
}

int32_t TcpPort::write(const char* data, size_t length, int32_t timeout_ms, const LogTarget& log) {
  Connection* c = connections_.target(log);
  if (!c) return kQbxWriteFailed;
  return send_all(*c, data, length, timeout_ms, log);
}

int32_t TcpPort::write_to_all(const char* data, size_t length, int32_t timeout_ms, const LogTarget& log) {
  int32_t result = kQbxOk;
  for (Connection& c : connections_) {
    int32_t status = send_all(c, data, length, timeout_ms, log);
    if (status != kQbxOk) result = status;
  }
  return result;
}

void TcpPort::close_connection(size_t index) {
  platform().close(connections_[index].fd);
  connections_.erase(index);
}

int32_t TcpPort::close(int32_t, const LogTarget&) {
  if (connections_.current_index() < connections_.size()) close_connection(connections_.current_index());
  return kQbxOk;
}

int32_t TcpPort::close_all(int32_t, const LogTarget&) {
  while (!connections_.empty()) close_connection(connections_.size() - 1);
  return kQbxOk;
}

int32_t TcpPort::select_connection(int32_t id) {
  const size_t i = connections_.find(id);
  if (i == ConnectionList<Connection>::kNone) return kQbxOpenFailed;
  connections_.make_current(i);
  note(LogTarget{}, strprintf("TCP/IP: selected address: %s\r\n", connections_[i].address.c_str()));
  return kQbxOk;
}

int32_t TcpPort::connection_position(int32_t id) {
  const size_t i = connections_.find(id);
  if (i == ConnectionList<Connection>::kNone) return -1;
  note(LogTarget{}, strprintf("TCP/IP: selected address: %s\r\n", connections_[i].address.c_str()));
  return static_cast<int32_t>(i) + 1;
}

int32_t TcpPort::connection_id_at(int32_t position) const {
  return connections_.id_at(position);
}

}  // namespace linkar
