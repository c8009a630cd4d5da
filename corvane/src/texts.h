// The edition's text tables: index strings (setting ids and error numbers) and string resources.
// Each edition (src/texts/en, src/texts/de) defines both tables with the same ids; the shared code
// looks texts up here only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace corvan {

struct TextEntry {
  int32_t id;
  const char* text;
};

// Tables of the linked edition, sorted by id.
std::span<const TextEntry> index_string_table();
std::span<const TextEntry> resource_table();
// Status texts of CV_StatusText: statuses of calls that reach the line, statuses of the settings file
// (whose numbers overlap the interface statuses), and the text for a number that is no status.
std::span<const TextEntry> status_text_table();
std::span<const TextEntry> file_status_text_table();
const char* unknown_status_text();

// Text of id in a table, nullptr when absent.
const char* find_text(std::span<const TextEntry> table, int32_t id);

}  // namespace corvan
