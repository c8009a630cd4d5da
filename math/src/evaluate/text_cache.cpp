// A direct-mapped table of parsed programs keyed by the text and everything that changes what parsing
// produces: the evaluator and the logic mode. Offsets, tables and modes of a single call enter only
// when a program runs, so they are not part of the key.
#include "evaluate/text_cache.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "numera32_evaluate.h"

namespace numera32::evaluate {

namespace {

constexpr std::size_t kSlots = 1024;  // a power of two

struct Entry {
  uint64_t hash = 0;
  bool used = false;
  TextEvaluator evaluator = TextEvaluator::kCalc;
  bool logic = false;
  uint16_t length = 0;
  char text[NUMERA32_FORMULA_TEXT_MAX];  // held in the entry: one compare, no indirection
  TextProgram program;
};

std::array<Entry, kSlots> g_entries;

// A fast 64-bit hash of the text, eight bytes at a time.
uint64_t hash(std::string_view text, TextEvaluator evaluator, bool logic) {
  constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
  uint64_t h = (static_cast<uint64_t>(evaluator) << 1 | (logic ? 1u : 0u)) ^ (text.size() * kMultiplier);
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, text.data() + i, sizeof word);
    h = (h ^ word) * kMultiplier;
    h ^= h >> 29;
  }
  // The last bytes: from a text of eight or more, the last eight in one read (overlapping the words
  // before); a shorter text byte by byte (a copy of a few bytes into a word read at once would stall
  // the read).
  uint64_t tail = 0;
  if (text.size() >= 8) {
    std::memcpy(&tail, text.data() + text.size() - 8, sizeof tail);
  } else {
    for (std::size_t j = 0; j < text.size(); ++j) tail |= uint64_t{static_cast<unsigned char>(text[j])} << (8 * j);
  }
  h = (h ^ tail) * kMultiplier;
  return h ^ (h >> 32);
}

}  // namespace

const TextProgram& cached_program(std::string_view text, TextEvaluator evaluator, bool logic) {
  const uint64_t h = hash(text, evaluator, logic);
  Entry& e = g_entries[h & (kSlots - 1)];
  if (e.used && e.hash == h && e.evaluator == evaluator && e.logic == logic && e.length == text.size() &&
      std::memcmp(e.text, text.data(), text.size()) == 0) {
    return e.program;
  }
  e.used = false;  // a parse that throws leaves no half-filled entry
  e.program = parse_text(text, evaluator, logic);
  std::memcpy(e.text, text.data(), text.size());
  e.length = static_cast<uint16_t>(text.size());
  e.hash = h;
  e.evaluator = evaluator;
  e.logic = logic;
  e.used = true;
  return e.program;
}

}  // namespace numera32::evaluate
