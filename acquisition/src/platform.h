// The seam between the kernel and the operating system: loading plug-in libraries, memory for the
// buffers and work areas the kernel owns, the files it writes (online files, header dumps) and the
// message boxes it shows. Tests replace it to make a chosen call fail.
#pragma once

#include <sys/uio.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tallix {

class Platform {
 public:
  virtual ~Platform() = default;
  // dlopen(name, RTLD_NOW | RTLD_LOCAL): the handle, or nullptr.
  virtual void* load_library(const char* name);
  // dlsym: the entry point, or nullptr.
  virtual void* find_symbol(void* library, const char* name);
  // malloc / free of kernel-owned blocks (nullptr when the memory is not there).
  virtual void* allocate(size_t bytes);
  virtual void release(void* block);
  // Shows a message to the user through the installed handler (standard error by default).
  virtual void show_message(const char* caption, const char* text);
  // Creates (or empties) a file for writing: the descriptor, or -errno.
  virtual int create_file(const char* name);
  // The file's size in bytes, or -errno.
  virtual int64_t file_size(int fd);
  // pwritev of count pieces at offset: the bytes written (possibly fewer than asked), or -errno.
  virtual int64_t write_at(int fd, const iovec* pieces, int count, int64_t offset);
  // Cuts the file to size bytes: 0 or -errno.
  virtual int truncate_file(int fd, int64_t size);
  virtual void close_file(int fd);
};

// The platform in use; the real system unless a test installed another one.
Platform& platform();
// Installs a platform (nullptr restores the real system). For tests only; not exported.
void set_platform(Platform* replacement);

// Typed helpers over the platform's allocation. Buffers start zeroed: a length set beyond the
// values written must not show what the memory held before.
inline double* allocate_doubles(size_t count) {
  auto* values = static_cast<double*>(platform().allocate(count * sizeof(double)));
  if (values != nullptr) std::memset(values, 0, count * sizeof(double));
  return values;
}
inline void release(void* block) {
  if (block != nullptr) platform().release(block);
}

}  // namespace tallix
