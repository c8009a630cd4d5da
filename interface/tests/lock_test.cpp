// The open/close lock between processes: a child process holds the lock file, the library waits
// its time and gives 258; when the holder dies the system releases the lock.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
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
  EXPECT_LT(ms_since(start), 9000);  // no wait for the open's 10 s lock time-out
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

namespace {

// Waits for one byte on fd; false when the other side is gone.
bool wait_signal(int fd) {
  char c;
  return read(fd, &c, 1) == 1;
}
void send_signal(int fd) {
  const char c = 1;
  (void)!write(fd, &c, 1);
}

// Creates a sticky folder every user may write, as /run/lock is: the lock file's folder when
// XDG_RUNTIME_DIR is unset (services, cron jobs, sudo).
std::string shared_folder(const testkit::TempDir& dir, const char* name) {
  const std::string path = dir.file(name);
  if (mkdir(path.c_str(), 0) != 0 || chmod(path.c_str(), 01777) != 0) return {};
  return path;
}

TEST_F(LinkarTest, LockFileOfOneUserServesEveryUser) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run a child process as another user";
  constexpr uid_t kOtherUser = 65534;  // nobody
  ASSERT_EQ(chmod(dir_.path().c_str(), 0755), 0);
  const std::string shared = shared_folder(dir_, "shared");
  const std::string unreadable = shared_folder(dir_, "unreadable");
  ASSERT_FALSE(shared.empty());
  ASSERT_FALSE(unreadable.empty());
  const std::string lock_file = shared + "/linkar32-CloseOpen.lock";
  // A file nobody but root may open, as a program of another kind might have left it.
  const int kept_out = open((unreadable + "/linkar32-CloseOpen.lock").c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(kept_out, 0);
  close(kept_out);
  {
    // Root comes first and creates the file, with a umask that would keep everyone else out.
    testkit::ScopedEnv runtime("XDG_RUNTIME_DIR", shared);
    const mode_t saved = umask(077);
    EXPECT_EQ(QBX_OpenPort(9, 0, nullptr, 0, 0, 0), 0);  // opens nothing, takes and releases the lock
    umask(saved);
    struct stat st {};
    ASSERT_EQ(stat(lock_file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
  }

  int to_child[2], to_parent[2];
  ASSERT_EQ(pipe(to_child), 0);
  ASSERT_EQ(pipe(to_parent), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    close(to_child[1]);
    close(to_parent[0]);
    if (setgid(kOtherUser) != 0 || setuid(kOtherUser) != 0) _exit(10);
    setenv("XDG_RUNTIME_DIR", shared.c_str(), 1);
    // The lock is free: the other user takes it at once.
    if (QBX_OpenPort(9, 0, nullptr, 0, 0, 0) != 0) _exit(11);
    if (QBX_SetLogFile((shared + "/other.log").c_str()) != 0 || QBX_EnableComLog() != 0) _exit(12);
    send_signal(to_parent[1]);
    // Root holds it: the other user waits for it, so both lock the same file.
    if (!wait_signal(to_child[0]) || QBX_WriteLogEx(1, 0, 0, "x\r\n") != kQbxLockTimeout) _exit(13);
    send_signal(to_parent[1]);
    if (!wait_signal(to_child[0]) || QBX_WriteLogEx(1, 0, 0, "x\r\n") != 0) _exit(14);
    // A lock file this user cannot open at all is waited for like a held lock, not refused at once.
    setenv("XDG_RUNTIME_DIR", unreadable.c_str(), 1);
    const auto start = std::chrono::steady_clock::now();
    if (QBX_WriteLogEx(1, 0, 0, "x\r\n") != kQbxLockTimeout) _exit(15);
    if (ms_since(start) < 990) _exit(16);
    _exit(0);
  }
  close(to_child[0]);
  close(to_parent[1]);
  ASSERT_TRUE(wait_signal(to_parent[0]));
  const int held = open(lock_file.c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  send_signal(to_child[1]);
  EXPECT_TRUE(wait_signal(to_parent[0]));
  flock(held, LOCK_UN);
  close(held);
  send_signal(to_child[1]);
  int wstatus = 0;
  ASSERT_EQ(waitpid(pid, &wstatus, 0), pid);
  close(to_child[1]);
  close(to_parent[0]);
  ASSERT_TRUE(WIFEXITED(wstatus));
  EXPECT_EQ(WEXITSTATUS(wstatus), 0) << "the child stopped at step " << WEXITSTATUS(wstatus);
}

}  // namespace
