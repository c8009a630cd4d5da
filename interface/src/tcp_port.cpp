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
#include "traffic_log.h"

namespace linkar {
namespace {

// Connection ids index a table of 128 entries; addresses fill 32-byte fields with their terminator.
constexpr int32_t kMaxConnectionId = 127;
constexpr size_t kMaxAddressLength = 31;
constexpr int32_t kDefaultReceiveBuffer = 16384;
// Port numbers that stand for the "echo" service.
constexpr int32_t kEchoMarkers[] = {0, 8};
// Bytes taken from the socket at a time.
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
  connections_.add(Connection{fd, address, id, InputBuffer(kReadChunk)});
  note(log, strprintf("Established TCP/IP connection with address: %s\r\n", address));
  return kQbxOk;
}

long TcpPort::SocketSource::read_some(char* into, size_t room, int32_t wait_ms, int* error) {
  Platform& sys = platform();
  ssize_t got = sys.recv(fd, into, room);
  if (got < 0 && sys.last_error() == EAGAIN) {
    struct pollfd p {fd, POLLIN, 0};
    if (sys.poll(&p, 1, wait_ms) <= 0) return 0;
    got = sys.recv(fd, into, room);
    if (got < 0 && sys.last_error() == EAGAIN) return 0;
  }
  if (got > 0) return static_cast<long>(got);
  *error = got == 0 ? ECONNRESET : sys.last_error();  // 0: the other side closed
  return -1;
}

int32_t TcpPort::read(char* buffer, int32_t count, int32_t* bytes_read, int32_t terminator, int32_t timeout_ms,
                      const LogTarget& log) {
  *bytes_read = 0;
  Connection* c = connections_.target(log);
  if (!c) {
    if (terminator) buffer[0] = '\0';
    return kQbxReadFailed;
  }
  SocketSource socket{c->fd};
  // The time-out covers the whole read; without a terminator nothing beyond the count is taken
  // from the socket.
  const TakeResult got =
      terminator ? c->input.take_until(socket, buffer, count, static_cast<char>(terminator), timeout_ms,
                                       TimeoutScope::kWholeRead)
                 : c->input.take(socket, buffer, count, timeout_ms, TimeoutScope::kWholeRead, CountedFill::kOnlyCount);
  *bytes_read = got.stored;
  if (got.outcome != TakeResult::kDone) {
    if (terminator) {
      if (comlog().active()) note(log, strprintf("Read timeout: received %i bytes: %s\r\n", got.stored, buffer));
    } else {
      note(log, strprintf("Read timeout: requested %u Bytes - received %u Bytes\r\n", static_cast<unsigned>(count),
                          static_cast<unsigned>(got.stored)));
    }
    return kQbxReadFailed;
  }
  if (terminator)
    note_received(log, got.stored, buffer);
  else
    note_counted(log, count, got.stored);
  return kQbxOk;
}

int32_t TcpPort::send_all(Connection& c, const char* data, size_t length, int32_t timeout_ms, const LogTarget& log) {
  int error = 0;
  if (send_within(c.fd, data, length, timeout_ms, &error) != static_cast<ssize_t>(length)) {
    note(log, strprintf("TCP/IP Write operation failed: %i\r\n", -1));
    note_socket_error(log, error);
    return kQbxWriteFailed;
  }
  note_sent(log, data, length, SentGap::kOneBlank);
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
