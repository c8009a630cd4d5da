// TCP connections on port 100: one port-table entry shared by every connection, a connection table
// in opening order with the caller's ids, and a current connection selected by id.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "connection_list.h"
#include "input_buffer.h"
#include "port.h"

namespace linkar {

class TcpPort : public Port {
 public:
  // Closes every connection still open, so that no socket outlives the table entry.
  ~TcpPort() override;

  // Connects to address (dotted IPv4) at tcp_port (0 or 8: the "echo" service) within timeout_ms,
  // with a receive buffer of receive_buffer bytes (0: 16384). An address already connected returns 0.
  // Returns 0, or -1 (bad id or address, socket or connect failure).
  int32_t connect(int32_t id, const char* address, int32_t tcp_port, int32_t receive_buffer, int32_t timeout_ms,
                  const LogTarget& log);
  bool empty() const { return connections_.empty(); }
  // A further connection on the open port: params.baud is the id, parity the address, data_bits the
  // TCP port, receive_buffer the socket's receive buffer.
  int32_t reopen(const OpenParams& params, int32_t timeout_ms, const LogTarget& log) override {
    return connect(params.baud, params.parity, params.data_bits, params.receive_buffer, timeout_ms, log);
  }

  int handle() const override { return 0; }
  int32_t read(char* buffer, int32_t count, int32_t* bytes_read, int32_t terminator, int32_t timeout_ms,
               const LogTarget& log) override;
  int32_t write(const char* data, size_t length, int32_t timeout_ms, const LogTarget& log) override;
  int32_t write_to_all(const char* data, size_t length, int32_t timeout_ms, const LogTarget& log) override;
  int32_t close(int32_t timeout_ms, const LogTarget& log) override;
  int32_t close_all(int32_t timeout_ms, const LogTarget& log) override;
  bool keeps_entry() const override { return !connections_.empty(); }
  bool has_connections() const override { return true; }
  int32_t select_connection(int32_t id) override;
  int32_t connection_position(int32_t id) override;
  int32_t connection_id_at(int32_t position) const override;

 private:
  struct Connection {
    int fd;
    std::string address;
    int32_t id;
    InputBuffer input;  // bytes received after a terminator, handed out by the next read
  };
  // A connection's socket as the input buffer's source.
  struct SocketSource : ByteSource {
    explicit SocketSource(int descriptor) : fd(descriptor) {}
    long read_some(char* into, size_t room, int32_t wait_ms, int* error) override;
    int fd;
  };

  int32_t send_all(Connection& c, const char* data, size_t length, int32_t timeout_ms, const LogTarget& log);
  void close_connection(size_t index);

  ConnectionList<Connection> connections_;
};

}  // namespace linkar
