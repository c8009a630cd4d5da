// Writing a driver file image (integers little-endian): magic 28002 and the section count; for
// section s at offset 64 s + 16 its file offset P, two 16-bit values (s and 0; the kernel keeps
// them without meaning), the name in 40 zero-padded bytes; at P - 1 the statement count and from
// P + 1 the statements: type, 13 argument texts and an empty 14th (each a 16-bit length and the
// bytes), and three zero words.
#include "driver_image.h"

#include <stdexcept>

#include "tallix32.h"

namespace drvc {
namespace {

constexpr size_t kNameSize = 40;

void put16(std::vector<uint8_t>& out, size_t value) {
  if (value > 0xFFFF) throw std::length_error("value does not fit 16 bits");
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void patch32(std::vector<uint8_t>& out, size_t at, uint64_t value) {
  if (value > 0xFFFFFFFFu) throw std::length_error("driver file larger than 4 GiB");
  for (int i = 0; i < 4; ++i) out[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

void put_text(std::vector<uint8_t>& out, const std::string& text) {
  if (text.size() > 0xFFFF) throw std::length_error("argument text longer than 65535 bytes");
  put16(out, text.size());
  out.insert(out.end(), text.begin(), text.end());
}

}  // namespace

std::vector<uint8_t> driver_image(const Program& program) {
  const size_t n = program.sections.size();
  if (n > 0xFFFF) throw std::length_error("more than 65535 sections");
  std::vector<uint8_t> out(64 * n + 64, 0);
  out[0] = kAcqDriverMagic2 & 0xFF;
  out[1] = kAcqDriverMagic2 >> 8;
  out[2] = static_cast<uint8_t>(n & 0xFF);
  out[3] = static_cast<uint8_t>(n >> 8);
  for (size_t s = 1; s <= n; ++s) {
    const Section& section = program.sections[s - 1];
    const size_t entry = 64 * s + 16;
    if (section.name.size() >= kNameSize) throw std::length_error("section name longer than 39 characters");
    if (section.statements.size() > 0xFFFF) throw std::length_error("section with more than 65535 statements");
    out[entry + 4] = static_cast<uint8_t>(s & 0xFF);
    out[entry + 5] = static_cast<uint8_t>(s >> 8);
    for (size_t i = 0; i < section.name.size(); ++i) out[entry + 8 + i] = static_cast<uint8_t>(section.name[i]);
    // The count sits at P - 1, the statements start at P + 1.
    const size_t count_at = out.size();
    patch32(out, entry, count_at + 1);
    put16(out, section.statements.size());
    for (const Statement& st : section.statements) {
      put16(out, static_cast<uint16_t>(st.type));
      for (const auto& arg : st.args) put_text(out, arg.value_or(std::string()));
      put16(out, 0);  // the 14th text
      for (int w = 0; w < 3; ++w) put16(out, 0);
    }
  }
  return out;
}

std::string listing(const Program& program) {
  std::string out;
  for (const Section& section : program.sections) {
    out += "section " + section.name + "\n";
    int number = 0;
    for (const Statement& st : section.statements) {
      out += "  " + std::to_string(++number) + ": " + std::to_string(st.type);
      int last = kArguments - 1;
      while (last >= 0 && !st.args[static_cast<size_t>(last)]) --last;
      for (int k = 0; k <= last; ++k) {
        const auto& arg = st.args[static_cast<size_t>(k)];
        out += k == 0 ? " " : ", ";
        out += arg ? "[" + *arg + "]" : "-";
      }
      out += "    (line " + std::to_string(st.line) + ")\n";
    }
  }
  return out;
}

}  // namespace drvc
