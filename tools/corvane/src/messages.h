// The tool's own texts in the user's language. The English text is the key: a call site reads as
// the English sentence, and the German table (messages_de.cpp) maps it to German. A "{}" in a text
// stands for the next argument, in the same order in both languages. Numbers reach a text already
// formatted (format_number, std::to_string), so the words change with the language, never the
// number format. Machine-readable output (CSV headers, JSON keys, exit statuses) takes no part.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

namespace corvane_cli {

// Marks a text kept in a table for translation where it is shown (through tr) without
// translating it here; the table test finds every marked and every tr'd literal.
#define N_(text) text

// "de" when the locale (LC_ALL, LC_MESSAGES, LANG, the first that is set) names German, else
// "en", as the setup program decides.
std::string language_from_environment();
// The language of a run: the value of a valid "--lang en|de" (or "--lang=...") among the
// arguments, else the environment's.
std::string chosen_language(int argc, char** argv);
// Sets the language of every later tr ("de" German, anything else English).
void set_language(const std::string& code);
// "de" or "en".
const std::string& language();

// The text in the current language; the English text itself when English is chosen or the table
// has no entry for it.
std::string tr(std::string_view english);

namespace detail {
std::string fill_placeholders(std::string_view text, const std::string* args, size_t count);

template <typename T>
std::string arg_text(const T& value) {
  if constexpr (std::is_convertible_v<const T&, std::string_view>) {
    return std::string(std::string_view(value));
  } else {
    static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char>,
                  "format other numbers with format_number or format_fixed first");
    return std::to_string(value);
  }
}
}  // namespace detail

// The translated text with each "{}" replaced by the next argument (texts, or whole numbers in
// decimal); a placeholder without an argument stays "{}".
template <typename First, typename... Rest>
std::string tr(std::string_view english, const First& first, const Rest&... rest) {
  const std::string args[] = {detail::arg_text(first), detail::arg_text(rest)...};
  return detail::fill_placeholders(tr(english), args, 1 + sizeof...(Rest));
}

// The German table, for its tests: entries of English text and German text.
struct MessagePair {
  const char* english;
  const char* german;
};
extern const MessagePair kGermanMessages[];
extern const size_t kGermanMessageCount;

}  // namespace corvane_cli
