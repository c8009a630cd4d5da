// Packing a channel's values into a typed array and back. Integers are truncated toward zero and
// saturated at the limits of their type, so an out-of-range value never becomes an arbitrary one.
#include "conversion.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "database.h"
#include "storix32.h"
#include "values.h"

namespace storix {

namespace {

// Element size of each packed type, indexed by type.
constexpr int kPackedSize[] = {8, 4, 4, 2, 1};
constexpr int32_t kTypeCount = 5;
constexpr int64_t kPiece = 8192;

template <class T>
T to_integer(double v) {
  if (std::isnan(v)) return 0;
  double t = std::trunc(v);
  if (t <= static_cast<double>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
  if (t >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
  return static_cast<T>(t);
}

void pack(double v, int32_t type, unsigned char* out) {
  switch (type) {
    case kDbTypeDouble: std::memcpy(out, &v, 8); break;
    case kDbTypeFloat: { float f = static_cast<float>(v); std::memcpy(out, &f, 4); break; }
    case kDbTypeInt32: { int32_t i = to_integer<int32_t>(v); std::memcpy(out, &i, 4); break; }
    case kDbTypeInt16: { int16_t i = to_integer<int16_t>(v); std::memcpy(out, &i, 2); break; }
    default: { int8_t i = to_integer<int8_t>(v); std::memcpy(out, &i, 1); break; }
  }
}

double unpack(const unsigned char* in, int32_t type) {
  switch (type) {
    case kDbTypeDouble: { double v; std::memcpy(&v, in, 8); return v; }
    case kDbTypeFloat: { float v; std::memcpy(&v, in, 4); return v; }
    case kDbTypeInt32: { int32_t v; std::memcpy(&v, in, 4); return v; }
    case kDbTypeInt16: { int16_t v; std::memcpy(&v, in, 2); return v; }
    default: { int8_t v; std::memcpy(&v, in, 1); return v; }
  }
}

int32_t check_channel(int32_t channel, int32_t type) {
  if (channel < 1 || channel > kDbMaxStatChannel) return kDbBadChannelRange;
  if (!valid_channel(channel)) return kDbBadChannel;
  if (type < 0 || type >= kTypeCount) return kDbBadPosition;
  if (db().hdr[channel].kind != kDbKindNumeric) return kDbNotNumeric;
  return kDbOk;
}

}  // namespace

int32_t channel_to_packed(int32_t channel, void* out, int32_t type) {
  if (int32_t rc = check_channel(channel, type); rc != kDbOk) return rc;
  if (out == nullptr) return kDbBadPosition;
  auto* bytes = static_cast<unsigned char*>(out);
  if (int32_t rc = flush_cache(channel); rc != kDbOk) return rc;
  const int64_t length = db().hdr[channel].length;
  if (length == 0) {
    bytes[0] = 0;
    return kDbOk;
  }
  if (!file_open()) return kDbNotOpen;
  std::vector<double> piece(static_cast<size_t>(std::min(length, kPiece)));
  const int size = kPackedSize[type];
  for (int64_t first = 0; first < length; first += kPiece) {
    int64_t n = std::min(kPiece, length - first);
    if (int32_t rc = read_channel(channel, first, n, piece.data()); rc != kDbOk) return rc;
    for (int64_t i = 0; i < n; ++i) pack(piece[static_cast<size_t>(i)], type, bytes + (first + i) * size);
  }
  return kDbOk;
}

int32_t packed_to_channel(int32_t channel, const void* data, int32_t type, int32_t count) {
  if (!file_open()) return kDbNotOpen;
  if (int32_t rc = check_channel(channel, type); rc != kDbOk) return rc;
  if (count < 0 || (count > 0 && data == nullptr)) return kDbBadPosition;
  DbChannelHeader& h = db().hdr[channel];
  if (count > h.max_length) return kDbWriteBeyondEnd;
  if (int32_t rc = flush_cache(channel); rc != kDbOk) return rc;
  // The emptied length reaches the file before any old value is overwritten.
  h.length = 0;
  h.stats_stale = 0;
  if (int32_t rc = write_length(channel); rc != kDbOk) return rc;
  const auto* bytes = static_cast<const unsigned char*>(data);
  const int size = kPackedSize[type];
  std::vector<double> piece(static_cast<size_t>(std::min<int64_t>(count, kPiece)));
  for (int64_t first = 0; first < count; first += kPiece) {
    int64_t n = std::min<int64_t>(kPiece, count - first);
    for (int64_t i = 0; i < n; ++i) piece[static_cast<size_t>(i)] = unpack(bytes + (first + i) * size, type);
    if (int32_t rc = write_channel(channel, piece.data(), static_cast<int32_t>(n), -1, true); rc != kDbOk) return rc;
  }
  return kDbOk;
}

}  // namespace storix
