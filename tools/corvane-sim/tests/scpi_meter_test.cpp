// The scpi-meter personality of the corvane-sim program, served on stdin/stdout: identity, readings
// of one input, of one named input and of a range of inputs, each input counting its own readings,
// the error queue, the reset, and the options it refuses.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Child {
  pid_t pid = -1;
  int in = -1;
  int out = -1;
};

Child spawn(std::vector<std::string> args) {
  int to_child[2], from_child[2];
  Child c;
  if (pipe(to_child) != 0 || pipe(from_child) != 0) return c;
  c.pid = fork();
  if (c.pid == 0) {
    dup2(to_child[0], STDIN_FILENO);
    dup2(from_child[1], STDOUT_FILENO);
    dup2(from_child[1], STDERR_FILENO);
    for (int fd : {to_child[0], to_child[1], from_child[0], from_child[1]}) close(fd);
    std::vector<char*> argv;
    std::string program = CORVANE_SIM_PROGRAM;
    argv.push_back(program.data());
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(to_child[0]);
  close(from_child[1]);
  c.in = to_child[1];
  c.out = from_child[0];
  return c;
}

// Everything the child writes until it closes its output.
std::string read_all(int fd) {
  std::string out;
  char buf[256];
  for (;;) {
    struct pollfd p {fd, POLLIN, 0};
    if (poll(&p, 1, 10000) <= 0) break;
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  return out;
}

int finish(Child& c, std::string* output) {
  close(c.in);
  *output = read_all(c.out);
  close(c.out);
  int status = 0;
  waitpid(c.pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ScpiMeter, AnswersReadingsInputByInput) {
  Child c = spawn({"--personality", "scpi-meter", "--stdio", "--source", "2=ramp:1,0.5", "--source", "4=const:-0.00125"});
  ASSERT_GT(c.pid, 0);
  const std::string lines = "*IDN?\nMEAS?\r\nMEAS? (@2)\nMEAS? (@1:4)\nMEAS? (@2)\nMEAS? (@5)\nFOO\nSYST:ERR?\n"
                            "SYST:ERR?\nSYST:ERR?\n*RST\nMEAS? (@2)\n";
  ASSERT_EQ(write(c.in, lines.data(), lines.size()), static_cast<ssize_t>(lines.size()));
  std::string out;
  EXPECT_EQ(finish(c, &out), 0);
  EXPECT_EQ(out,
            "QBX,SCPI-Meter,SM-0001,1.0\n"
            "+1.000000E+00\n"
            "+1.000000E+00\n"
            "+1.000000E+00,+1.050000E+00,+3.000000E+00,-1.250000E-03\n"
            "+1.100000E+00\n"
            "-222,\"Data out of range\"\n"
            "-113,\"Undefined header\"\n"
            "0,\"No error\"\n"
            "+1.000000E+00\n");
}

TEST(ScpiMeter, RefusesInputsItDoesNotHave) {
  Child c = spawn({"--personality", "scpi-meter", "--stdio", "--source", "5=const:1"});
  std::string out;
  EXPECT_EQ(finish(c, &out), 2);
  EXPECT_NE(out.find("scpi-meter has channels 1 to 4"), std::string::npos) << out;
  Child t = spawn({"--personality", "scpi-meter", "--stdio", "--source", "1=temp:25"});
  EXPECT_EQ(finish(t, &out), 2);
}

}  // namespace
