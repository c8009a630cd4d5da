// Demonstration of the interface library: a pseudo-terminal stands in for COM1, a small device on
// its master side answers "EST?" with "0", and the communication log of a short exchange is printed.
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "linkar32.h"

namespace {

// Plays the device: answers every "EST?\n" line with "0\r\n" until the line goes quiet.
void play_device(int master) {
  std::string line;
  for (;;) {
    struct pollfd p {master, POLLIN, 0};
    if (poll(&p, 1, 1000) <= 0) return;
    char c;
    if (read(master, &c, 1) != 1) return;
    line.push_back(c);
    if (c != '\n') continue;
    if (line == "EST?\n" && write(master, "0\r\n", 3) != 3) return;
    line.clear();
  }
}

}  // namespace

int main() {
  int master = -1, slave = -1;
  char name[256] = {};
  struct termios raw {};
  cfmakeraw(&raw);
  if (openpty(&master, &slave, name, &raw, nullptr) != 0) {
    std::perror("openpty");
    return 1;
  }
  setenv("LINKAR32_COM1", name, 1);
  char log_path[] = "/tmp/comlog_demo_XXXXXX";
  int log_fd = mkstemp(log_path);
  if (log_fd < 0) {
    std::perror("mkstemp");
    return 1;
  }
  close(log_fd);

  std::thread device(play_device, master);
  QBX_SetLogFile(log_path);
  QBX_EnableComLog();
  int32_t status = QBX_OpenPort(1, 9600, "e", 8, 1, 4096);
  std::printf("QBX_OpenPort(1) = %d\n", status);
  QBX_SetTimeout(1000);
  for (int i = 0; i < 2 && status == 0; ++i) {
    char reply[64];
    int32_t read_status = 0, got = 0;
    QBX_WritePort("EST?\n");
    status = QBX_ReadPort(reply, sizeof reply - 1, &read_status, &got, '\n');
    std::printf("EST? -> status %d, %d bytes\n", status, got);
  }
  QBX_ClosePort();
  QBX_DisableComLog();
  device.join();

  std::printf("---- %s ----\n", log_path);
  FILE* log = std::fopen(log_path, "rb");
  if (log) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, log)) > 0) std::fwrite(buffer, 1, n, stdout);
    std::fclose(log);
  }
  unlink(log_path);
  close(slave);
  close(master);
  return status == 0 ? 0 : 1;
}
