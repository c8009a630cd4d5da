// The open/close lock between processes: a child process holds the lock file, the library waits
// its time and gives 258; when the holder dies the system releases the lock.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "linkar_fixture.h"

namespace {

// Forks a child that holds the flock on path until killed; returns once the lock is held.
pid_t hold_lock_in_child(const std::string& path) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    int fd = open(path.c_str(), O_RDWR | O_CREAT, 0666);
    if (fd < 0 || flock(fd, LOCK_EX) != 0) _exit(1);
    char c = 1;
    if (write(ready[1], &c, 1) != 1) _exit(1);
    for (;;) pause();
  }
  close(ready[1]);
  char c;
  ssize_t n = read(ready[0], &c, 1);
  close(ready[0]);
  return n == 1 ? pid : -1;
}

void end_child(pid_t pid) {
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

TEST_F(LinkarTest, LockHeldByAnotherProcess) {
  ASSERT_EQ(open_com1(), 0);
  enable_log();
  pid_t child = hold_lock_in_child(dir_.file("linkar32-CloseOpen.lock"));
  ASSERT_GT(child, 0);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(QBX_WriteLogEx(1, 0, 0, "x\r\n"), kQbxLockTimeout);
  EXPECT_GE(ms_since(start), 990);
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(QBX_ClosePort(), kQbxLockTimeout);
  EXPECT_GE(ms_since(start), 2990);
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(QBX_OpenPort(1, 19200, "n", 8, 1, 0), kQbxLockTimeout);
  EXPECT_GE(ms_since(start), 9990);
  // The port stayed open and current; interpreter calls skip their writes.
  EXPECT_EQ(QBX_CloseInterpreterEx(0, 0), 0);
  EXPECT_EQ(pty_.read_available(50), "");
  // The holder dies: the system releases the lock and the library goes on.
  end_child(child);
  EXPECT_EQ(QBX_ClosePort(), 0);
  EXPECT_EQ(open_com1(), 0);
  EXPECT_EQ(QBX_WriteLogEx(1, 0, 0, "x\r\n"), 0);
}

TEST_F(LinkarTest, LockReleasedWhenAChildThatOpenedDies) {
  // A child process opens the port through the library and dies while holding nothing;
  // the parent still opens and closes freely.
  testkit::ScopedEnv com3("LINKAR32_COM3", dir_.file("missing-tty"));
  pid_t pid = fork();
  if (pid == 0) {
    int32_t status = QBX_OpenPort(3, 9600, "n", 8, 1, 0);  // no device: fails, lock released
    _exit(status == kQbxOpenFailed ? 0 : 1);
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  EXPECT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(open_com1(), 0);
  EXPECT_LT(ms_since(start), 1000);
}

}  // namespace

namespace {

TEST_F(LinkarTest, EndingTheProcessClosesEveryPort) {
  pid_t pid = fork();
  if (pid == 0) {
    QBX_SetLogFile(log_path().c_str());
    QBX_EnableComLog();
    bool ok = open_com1() == 0;
    std::exit(ok ? 0 : 1);  // no close: the library's unload handler does it
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  ASSERT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0);
  EXPECT_NE(log_text().find("Successfully opened port: COM1 (RS232)\r\n(T ms) >>> Closing all open ports\r\n"),
            std::string::npos)
      << log_text();
}

}  // namespace
