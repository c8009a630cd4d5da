// Text lookups of the edition's tables: index strings of setting ids and error numbers, and the
// string resources that label the setup program. Every copy is bounded to 255 characters.
#include <algorithm>
#include <cstring>

#include "connection.h"
#include "export_guard.h"
#include "linkar32.h"
#include "settings_model.h"
#include "texts.h"

using namespace corvan;

namespace corvan {

const char* find_text(std::span<const TextEntry> table, int32_t id) {
  auto it = std::lower_bound(table.begin(), table.end(), id,
                             [](const TextEntry& e, int32_t key) { return e.id < key; });
  return (it != table.end() && it->id == id) ? it->text : nullptr;
}

}  // namespace corvan

namespace {

constexpr size_t kTextRoom = 256;  // a caller's 256-byte buffer always suffices

int32_t lookup(std::span<const TextEntry> table, int32_t id, char* out, int32_t missing) {
  if (out == nullptr) return kCvBadValue;
  const char* text = find_text(table, id);
  copy_text(out, kTextRoom, text != nullptr ? text : "");
  return text != nullptr ? kCvOk : missing;
}

}  // namespace

extern "C" {

CORVAN32_API const char* CV_StatusText(int32_t status, int32_t origin) {
  // Device error numbers have their texts in the index-string table.
  if (status >= kCvErrAfterReset && status <= kCvLastDeviceError) {
    const char* text = find_text(index_string_table(), status);
    return text != nullptr ? text : unknown_status_text();
  }
  if (origin == kCvStatusOfFile) {
    if (const char* text = find_text(file_status_text_table(), status)) return text;
  }
  if (const char* text = find_text(status_text_table(), status)) return text;
  // Interface statuses passed up from the line, in the interface library's words.
  const char* text = QBX_StatusText(status);
  return std::strcmp(text, "unknown status") != 0 ? text : unknown_status_text();
}

CORVAN32_API int32_t CV_GetIndexString(int32_t id, char* out) {
  return recorded([&]() -> int32_t { return lookup(index_string_table(), id, out, kCvNoIndexString); });
}

CORVAN32_API int32_t GetIDString(int32_t id, char* out) {
  return guarded([&]() -> int32_t { return lookup(index_string_table(), id, out, kCvNoIndexString); });
}

CORVAN32_API int32_t CV_GetResString(int32_t id, char* out) {
  return guarded([&]() -> int32_t { return lookup(resource_table(), id, out, kCvNoResource); });
}

}  // extern "C"
