// The host's online-storage settings: the online and export file names (QBX_ACQSetOnlineFile), the
// per-channel files, closing, the storage mode and the storage flag.
#include <cstring>

#include "export_guard.h"
#include "storage/online_files.h"

using namespace tallix;

namespace {

constexpr int32_t kMaxName = kAcqPathSize - 1;

// Copies a name of at most 255 characters (NULL: empty); false for a longer one.
bool keep_name(char (&to)[kAcqPathSize], const char* name) {
  if (name == nullptr) {
    to[0] = '\0';
    return true;
  }
  const size_t length = strnlen(name, kAcqPathSize);
  if (length > kMaxName) return false;
  std::memcpy(to, name, length + 1);
  return true;
}

bool name_fits(const char* name) { return name != nullptr && strnlen(name, kAcqPathSize) <= kMaxName; }

}  // namespace

extern "C" {

int32_t QBX_ACQSetOnlineFile(int32_t selector, int32_t host_value1, const char* file_name, int32_t disabled_or_kind,
                             int32_t host_value2, int32_t host_value3, AcqOnlineHeaderCallback header_callback) {
  OnlineState& s = online();
  s.header_callback = header_callback;
  if (selector != 0) {
    if (!keep_name(s.export_name, file_name)) return kAcqBadArgument;
    s.export_kind = disabled_or_kind;
    s.export_value = host_value1;
    return kAcqOk;
  }
  if (!keep_name(s.name, file_name)) return kAcqBadArgument;
  s.host_values[0] = host_value1;
  s.host_values[1] = host_value2;
  s.host_values[2] = host_value3;
  s.disabled = disabled_or_kind;
  return kAcqOk;
}

int32_t QBX_ACQOpenSingleOnlineFile(const char* file_name, int32_t index) {
  if (index < 0 || index >= kOnlineSlots || !name_fits(file_name)) return kAcqBadArgument;
  return guarded([&] { return open_slot_file(file_name, index); });
}

int32_t QBX_ACQCloseOnlineFile(int32_t selector) {
  if ((selector & 0xFFFF) != 0) {
    online().export_open = 0;
    return kAcqOk;
  }
  return guarded([] {
    close_online_files();
    return kAcqOk;
  });
}

int32_t QBX_ACQSetOLStorageMode(int32_t mode) {
  if (mode != kAcqOnlineSingleFile && mode != kAcqOnlineFilePerChannel) return kAcqBadArgument;
  online().mode = mode;
  return kAcqOk;
}

int32_t QBX_SetOLStorageFlag(int32_t flag) {
  online().storage_flag = flag;
  return kAcqOk;
}

}  // extern "C"
