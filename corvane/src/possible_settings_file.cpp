// The possible-settings file: the program version and one entry, the labels of the 21 measuring
// rates (four characters each), for tools that show the device's choices without a device.
#include <cstdio>
#include <cstring>
#include <memory>

#include "connection.h"
#include "export_guard.h"
#include "settings_model.h"

using namespace corvan;

namespace {

constexpr long kTableOffset = 14;
constexpr int32_t kTableWords = 51;
constexpr long kTextOffset = 214;
constexpr size_t kVersionBytes = 10;
constexpr size_t kTextRoom = 255;
constexpr const char kRateLabels[] =
    "   1   2   5  10  25  50  60"
    "  75 100 150 200 300 400 600"
    " 800120016002400320048009600";
static_assert(sizeof kRateLabels == 85, "21 labels of four characters and the terminator");

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

int32_t write_file(const char* name) {
  File f(std::fopen(name, "wb"));
  if (!f) return kCvFileOpenFailed;
  char version[kVersionBytes] = {};
  std::memcpy(version, state().device.version, kVersionBytes);
  const int32_t entries = 1;
  unsigned char table[kTableWords * 4] = {};
  const uint64_t position = kTextOffset;
  for (int i = 0; i < 8; ++i) table[i] = static_cast<unsigned char>(position >> (8 * i));
  unsigned char count[4];
  for (int i = 0; i < 4; ++i) count[i] = static_cast<unsigned char>(entries >> (8 * i));
  if (std::fwrite(version, 1, sizeof version, f.get()) != sizeof version) return kCvFileWriteFailed;
  if (std::fwrite(count, 1, sizeof count, f.get()) != sizeof count) return kCvFileWriteFailed;
  if (std::fwrite(table, 1, sizeof table, f.get()) != sizeof table) return kCvFileWriteFailed;
  // The text starts where the entry's position says, inside the word table's tail.
  if (std::fseek(f.get(), kTextOffset, SEEK_SET) != 0) return kCvFileSeekFailed;
  if (std::fwrite(kRateLabels, 1, sizeof kRateLabels, f.get()) != sizeof kRateLabels) return kCvFileWriteFailed;
  if (std::fflush(f.get()) != 0) return kCvFileWriteFailed;
  return kCvOk;
}

int32_t read_file(const char* name, int32_t part, char* out) {
  File f(std::fopen(name, "rb"));
  if (!f) return kCvFileOpenFailed;
  if (part == 0) {
    const size_t n = std::fread(out, 1, kVersionBytes, f.get());
    out[n] = '\0';
    out[strnlen(out, n)] = '\0';
  } else if (part == 1) {
    unsigned char pos[8] = {};
    if (std::fseek(f.get(), kTableOffset, SEEK_SET) != 0) return kCvFileSeekFailed;
    if (std::fread(pos, 1, sizeof pos, f.get()) != sizeof pos) return kCvFileSeekFailed;
    uint64_t position = 0;
    for (int i = 7; i >= 0; --i) position = (position << 8) | pos[i];
    if (position > static_cast<uint64_t>(LONG_MAX) || std::fseek(f.get(), static_cast<long>(position), SEEK_SET) != 0)
      return kCvFileSeekFailed;
    const size_t n = std::fread(out, 1, kTextRoom, f.get());
    out[n] = '\0';
  }
  return kCvOk;
}

}  // namespace

extern "C" {

CORVAN32_API int32_t CV_WritePsbleSettings(const char* file_name) {
  return guarded([&]() -> int32_t {
    if (file_name == nullptr || offline()) return kCvBadValue;
    return write_file(file_name);
  });
}

CORVAN32_API int32_t CV_ReadPsbleSettings(const char* file_name, int32_t part, char* out) {
  return guarded([&]() -> int32_t {
    if (file_name == nullptr || out == nullptr) return kCvBadValue;
    return read_file(file_name, part, out);
  });
}

}  // extern "C"
