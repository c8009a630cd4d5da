// Terminal handling: whether a stream is a terminal, the Ctrl-C flag, and the progress bar.
#pragma once

#include <cstdio>
#include <string>

namespace corvane_cli {

bool is_terminal(std::FILE* stream);
// Installs a SIGINT handler that only sets a flag, so loops end cleanly (port closed, files
// complete). interrupted() reports the flag.
void catch_interrupt();
bool interrupted();

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
