// One conversation on a line: collects received bytes into command lines (cut at LF), lets the
// engine answer each, waits out a reply's delay and writes the reply bytes.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "corvane_sim/line_device.h"
#include "posix_io.h"

namespace corvane_sim {

class LineSession {
 public:
  LineSession(LineDevice& engine, const StopSignal& stop) : engine_(engine), stop_(stop) {}

  // Where reply bytes go: kOk, or what stopped the write.
  using ReplySink = std::function<IoResult(std::string_view bytes)>;

  // Processes received bytes; replies go to write_fd. kOk to go on; kStopped when stop was
  // requested; kBroken when the reply could not be written or a fault asked to hang up.
  IoResult feed(const char* data, size_t size, int write_fd);
  // The same with the replies handed to sink (a USB device answers on its other pipe).
  IoResult feed(const char* data, size_t size, const ReplySink& sink);
  // Forgets a partly received line (the peer closed the line).
  void reset() { pending_.clear(); }

 private:
  // A line longer than this without LF is noise on the line and is dropped.
  static constexpr size_t kMaxLine = 4096;

  LineDevice& engine_;
  const StopSignal& stop_;
  std::string pending_;
};

}  // namespace corvane_sim
