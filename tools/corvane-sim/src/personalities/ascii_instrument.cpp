// The ASCII instrument of the family personalities: rule table, command record and framing.
#include "personalities/ascii_instrument.h"

#include <charconv>
#include <cstdio>

namespace corvane_sim {

AsciiInstrument::AsciiInstrument(std::string line_end, char terminator, Framing framing)
    : line_end_(std::move(line_end)), terminator_(terminator), framing_(framing) {}

void AsciiInstrument::on(std::string word, Rule rule) {
  std::lock_guard<std::mutex> lock(mutex_);
  rules_.push_back({std::move(word), std::move(rule)});
}

void AsciiInstrument::on_line(std::string word, std::string reply_text) {
  on(std::move(word), [this, reply_text](std::string_view) { return line(reply_text); });
}

Reply AsciiInstrument::line(std::string_view text) const {
  Reply r;
  r.bytes = std::string(text) + line_end_;
  return r;
}

std::vector<std::string> AsciiInstrument::commands() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return commands_;
}

std::string AsciiInstrument::received() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

void AsciiInstrument::clear_commands() {
  std::lock_guard<std::mutex> lock(mutex_);
  commands_.clear();
  received_.clear();
}

void AsciiInstrument::note_received(std::string_view bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  received_.append(bytes);
}

Reply AsciiInstrument::handle_line(std::string_view text) {
  std::lock_guard<std::mutex> lock(mutex_);
  commands_.emplace_back(text);
  // The longest word wins; of equal words the later one (a test may replace an answer).
  const Entry* best = nullptr;
  for (const Entry& e : rules_) {
    if (text.substr(0, e.word.size()) == e.word && (best == nullptr || e.word.size() >= best->word.size()))
      best = &e;
  }
  if (best == nullptr) return line("?");
  return best->rule(text.substr(best->word.size()));
}

size_t AsciiInstrument::next_command(std::string_view pending, size_t* text_length) const {
  if (framing_ != nullptr) return framing_(pending, text_length);
  const size_t end = pending.find(terminator_);
  if (end == std::string_view::npos) return 0;
  // A CR LF line: the CR belongs to the terminator.
  *text_length = terminator_ == '\n' && end > 0 && pending[end - 1] == '\r' ? end - 1 : end;
  return end + 1;
}

std::string input_values(int inputs, int64_t scan) {
  std::string text;
  for (int h = 0; h < inputs; ++h) {
    const int32_t count = known_count(h, scan);
    char v[32];
    std::snprintf(v, sizeof v, "%s%d.%02d", h ? "," : "", count / 100, count % 100);
    text += v;
  }
  return text;
}

void put_le(std::string& out, uint64_t value, int bytes) {
  for (int b = 0; b < bytes; ++b) out.push_back(static_cast<char>(value >> (8 * b) & 0xFF));
}

void put_be(std::string& out, uint64_t value, int bytes) {
  for (int b = bytes - 1; b >= 0; --b) out.push_back(static_cast<char>(value >> (8 * b) & 0xFF));
}

std::vector<int64_t> integers(std::string_view text) {
  std::vector<int64_t> out;
  size_t p = 0;
  while (p <= text.size()) {
    size_t comma = text.find(',', p);
    if (comma == std::string_view::npos) comma = text.size();
    int64_t v = 0;
    std::from_chars(text.data() + p, text.data() + comma, v);
    out.push_back(v);
    p = comma + 1;
  }
  return out;
}

}  // namespace corvane_sim
