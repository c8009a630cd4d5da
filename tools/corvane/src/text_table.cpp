// Column widths from the widest cell; two blanks between columns.
#include "text_table.h"

#include <algorithm>

namespace corvane_cli {

size_t display_width(const std::string& utf8) {
  size_t n = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) != 0x80) ++n;
  }
  return n;
}

void TextTable::add_column(std::string header, Align align) {
  headers_.push_back(std::move(header));
  aligns_.push_back(align);
}

void TextTable::add_row(std::vector<std::string> cells) {
  cells.resize(headers_.size());
  rows_.push_back(std::move(cells));
}

std::string TextTable::render() const {
  std::vector<size_t> width(headers_.size());
  for (size_t c = 0; c < headers_.size(); ++c) {
    width[c] = display_width(headers_[c]);
    for (const auto& row : rows_) width[c] = std::max(width[c], display_width(row[c]));
  }
  auto line = [&](const std::vector<std::string>& cells) {
    std::string out;
    for (size_t c = 0; c < cells.size(); ++c) {
      std::string pad(width[c] - display_width(cells[c]), ' ');
      if (c) out += "  ";
      out += aligns_[c] == Align::kRight ? pad + cells[c] : cells[c] + (c + 1 < cells.size() ? pad : "");
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out + "\n";
  };
  std::string out = line(headers_);
  std::vector<std::string> rule;
  for (size_t w : width) rule.push_back(std::string(w, '-'));
  out += line(rule);
  for (const auto& row : rows_) out += line(row);
  return out;
}

}  // namespace corvane_cli
