// Shared set-up of the interface library tests: a pseudo-terminal as COM1, a private folder for the
// log and the open/close lock file, and a library returned to its initial state around each test.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "linkar32.h"
#include "testkit/pty_pair.h"
#include "testkit/temp_dir.h"

// The log text with time stamps "(123 ms)" and times of day "09:15:02" replaced by fixed marks.
inline std::string normalize_log(const std::string& text) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '(' ) {
      size_t j = i + 1;
      while (j < text.size() && digit(text[j])) ++j;
      if (j > i + 1 && text.compare(j, 4, " ms)") == 0) {
        out += "(T ms)";
        i = j + 4;
        continue;
      }
    }
    if (i + 8 <= text.size() && digit(text[i]) && digit(text[i + 1]) && text[i + 2] == ':' && digit(text[i + 3]) &&
        digit(text[i + 4]) && text[i + 5] == ':' && digit(text[i + 6]) && digit(text[i + 7])) {
      out += "hh:mm:ss";
      i += 8;
      continue;
    }
    out += text[i++];
  }
  return out;
}

class LinkarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QBX_OpenInterfaceLib();
    QBX_SetTimeout(1000);
  }
  void TearDown() override {
    QBX_OpenInterfaceLib();
    QBX_SetTimeout(3000);
  }

  // Opens COM1 with the usual settings.
  int32_t open_com1() { return QBX_OpenPort(1, 9600, "e", 8, 1, 4096); }

  void enable_log() {
    ASSERT_EQ(QBX_SetLogFile(log_path().c_str()), 0);
    ASSERT_EQ(QBX_EnableComLog(), 0);
  }
  std::string log_path() const { return dir_.file("COMLOG.LOG"); }
  // The log file with time stamps and times of day replaced by fixed marks.
  std::string log_text() const {
    return normalize_log(testkit::read_file(log_path()));
  }
  // Handle of an open port as the table holds it.
  static int32_t handle_of(int32_t port) {
    int32_t index = 0, handle = -1;
    QBX_GetSocket(port, 0, &index, &handle);
    return handle;
  }

  testkit::TempDir dir_;
  testkit::ScopedEnv runtime_{"XDG_RUNTIME_DIR", dir_.path()};
  testkit::PtyPair pty_;
  testkit::ScopedEnv com1_{"LINKAR32_COM1", pty_.slave_path()};
};

// Writes pieces to the master side with a pause before each, on a thread of its own.
class Trickle {
 public:
  Trickle(testkit::PtyPair& pty, std::vector<std::string> pieces, int pause_ms)
      : thread_([&pty, pieces = std::move(pieces), pause_ms] {
          for (const auto& piece : pieces) {
            std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms));
            pty.write(piece);
          }
        }) {}
  ~Trickle() { thread_.join(); }

 private:
  std::thread thread_;
};

inline double ms_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}
