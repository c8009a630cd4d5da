// The real operating system behind the database's platform seam.
#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include "platform.h"

namespace storix {

int Platform::open(const char* path, int flags, int mode) { return ::open(path, flags | O_CLOEXEC, mode); }
int Platform::close(int fd) { return ::close(fd); }
ssize_t Platform::pread(int fd, void* buffer, size_t count, off_t offset) {
  return ::pread(fd, buffer, count, offset);
}
ssize_t Platform::pwrite(int fd, const void* data, size_t count, off_t offset) {
  return ::pwrite(fd, data, count, offset);
}
int Platform::ftruncate(int fd, off_t length) { return ::ftruncate(fd, length); }
int Platform::fstat(int fd, struct stat* info) { return ::fstat(fd, info); }
int Platform::statvfs(const char* path, struct statvfs* info) { return ::statvfs(path, info); }
int Platform::unlink(const char* path) { return ::unlink(path); }
void* Platform::map_shared(int fd, size_t length) {
  return ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
}
int Platform::unmap(void* address, size_t length) { return ::munmap(address, length); }
int Platform::last_error() { return errno; }

namespace {
Platform g_system;
Platform* g_current = &g_system;
}  // namespace

Platform& platform() { return *g_current; }
void set_platform(Platform* replacement) { g_current = replacement ? replacement : &g_system; }

}  // namespace storix
