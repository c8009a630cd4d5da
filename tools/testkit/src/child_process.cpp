// Child processes of tests: fork and exec with pipes on standard input and output, reads with
// time-outs through poll, termination on destruction.
#include "testkit/child_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testkit {
namespace {

[[noreturn]] void exec(std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (auto& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  execv(args[0], args.data());
  _exit(127);
}

int exit_status(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

// One byte within the time-out; false on time-out, end of file or error.
bool read_byte(int fd, int timeout_ms, char* c) {
  struct pollfd p {fd, POLLIN, 0};
  if (poll(&p, 1, timeout_ms) <= 0) return false;
  return read(fd, c, 1) == 1;
}

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> argv, bool merge_stderr) {
  int to_child[2];
  int from_child[2];
  if (pipe(to_child) != 0) return;
  if (pipe(from_child) != 0) {
    close(to_child[0]);
    close(to_child[1]);
    return;
  }
  pid_ = fork();
  if (pid_ == 0) {
    dup2(to_child[0], STDIN_FILENO);
    dup2(from_child[1], STDOUT_FILENO);
    if (merge_stderr) dup2(from_child[1], STDERR_FILENO);
    for (int fd : {to_child[0], to_child[1], from_child[0], from_child[1]}) close(fd);
    exec(argv);
  }
  close(to_child[0]);
  close(from_child[1]);
  in_ = to_child[1];
  out_ = from_child[0];
}

ChildProcess::~ChildProcess() {
  close_input();
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    wait();
  }
  if (out_ >= 0) close(out_);
}

bool ChildProcess::write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(in_, bytes.data(), bytes.size());
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

void ChildProcess::close_input() {
  if (in_ >= 0) close(in_);
  in_ = -1;
}

std::string ChildProcess::read_line(int timeout_ms) {
  std::string line;
  char c;
  while ((line.empty() || line.back() != '\n') && read_byte(out_, timeout_ms, &c)) line += c;
  return line;
}

std::string ChildProcess::read_all(int timeout_ms) {
  std::string all;
  char c;
  while (read_byte(out_, timeout_ms, &c)) all += c;
  return all;
}

int ChildProcess::wait() {
  if (pid_ <= 0) return -1;
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  return exit_status(status);
}

int run_program(std::vector<std::string> argv) {
  const pid_t pid = fork();
  if (pid == 0) exec(argv);
  if (pid < 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return exit_status(status);
}

}  // namespace testkit
