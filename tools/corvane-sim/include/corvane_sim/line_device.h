// What a server puts on a line: any simulated instrument that answers command lines. The Corvane
// engine is one; other personalities (instruments of other families, plain ASCII meters) are
// others, each in its own file under src/personalities/, so the servers stay the same for all.
#pragma once

#include <string>
#include <string_view>

namespace corvane_sim {

// What the device does in answer to one line.
struct Reply {
  std::string bytes;     // exact bytes to send (may be empty: no answer)
  int delay_ms = 0;      // wait this long before sending
  bool hang_up = false;  // close the connection after sending (where the server can)
};

class LineDevice {
 public:
  virtual ~LineDevice() = default;
  // Executes one command line (without its LF; a trailing CR is the device's to judge) and
  // returns the reply. Called on the serving thread; implementations must be thread-safe when
  // tests inspect them from another thread.
  virtual Reply handle_line(std::string_view line) = 0;
  // Called with the bytes of each read before they are cut into lines (for byte-exact checks).
  virtual void note_received(std::string_view /*bytes*/) {}
  // Framing: the bytes the first complete command of `pending` takes (terminator included), 0
  // while none is complete; *text_length gets the length of the command without its terminator.
  // By default commands end with LF.
  virtual size_t next_command(std::string_view pending, size_t* text_length) const {
    const size_t lf = pending.find('\n');
    if (lf == std::string_view::npos) return 0;
    *text_length = lf;
    return lf + 1;
  }
};

}  // namespace corvane_sim
