// The tool in German (--lang de, or a German locale): help, usage and run-time errors,
// confirmations and tables in German words with no English sentence left, while what programs
// read (CSV header and metadata keys, JSON keys, exit statuses) stays the same as in English.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <sstream>

#include "json_mini.h"
#include "run_tool.h"

using json_mini::Value;

namespace {

// English words of the tool's sentences found in text. Options (--scans), hyphenated words,
// paths and quoted values are syntax, the same in both languages, and are left out first.
std::vector<std::string> english_words(const std::string& text) {
  static const std::set<std::string> kEnglish = {
      "the",       "is",       "are",     "not",      "of",       "and",     "to",       "with",     "from",
      "into",      "has",      "have",    "or",       "be",       "for",     "by",       "this",     "that",
      "which",     "cannot",   "failed",  "usage",    "Usage",    "channel", "Channel",  "Channels", "device",
      "Device",    "devices",  "measuring", "value",  "values",   "only",    "when",     "after",    "before",
      "every",     "none",     "found",   "default",  "possible", "reading", "readings", "setting",  "settings",
      "unit",      "Unit",     "mean",    "Mean",     "file",     "command", "commands", "line",     "Warning",
      "Saved",     "Loaded",   "Tared",   "Acquired", "Interrupted", "Unknown", "scans",  "on",       "off",
      "Scale",     "Chan",     "Meas",    "Tare",     "Range",    "Driver",  "Chain",    "slot",     "kept",
      "Give",      "either",   "needs",   "takes",    "Sending",  "Reading", "Setting",  "Opening",  "Loading",
      "There",     "status",   "error"};
  // Quoted values go first, then whitespace-separated words that are syntax.
  std::string t;
  bool quoted = false;
  for (char c : text) {
    if (c == '"' || c == '\n') quoted = c == '"' ? !quoted : false;
    t += quoted || c == '"' ? ' ' : c;
  }
  std::vector<std::string> found;
  std::istringstream words(t);
  for (std::string w; words >> w;) {
    const size_t first = w.find_first_not_of("[(,");
    if (first == std::string::npos || w[first] == '-' || w.find_first_of("/|") != std::string::npos) continue;
    bool hyphenated = false;
    for (size_t i = 1; i + 1 < w.size(); ++i) hyphenated = hyphenated || (w[i] == '-' && std::isalpha(static_cast<unsigned char>(w[i - 1])) && std::isalpha(static_cast<unsigned char>(w[i + 1])));
    if (hyphenated) continue;
    std::string letters;
    for (size_t i = 0; i <= w.size(); ++i) {
      const char c = i < w.size() ? w[i] : ' ';
      if (std::isalpha(static_cast<unsigned char>(c)) || c == '\'') {
        letters += c;
        continue;
      }
      if (kEnglish.count(letters)) found.push_back(letters);
      letters.clear();
    }
  }
  return found;
}

// Whether text has a line whose blank-separated words are exactly these (a table's header).
bool has_line_of_words(const std::string& text, const std::vector<std::string>& wanted) {
  for (const std::string& line : lines_of(text)) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    if (words == wanted) return true;
  }
  return false;
}

std::string joined(const std::vector<std::string>& words) {
  std::string out;
  for (const auto& w : words) out += (out.empty() ? "" : ", ") + w;
  return out;
}

// Keys of a JSON document, with their paths, for comparing the structure of two documents.
void collect_keys(const Value& v, const std::string& path, std::set<std::string>* keys) {
  if (v.type == Value::Type::kObject) {
    for (const auto& [k, child] : v.object) {
      keys->insert(path + "." + k);
      collect_keys(child, path + "." + k, keys);
    }
  } else if (v.type == Value::Type::kArray) {
    for (const auto& child : v.array) collect_keys(child, path + "[]", keys);
  }
}

// The "# key:" names of a CSV's metadata lines and its column header without channel names.
std::vector<std::string> csv_structure(const std::string& csv) {
  std::vector<std::string> out;
  for (const std::string& line : lines_of(csv)) {
    if (line.rfind("# ", 0) == 0) {
      out.push_back(line.substr(0, line.find(':')));
    } else {
      out.push_back(line.substr(0, line.find(',')));  // "time [s]"
      break;
    }
  }
  return out;
}

