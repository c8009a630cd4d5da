// The corvane-sim program: option parsing (sources, faults, bad input) and a run of the real
// binary on stdin/stdout and on a pty whose path it prints.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "program_options.h"

namespace corvane_sim {
namespace {

std::optional<ProgramOptions> parse(std::vector<std::string> args, std::string* error = nullptr) {
  std::string ignored;
  return parse_options(args, error ? error : &ignored);
}

TEST(ProgramOptions, ChainTypesSourcesAndServing) {
  auto opt = parse({"--devices", "3", "--types", "5051,5051,5052,5052,5054,5058,5053,5053,5055,5056", "--type",
                    "14=5054", "--source", "4=temp:25.5", "--source", "5=sine:0,1.5,2", "--tcp", "0",
                    "--virtual-clock", "--clock-step", "2.5", "--buffer-samples", "1000", "--initial-error",
                    "10000", "--serial", "A1", "--version", "P9.99", "--shunt", "0.75", "--log"});
  ASSERT_TRUE(opt);
  EXPECT_EQ(opt->config.devices, 3);
  EXPECT_EQ(opt->config.slot_types.size(), 10u);
  EXPECT_EQ(opt->config.channel_types.at(14), 5054);
  ASSERT_EQ(opt->sources.size(), 2u);
  EXPECT_EQ(opt->sources[0].first, 4);
  EXPECT_EQ(opt->sources[0].second.quantity, SignalSource::Quantity::kTemperature);
  EXPECT_EQ(opt->sources[0].second.offset, 25.5);
  EXPECT_EQ(opt->sources[1].second.shape, SignalSource::Shape::kSine);
  EXPECT_EQ(opt->sources[1].second.frequency_hz, 2.0);
  EXPECT_EQ(opt->tcp_port, 0);
  EXPECT_FALSE(opt->pty) << "--tcp alone serves no pty";
  EXPECT_TRUE(opt->config.virtual_clock);
  EXPECT_EQ(opt->clock_step_ms, 2.5);
  EXPECT_EQ(opt->config.buffer_samples, 1000u);
  EXPECT_EQ(opt->config.initial_error, 10000);
  EXPECT_EQ(opt->config.serial_numbers, std::vector<std::string>{"A1"});
  EXPECT_EQ(opt->config.program_version, "P9.99");
  EXPECT_EQ(opt->config.shunt_mv_per_v, 0.75);
  EXPECT_TRUE(opt->log);
  auto plain = parse({});
  ASSERT_TRUE(plain);
  EXPECT_TRUE(plain->pty);
  EXPECT_FALSE(plain->usb_socket);
  auto usb = parse({"--usb", "/tmp/x.sock", "--serial", "S0"});
  ASSERT_TRUE(usb);
  EXPECT_FALSE(usb->pty) << "--usb alone serves no pty";
  EXPECT_EQ(usb->usb_socket, "/tmp/x.sock");
  EXPECT_EQ(usb->usb_serial, "S0") << "the USB name defaults to device 0's serial number";
  EXPECT_EQ(parse({"--usb", "/tmp/x.sock"})->usb_serial, "47110");
  EXPECT_EQ(parse({"--usb", "/tmp/x.sock", "--usb-serial", "CV-9", "--pty"})->usb_serial, "CV-9");
  EXPECT_TRUE(parse({"--usb", "/tmp/x.sock", "--pty"})->pty);
}

TEST(ProgramOptions, SourceTexts) {
  EXPECT_EQ(parse_source("raw:-120")->quantity, SignalSource::Quantity::kRawCounts);
  EXPECT_EQ(parse_source("const:1.5")->offset, 1.5);
  auto ramp = parse_source("ramp:0,2,10");
  ASSERT_TRUE(ramp);
  EXPECT_EQ(ramp->slope_per_s, 2.0);
  EXPECT_EQ(ramp->period_s, 10.0);
  auto noise = parse_source("temp-noise:20,0.5,7");
  ASSERT_TRUE(noise);
  EXPECT_EQ(noise->quantity, SignalSource::Quantity::kTemperature);
  EXPECT_EQ(noise->seed, 7u);
  for (const char* bad : {"", "const", "const:", "const:1,2", "sine:1,2", "wave:1", "temp-raw:1", "const:1x",
                          "raw:1,5"}) {
    EXPECT_FALSE(parse_source(bad)) << bad;
  }
}

TEST(ProgramOptions, FaultTexts) {
  auto delay = parse_fault("delay:EST?:0:500");
  ASSERT_TRUE(delay);
  EXPECT_EQ(delay->kind, FaultKind::kDelay);
  EXPECT_EQ(delay->match, "EST?");
  EXPECT_EQ(delay->count, 0);
  EXPECT_EQ(delay->delay_ms, 500);
  EXPECT_EQ(parse_fault("refuse:ASA:1:10013")->error, 10013);
  EXPECT_EQ(parse_fault("cut:OMB?:1:10")->keep_bytes, 10u);
  EXPECT_EQ(parse_fault("short:OMB?:2:4")->drop_bytes, 4u);
  EXPECT_EQ(parse_fault("corrupt:TAR?:1:3")->offset, 3u);
  EXPECT_EQ(parse_fault("garbage:IDN?:1:xyz")->garbage, "xyz");
  EXPECT_EQ(parse_fault("noanswer")->match, "");
  for (const char* bad : {"", "explode", "delay:EST?:-1", "delay:EST?:1:x", "noanswer:A:1:5", "cut:a:1:2:3"}) {
    EXPECT_FALSE(parse_fault(bad)) << bad;
  }
}

TEST(ProgramOptions, BadOptionsSayWhy) {
  std::string error;
  EXPECT_FALSE(parse({"--devices", "11"}, &error));
  EXPECT_NE(error.find("--devices"), std::string::npos);
  EXPECT_FALSE(parse({"--devices"}, &error));
  EXPECT_NE(error.find("needs a value"), std::string::npos);
  EXPECT_FALSE(parse({"--types", "5051,6000"}, &error));
  EXPECT_FALSE(parse({"--type", "100=5051"}, &error));
  EXPECT_FALSE(parse({"--source", "1:const:1"}, &error));
  EXPECT_FALSE(parse({"--tcp", "70000"}, &error));
  EXPECT_FALSE(parse({"--usb", ""}, &error));
  EXPECT_FALSE(parse({"--usb", "/tmp/x", "--usb-serial", std::string(32, 'S')}, &error));
  EXPECT_NE(error.find("--usb-serial"), std::string::npos);
  EXPECT_FALSE(parse({"--frobnicate"}, &error));
  EXPECT_NE(error.find("unknown option"), std::string::npos);
}

// Runs the program with its stdin and stdout on pipes.
struct Child {
  pid_t pid = -1;
  int in = -1;   // write end to the child's stdin
  int out = -1;  // read end of the child's stdout
};

Child spawn(const std::vector<std::string>& args) {
  int to_child[2];
  int from_child[2];
  Child c;
  if (pipe(to_child) != 0 || pipe(from_child) != 0) return c;
  c.pid = fork();
  if (c.pid == 0) {
    dup2(to_child[0], STDIN_FILENO);
    dup2(from_child[1], STDOUT_FILENO);
    for (int fd : {to_child[0], to_child[1], from_child[0], from_child[1]}) close(fd);
    std::vector<char*> argv;
    std::string program = CORVANE_SIM_PROGRAM;
    argv.push_back(program.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
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

std::string read_until_lf(int fd, int timeout_ms = 5000) {
  std::string out;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (out.empty() || out.back() != '\n') {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    struct pollfd p {fd, POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    char ch;
    if (read(fd, &ch, 1) != 1) break;
    out += ch;
  }
  return out;
}

int wait_exit(pid_t pid) {
  int status = 0;
  for (int i = 0; i < 500; ++i) {
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    usleep(10000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return -2;
}

TEST(Program, ServesStdinAndStdout) {
  Child c = spawn({"--stdio", "--devices", "2", "--source", "3=raw:77", "--fault", "refuse:ASA:1:10013"});
  ASSERT_GT(c.pid, 0);
  ASSERT_EQ(write(c.in, "IDN?100\nASA?1\nEST?\nAID?13\n", 27), 27);
  EXPECT_EQ(read_until_lf(c.out), "QBX,Corvane,47110,P2.10,QBX,Corvane,47111,P2.10\r\n");
  EXPECT_EQ(read_until_lf(c.out), "?\r\n");
  EXPECT_EQ(read_until_lf(c.out), "10013\r\n");
  EXPECT_EQ(read_until_lf(c.out), "5052\r\n");
  close(c.in);
  EXPECT_EQ(wait_exit(c.pid), 0) << "the program ends when stdin closes";
  close(c.out);
}

TEST(Program, PrintsThePtyPathAndStopsOnSigterm) {
  Child c = spawn({"--virtual-clock", "--clock-step", "10"});
  ASSERT_GT(c.pid, 0);
  std::string path = read_until_lf(c.out);
  ASSERT_FALSE(path.empty());
  path.pop_back();
  EXPECT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  struct termios t {};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  tcsetattr(fd, TCSANOW, &t);
  ASSERT_EQ(write(fd, "MSV0,0,6100,1\n", 14), 14);
  EXPECT_EQ(read_until_lf(fd), "0\r\n");
  // Every line moves the virtual clock by 10 ms: 96 scans per line at 9600 Hz.
  ASSERT_EQ(write(fd, "MSV?\n", 5), 5);
  EXPECT_EQ(read_until_lf(fd), "2,96,1\r\n");
  close(fd);
  kill(c.pid, SIGTERM);
  EXPECT_EQ(wait_exit(c.pid), 0);
  close(c.in);
  close(c.out);
}

TEST(Program, PrintsTheUsbSocketAndListsItsDevice) {
  const std::string path = "/tmp/corvane-sim-program-test-" + std::to_string(getpid()) + ".sock";
  Child c = spawn({"--usb", path, "--usb-serial", "CV0042"});
  ASSERT_GT(c.pid, 0);
  EXPECT_EQ(read_until_lf(c.out), path + "\n");
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  struct sockaddr_un addr {};
  addr.sun_family = AF_UNIX;
  path.copy(addr.sun_path, sizeof addr.sun_path - 1);
  ASSERT_EQ(connect(fd, reinterpret_cast<struct sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(write(fd, "LIST\n", 5), 5);
  EXPECT_EQ(read_until_lf(fd), "CV0042\tsimusb:0\n");
  close(fd);
  kill(c.pid, SIGTERM);
  EXPECT_EQ(wait_exit(c.pid), 0);
  EXPECT_NE(access(path.c_str(), F_OK), 0) << "the socket file goes with the program";
  close(c.in);
  close(c.out);
}

}  // namespace
}  // namespace corvane_sim
