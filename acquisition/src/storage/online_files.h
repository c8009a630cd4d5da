// The online files the kernel writes while measuring, and the storage settings around them: the
// storage flag, the storage mode (one file for all channels, or one per channel), the file name,
// the disabled switch, the host's header callback, the open files and the list of online channels.
#pragma once

#include <sys/uio.h>

#include <cstdint>

#include "tallix32.h"

namespace tallix {

inline constexpr int32_t kOnlineSlots = 256;  // per-channel files of storage mode 1
inline constexpr int32_t kNoFile = -1;

// An open online file and where the next block goes.
struct OnlineFile {
  int fd = kNoFile;
  int64_t end = 0;        // bytes in the file that belong to it (the header and whole blocks)
  bool prepared = false;  // the header callback ran or the file was found not empty
};

// An online channel and the count of its current block (written to the file from here).
struct OnlineEntry {
  int32_t channel;
  int32_t count;
};

struct OnlineState {
  int32_t storage_flag = kAcqStoreBoth;
  int32_t mode = kAcqOnlineSingleFile;
  char name[kAcqPathSize] = {};
  int32_t disabled = 0;
  int32_t host_values[3] = {};
  AcqOnlineHeaderCallback header_callback = nullptr;
  OnlineFile single;
  OnlineFile slots[kOnlineSlots];
  // The online channels, taken at the first block that has one; one kernel-owned block that also
  // holds the write pieces (two per channel).
  OnlineEntry* list = nullptr;
  iovec* pieces = nullptr;
  int32_t list_length = 0;
  bool opened = false;
  int32_t stopped = kAcqOk;  // after a failure: the status every later block returns
  // The export file: kept for the host and closed by name only; the kernel writes no block into it.
  char export_name[kAcqPathSize] = {};
  int32_t export_kind = 0;
  int32_t export_value = 0;
  int32_t export_open = 0;
};

OnlineState& online();

// Writes the block of the online channels of the read list (storage mode 2 or 3) into the online
// files; the contract is the one of the read's storage in tallix32.h. 0 or -302, -303, -304, -411.
int32_t write_online_block(int32_t count, const int32_t* channels);

// Closes the single file and, in storage mode 1, the per-channel files; frees the channel list and
// ends a stop after a failure.
void close_online_files();

// Creates the per-channel file of slot index (0..255, checked by the caller): 0 or -303.
int32_t open_slot_file(const char* name, int32_t index);

}  // namespace tallix