TEST(German, HelpIsGermanForTheOverviewAndEveryCommand) {
  ToolResult r = run_tool({"--lang", "de", "--help"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("Aufruf: corvane [globale Optionen] BEFEHL", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("  Steckplatz 0: Vollbr\xC3\xBC" "cke 3 mV/V, Sinus 0.5 +- 1.0 mV/V mit 1 Hz\n"), std::string::npos);
  EXPECT_NE(r.out.find("Die maschinenlesbare Ausgabe ist in jeder Sprache gleich"), std::string::npos);
  EXPECT_EQ(joined(english_words(r.out)), "") << r.out;
  for (const char* command : {"info", "show", "set", "set-device", "tare", "read", "acquire", "record", "db", "save",
                              "load", "shunt-cal", "ports"}) {
    r = run_tool({"--lang", "de", command, "--help"});
    EXPECT_EQ(r.status, 0) << command;
    EXPECT_EQ(r.out.rfind(std::string("Aufruf: corvane [globale Optionen] ") + command + " ...\n", 0), 0u) << r.out;
    EXPECT_EQ(joined(english_words(r.out)), "") << r.out;
  }
  // The English help says so too.
  r = run_tool({"--help"});
  EXPECT_NE(r.out.find("Machine-readable output is the same in every language"), std::string::npos);
  EXPECT_EQ(joined(english_words(r.out)).empty(), false);  // the check does see English
}

TEST(German, UsageErrorsAreGermanWithTheSameExitStatus) {
  ToolResult r = run_tool({"--lang", "de", "set", "4", "colour", "red"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.rfind("corvane: \"colour\" ist keine Kanaleinstellung; die Einstellungen sind: amplifier, name,", 0), 0u)
      << r.err;
  EXPECT_EQ(joined(english_words(r.err)), "") << r.err;
  // Said before the command is read: the language is known from the start.
  r = run_tool({"--bogus", "--lang", "de", "info"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "corvane: Unbekannte Option --bogus; siehe corvane --help.\n");
  r = run_tool({"--lang", "de", "acquire", "--scans", "10", "--duration", "1s"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "corvane: Entweder --scans oder --duration angeben, nicht beides.\n");
  r = run_tool({"--lang", "de", "acquire", "--duration", "soon"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "corvane: Die Option --duration braucht eine Dauer wie 30, 500ms, 2s, 10min oder 1h, nicht \"soon\".\n");
  // A wrong --lang is said in the language of the environment.
  r = run_tool({"--lang", "fr", "info"});
  EXPECT_EQ(r.err, "corvane: --lang takes en or de, not \"fr\".\n");
  r = run_tool({"--lang", "fr", "info"}, {{"LANG", "de_DE.UTF-8"}});
  EXPECT_EQ(r.err, "corvane: --lang erwartet en oder de, nicht \"fr\".\n");
}

TEST(German, RunTimeErrorsAreGermanAlsoInsideJson) {
  ToolResult r = run_tool({"--lang", "de", "set", "4", "tare", "10"});
  EXPECT_EQ(r.status, 1);
  // The tool's words around the driver's German text of the device error.
  EXPECT_EQ(r.err.rfind("corvane: Senden von tare f\xC3\xBCr Kanal 4 an das Ger\xC3\xA4t fehlgeschlagen: der Verst\xC3\xA4rker "
                        "meldete Fehler 10005 ",
                        0),
            0u)
      << r.err;
  EXPECT_EQ(joined(english_words(r.err)), "") << r.err;
  r = run_tool({"--lang", "de", "show", "--channels", "12"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "corvane: Kanal 12 gibt es nicht: die Kette hat 10 Kan\xC3\xA4le (0 bis 9).\n");
  r = run_tool({"--lang", "de", "--json", "--port", "offline", "acquire"});
  EXPECT_EQ(r.status, 1);
  Value doc = json_mini::parse(lines_of(r.out).at(0));
  EXPECT_EQ(doc["command"].string, "acquire");
  EXPECT_EQ(doc["error"].string, "Eine Messung braucht ein Ger\xC3\xA4t: offline gibt es keine Messwerte.");
  EXPECT_EQ(doc["exit_status"].number, 1);
  // The system's reason in German too (the locales package brings the C library's German texts).
  r = run_tool({"--lang", "de", "acquire", "--scans", "3", "--output", "/nonexistent/x.csv"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "corvane: Die CSV-Datei /nonexistent/x.csv l\xC3\xA4sst sich nicht anlegen: Datei oder Verzeichnis nicht "
                   "gefunden.\n");
  r = run_tool({"--lang", "de", "load", "/nonexistent/setup.cvs"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("corvane: Laden des Setups /nonexistent/setup.cvs fehlgeschlagen: ", 0), 0u) << r.err;
  EXPECT_EQ(joined(english_words(r.err)), "") << r.err;
}

TEST(German, ConfirmationsAreGerman) {
  ToolResult r = run_tool({"--lang", "de", "set", "4", "range", "125 mV/V", "+", "set", "7", "shunt", "ein"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("Kanal 4 \"Kanal 4\": KX4, Vollbr\xC3\xBC" "cke, Messbereich 125 mV/V, Messen/Tara aktiv, Tarawert "),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find(", Shunt ein"), std::string::npos) << r.err;
  EXPECT_EQ(joined(english_words(r.err)), "") << r.err;
  r = run_tool({"--lang", "de", "tare", "0-1", "+", "read", "--channels", "0"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("2 Kan\xC3\xA4le tariert:\n"), std::string::npos) << r.err;
  EXPECT_TRUE(has_line_of_words(r.err, {"Kanal", "Name", "Tarawert"})) << r.err;
  EXPECT_NE(r.err.find("messen nicht mehr; der Verst\xC3\xA4rker beh\xC3\xA4lt diesen Zustand nach dem Lauf."),
            std::string::npos)
      << r.err;
  EXPECT_EQ(joined(english_words(r.err + r.out)), "") << r.err << r.out;
}

TEST(German, TablesAreGermanWhileCsvAndJsonKeepTheirKeys) {
  ToolResult r = run_tool({"--lang", "de", "show"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("Ger\xC3\xA4t Corvane: 10 Kan\xC3\xA4le, Abtastrate ", 0), 0u) << r.out;
  const std::string header = lines_of(r.out).at(1);
  for (const char* column : {"Kanal", "Aufn.", "Tarawert", "Faktor", "Me\xC3\x9Fwert"}) {
    EXPECT_NE(header.find(column), std::string::npos) << header;
  }
  EXPECT_NE(r.out.find(" aus "), std::string::npos);  // tare and shunt states
  EXPECT_EQ(joined(english_words(r.out)), "") << r.out;

  testkit::TempDir dir;
  const std::string de_csv = dir.file("de.csv"), en_csv = dir.file("en.csv");
  r = run_tool({"--lang", "de", "acquire", "--scans", "20", "--output", de_csv});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("20 Scans von 10 Kan\xC3\xA4len mit 9600 Hz gemessen (0.00 s) nach "), std::string::npos) << r.err;
  EXPECT_TRUE(has_line_of_words(r.err, {"Kanal", "Name", "Min", "Mittel", "Max", "Einheit"})) << r.err;
  EXPECT_EQ(joined(english_words(r.err)), "") << r.err;
  ToolResult en = run_tool({"acquire", "--scans", "20", "--output", en_csv});
  ASSERT_EQ(en.status, 0) << en.err;
  const std::vector<std::string> de_structure = csv_structure(testkit::read_file(de_csv));
  EXPECT_EQ(de_structure, csv_structure(testkit::read_file(en_csv)));
  EXPECT_EQ(de_structure.back(), "time [s]");

  std::set<std::string> de_keys, en_keys;
  r = run_tool({"--lang", "de", "--json", "show", "+", "read", "+", "info"});
  en = run_tool({"--json", "show", "+", "read", "+", "info"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const auto& line : lines_of(r.out)) collect_keys(json_mini::parse(line), "", &de_keys);
  for (const auto& line : lines_of(en.out)) collect_keys(json_mini::parse(line), "", &en_keys);
  EXPECT_EQ(de_keys, en_keys);
  EXPECT_GT(de_keys.size(), 20u);
}

TEST(German, RecordAndItsDatabaseSpeakGermanToo) {
  testkit::TempDir dir;
  const std::string db = dir.file("run.db");
  ToolResult r = run_tool({"--lang", "de", "record", "--channels", "0-1", "--rate", "100", "--duration", "300ms",
                           "--formula", "Summe=c0+c1", "--db", db});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("30 Scans von 2 Kan\xC3\xA4len und 1 Formel mit 100 Hz von 1 Leitung aufgezeichnet"), std::string::npos)
      << r.err;
  EXPECT_NE(r.out.find(" Scans/s "), std::string::npos) << r.out;  // the progress line
  EXPECT_EQ(joined(english_words(r.err + r.out)), "") << r.err << r.out;
  r = run_tool({"--lang", "de", "db", db});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(has_line_of_words(r.out, {"Kanal", "Name", "Einheit", "Anzahl", "Min", "Max", "Rate", "Start", "Zuletzt",
                                         "geschrieben"}))
      << r.out;
  r = run_tool({"--lang", "de", "record", "--channels", "0", "--rate", "100", "--formula", "x=c5"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "corvane: Die Formel x nutzt c5, das nicht aufgezeichnet wird: Kanal 5 zu --channels hinzuf\xC3\xBCgen.\n");
}

TEST(German, AGermanLocaleChoosesGermanUnlessLangSaysOtherwise) {
  ToolResult r = run_tool({"--help"}, {{"LANG", "de_DE.UTF-8"}});
  EXPECT_EQ(r.out.rfind("Aufruf: corvane", 0), 0u) << r.out;
  r = run_tool({"show"}, {{"LC_MESSAGES", "de_AT.UTF-8"}});
  EXPECT_EQ(r.out.rfind("Ger\xC3\xA4t Corvane: 10 Kan\xC3\xA4le", 0), 0u) << r.out;
  r = run_tool({"--lang", "en", "--help"}, {{"LANG", "de_DE.UTF-8"}});
  EXPECT_EQ(r.out.rfind("usage: corvane", 0), 0u) << r.out;
  r = run_tool({"--help"}, {{"LC_ALL", "C"}, {"LANG", "de_DE.UTF-8"}});
  EXPECT_EQ(r.out.rfind("usage: corvane", 0), 0u) << r.out;
}

}  // namespace
