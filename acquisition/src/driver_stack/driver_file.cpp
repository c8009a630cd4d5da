// Reading a driver file image. The image is walked twice: the first pass checks every offset,
// count and length against the image's end and counts the statements, so that nothing is
// allocated before the whole image is known to be sound; the second pass copies the statements'
// argument texts.
#include <cstring>
#include <string_view>

#include "driver_stack/driver_program.h"
#include "platform.h"

namespace tallix {
namespace {

constexpr size_t kDirectoryStride = 64;
constexpr size_t kDirectoryBase = 16;    // entry s (1-based) starts at 64 s + 16
constexpr size_t kDirectoryEntry = 48;   // offset, two values, 40-byte name
constexpr size_t kNameSize = 40;
constexpr int32_t kTextsPerStatement = kAcqDriverArguments + 1;  // the 14th is skipped
constexpr size_t kTrailerBytes = 6;                                // three skipped words

// The section names the kernel runs, in the order of StackSection.
constexpr std::string_view kSectionNames[kSectionCount] = {"InitDevice", "InitChan", "ACQStart", "ACQRead",
                                                           "ACQStop"};

uint16_t u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t u32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

struct Entry {
  size_t statements_at;  // P + 1
  uint32_t count;
};

// Where section s's entry starts; the caller has checked it lies in the image.
size_t entry_offset(size_t s) { return kDirectoryStride * s + kDirectoryBase; }

// Checks one section's statements against the image end. true when all of them fit; *extent gets
// the bytes they take.
bool walk_section(const uint8_t* image, size_t size, const Entry& e, size_t* extent) {
  size_t at = e.statements_at;
  for (uint32_t i = 0; i < e.count; ++i) {
    if (size - at < 2) return false;
    at += 2;
    for (int32_t t = 0; t < kTextsPerStatement; ++t) {
      if (size - at < 2) return false;
      const size_t length = u16(image + at);
      at += 2;
      if (size - at < length) return false;
      at += length;
    }
    if (size - at < kTrailerBytes) return false;
    at += kTrailerBytes;
  }
  *extent = at - e.statements_at;
  return true;
}

char* copy_text(const uint8_t* bytes, size_t length) {
  auto* text = static_cast<char*>(platform().allocate(length + 1));
  if (text == nullptr) return nullptr;
  std::memcpy(text, bytes, length);
  text[length] = '\0';
  return text;
}

// Copies one section's statements into stack->statements from index `first`.
int32_t copy_section(const uint8_t* image, const Entry& e, DriverStack* stack, int32_t first) {
  size_t at = e.statements_at;
  for (uint32_t i = 0; i < e.count; ++i) {
    DriverStatement& s = stack->statements[first + static_cast<int32_t>(i)];
    s.type = static_cast<int16_t>(u16(image + at));
    at += 2;
    for (int32_t t = 0; t < kTextsPerStatement; ++t) {
      const size_t length = u16(image + at);
      at += 2;
      if (t < kAcqDriverArguments && length > 0) {
        s.args[t] = copy_text(image + at, length);
        if (s.args[t] == nullptr) return kAcqStackNoMemory;
      }
      at += length;
    }
    at += kTrailerBytes;
  }
  return kAcqOk;
}

}  // namespace

int32_t parse_driver_image(const uint8_t* image, size_t size, DriverStack* stack) {
  if (size < 4) return kAcqStackNotDriverFile;
  const uint16_t magic = u16(image);
  if (magic != kAcqDriverMagic1 && magic != kAcqDriverMagic2) return kAcqStackNotDriverFile;
  const size_t n = u16(image + 2);
  if (n > 0 && entry_offset(n) + kDirectoryEntry > size) return kAcqStackNotDriverFile;

  // First pass: every entry's statements lie inside the image.
  size_t total = 0;
  size_t extents = 0;
  for (size_t s = 1; s <= n; ++s) {
    const uint8_t* entry = image + entry_offset(s);
    const uint32_t p = u32(entry);
    if (p < 1 || p > size - 1) return kAcqStackNotDriverFile;  // the count at P - 1 needs two bytes
    const Entry e{static_cast<size_t>(p) + 1, u16(image + p - 1)};
    size_t extent = 0;
    if (!walk_section(image, size, e, &extent)) return kAcqStackNotDriverFile;
    total += e.count;
    extents += extent;
    // Sections that share their bytes would let a small file ask for copies without end: the
    // statements of all sections together must fit in the file.
    if (extents > size) return kAcqStackNotDriverFile;
  }

  if (n > 0) {
    stack->directory = static_cast<DirectoryValues*>(platform().allocate(n * sizeof(DirectoryValues)));
    if (stack->directory == nullptr) return kAcqStackNoMemory;
    stack->directory_count = static_cast<int32_t>(n);
  }
  if (total > 0) {
    stack->statements = static_cast<DriverStatement*>(platform().allocate(total * sizeof(DriverStatement)));
    if (stack->statements == nullptr) return kAcqStackNoMemory;
    std::memset(stack->statements, 0, total * sizeof(DriverStatement));
    stack->statement_count = static_cast<int32_t>(total);
  }

  // Second pass: copy the statements and assign the sections.
  bool assigned[kSectionCount] = {};
  int32_t first = 0;
  for (size_t s = 1; s <= n; ++s) {
    const uint8_t* entry = image + entry_offset(s);
    const uint32_t p = u32(entry);
    const Entry e{static_cast<size_t>(p) + 1, u16(image + p - 1)};
    stack->directory[s - 1] = DirectoryValues{u16(entry + 4), u16(entry + 6)};
    if (int32_t r = copy_section(image, e, stack, first); r != kAcqOk) return r;
    const char* name = reinterpret_cast<const char*>(entry + 8);
    const std::string_view name_text(name, strnlen(name, kNameSize));
    for (int32_t k = 0; k < kSectionCount; ++k) {
      if (!assigned[k] && name_text.find(kSectionNames[k]) != std::string_view::npos) {
        assigned[k] = true;
        stack->sections[k] = SectionRange{first, static_cast<int32_t>(e.count)};
      }
    }
    first += static_cast<int32_t>(e.count);
  }
  return kAcqOk;
}

void free_stack(DriverStack* stack) {
  if (stack == nullptr) return;
  for (int32_t i = 0; i < stack->statement_count; ++i) {
    for (char* text : stack->statements[i].args) release(text);
  }
  release(stack->statements);
  release(stack->directory);
  for (char* text : stack->texts) release(text);
  release(stack);
}

}  // namespace tallix
