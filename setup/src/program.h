// The program's start-up around the window: command line, edition language, program folder,
// library folders, the single-instance lock and the hand-off file.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "instrument_definition.h"

class QTranslator;

namespace setup {

struct CommandLine {
  std::string language;                  // "de" or "en"; empty: from the user's locale
  std::optional<std::string> setup_file;  // the optional setup path
  bool help = false;
  std::string error;                     // an option that is not known
};

CommandLine parse_command_line(const std::vector<std::string>& arguments);
// "de" when the locale (LC_ALL, LC_MESSAGES, LANG, in this order) names German, else "en".
std::string language_from_environment();

// Loads Qt's own texts (standard buttons such as Yes and No) for the edition's language into the
// translator and installs it; English needs none. False when the translation is not installed.
bool install_qt_translation(const std::string& language, QTranslator* translator);

// The program folder: $CORVANE_SETUP_DIR; else the executable's folder when it is writable; else
// $XDG_STATE_HOME/corvane-setup (default ~/.local/state/corvane-setup). Created when missing.
std::string program_folder();
// Folders searched for the driver and interface libraries: beside an installed program (../lib),
// then the build tree's library folder.
std::vector<std::string> library_folders();

// The instance lock in the program folder; released by the system when the process ends.
class InstanceLock {
 public:
  explicit InstanceLock(const std::string& folder);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;
  // False when another instance holds the lock.
  bool held() const { return fd_ >= 0 || !busy_; }

 private:
  int fd_ = -1;
  bool busy_ = false;
};

// Reads the hand-off file of the program folder. nullopt when there is none, or when it is
// damaged (then *problem describes it).
std::optional<InstrumentDefinition> read_hand_off_file(const std::string& folder, std::string* problem);

}  // namespace setup
