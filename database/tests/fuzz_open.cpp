// Fuzz target for opening a database file. The first four bytes of an input give the size the file
// is extended to (so that inputs can describe data areas near the data start without being a
// megabyte long); the rest is the start of the file. A file that opens is then exercised through
// every read-only path.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "storix32.h"

namespace {

void quiet(const char*, const char*) {}

const std::string& scratch_path() {
  static const std::string path = [] {
    char name[] = "/tmp/storix32-fuzz-XXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    return std::string(name);
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QBX_SetDatabaseMessageHandler(quiet);
  uint32_t extend = 0;
  if (size >= 4) {
    std::memcpy(&extend, data, 4);
    data += 4;
    size -= 4;
  }
  extend %= 1u << 21;  // at most 2 MiB, so the data start at 1000000 is reachable
  const std::string& path = scratch_path();
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  if (size > 0) std::fwrite(data, 1, size, f);
  std::fclose(f);
  if (extend > size && truncate(path.c_str(), static_cast<off_t>(extend)) != 0) return 0;

  if (QBX_CreateDatabase(-1, path.c_str(), 0) == kDbOk) {
    const int32_t n = QBX_GetDatabaseMaxChans();
    for (int32_t ch = 1; ch <= n && ch <= 64; ++ch) {
      DbChannelHeader h;
      QBX_GetDatabaseChanConfig(ch, &h);
      int32_t len = QBX_GetDatabaseChanCurrLen(ch);
      double values[16];
      QBX_ReadFromDatabase(ch, 1, len < 16 ? len : 16, values);
      if (len > 16) QBX_ReadFromDatabase(ch, len - 15, 16, values);
      double v;
      int32_t pos;
      QBX_GetDatabaseChanMin(ch, &v, &pos);
      QBX_GetDatabaseChanSTD(ch, &v);
      char text[65536];
      QBX_DatabaseGetString(ch, len > 0 ? len - 1 : 0, text);
      QBX_GetDatabaseChanText(ch, kDbTextComment, text);
    }
    QBX_RemoveDatabase(0);
  }
  return 0;
}
