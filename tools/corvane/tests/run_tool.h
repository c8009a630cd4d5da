// Runs the corvane program as a user would: arguments, environment additions, captured standard
// output and error, and the exit status.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "testkit/temp_dir.h"

struct ToolResult {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

extern char** environ;

// The tool's command line and environment, made before fork: the child of a process with threads
// (the simulators' servers) may only call async-signal-safe functions until exec, so nothing is
// allocated or set there. The locale variables are left out (English unless a test asks for
// another language) and env's entries replace or add to the rest.
struct ToolLaunch {
  ToolLaunch(const std::vector<std::string>& args, const std::map<std::string, std::string>& env) {
    words.push_back(CORVANE_TOOL);
    words.insert(words.end(), args.begin(), args.end());
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string entry = *e;
      const std::string name = entry.substr(0, entry.find('='));
      if (name == "LC_ALL" || name == "LC_MESSAGES" || name == "LANG" || name == "LANGUAGE" || env.count(name)) continue;
      entries.push_back(entry);
    }
    for (const auto& [k, v] : env) entries.push_back(k + "=" + v);
    for (auto& e : entries) envp.push_back(e.data());
    envp.push_back(nullptr);
  }
  std::vector<std::string> words, entries;
  std::vector<char*> argv, envp;
};

// Starts the program with standard input from /dev/null and standard output and error into the
// files named (out_flags: O_TRUNC to start it afresh, 0 for a device such as /dev/full).
inline pid_t start_tool(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
                        const std::string& out_path, int out_flags, const std::string& err_path) {
  ToolLaunch launch(args, env);
  pid_t pid = fork();
  if (pid == 0) {
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | out_flags, 0600);
    int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int null = open("/dev/null", O_RDONLY);
    dup2(null, 0);
    dup2(out, 1);
    dup2(err, 2);
    execve(launch.argv[0], launch.argv.data(), launch.envp.data());
    _exit(127);
  }
  return pid;
}

// stdout_to: a file that takes standard output instead (such as /dev/full); out stays empty.
inline ToolResult run_tool(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {},
                           const std::string& stdout_to = "") {
  testkit::TempDir dir;
  const std::string out_path = stdout_to.empty() ? dir.file("out") : stdout_to, err_path = dir.file("err");
  const pid_t pid = start_tool(args, env, out_path, stdout_to.empty() ? O_TRUNC : 0, err_path);
  ToolResult r;
  int st = 0;
  waitpid(pid, &st, 0);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  if (stdout_to.empty()) r.out = testkit::read_file(out_path);
  r.err = testkit::read_file(err_path);
  return r;
}

// The lines of a text, without their line ends.
inline std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    if (nl == std::string::npos) nl = text.size();
    out.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
  return out;
}

// The lines of a CSV text without its "# key: value" metadata lines.
inline std::vector<std::string> data_lines(const std::string& text) {
  std::vector<std::string> out;
  for (std::string& line : lines_of(text)) {
    if (line.empty() || line[0] != '#') out.push_back(std::move(line));
  }
  return out;
}

#include "testkit/pty_pair.h"

// Runs the program with standard output and error on a terminal (a pseudo-terminal), as a user
// at a console sees it; returns everything the terminal received.
inline ToolResult run_tool_on_terminal(const std::vector<std::string>& args) {
  testkit::PtyPair pty;
  ToolLaunch launch(args, {});
  const std::string slave = pty.slave_path();
  pid_t pid = fork();
  if (pid == 0) {
    int tty = open(slave.c_str(), O_RDWR | O_NOCTTY);
    int null = open("/dev/null", O_RDONLY);
    dup2(null, 0);
    dup2(tty, 1);
    dup2(tty, 2);
    execve(launch.argv[0], launch.argv.data(), launch.envp.data());
    _exit(127);
  }
  ToolResult r;
  int st = 0;
  // Drain the terminal while the program runs, so that it never blocks on a full buffer.
  while (waitpid(pid, &st, WNOHANG) == 0) r.out += pty.read_available(50);
  r.out += pty.read_available(50);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  return r;
}
