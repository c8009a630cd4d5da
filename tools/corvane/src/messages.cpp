// Choosing the language and looking texts up in the German table.
#include "messages.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

namespace corvane_cli {
namespace {

std::string g_language = "en";

const std::unordered_map<std::string_view, std::string_view>& german_table() {
  static const auto* table = [] {
    auto* t = new std::unordered_map<std::string_view, std::string_view>();
    for (size_t i = 0; i < kGermanMessageCount; ++i) t->emplace(kGermanMessages[i].english, kGermanMessages[i].german);
    return t;
  }();
  return *table;
}

}  // namespace

std::string language_from_environment() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] == 0) continue;
    return std::strncmp(value, "de", 2) == 0 ? "de" : "en";
  }
  return "en";
}

std::string chosen_language(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    std::string value;
    if (a == "--lang" && i + 1 < argc) {
      value = argv[i + 1];
    } else if (a.rfind("--lang=", 0) == 0) {
      value = a.substr(7);
    } else {
      continue;
    }
    if (value == "de" || value == "en") return value;
    break;  // an invalid value is reported in the environment's language
  }
  return language_from_environment();
}

void set_language(const std::string& code) {
  g_language = code == "de" ? "de" : "en";
  // The system's own messages (strerror, dlerror) follow where the system has them in German;
  // only the message category changes, so numbers keep their one format.
  if (g_language == "de") {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
      if (std::setlocale(LC_MESSAGES, name) != nullptr) break;
    }
  } else {
    std::setlocale(LC_MESSAGES, "C");
  }
}

const std::string& language() { return g_language; }

std::string tr(std::string_view english) {
  if (g_language == "de") {
    const auto& table = german_table();
    auto it = table.find(english);
    if (it != table.end()) return std::string(it->second);
  }
  return std::string(english);
}

namespace detail {

std::string fill_placeholders(std::string_view text, const std::string* args, size_t count) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '{' && i + 1 < text.size() && text[i + 1] == '}' && next < count) {
      out += args[next++];
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace detail
}  // namespace corvane_cli
