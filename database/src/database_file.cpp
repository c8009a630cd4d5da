// Lifetime of the database file: the layout is fixed at creation (N at 0, descriptions from 4, data
// areas from 1000000 in channel order, the file sized in full so that writing never grows it), and an
// existing file is checked in full before any of it is used.
#include "database_file.h"

#include <errno.h>
#include <fcntl.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "database.h"
#include "file_io.h"
#include "free_space.h"
#include "layout_check.h"
#include "messages.h"
#include "platform.h"

namespace storix {

namespace {

// Writes " " and a zero byte at the start of every element of a new text channel's area.
int32_t prepare_text_area(int fd, const DbChannelHeader& h) {
  const size_t element = h.element_size;
  const size_t per_piece = std::max<size_t>(1, kIoPiece / element);
  std::vector<unsigned char> piece(per_piece * element, 0);
  for (size_t e = 0; e < per_piece; ++e) {
    piece[e * element] = ' ';
    if (element > 1) piece[e * element + 1] = 0;
  }
  int64_t remaining = h.max_length;
  int64_t offset = h.data_offset;
  while (remaining > 0) {
    size_t elements = static_cast<size_t>(std::min<int64_t>(remaining, static_cast<int64_t>(per_piece)));
    if (int32_t rc = write_at(fd, piece.data(), elements * element, offset); rc != kDbOk) return rc;
    offset += static_cast<int64_t>(elements * element);
    remaining -= static_cast<int64_t>(elements);
  }
  return kDbOk;
}

// Gives up a half-created file: closes and deletes it, keeps the descriptions.
int32_t abandon_creation(int fd, const char* path, int32_t status) {
  platform().close(fd);
  platform().unlink(path);
  Database& d = db();
  d.fd = -1;
  d.area_bytes.clear();
  d.caches.clear();
  d.caching = false;
  return status;
}

int32_t creation_error(int error) {
  show_message(kMsgCreationError, error);
  return kDbOpenFailed;
}

}  // namespace

int32_t create_descriptions(int32_t channels) {
  if (channels < 1 || channels > kDbMaxChannels) return kDbBadPosition;
  close_database(false);
  Database& d = db();
  d.hdr.assign(static_cast<size_t>(channels) + 1, default_header());
  d.n = channels;
  d.max_length = kDefaultMaxLength;
  return kDbOk;
}

int32_t create_file(const char* path) {
  Database& d = db();
  if (d.n < 1) return kDbBadPosition;
  if (path == nullptr || *path == '\0') return creation_error(EINVAL);
  if (d.fd >= 0) close_database(true);

  int64_t required = kDbDataStart;
  for (int32_t k = 1; k <= d.n; ++k)
    required += static_cast<int64_t>(d.hdr[k].element_size) * d.hdr[k].max_length;

  SpaceInfo space;
  if (int err = query_space(path, &space); err != 0) {
    show_message(kMsgFreeSpaceUnknown, err);
    return kDbOpenFailed;
  }
  if (static_cast<uint64_t>(required) > space.available) return kDbDiskFull;

  int fd = platform().open(path, O_RDWR | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) return creation_error(platform().last_error());
  d.path = path;
  d.fd = fd;
  if (platform().ftruncate(fd, static_cast<off_t>(required)) != 0) return abandon_creation(fd, path, kDbSeekFailed);

  d.area_bytes.assign(static_cast<size_t>(d.n) + 1, 0);
  int64_t offset = kDbDataStart;
  for (int32_t k = 1; k <= d.n; ++k) {
    DbChannelHeader& h = d.hdr[k];
    h.data_offset = offset;
    h.length = 0;
    h.usage_flag = 0;
    h.stats_stale = 0;
    h.alias = 0;
    d.area_bytes[k] = static_cast<int64_t>(h.element_size) * h.max_length;
    offset += d.area_bytes[k];
    stamp_channel(k);
  }

  // N and the descriptions in one write.
  std::vector<unsigned char> header(kDbHeaderStart + sizeof(DbChannelHeader) * static_cast<size_t>(d.n));
  std::memcpy(header.data(), &d.n, sizeof d.n);
  std::memcpy(header.data() + kDbHeaderStart, &d.hdr[1], sizeof(DbChannelHeader) * static_cast<size_t>(d.n));
  if (int32_t rc = write_at(fd, header.data(), header.size(), 0); rc != kDbOk) return abandon_creation(fd, path, rc);

  for (int32_t k = 1; k <= d.n; ++k) {
    if (d.hdr[k].kind != kDbKindText) continue;
    if (int32_t rc = prepare_text_area(fd, d.hdr[k]); rc != kDbOk) return abandon_creation(fd, path, rc);
  }
  update_max_length();
  allocate_caches();
  map_headers();
  return kDbOk;
}

int32_t open_file(const char* path) {
  if (path == nullptr || *path == '\0') return creation_error(EINVAL);
  close_database(false);
  int fd = platform().open(path, O_RDWR, 0);
  if (fd < 0) return creation_error(platform().last_error());

  auto unsound = [&](int error) {
    platform().close(fd);
    return creation_error(error);
  };
  struct stat info {};
  if (platform().fstat(fd, &info) != 0) return unsound(platform().last_error());
  int64_t file_size = info.st_size;
  int32_t n = 0;
  if (read_at(fd, &n, sizeof n, 0) != kDbOk) return unsound(EINVAL);
  if (n < 1 || n > kDbMaxChannels) return unsound(EINVAL);

  std::vector<DbChannelHeader> headers;
  try {
    headers.resize(static_cast<size_t>(n) + 1);
  } catch (const std::bad_alloc&) {
    platform().close(fd);
    return kDbNoMemory;
  }
  if (read_at(fd, &headers[1], sizeof(DbChannelHeader) * static_cast<size_t>(n), kDbHeaderStart) != kDbOk)
    return unsound(EINVAL);
  if (!layout_is_sound(n, &headers[1], file_size)) return unsound(EINVAL);

  Database& d = db();
  d.hdr = std::move(headers);
  d.hdr[0] = default_header();
  d.n = n;
  d.fd = fd;
  d.path = path;
  d.area_bytes.assign(static_cast<size_t>(n) + 1, 0);
  for (int32_t k = 1; k <= n; ++k) {
    DbChannelHeader& h = d.hdr[k];
    d.area_bytes[k] = static_cast<int64_t>(h.element_size) * h.max_length;
    // Extremes in the file may predate the last writes: recompute them on demand.
    if (h.length > 0) h.stats_stale = 1;
  }
  update_max_length();
  allocate_caches();
  map_headers();
  return kDbOk;
}

int32_t remove_database(bool delete_file) {
  std::string path = db().path;
  bool had_file = file_open();
  close_database(false);
  if (delete_file && had_file && !path.empty()) platform().unlink(path.c_str());
  return kDbOk;
}

}  // namespace storix
