// The kernel's custom-rate interface behind Platform::set_custom_speed. It lives apart from the
// other system calls because <asm/termbits.h>, which declares termios2, redefines what <termios.h>
// declares: the two cannot meet in one file.
#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <cerrno>
#include <cstdint>

namespace linkar {

// The C library's ioctl, declared here since <sys/ioctl.h> would bring <termios.h> definitions along.
extern "C" int ioctl(int fd, unsigned long request, ...);

namespace {

int call(int fd, unsigned long request, struct termios2* settings) {
  int r;
  do {
    r = ioctl(fd, request, settings);
  } while (r < 0 && errno == EINTR);
  return r;
}

}  // namespace

// Reads the line's settings, replaces the output and input speed fields by BOTHER with the rate
// in c_ospeed/c_ispeed, and writes them back; everything else stays as the line has it.
int set_custom_speed_termios2(int fd, uint32_t baud) {
  struct termios2 settings {};
  if (call(fd, TCGETS2, &settings) != 0) return -1;
  settings.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  settings.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  settings.c_ospeed = baud;
  settings.c_ispeed = baud;
  return call(fd, TCSETS2, &settings);
}

}  // namespace linkar
