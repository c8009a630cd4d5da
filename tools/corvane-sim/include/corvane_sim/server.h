// Puts a LineDevice (the Corvane engine or another personality) on a line: a pseudo-terminal whose slave a driver opens as its serial port, a
// TCP listener on 127.0.0.1, any descriptor pair that is already connected (a socket pair or
// pipes), or Corvanes attached by USB as the interface library's simulator backend reaches them. Each server answers on its own thread: it
// cuts the incoming bytes into lines at LF, hands each line to the engine and writes the reply
// bytes (after the reply's delay). stop() (also run by the destructor) ends the thread cleanly.
//
// Servers throw std::system_error when start() cannot set up the line.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "corvane_sim/line_device.h"

namespace corvane_sim {

// Pseudo-terminal: the slave path is what the libraries open (LINKAR32_COM1=<slave path>).
// The server keeps no slave descriptor of its own, so the driver may open the slave exclusively,
// close it and open it again (the line-speed switch after BDR); line settings the driver makes
// on the slave (speed, parity) are accepted and have no effect.
class PtyServer {
 public:
  explicit PtyServer(LineDevice& engine);
  ~PtyServer();
  PtyServer(const PtyServer&) = delete;
  PtyServer& operator=(const PtyServer&) = delete;

  // Creates the pseudo-terminal (raw mode), starts answering; returns the slave path.
  const std::string& start();
  const std::string& slave_path() const;
  void stop();
  bool running() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// TCP listener on 127.0.0.1. Every accepted connection is served by the same engine (the
// chain answers whichever connection speaks).
class TcpServer {
 public:
  explicit TcpServer(LineDevice& engine);
  ~TcpServer();
  TcpServer(const TcpServer&) = delete;
  TcpServer& operator=(const TcpServer&) = delete;

  // Listens on address:port (0: a free port is chosen); returns the port. The address must be a
  // loopback address; other ones (127.0.0.2, ...) let a host hold several connections, since
  // the interface library keeps one connection per address text.
  uint16_t start(uint16_t port = 0, const std::string& address = "127.0.0.1");
  uint16_t port() const;
  // Connections accepted so far.
  int connections() const;
  void stop();
  bool running() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// An already-connected descriptor (socket, pipe pair). Commands are read from read_fd, replies
// written to write_fd (-1: the same descriptor). With take_ownership the descriptors are
// closed by stop(). The server ends by itself when the peer closes (finished() turns true).
class FdServer {
 public:
  FdServer(LineDevice& engine, int read_fd, int write_fd = -1, bool take_ownership = false);
  ~FdServer();
  FdServer(const FdServer&) = delete;
  FdServer& operator=(const FdServer&) = delete;

  void start();
  void stop();
  bool finished() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Corvanes attached by USB, served on a Unix stream socket for the interface library's simulator
// backend (LINKAR32_USB_BACKEND=sim, LINKAR32_USB_SIM=<socket path>). Each device has a serial-number
// text (its name), a path "simusb:<n>" (n counts from 0 in the order of adding) and two pipes: bytes
// written to its write pipe are cut into lines for its engine, the replies come out of its read pipe
// (held back while no read pipe is open). Protocol, one request per connection, each a line:
//   "LIST\n"                -> one line "<serial>\t<path>\n" per device, an empty line, close
//   "OPEN <path> <pipe>\n"  -> "OK\n" and the connection is pipe 0 (read) or 1 (write) of that
//                             device from then on (a newer OPEN of the same pipe replaces the
//                             older one), or "NO\n" and close
// A fault that hangs up closes both pipes of the device.
class UsbServer {
 public:
  // The first device: answered by engine under the serial-number text serial.
  UsbServer(LineDevice& engine, std::string serial);
  ~UsbServer();
  UsbServer(const UsbServer&) = delete;
  UsbServer& operator=(const UsbServer&) = delete;

  // Adds a further device before start(); returns its path.
  std::string add_device(LineDevice& engine, std::string serial);
  // Listens on the Unix socket at socket_path (a socket file already there is replaced) and starts
  // answering; returns the path. Throws std::system_error.
  const std::string& start(const std::string& socket_path);
  const std::string& socket_path() const;
  // Pipes opened so far (both kinds, every device).
  int pipes_opened() const;
  // Stops answering, closes every connection and removes the socket file.
  void stop();
  bool running() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace corvane_sim
