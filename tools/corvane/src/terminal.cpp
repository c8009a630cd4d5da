// isatty, SIGINT and a progress bar drawn with carriage returns.
#include "terminal.h"

#include <signal.h>
#include <unistd.h>


namespace corvane_cli {
namespace {

volatile sig_atomic_t g_signal = 0;
bool g_handled = false;

void on_interrupt(int signal_number) {
  // The first signal decides the exit status.
  if (g_signal == 0) g_signal = signal_number;
}

}  // namespace

bool is_terminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

void catch_interrupt() {
  struct sigaction sa {};
  sa.sa_handler = on_interrupt;
  sigemptyset(&sa.sa_mask);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal_number, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

bool interrupted() { return g_signal != 0; }

int interrupt_status() { return 128 + static_cast<int>(g_signal); }

const char* interrupt_name() {
  switch (g_signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "";
  }
}

void mark_interrupt_handled() { g_handled = true; }

bool interrupt_handled() { return g_handled; }

void ProgressBar::update(long long done, long long total, const std::string& unit) {
  if (!enabled_ || total <= 0) return;
  int permille = static_cast<int>(done * 1000 / total);
  if (permille == last_permille_) return;
  last_permille_ = permille;
  constexpr int kWidth = 30;
  int filled = permille * kWidth / 1000;
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(kWidth - filled), '.');
  std::fprintf(stderr, "\r[%s] %3d%%  %lld/%lld %s", bar.c_str(), permille / 10, done, total, unit.c_str());
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressBar::finish() {
  if (drawn_) {
    std::fputs("\n", stderr);
    std::fflush(stderr);
  }
  drawn_ = false;
}

}  // namespace corvane_cli
