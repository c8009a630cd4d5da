// A small ASCII instrument for the personalities of the other amplifier families: command lines
// (ended by LF, CR, or a framing of the family's own) are matched by their leading command word
// against a table of answers; every command received is kept for tests that check the exact
// lines. A command no rule matches is refused with "?" (as these families refuse).
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "corvane_sim/line_device.h"

namespace corvane_sim {

class AsciiInstrument : public LineDevice {
 public:
  // The answer to a command: `args` is what follows the matched word.
  using Rule = std::function<Reply(std::string_view args)>;
  // A framing of the family's own (see LineDevice::next_command); nullptr: `terminator` ends a command.
  using Framing = size_t (*)(std::string_view pending, size_t* text_length);

  // line_end: what the instrument ends its reply lines with ("\r\n", "\r").
  AsciiInstrument(std::string line_end, char terminator = '\n', Framing framing = nullptr);

  // Answers commands that begin with `word` (the longest matching word wins; of equal words the
  // one added last). Rules run under the instrument's lock: they must not call commands().
  void on(std::string word, Rule rule);
  // Answers `word` with a fixed reply line.
  void on_line(std::string word, std::string reply_text);

  // A reply line: text and the instrument's line end.
  Reply line(std::string_view text) const;
  Reply ok() const { return line("0"); }

  // Every command received since the last clear (without terminator), and the bytes as received
  // (terminators included).
  std::vector<std::string> commands() const;
  std::string received() const;
  void clear_commands();

  Reply handle_line(std::string_view line) override;
  void note_received(std::string_view bytes) override;
  size_t next_command(std::string_view pending, size_t* text_length) const override;

 private:
  struct Entry {
    std::string word;
    Rule rule;
  };
  std::string line_end_;
  char terminator_;
  Framing framing_;
  std::vector<Entry> rules_;
  mutable std::mutex mutex_;
  std::vector<std::string> commands_;
  std::string received_;
};

// Known values of the simulated channels: raw count of hardware channel h at scan i.
inline int32_t known_count(int32_t h, int64_t scan) {
  return h * 1000 + static_cast<int32_t>(scan % 1000);
}

// A line of the values of inputs 0..inputs-1 at `scan`: known_count / 100 with two decimals each,
// separated by ','.
std::string input_values(int inputs, int64_t scan);

// Little-endian and big-endian sample bytes.
void put_le(std::string& out, uint64_t value, int bytes);
void put_be(std::string& out, uint64_t value, int bytes);

// The integers of a text ("3,1" -> {3, 1}; empty fields 0).
std::vector<int64_t> integers(std::string_view text);

}  // namespace corvane_sim
