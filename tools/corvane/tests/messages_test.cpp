// The German message table: every text the sources mark for translation has an entry, every
// entry keeps its English text's placeholders, and the lookup and the language choice behave.
#include <dirent.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "messages.h"

namespace corvane_cli {
namespace {

// The placeholders of a text in order: "{}" and printf conversions such as "%s".
std::vector<std::string> placeholders(const std::string& text) {
  std::vector<std::string> out;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '{' && text[i + 1] == '}') out.push_back("{}");
    if (text[i] == '%') out.push_back(text.substr(i, 2));
  }
  return out;
}

// Reads the string literals passed to tr( or N_( in a C++ source: adjacent literals joined,
// the escapes \n, \", \\ and \t resolved.
std::vector<std::string> marked_texts(const std::string& source) {
  std::vector<std::string> out;
  for (size_t at = 0; at < source.size(); ++at) {
    size_t len = 0;
    if (source.compare(at, 3, "tr(") == 0) len = 3;
    if (source.compare(at, 3, "N_(") == 0) len = 3;
    if (len == 0) continue;
    if (at > 0 && (std::isalnum(static_cast<unsigned char>(source[at - 1])) || source[at - 1] == '_')) continue;
    size_t i = at + len;
    while (i < source.size() && std::isspace(static_cast<unsigned char>(source[i]))) ++i;
    if (i >= source.size() || source[i] != '"') continue;
    std::string text;
    while (i < source.size() && source[i] == '"') {
      for (++i; i < source.size() && source[i] != '"'; ++i) {
        if (source[i] != '\\') {
          text += source[i];
          continue;
        }
        const char c = source[++i];
        text += c == 'n' ? '\n' : c == 't' ? '\t' : c;
      }
      ++i;
      while (i < source.size() && std::isspace(static_cast<unsigned char>(source[i]))) ++i;
    }
    out.push_back(text);
    at = i;
  }
  return out;
}

std::set<std::string> texts_marked_in_sources() {
  std::set<std::string> texts;
  const std::string folder = CORVANE_SRC_DIR;
  DIR* dir = opendir(folder.c_str());
  EXPECT_NE(dir, nullptr) << folder;
  if (dir == nullptr) return texts;
  while (dirent* e = readdir(dir)) {
    const std::string name = e->d_name;
    const bool source = name.size() > 4 && (name.compare(name.size() - 4, 4, ".cpp") == 0 || name.back() == 'h');
    if (!source || name.rfind("messages", 0) == 0) continue;
    std::ifstream in(folder + "/" + name);
    std::stringstream all;
    all << in.rdbuf();
    for (auto& t : marked_texts(all.str())) texts.insert(std::move(t));
  }
  closedir(dir);
  return texts;
}

TEST(Messages, EveryGermanTextKeepsThePlaceholdersOfItsEnglishText) {
  std::set<std::string> seen;
  for (size_t i = 0; i < kGermanMessageCount; ++i) {
    const std::string english = kGermanMessages[i].english, german = kGermanMessages[i].german;
    EXPECT_TRUE(seen.insert(english).second) << "twice: " << english;
    EXPECT_EQ(placeholders(german), placeholders(english)) << english << "\n" << german;
    EXPECT_FALSE(german.empty()) << english;
    // Line structure: a text that ends (or starts) a line does so in both languages.
    EXPECT_EQ(english.back() == '\n', german.back() == '\n') << english;
    EXPECT_EQ(english.front() == '\n', german.front() == '\n') << english;
  }
  std::cout << "German texts: " << kGermanMessageCount << "\n";
}

TEST(Messages, EveryMarkedTextOfTheSourcesHasAGermanEntryAndNoEntryIsStale) {
  const std::set<std::string> marked = texts_marked_in_sources();
  ASSERT_GT(marked.size(), 100u);
  std::set<std::string> table;
  for (size_t i = 0; i < kGermanMessageCount; ++i) table.insert(kGermanMessages[i].english);
  for (const std::string& text : marked) EXPECT_TRUE(table.count(text)) << "no German text for: " << text;
  for (const std::string& text : table) EXPECT_TRUE(marked.count(text)) << "not used any more: " << text;
}

TEST(Messages, LookupFillsPlaceholdersInOrderAndFallsBackToEnglish) {
  set_language("de");
  EXPECT_EQ(tr("Channel {} does not exist: the chain has {} channels (0 to {}).", 12, 10, 9),
            "Kanal 12 gibt es nicht: die Kette hat 10 Kanäle (0 bis 9).");
  EXPECT_EQ(tr("Tared {} channels", size_t{3}), "3 Kanäle tariert");
  // A text the table lacks shows in English rather than not at all.
  EXPECT_EQ(tr("not in the table {}", "x"), "not in the table x");
  // An argument that itself holds "{}" is not filled again.
  EXPECT_EQ(tr("Unknown option {}; see corvane --help.", "{}"), "Unbekannte Option {}; siehe corvane --help.");
  set_language("en");
  EXPECT_EQ(tr("Channel {} does not exist: the chain has {} channels (0 to {}).", 12, 10, 9),
            "Channel 12 does not exist: the chain has 10 channels (0 to 9).");
  EXPECT_EQ(tr("Channel {}", -1), "Channel -1");
}

using Vars = std::map<std::string, std::string>;

// Sets the locale variables for the scope and restores them after.
class LocaleVariables {
 public:
  explicit LocaleVariables(const std::map<std::string, std::string>& values) {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      const char* old = std::getenv(name);
      if (old != nullptr) saved_[name] = old;
      unsetenv(name);
    }
    for (const auto& [k, v] : values) setenv(k.c_str(), v.c_str(), 1);
  }
  ~LocaleVariables() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) unsetenv(name);
    for (const auto& [k, v] : saved_) setenv(k.c_str(), v.c_str(), 1);
  }

 private:
  std::map<std::string, std::string> saved_;
};

TEST(Messages, TheLanguageComesFromLangElseFromTheLocaleAsInTheSetupProgram) {
  {
    LocaleVariables env(Vars{});
    EXPECT_EQ(language_from_environment(), "en");
  }
  {
    LocaleVariables env(Vars{{"LANG", "de_DE.UTF-8"}});
    EXPECT_EQ(language_from_environment(), "de");
    char a0[] = "corvane", a1[] = "--lang", a2[] = "en", a3[] = "info";
    char* argv[] = {a0, a1, a2, a3};
    EXPECT_EQ(chosen_language(4, argv), "en");
    char b1[] = "--lang=fr";
    char* bad[] = {a0, b1, a3};
    EXPECT_EQ(chosen_language(3, bad), "de");  // the error about "fr" is said in the locale's language
  }
  {
    // LC_ALL outranks LC_MESSAGES, which outranks LANG.
    LocaleVariables env(Vars{{"LC_ALL", "C"}, {"LC_MESSAGES", "de_AT.UTF-8"}, {"LANG", "de_DE.UTF-8"}});
    EXPECT_EQ(language_from_environment(), "en");
  }
  {
    LocaleVariables env(Vars{{"LC_MESSAGES", "de_CH.UTF-8"}, {"LANG", "en_GB.UTF-8"}});
    EXPECT_EQ(language_from_environment(), "de");
    char a0[] = "corvane", a1[] = "--lang", a2[] = "de";
    char* argv[] = {a0, a1, a2};
    EXPECT_EQ(chosen_language(3, argv), "de");
  }
}

}  // namespace
}  // namespace corvane_cli
