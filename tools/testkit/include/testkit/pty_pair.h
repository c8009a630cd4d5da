// A pseudo-terminal pair for tests that play a device: the library under test opens the slave path
// as if it were a serial port, the test reads and writes the bytes on the master side.
#pragma once

#include <string>
#include <string_view>

namespace testkit {

class PtyPair {
 public:
  // Opens a pair in raw mode (no echo, no line editing, no CR/LF translation). The test keeps a
  // slave descriptor open so that the master never sees EIO while the library has the slave closed.
  PtyPair();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  const std::string& slave_path() const { return slave_path_; }
  int master_fd() const { return master_; }

  // Writes all bytes to the master side, as the device would send them.
  void write(std::string_view bytes);
  // Reads from the master until `n` bytes arrived or `timeout_ms` passed; returns what arrived.
  std::string read_exact(size_t n, int timeout_ms);
  // Reads until `terminator` (included) or `timeout_ms`; returns what arrived.
  std::string read_until(char terminator, int timeout_ms);
  // Reads whatever arrives until the line was quiet for `quiet_ms`.
  std::string read_available(int quiet_ms);
  // Discards anything pending on the master side.
  void drain();

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slave_path_;
};

// Sets an environment variable for the lifetime of the object and restores the old value after.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::string old_;
  bool had_old_ = false;
};

}  // namespace testkit
