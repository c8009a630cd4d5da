// The start of the program (see start_flow.h).
#include "start_flow.h"

#include <QApplication>

#include "define_instrument_dialog.h"

namespace setup {

StartFlow::StartFlow(DriverApi& api, std::string program_folder) : api_(api), folder_(std::move(program_folder)) {}

bool StartFlow::run(const std::optional<std::string>& setup_file, const std::optional<InstrumentDefinition>& hand_off) {
  // The dialogs take their texts from the driver's string table through the window's session.
  const TextSource texts = [this](int id) { return window_->session().text(id); };
  auto missing = [this] { return library_missing && library_missing(); };
  for (;;) {
    window_.reset();
    window_ = std::make_unique<MainWindow>(api_, folder_);
    if (prepare_window) prepare_window(*window_);
    window_->session().start(setup_file, hand_off);
    if (missing()) {
      exit_status_ = 1;
      return false;
    }
    if (!hand_off) {
      InstrumentDefinition edited = definition_ ? *definition_ : window_->session().definition();
      DefineInstrumentDialog dialog(edited, texts);
      ++dialogs_shown_;
      if (prepare_dialog) prepare_dialog(dialog);
      if (dialog.exec() != QDialog::Accepted || terminated_) {
        exit_status_ = 0;
        return false;
      }
      definition_ = edited;
      window_->session().set_definition(edited);
    }
    window_->load();
    window_->show();
    if (window_->activate()) return true;
    exit_status_ = window_->session().last_error() == 0 && !missing() ? 0 : 1;
    // A command-line setup ends the program; so does a failed start from a hand-off file.
    if (window_->session().command_line_setup() || hand_off || terminated_) return false;
  }
}

void StartFlow::terminate() {
  terminated_ = true;
  if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  if (window_) window_->close();
}

}  // namespace setup
