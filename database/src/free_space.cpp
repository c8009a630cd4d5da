// statvfs of a path or, for a path that does not exist yet, of the folder it would be created in.
#include "free_space.h"

#include <errno.h>

#include <string>
#include <string_view>

#include "platform.h"

namespace storix {

namespace {

int query_one(const char* path, SpaceInfo* info) {
  struct statvfs s {};
  if (platform().statvfs(path, &s) != 0) return platform().last_error();
  info->block_size = s.f_frsize;
  info->total = static_cast<uint64_t>(s.f_blocks) * s.f_frsize;
  info->available = static_cast<uint64_t>(s.f_bavail) * s.f_frsize;
  info->free_blocks = s.f_bavail;
  return 0;
}

}  // namespace

int query_space(const char* path, SpaceInfo* info) {
  *info = SpaceInfo{};
  if (path == nullptr || *path == '\0') return EINVAL;
  int err = query_one(path, info);
  if (err == 0) return 0;
  const std::string_view whole(path);
  const size_t slash = whole.find_last_of('/');
  const std::string folder = slash == std::string_view::npos ? std::string(".")
                                                             : std::string(whole.substr(0, slash == 0 ? 1 : slash));
  int err2 = query_one(folder.c_str(), info);
  return err2 == 0 ? 0 : err;
}

}  // namespace storix
