// Text channels keep one zero-terminated text of at most element size - 1 characters per element.
// Puts, shifts and clears write the elements first and the length last (a clear, which hides
// elements, writes the length first), so a killed process never leaves visible garbage.
#include "text_channels.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "database.h"
#include "file_io.h"
#include "storix32.h"

namespace storix {

namespace {

int32_t check_text_channel(int32_t channel) {
  if (!file_open()) return kDbNotOpen;
  if (!valid_channel(channel)) return kDbBadChannel;
  if (db().hdr[channel].kind != kDbKindText) return kDbNotText;
  return kDbOk;
}

int64_t element_offset(const DbChannelHeader& h, int64_t index) {
  return h.data_offset + index * static_cast<int64_t>(h.element_size);
}

// Moves `count` elements from index `from` to index `to` in pieces, in the order that never reads an
// element it has already overwritten.
int32_t move_elements(int32_t channel, int64_t from, int64_t to, int64_t count) {
  const DbChannelHeader& h = db().hdr[channel];
  const int64_t size = h.element_size;
  const int64_t per_piece = std::max<int64_t>(1, static_cast<int64_t>(kIoPiece) / size);
  std::vector<unsigned char> piece(static_cast<size_t>(per_piece * size));
  int64_t done = 0;
  while (done < count) {
    int64_t n = std::min(per_piece, count - done);
    // Upward moves go from the top down, downward moves from the bottom up.
    int64_t index = to > from ? count - done - n : done;
    if (int32_t rc = read_at(db().fd, piece.data(), static_cast<size_t>(n * size), element_offset(h, from + index));
        rc != kDbOk)
      return rc;
    if (int32_t rc = write_at(db().fd, piece.data(), static_cast<size_t>(n * size), element_offset(h, to + index));
        rc != kDbOk)
      return rc;
    done += n;
  }
  return kDbOk;
}

}  // namespace

int32_t put_string(int32_t channel, int32_t position, const char* text) {
  if (int32_t rc = check_text_channel(channel); rc != kDbOk) return rc;
  DbChannelHeader& h = db().hdr[channel];
  if (position < -1) return kDbBadPosition;
  const int32_t pos = position == -1 ? h.length : position;
  if (pos >= h.max_length) return kDbWriteBeyondEnd;
  const size_t room = h.element_size - 1u;
  const size_t n = text ? strnlen(text, room) : 0;
  std::vector<char> element(n + 1, '\0');
  if (n > 0) std::memcpy(element.data(), text, n);
  if (int32_t rc = write_at(db().fd, element.data(), element.size(), element_offset(h, pos)); rc != kDbOk) return rc;
  if (pos + 1 > h.length) {
    h.length = pos + 1;
    if (int32_t rc = write_length(channel); rc != kDbOk) return rc;
  }
  stamp_channel(channel);
  return kDbOk;
}

int32_t get_string(int32_t channel, int32_t position, char* out) {
  if (int32_t rc = check_text_channel(channel); rc != kDbOk) return rc;
  const DbChannelHeader& h = db().hdr[channel];
  if (position >= h.max_length) return kDbReadBeyondEnd;
  if (position < 0 || out == nullptr) return kDbBadPosition;
  return read_at(db().fd, out, h.element_size, element_offset(h, position));
}

int32_t shift_texts(int32_t channel, int32_t from, int32_t count, bool insert) {
  if (int32_t rc = check_text_channel(channel); rc != kDbOk) return rc;
  DbChannelHeader& h = db().hdr[channel];
  if (from > h.length) return kDbReadBeyondEnd;
  if (from <= 0 || count <= 0) return kDbBadPosition;
  const int64_t first = from - 1;
  if (insert) {
    if (static_cast<int64_t>(h.length) + count > h.max_length) return kDbBadPosition;
    if (int32_t rc = move_elements(channel, first, first + count, h.length - first); rc != kDbOk) return rc;
    h.length += count;
  } else {
    if (first + count > h.length) return kDbBadPosition;
    const int64_t tail = h.length - first - count;
    if (int32_t rc = move_elements(channel, first + count, first, tail); rc != kDbOk) return rc;
    h.length -= count;
  }
  if (int32_t rc = write_length(channel); rc != kDbOk) return rc;
  stamp_channel(channel);
  return kDbOk;
}

int32_t clear_texts(int32_t channel) {
  if (int32_t rc = check_text_channel(channel); rc != kDbOk) return rc;
  DbChannelHeader& h = db().hdr[channel];
  std::unique_ptr<unsigned char[]> zeros(new (std::nothrow) unsigned char[kIoPiece]());
  if (!zeros) return kDbFreeSpaceUnknown;  // the status for missing temporary memory
  h.length = 0;
  if (int32_t rc = write_length(channel); rc != kDbOk) return rc;
  int64_t remaining = db().area_bytes[channel];
  int64_t offset = h.data_offset;
  while (remaining > 0) {
    size_t n = static_cast<size_t>(std::min<int64_t>(remaining, static_cast<int64_t>(kIoPiece)));
    if (int32_t rc = write_at(db().fd, zeros.get(), n, offset); rc != kDbOk) return rc;
    offset += static_cast<int64_t>(n);
    remaining -= static_cast<int64_t>(n);
  }
  return kDbOk;
}

}  // namespace storix
