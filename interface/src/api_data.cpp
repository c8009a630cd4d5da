// Exports for binary sample reads, typed copies out of byte buffers, and the version text.
#include <climits>
#include <cstring>

#include "guarded.h"
#include "linkar32.h"
#include "port_table.h"

using linkar::guarded;
using linkar::table;

namespace {

constexpr char kVersionText[] = "QBX Intercace Library (32-Bit) Version 2.0";
static_assert(sizeof kVersionText == 43, "the version text is 43 bytes with its terminator");

// Three transfer-counter kinds exist; none is advanced by this library.
constexpr int32_t kFirstCounterKind = 1;
constexpr int32_t kLastCounterKind = 3;

// Reads exactly count words of word_size bytes from the current port into buffer; *got gets the
// bytes stored (0 on the null port and the no-port numbers, which read nothing).
int32_t read_words(void* buffer, int32_t count, int32_t word_size, int32_t* got) {
  *got = 0;
  if (!buffer || count < 0 || count > INT32_MAX / word_size) return kQbxBadArgument;
  if (!table().has_current()) return kQbxNoCurrentPort;
  return table().read(static_cast<char*>(buffer), count * word_size, got, 0);
}

int32_t copy_block(const void* source, void* target, int32_t bytes) {
  if (bytes < 0 || (bytes > 0 && (!source || !target))) return kQbxBadArgument;
  if (bytes > 0) std::memmove(target, source, static_cast<size_t>(bytes));
  return kQbxOk;
}

}  // namespace

extern "C" {

int32_t QBX_Read2Bin(int16_t* buffer, int32_t count) {
  return guarded<int32_t>(kQbxReadFailed, [&] {
    int32_t got = 0;
    return read_words(buffer, count, 2, &got);
  });
}

int32_t QBX_Read4Bin(int32_t* buffer, int32_t count) {
  return guarded<int32_t>(kQbxReadFailed, [&] {
    int32_t got = 0;
    int32_t status = read_words(buffer, count, 4, &got);
    if (status == kQbxOk) {
      // 24-bit samples sit in the upper three bytes of each little-endian word; integer division
      // (toward zero) brings them down, as the devices' hosts have always done it. Only words that
      // were read are touched: the null port reads none and leaves the caller's buffer as it was.
      for (int32_t i = 0; i < got / 4; ++i) {
        int32_t word;
        std::memcpy(&word, reinterpret_cast<char*>(buffer) + 4 * i, 4);
        word /= 256;
        std::memcpy(reinterpret_cast<char*>(buffer) + 4 * i, &word, 4);
      }
    }
    return status;
  });
}

int32_t QBX_ReadTransferCounter(int32_t kind) {
  return kind >= kFirstCounterKind && kind <= kLastCounterKind ? 0 : -1;
}

int32_t QBX_String2Float(const void* source, float* target) { return copy_block(source, target, sizeof(float)); }
int32_t QBX_String2Long(const void* source, int32_t* target) { return copy_block(source, target, sizeof(int32_t)); }
int32_t QBX_String2Int(const void* source, int16_t* target) { return copy_block(source, target, sizeof(int16_t)); }
int32_t QBX_String2FloatBlock(const void* source, float* target, int32_t bytes) {
  return copy_block(source, target, bytes);
}
int32_t QBX_String2LongBlock(const void* source, int32_t* target, int32_t bytes) {
  return copy_block(source, target, bytes);
}
int32_t QBX_String2IntBlock(const void* source, int16_t* target, int32_t bytes) {
  return copy_block(source, target, bytes);
}

int32_t QBX_GetComLibVersion(char* text) {
  if (!text) return kQbxBadArgument;
  std::memcpy(text, kVersionText, sizeof kVersionText);
  return kQbxOk;
}

}  // extern "C"
