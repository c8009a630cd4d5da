// Puts an Engine on a line: a pseudo-terminal whose slave a driver opens as its serial port, a
// TCP listener on 127.0.0.1, or any descriptor pair that is already connected (a socket pair or
// pipes standing in for a USB device's two pipes). Each server answers on its own thread: it
// cuts the incoming bytes into lines at LF, hands each line to the engine and writes the reply
// bytes (after the reply's delay). stop() (also run by the destructor) ends the thread cleanly.
//
// Servers throw std::system_error when start() cannot set up the line.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "corvane_sim/engine.h"

namespace corvane_sim {

// Pseudo-terminal: the slave path is what the libraries open (LINKAR32_COM1=<slave path>).
// The server keeps no slave descriptor of its own, so the driver may open the slave exclusively,
// close it and open it again (the line-speed switch after BDR); line settings the driver makes
// on the slave (speed, parity) are accepted and have no effect.
class PtyServer {
 public:
  explicit PtyServer(Engine& engine);
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
  explicit TcpServer(Engine& engine);
  ~TcpServer();
  TcpServer(const TcpServer&) = delete;
  TcpServer& operator=(const TcpServer&) = delete;

  // Listens on 127.0.0.1:port (0: a free port is chosen); returns the port.
  uint16_t start(uint16_t port = 0);
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
  FdServer(Engine& engine, int read_fd, int write_fd = -1, bool take_ownership = false);
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

}  // namespace corvane_sim
