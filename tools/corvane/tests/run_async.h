// The corvane program started in the background, so that a test can signal it, stop the
// simulator under it or watch its files while it runs; its exit status and peak memory are
// collected at the end.
#pragma once

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "run_tool.h"

class RunningTool {
 public:
  RunningTool(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {})
      : out_(dir_.file("out")), err_(dir_.file("err")) {
    pid_ = start_tool(args, env, out_, O_TRUNC, err_);
  }
  ~RunningTool() {
    if (pid_ > 0 && !done_) {
      kill(pid_, SIGKILL);
      finish();
    }
  }
  void signal(int signal_number) { kill(pid_, signal_number); }
  // The file that takes its standard output while it runs.
  const std::string& out_path() const { return out_; }
  // Waits for the program's end.
  ToolResult finish() {
    int st = 0;
    rusage usage{};
    wait4(pid_, &st, 0, &usage);
    done_ = true;
    max_rss_kb_ = usage.ru_maxrss;
    cpu_s_ = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
             static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    result_.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    result_.out = testkit::read_file(out_);
    result_.err = testkit::read_file(err_);
    return result_;
  }
  long max_rss_kb() const { return max_rss_kb_; }
  // Processor time (user and system) the program used.
  double cpu_s() const { return cpu_s_; }

 private:
  testkit::TempDir dir_;
  std::string out_, err_;
  pid_t pid_ = -1;
  bool done_ = false;
  long max_rss_kb_ = 0;
  double cpu_s_ = 0;
  ToolResult result_;
};

// Names in a folder that contain `part`.
inline std::vector<std::string> files_containing(const std::string& folder, const std::string& part) {
  std::vector<std::string> out;
  if (DIR* d = opendir(folder.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string name = e->d_name;
      if (name.find(part) != std::string::npos) out.push_back(name);
    }
    closedir(d);
  }
  return out;
}

// Lines in the file other than "# key: value" metadata, or 0 when it does not exist.
inline size_t line_count(const std::string& path) {
  std::string text = testkit::read_file(path);
  size_t n = 0;
  bool comment = !text.empty() && text[0] == '#';
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n') continue;
    n += !comment;
    comment = i + 1 < text.size() && text[i + 1] == '#';
  }
  return n;
}

// Waits (up to a minute: the machine may be loaded) until the run's temporary CSV file beside
// `target` has at least `lines` lines; false when it never does.
inline bool wait_for_rows(const std::string& folder, const std::string& target, size_t lines) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < give_up) {
    for (const std::string& name : files_containing(folder, target + ".")) {
      if (line_count(folder + "/" + name) >= lines) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}
