// The seam between the channel database and the operating system. Every system call the database
// makes (open, close, pread, pwrite, ftruncate, fstat, statvfs, unlink, mmap) goes through Platform, so that
// tests can replace it with one that fails a chosen call.
#pragma once

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/types.h>

#include <cstddef>

namespace storix {

class Platform {
 public:
  virtual ~Platform() = default;

  // Each call returns what the system call of the same name returns (-1 with errno set on failure).
  virtual int open(const char* path, int flags, int mode);
  virtual int close(int fd);
  virtual ssize_t pread(int fd, void* buffer, size_t count, off_t offset);
  virtual ssize_t pwrite(int fd, const void* data, size_t count, off_t offset);
  virtual int ftruncate(int fd, off_t length);
  virtual int fstat(int fd, struct stat* info);
  virtual int statvfs(const char* path, struct statvfs* info);
  virtual int unlink(const char* path);
  // MAP_SHARED read-write mapping of [0, length) of the file (MAP_FAILED on failure), and its release.
  virtual void* map_shared(int fd, size_t length);
  virtual int unmap(void* address, size_t length);
  // errno after the last failing call.
  virtual int last_error();
};

// The platform in use; the real system unless a test installed another one.
Platform& platform();

// Installs a platform (nullptr restores the real system). For tests only; not exported.
void set_platform(Platform* replacement);

}  // namespace storix
