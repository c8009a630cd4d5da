// The seam between the kernel and the operating system: loading plug-in libraries, memory for the
// buffers and work areas the kernel owns, the message boxes it shows, and the local files and free
// disk space of the YALPLUS disk transfer. Tests replace it to make
// a chosen call fail.
#pragma once

#include <cstddef>
#include <cstdio>
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
  // Free bytes of the file system holding `folder` into *free_bytes: 0, or the system's error
  // number (statvfs).
  virtual int free_disk_space(const char* folder, double* free_bytes);
  // A new, empty file for writing (replacing one of that name), or nullptr.
  virtual std::FILE* create_file(const char* path);
  // Writes all bytes; false when not all were written.
  virtual bool write_file(std::FILE* file, const void* bytes, size_t count);
  // Closes the file; false when its last bytes could not be written.
  virtual bool close_file(std::FILE* file);
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
