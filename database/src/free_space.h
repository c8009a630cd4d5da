// Size and free space of the file system a path lies on.
#pragma once

#include <cstdint>

namespace storix {

struct SpaceInfo {
  uint64_t total = 0;       // bytes
  uint64_t available = 0;   // bytes an ordinary user may still allocate
  uint64_t block_size = 0;  // fragment size
  uint64_t free_blocks = 0;
};

// statvfs of the path itself, else of its folder (a file not yet created). 0, or the system error.
int query_space(const char* path, SpaceInfo* info);

}  // namespace storix
