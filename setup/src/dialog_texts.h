// What the program's secondary windows need from around them: the driver's string table (8-bit
// Latin-1 texts) and a beep that tests can count.
#pragma once

#include <QString>
#include <functional>
#include <string>

namespace setup {

// A text of the driver's string table by id.
using TextSource = std::function<std::string(int id)>;
// A beep (QApplication::beep when empty).
using BeepHook = std::function<void()>;

inline QString latin1(const std::string& text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }

}  // namespace setup
