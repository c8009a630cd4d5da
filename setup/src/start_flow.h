// The program's way from start to a running window: the define-instrument dialog unless a hand-off
// file defined the instrument, the window's load and activation, and back to the dialog (with the
// definition as it was left) after a start that failed. The instrument definition lives here for
// the whole run.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "dialog_texts.h"
#include "instrument_definition.h"
#include "main_window.h"

namespace setup {

class StartFlow {
 public:
  StartFlow(DriverApi& api, std::string program_folder);

  // Called for every window made (a failed start makes a new one): the place for message hooks.
  std::function<void(MainWindow&)> prepare_window;
  // Called for every define-instrument dialog before it is shown (tests answer it).
  std::function<void(QDialog&)> prepare_dialog;
  // True once a missing library was reported: the start ends.
  std::function<bool()> library_missing;

  // Runs the start. True when the window runs (window() is it, the event loop follows); false when
  // the program ends: the dialog was cancelled, a command-line setup was sent, or a start from the
  // hand-off file failed. exit_status() is the program's status then.
  bool run(const std::optional<std::string>& setup_file, const std::optional<InstrumentDefinition>& hand_off);
  MainWindow* window() const { return window_.get(); }
  int exit_status() const { return exit_status_; }
  // A termination signal: closes the dialog or window that is open, and the start ends.
  void terminate();
  // How many times the define-instrument dialog was shown.
  int dialogs_shown() const { return dialogs_shown_; }

 private:
  DriverApi& api_;
  std::string folder_;
  std::unique_ptr<MainWindow> window_;
  std::optional<InstrumentDefinition> definition_;
  bool terminated_ = false;
  int exit_status_ = 0;
  int dialogs_shown_ = 0;
};

}  // namespace setup
