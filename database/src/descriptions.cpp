// Reading and changing channel descriptions. A change that the file must keep is written to the
// channel's description in the file header at once; with a file open, a new configuration must still
// fit the data area the channel was given when the file was created.
#include "descriptions.h"

#include <cstddef>
#include <cstring>

#include "database.h"

namespace storix {

namespace {

// The four text fields of a description, by `which`.
struct TextField {
  size_t offset;
  size_t size;
};
constexpr TextField kTextFields[] = {
    {offsetof(DbChannelHeader, name), sizeof(DbChannelHeader::name)},
    {offsetof(DbChannelHeader, unit), sizeof(DbChannelHeader::unit)},
    {offsetof(DbChannelHeader, comment), sizeof(DbChannelHeader::comment)},
    {offsetof(DbChannelHeader, fourth), sizeof(DbChannelHeader::fourth)},
};
constexpr int32_t kTextFieldCount = 4;

char* field(int32_t channel, int32_t which) {
  return reinterpret_cast<char*>(&db().hdr[channel]) + kTextFields[which].offset;
}

// Fills the field with blanks and copies the text up to a zero byte, cut to the field size.
void fill_field(char* dest, size_t size, const char* text) {
  std::memset(dest, ' ', size);
  if (text) std::memcpy(dest, text, strnlen(text, size));
}

}  // namespace

int32_t get_config(int32_t channel, DbChannelHeader* out) {
  if (!valid_channel(channel)) return kDbBadChannel;
  if (out == nullptr) return kDbBadPosition;
  if (int32_t rc = flush_cache(channel); rc != kDbOk) return rc;
  std::memcpy(out, &db().hdr[channel], sizeof *out);
  return kDbOk;
}

int32_t set_config(int32_t channel, const DbChannelHeader* in) {
  if (!valid_channel(channel)) return kDbBadChannel;
  if (in == nullptr) return kDbBadPosition;
  DbChannelHeader h;
  std::memcpy(&h, in, sizeof h);
  if (h.kind == kDbKindNumeric) h.element_size = kNumericElementSize;
  if (h.kind != kDbKindNumeric && h.kind != kDbKindText) return kDbBadPosition;
  if (h.element_size < 1) return kDbBadPosition;
  if (h.max_length < 1 || h.max_length > DB_MAX_ELEMENTS) return kDbBadMaxLen;
  if (h.length < 0 || h.length > h.max_length) return kDbBadPosition;
  Database& d = db();
  if (file_open() && static_cast<int64_t>(h.element_size) * h.max_length > d.area_bytes[channel]) return kDbBadMaxLen;
  if (int32_t rc = flush_cache(channel); rc != kDbOk) return rc;
  h.data_offset = d.hdr[channel].data_offset;
  d.hdr[channel] = h;
  update_max_length();
  return write_header(channel);
}

int32_t set_current_length(int32_t channel, int32_t length) {
  if (!valid_channel(channel)) return kDbBadChannel;
  DbChannelHeader& h = db().hdr[channel];
  if (length < 0 || length > h.max_length) return kDbBadPosition;
  if (int32_t rc = flush_cache(channel); rc != kDbOk) return rc;
  if (length != h.length) h.stats_stale = length > 0 ? 1 : 0;
  h.length = length;
  return kDbOk;
}

int32_t usage_flag(int32_t channel) {
  if (!valid_channel(channel)) return kDbBadChannelRange;
  return db().hdr[channel].usage_flag;
}

int32_t set_usage_flag(int32_t channel, int32_t flag) {
  if (!valid_channel(channel)) return kDbBadChannelRange;
  db().hdr[channel].usage_flag = static_cast<uint16_t>(flag);
  return kDbOk;
}

int32_t set_alias(int32_t channel, int32_t alias) {
  if (!valid_channel(channel)) return kDbBadChannel;
  db().hdr[channel].alias = static_cast<uint16_t>(alias);
  return kDbOk;
}

int32_t set_modified(int32_t channel, double stamp) {
  if (!valid_channel(channel)) return kDbBadChannel;
  db().hdr[channel].modified = stamp;
  return kDbOk;
}

int32_t set_text(int32_t channel, int32_t which, const char* text) {
  if (!valid_channel(channel)) return kDbBadChannel;
  if (which < 0 || which >= kTextFieldCount) return kDbBadPosition;
  fill_field(field(channel, which), kTextFields[which].size, text);
  return write_header(channel);
}

int32_t get_text(int32_t channel, int32_t which, char* out) {
  if (!valid_channel(channel)) return kDbBadChannel;
  if (which < 0 || which >= kTextFieldCount || out == nullptr) return kDbBadPosition;
  const char* src = field(channel, which);
  const size_t size = kTextFields[which].size;
  const size_t n = strnlen(src, size);
  std::memcpy(out, src, n);
  if (n < size) out[n] = '\0';
  return kDbOk;
}

int32_t copy_text(int32_t to_channel, int32_t from_channel, int32_t which) {
  if (!valid_channel(to_channel) || !valid_channel(from_channel)) return kDbBadChannel;
  if (which < 0 || which >= kTextFieldCount) return kDbBadPosition;
  const size_t size = kTextFields[which].size;
  char copy[sizeof(DbChannelHeader::comment) + 1] = {};
  std::memcpy(copy, field(from_channel, which), size);
  fill_field(field(to_channel, which), size, copy);
  return write_header(to_channel);
}

}  // namespace storix
