// Process-wide database state and the small operations on it that every export shares.
#include "database.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <sys/mman.h>

#include "file_io.h"
#include "platform.h"

namespace storix {

Database& db() {
  static Database instance;
  return instance;
}

Settings& settings() {
  static Settings instance;
  return instance;
}

bool valid_channel(int32_t channel) {
  const Database& d = db();
  return channel >= 1 && channel <= d.n && static_cast<size_t>(channel) < d.hdr.size();
}

DbChannelHeader default_header() {
  DbChannelHeader h;
  std::memset(&h, 0, sizeof h);
  h.kind = kDbKindNumeric;
  h.element_size = kNumericElementSize;
  h.max_length = kDefaultMaxLength;
  std::memset(h.name, ' ', sizeof h.name);
  std::memset(h.unit, ' ', sizeof h.unit);
  std::memset(h.comment, ' ', sizeof h.comment);
  std::memset(h.fourth, ' ', sizeof h.fourth);
  return h;
}

void update_max_length() {
  Database& d = db();
  int32_t largest = 0;
  for (int32_t k = 1; k <= d.n; ++k) {
    const int32_t max_length = d.hdr[k].max_length;  // copied out of the packed record
    largest = std::max(largest, max_length);
  }
  d.max_length = largest;
}

void stamp_channel(int32_t channel) {
  if (!settings().stamp) return;
  // The field inside the packed record is not 8-byte aligned: the callback gets an aligned copy,
  // which is stored back after the call.
  double stamp = db().hdr[channel].modified;
  settings().stamp(&stamp);
  db().hdr[channel].modified = stamp;
}

void map_headers() {
  Database& d = db();
  const size_t bytes = static_cast<size_t>(header_offset(d.n + 1));
  void* address = platform().map_shared(d.fd, bytes);
  if (address == MAP_FAILED) return;
  d.header_map = static_cast<unsigned char*>(address);
  d.header_map_bytes = bytes;
}

int32_t write_length(int32_t channel) {
  Database& d = db();
  if (d.fd < 0) return kDbOk;
  int32_t length = d.hdr[channel].length;
  if (d.header_map) {
    // A store into the shared mapping is in the file's page cache at once, like a pwrite, and
    // survives the process being killed; the values were written before.
    std::memcpy(d.header_map + header_offset(channel), &length, sizeof length);
    return kDbOk;
  }
  return write_at(d.fd, &length, sizeof length, header_offset(channel));
}

int32_t write_header(int32_t channel) {
  Database& d = db();
  if (d.fd < 0) return kDbOk;
  if (int32_t rc = flush_cache(channel); rc != kDbOk) return rc;
  return write_at(d.fd, &d.hdr[channel], sizeof(DbChannelHeader), header_offset(channel));
}

int32_t flush_cache(int32_t channel) {
  Database& d = db();
  if (!d.caching || d.fd < 0) return kDbOk;
  WriteCache& c = d.caches[channel];
  if (!c.dirty()) return kDbOk;
  const DbChannelHeader& h = d.hdr[channel];
  int64_t offset = h.data_offset + static_cast<int64_t>(c.first) * kNumericElementSize;
  // The values first, then the length: a process killed in between leaves the old length.
  if (int32_t rc = write_at(d.fd, c.values.data(), static_cast<size_t>(c.count) * sizeof(double), offset);
      rc != kDbOk)
    return rc;
  c.count = 0;
  return write_length(channel);
}

int32_t flush_all() {
  int32_t first_failure = kDbOk;
  for (int32_t k = 1; k <= db().n; ++k) {
    int32_t rc = flush_cache(k);
    if (rc != kDbOk && first_failure == kDbOk) first_failure = rc;
  }
  return first_failure;
}

void allocate_caches() {
  Database& d = db();
  const Settings& s = settings();
  d.caching = false;
  d.caches.clear();
  if (!s.cache_enable || s.cache_size < 1) return;
  try {
    std::vector<WriteCache> caches(static_cast<size_t>(d.n) + 1);
    for (int32_t k = 1; k <= d.n; ++k) caches[k].values.resize(static_cast<size_t>(s.cache_size));
    d.caches = std::move(caches);
    d.caching = true;
  } catch (const std::bad_alloc&) {
    settings().cache_enable = false;  // a cache that cannot be allocated switches caching off
  }
}

int32_t close_database(bool keep_descriptions) {
  Database& d = db();
  int32_t rc = kDbOk;
  if (d.fd >= 0) {
    rc = flush_all();
    // Stamps, flags and lengths set in memory reach the file with the whole description table.
    if (d.n > 0) {
      int32_t wrc = write_at(d.fd, &d.hdr[1], sizeof(DbChannelHeader) * static_cast<size_t>(d.n), kDbHeaderStart);
      if (rc == kDbOk) rc = wrc;
    }
    if (d.header_map) platform().unmap(d.header_map, d.header_map_bytes);
    d.header_map = nullptr;
    d.header_map_bytes = 0;
    platform().close(d.fd);
    d.fd = -1;
  }
  d.caches.clear();
  d.caching = false;
  d.area_bytes.clear();
  if (!keep_descriptions) {
    d.hdr.clear();
    d.n = 0;
    d.max_length = 0;
    d.path.clear();
  }
  return rc;
}

}  // namespace storix
