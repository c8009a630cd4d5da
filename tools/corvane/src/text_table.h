// Plain-text tables for the terminal: columns padded by their widest cell (UTF-8 aware).
#pragma once

#include <string>
#include <vector>

namespace corvane_cli {

class TextTable {
 public:
  enum class Align { kLeft, kRight };
  void add_column(std::string header, Align align);
  void add_row(std::vector<std::string> cells);
  // Header, a rule of dashes, then the rows; lines end with '\n'.
  std::string render() const;

 private:
  std::vector<std::string> headers_;
  std::vector<Align> aligns_;
  std::vector<std::vector<std::string>> rows_;
};

// Characters (code points) of a UTF-8 text.
size_t display_width(const std::string& utf8);

}  // namespace corvane_cli
