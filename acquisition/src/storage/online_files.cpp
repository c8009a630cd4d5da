// The online-file writer. Every block goes to the file(s) before the read returns, in one pwritev
// per file, straight from the IO buffers (nothing is collected across reads, so a killed process
// leaves every completed block on disk). A block is stored whole or not at all: a failed write
// cuts the files back to the end of the previous block, and online storage then stops with that
// status until the host closes the files, so that a file never holds a gap the host does not know
// of.
#include "storage/online_files.h"

#include <cstdio>
#include <cstring>

#include "kernel_state.h"
#include "platform.h"
#include "storage/file_writes.h"

namespace tallix {

namespace {

constexpr int16_t kStorageOnline = 2;
constexpr int16_t kStorageBoth = 3;

bool is_online(int32_t channel) {
  const int16_t mode = header(channel).storage_mode;
  return mode == kStorageOnline || mode == kStorageBoth;
}

// "Online export error: <errno>" with an empty caption, as the host's message boxes show it.
void report_create_error(int error) {
  char text[64];
  std::snprintf(text, sizeof text, "Online export error: %i", error);
  platform().show_message("", text);
}

int32_t stop_with(int32_t status) {
  online().stopped = status;
  return status;
}

// Takes the online channels of the read list. Nothing is kept while the list has none, so that
// channels switched to online storage later are found.
int32_t build_list(int32_t count, const int32_t* channels) {
  OnlineState& s = online();
  int32_t n = 0;
  for (int32_t i = 0; i < count; ++i)
    if (is_online(channels[i])) ++n;
  if (n == 0) return kAcqOk;
  const size_t bytes = sizeof(OnlineEntry) * static_cast<size_t>(n) + sizeof(iovec) * 2 * static_cast<size_t>(n);
  void* block = platform().allocate(bytes);
  if (block == nullptr) return kAcqOnlineNoMemory;
  s.list = static_cast<OnlineEntry*>(block);
  static_assert(sizeof(OnlineEntry) % alignof(iovec) == 0);
  s.pieces = reinterpret_cast<iovec*>(s.list + n);
  s.list_length = 0;
  for (int32_t i = 0; i < count; ++i)
    if (is_online(channels[i])) s.list[s.list_length++] = OnlineEntry{channels[i], 0};
  return kAcqOk;
}

// Fills each entry's count from its header and checks that the block lies inside the IO buffer.
int32_t take_counts() {
  OnlineState& s = online();
  for (int32_t i = 0; i < s.list_length; ++i) {
    OnlineEntry& e = s.list[i];
    const int32_t c = header(e.channel).read_block_count;
    e.count = c > 0 ? c : 0;
    const IOBuf& b = buffer(e.channel);
    if (e.count > 0 && (b.values == nullptr || b.block_start < 0 || int64_t{b.block_start} + e.count > b.capacity))
      return kAcqDoesNotFit;
  }
  return kAcqOk;
}

double* block_of(const OnlineEntry& e) {
  IOBuf& b = buffer(e.channel);
  return b.values + b.block_start;
}

// Lets the host write its header into an empty file, then finds where the blocks go: the end of
// whatever is in the file.
int32_t prepare(OnlineFile& f, int32_t mode, int32_t value) {
  Platform& p = platform();
  int64_t size = p.file_size(f.fd);
  if (size < 0) return kAcqFileWriteFailed;
  if (size == 0 && online().header_callback != nullptr) {
    online().header_callback(mode, f.fd, value);
    if ((size = p.file_size(f.fd)) < 0) return kAcqFileWriteFailed;
  }
  f.end = size;
  f.prepared = true;
  return kAcqOk;
}

// Storage mode 0: per online channel its 32-bit count and its values, in one write.
int32_t write_single_file() {
  OnlineState& s = online();
  Platform& p = platform();
  if (s.single.fd == kNoFile) {
    const int fd = p.create_file(s.name);
    if (fd < 0) {
      report_create_error(-fd);
      return kAcqFileNotCreated;
    }
    s.single = OnlineFile{fd, 0, false};
  }
  if (!s.single.prepared) {
    if (int32_t r = prepare(s.single, kAcqOnlineSingleFile, s.list_length); r < 0) return r;
  }
  int32_t n = 0;
  for (int32_t i = 0; i < s.list_length; ++i) {
    OnlineEntry& e = s.list[i];
    s.pieces[n++] = iovec{&e.count, sizeof e.count};
    if (e.count > 0) s.pieces[n++] = iovec{block_of(e), sizeof(double) * static_cast<size_t>(e.count)};
  }
  const int64_t written = write_pieces(s.single.fd, s.pieces, n, s.single.end);
  if (written < 0) {
    p.truncate_file(s.single.fd, s.single.end);
    return kAcqFileWriteFailed;
  }
  s.single.end += written;
  return kAcqOk;
}

// Cuts the per-channel files of entries 0..last-1 back by the block just written into them.
void roll_back_slots(int32_t last) {
  OnlineState& s = online();
  for (int32_t i = 0; i < last; ++i) {
    const int32_t c = s.list[i].count;
    if (c <= 0) continue;
    OnlineFile& f = s.slots[i];
    f.end -= static_cast<int64_t>(sizeof(double)) * c;
    platform().truncate_file(f.fd, f.end);
  }
}

// Storage mode 1: the i-th online channel's values into the file of slot i.
int32_t write_slot_files() {
  OnlineState& s = online();
  for (int32_t i = 0; i < s.list_length; ++i) {
    const OnlineEntry& e = s.list[i];
    if (e.count == 0) continue;
    if (i >= kOnlineSlots || s.slots[i].fd == kNoFile) {
      roll_back_slots(i);
      return kAcqFileNotCreated;
    }
    OnlineFile& f = s.slots[i];
    if (!f.prepared) {
      if (int32_t r = prepare(f, kAcqOnlineFilePerChannel, e.channel); r < 0) {
        roll_back_slots(i);
        return r;
      }
    }
    iovec piece{block_of(e), sizeof(double) * static_cast<size_t>(e.count)};
    const int64_t written = write_pieces(f.fd, &piece, 1, f.end);
    if (written < 0) {
      platform().truncate_file(f.fd, f.end);
      roll_back_slots(i);
      return kAcqFileWriteFailed;
    }
    f.end += written;
  }
  return kAcqOk;
}

}  // namespace

OnlineState& online() {
  static OnlineState state;
  return state;
}

int32_t write_online_block(int32_t count, const int32_t* channels) {
  OnlineState& s = online();
  if (s.disabled != 0) return kAcqOk;
  if (s.stopped != kAcqOk) return s.stopped;
  if (s.list == nullptr) {
    if (int32_t r = build_list(count, channels); r < 0) return stop_with(r);
    if (s.list == nullptr) return kAcqOk;
    s.opened = true;
  }
  int32_t r = take_counts();
  if (r == kAcqOk) r = s.mode == kAcqOnlineFilePerChannel ? write_slot_files() : write_single_file();
  return r == kAcqOk ? r : stop_with(r);
}

void close_online_files() {
  OnlineState& s = online();
  Platform& p = platform();
  if (s.single.fd != kNoFile) p.close_file(s.single.fd);
  s.single = OnlineFile{};
  if (s.mode == kAcqOnlineFilePerChannel) {
    for (OnlineFile& f : s.slots) {
      if (f.fd != kNoFile) p.close_file(f.fd);
      f = OnlineFile{};
    }
  }
  release(s.list);
  s.list = nullptr;
  s.pieces = nullptr;
  s.list_length = 0;
  s.opened = false;
  s.stopped = kAcqOk;
}

int32_t open_slot_file(const char* name, int32_t index) {
  OnlineFile& f = online().slots[index];
  Platform& p = platform();
  if (f.fd != kNoFile) p.close_file(f.fd);
  f = OnlineFile{};
  const int fd = p.create_file(name);
  if (fd < 0) {
    report_create_error(-fd);
    return kAcqFileNotCreated;
  }
  f.fd = fd;
  return kAcqOk;
}

}  // namespace tallix
