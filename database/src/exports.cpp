// The C ABI of the channel database: each export checks what it can, calls the internals inside a
// catch-all (no exception crosses the boundary) and returns a status code.
#include <new>

#include "conversion.h"
#include "database.h"
#include "database_file.h"
#include "descriptions.h"
#include "free_space.h"
#include "messages.h"
#include "statistics.h"
#include "storix32.h"
#include "text_channels.h"
#include "values.h"

using namespace storix;

namespace {

// Runs an internal operation, turning any escaping exception into a status.
template <class F>
auto shell(F f) -> decltype(f()) {
  try {
    return f();
  } catch (...) {
    return kDbNoMemory;
  }
}

// Largest free-space figure QBX_GetFreeDiskSpace reports.
constexpr uint64_t kFreeSpaceCap = 2000000000;

}  // namespace

extern "C" {

int32_t QBX_CreateDatabase(int32_t mode, const char* file_name, int32_t channels) {
  return shell([&]() -> int32_t {
    switch (mode) {
      case 0: return create_descriptions(channels);
      case 1: return create_file(file_name);
      case -1: return open_file(file_name);
      default: return kDbBadPosition;
    }
  });
}

int32_t QBX_RemoveDatabase(int32_t delete_file) {
  return shell([&] { return remove_database(delete_file != 0); });
}

int32_t QBX_SetCacheFlags(int32_t enable, int32_t, int32_t cache_size, int32_t) {
  settings().cache_enable = enable != 0 && cache_size > 0;
  settings().cache_size = cache_size > 0 ? cache_size : 0;
  return kDbOk;
}

int32_t QBX_SetDatabaseMessageHandler(DbMessageHandler handler) {
  set_message_handler(handler);
  return kDbOk;
}

int32_t QBX_GetDatabaseMaxChans(void) { return db().n; }
int32_t QBX_GetDatabaseMaxLen(void) { return db().max_length; }

int32_t QBX_GetDatabaseChanConfig(int32_t channel, DbChannelHeader* out) {
  return shell([&] { return get_config(channel, out); });
}

int32_t QBX_SetDatabaseChanConfig(int32_t channel, const DbChannelHeader* in) {
  return shell([&] { return set_config(channel, in); });
}

int32_t QBX_GetDatabaseChanMaxLen(int32_t channel) {
  return valid_channel(channel) ? db().hdr[channel].max_length : kDbBadChannel;
}

int32_t QBX_GetDatabaseChanCurrLen(int32_t channel) {
  return shell([&]() -> int32_t {
    if (!valid_channel(channel)) return kDbBadChannel;
    if (int32_t rc = flush_cache(channel); rc != kDbOk) return rc;
    return db().hdr[channel].length;
  });
}

int32_t QBX_SetDatabaseChanCurrLen(int32_t channel, int32_t length) {
  return shell([&] { return set_current_length(channel, length); });
}

int32_t QBX_GetDatabaseChanUsageFlag(int32_t channel) { return usage_flag(channel); }
int32_t QBX_SetDatabaseChanUsageFlag(int32_t channel, int32_t flag) { return set_usage_flag(channel, flag); }
int32_t QBX_SetDatabaseChanAlias(int32_t channel, int32_t alias) { return set_alias(channel, alias); }

double QBX_GetDatabaseChanModified(int32_t channel) {
  return valid_channel(channel) ? db().hdr[channel].modified : static_cast<double>(kDbBadChannel);
}

int32_t QBX_SetDatabaseChanModified(int32_t channel, double stamp) { return set_modified(channel, stamp); }

int32_t QBX_SetTimerCallback(DbTimeStampCallback callback) {
  settings().stamp = callback;
  return kDbOk;
}

int32_t QBX_SetDatabaseChanText(int32_t channel, int32_t which, const char* text) {
  return shell([&] { return set_text(channel, which, text); });
}

int32_t QBX_GetDatabaseChanText(int32_t channel, int32_t which, char* out) {
  return shell([&] { return get_text(channel, which, out); });
}

int32_t QBX_CopyDatabaseChanText(int32_t to_channel, int32_t from_channel, int32_t which) {
  return shell([&] { return copy_text(to_channel, from_channel, which); });
}

int32_t QBX_WriteToDatabase(int32_t channels, const int32_t* channel_list, const double* data, int32_t position,
                            int32_t count) {
  return shell([&]() -> int32_t {
    if (count < 0) return kDbBadPosition;
    return write_interleaved(channels, channel_list, nullptr, count, data, position);
  });
}

int32_t QBX_WriteToDatabaseEx(int32_t channels, const int32_t* channel_list, const int32_t* counts,
                              const double* data, int32_t position) {
  return shell([&]() -> int32_t {
    if (counts == nullptr) return kDbBadPosition;
    // A negative first count stands for its magnitude on every channel.
    if (counts[0] < 0) {
      if (counts[0] < -DB_MAX_ELEMENTS) return kDbBadPosition;
      return write_interleaved(channels, channel_list, nullptr, -counts[0], data, position);
    }
    return write_interleaved(channels, channel_list, counts, 0, data, position);
  });
}

int32_t QBX_WriteToDatabaseBin(int32_t channel, int32_t count, const double* data, int32_t position) {
  return shell([&]() -> int32_t {
    if (!file_open()) return kDbNotOpen;
    if (position < -1 || count < 0) return kDbBadPosition;
    if (int32_t rc = check_write(channel, count, position); rc != kDbOk) return rc;
    if (count > 0 && data == nullptr) return kDbBadPosition;
    return write_channel(channel, data, count, position, false);
  });
}

int32_t QBX_ReadFromDatabase(int32_t channel, int32_t start, int32_t count, double* out) {
  return shell([&] { return read_checked(channel, start, count, out); });
}

int32_t QBX_ReadFromDatabaseBin(int32_t channel, int32_t start, int32_t count, void* out) {
  return shell([&] { return read_checked(channel, start, count, out); });
}

int32_t QBX_DatabasePutString(int32_t channel, int32_t position, const char* text) {
  return shell([&] { return put_string(channel, position, text); });
}

int32_t QBX_DatabaseGetString(int32_t channel, int32_t position, char* out) {
  return shell([&] { return get_string(channel, position, out); });
}

int32_t QBX_ShiftDBTextChan(int32_t channel, int32_t from, int32_t count, int32_t insert) {
  return shell([&] { return shift_texts(channel, from, count, insert != 0); });
}

int32_t QBX_ClearDBTextChan(int32_t channel) {
  return shell([&] { return clear_texts(channel); });
}

int32_t QBX_GetDatabaseChanMin(int32_t channel, double* value, int32_t* position) {
  return shell([&] { return channel_min(channel, value, position); });
}

int32_t QBX_GetDatabaseChanMax(int32_t channel, double* value, int32_t* position) {
  return shell([&] { return channel_max(channel, value, position); });
}

int32_t QBX_GetDatabaseChanMean(int32_t channel, double* value) {
  return shell([&] { return channel_mean(channel, value); });
}

int32_t QBX_GetDatabaseChanSTD(int32_t channel, double* value) {
  return shell([&] { return channel_std(channel, value); });
}

int32_t QBX_Chan2String(int32_t channel, void* out, int32_t type) {
  return shell([&] { return channel_to_packed(channel, out, type); });
}

int32_t QBX_String2Chan(int32_t channel, const void* data, int32_t type, int32_t count) {
  return shell([&] { return packed_to_channel(channel, data, type, count); });
}

int32_t QBX_GetFreeDiskSpace(const char* path) {
  return shell([&]() -> int32_t {
    SpaceInfo space;
    if (query_space(path, &space) != 0) {
      show_message(kMsgDiskSpaceError, path ? path : "", 0, 0, 0);
      return kDbFreeSpaceUnknown;
    }
    return static_cast<int32_t>(space.available < kFreeSpaceCap ? space.available : kFreeSpaceCap);
  });
}

int32_t QBX_GetFreeDiskSpaceEx(const char* path, float* total, float* free_bytes) {
  return shell([&]() -> int32_t {
    if (total == nullptr || free_bytes == nullptr) return kDbBadPosition;
    SpaceInfo space;
    if (query_space(path, &space) != 0) {
      show_message(kMsgDiskSpaceError, path ? path : "", 0, 0, 0);
      return kDbFreeSpaceUnknown;
    }
    *total = static_cast<float>(space.total);
    *free_bytes = static_cast<float>(space.available);
    return kDbOk;
  });
}

}  // extern "C"
