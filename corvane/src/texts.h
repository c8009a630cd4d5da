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

// Text of id in a table, nullptr when absent.
const char* find_text(std::span<const TextEntry> table, int32_t id);

}  // namespace corvan
