// Start-up helpers of the program (see program.h).
#include "program.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform.h"

#ifndef SETUP_BUILD_LIBRARY_DIR
#define SETUP_BUILD_LIBRARY_DIR ""
#endif
#ifndef SETUP_INSTALL_LIBDIR
#define SETUP_INSTALL_LIBDIR "lib"
#endif

namespace setup {
namespace {

std::string env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

constexpr const char* kLockFile = "corvane-setup.lock";

}  // namespace

CommandLine parse_command_line(const std::vector<std::string>& arguments) {
  CommandLine line;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (a == "--lang" && i + 1 < arguments.size()) {
      line.language = arguments[++i] == "de" ? "de" : "en";
    } else if (a.rfind("--lang=", 0) == 0) {
      line.language = a.substr(7) == "de" ? "de" : "en";
    } else if (a == "--help" || a == "-h") {
      line.help = true;
    } else if (a.size() > 1 && a[0] == '-' && !line.setup_file) {
      line.error = a;
    } else if (!line.setup_file) {
      line.setup_file = a;
    }
  }
  return line;
}

std::string language_from_environment() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const std::string value = env(name);
    if (value.empty()) continue;
    return value.rfind("de", 0) == 0 ? "de" : "en";
  }
  return "en";
}

bool install_qt_translation(const std::string& language, QTranslator* translator) {
  if (language != "de") return false;
  if (!translator->load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

std::string program_folder() {
  std::string folder = env("CORVANE_SETUP_DIR");
  if (folder.empty()) {
    const std::string exe = executable_folder();
    if (folder_writable(exe)) {
      folder = exe;
    } else {
      std::string state = env("XDG_STATE_HOME");
      if (state.empty()) state = env("HOME") + "/.local/state";
      folder = state + "/corvane-setup";
    }
  }
  make_folders(folder);
  return folder;
}

std::vector<std::string> library_folders() {
  std::vector<std::string> folders;
  const std::string exe = executable_folder();
  if (!exe.empty()) folders.push_back(exe + "/../" SETUP_INSTALL_LIBDIR);
  if (SETUP_BUILD_LIBRARY_DIR[0] != '\0') folders.push_back(SETUP_BUILD_LIBRARY_DIR);
  return folders;
}

InstanceLock::InstanceLock(const std::string& folder) { fd_ = take_instance_lock(folder + "/" + kLockFile, &busy_); }

InstanceLock::~InstanceLock() { release_instance_lock(fd_); }

std::optional<InstrumentDefinition> read_hand_off_file(const std::string& folder, std::string* problem) {
  std::ifstream in(folder + "/" + kHandOffFileName, std::ios::binary);
  if (!in) return std::nullopt;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return parse_hand_off(bytes, problem);
}

}  // namespace setup
