// A program that a test starts with its standard input and output on pipes: simulators it talks
// to, tools whose output and exit status it checks.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace testkit {

class ChildProcess {
 public:
  // Starts argv[0] with the arguments (argv[0] is a path); with merge_stderr its standard error
  // goes into the same pipe as its standard output.
  explicit ChildProcess(std::vector<std::string> argv, bool merge_stderr = false);
  // Sends SIGTERM to a child that still runs and waits for it.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  // Writes all bytes to the child's standard input.
  bool write(std::string_view bytes);
  // Closes the child's standard input (it sees end of file).
  void close_input();
  // Reads up to and including the next LF, or what came until `timeout_ms` passed.
  std::string read_line(int timeout_ms);
  // Reads until the child closes its output, or `timeout_ms` of silence.
  std::string read_all(int timeout_ms);
  // Waits for the child's end: its exit status, or -1 when a signal ended it.
  int wait();

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
};

// Runs a program to its end (output not captured): its exit status, -1 when a signal ended it.
int run_program(std::vector<std::string> argv);

}  // namespace testkit
