// Terminal handling: whether a stream is a terminal, the Ctrl-C flag, and the progress bar.
#pragma once

#include <cstdio>
#include <string>

namespace corvane_cli {

bool is_terminal(std::FILE* stream);
// Installs handlers for SIGINT, SIGTERM and SIGHUP that only note the signal, so loops end
// cleanly (amplifier stopped, port closed, measured data kept), and ignores SIGPIPE so that a
// closed pipe shows as a write error. interrupted() reports whether a signal came;
// interrupt_status() is the exit status for it (128 + signal number: 130 after SIGINT).
void catch_interrupt();
bool interrupted();
int interrupt_status();
// The name of the signal that came ("SIGINT"), "" when none.
const char* interrupt_name();
// A command that ends on a signal as asked (record) says so: the run then ends with status 0
// instead of 128 + signal, and the commands after it in the chain are not run.
void mark_interrupt_handled();
bool interrupt_handled();

// "[#########.........]  45%  1350/3000 scans" on one line of standard error, redrawn in place.
class ProgressBar {
 public:
  explicit ProgressBar(bool enabled) : enabled_(enabled) {}
  void update(long long done, long long total, const std::string& unit);
  void finish();

 private:
  bool enabled_;
  bool drawn_ = false;
  int last_permille_ = -1;
};

}  // namespace corvane_cli
