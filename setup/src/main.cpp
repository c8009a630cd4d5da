// corvane-setup: the channel setup program for one Corvane instrument (a chain of up to ten
// Corvane amplifiers) or an offline setup. Usage: corvane-setup [--lang de|en] [SETUPFILE]
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "driver_api.h"
#include "main_window.h"
#include "platform.h"
#include "program.h"
#include "start_flow.h"

namespace {

constexpr int kTextAlreadyRunning = 2004;

// CORVANE_SETUP_MESSAGES=stderr sends every message to standard error instead of a message box
// (questions are answered No): for scripts and tests that run the program without a user.
bool messages_to_stderr() {
  const char* mode = std::getenv("CORVANE_SETUP_MESSAGES");
  return mode != nullptr && std::strcmp(mode, "stderr") == 0;
}

bool print_message(const QString& text, bool) {
  std::fprintf(stderr, "corvane-setup: %s\n", text.toLocal8Bit().constData());
  return false;
}

void message(const QString& text) {
  if (messages_to_stderr()) {
    print_message(text, false);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Corvane"), text, QMessageBox::Ok);
  box.exec();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("corvane-setup"));
  std::vector<std::string> arguments;
  for (const QString& a : QApplication::arguments().mid(1)) arguments.push_back(QFile::encodeName(a).toStdString());
  const setup::CommandLine line = setup::parse_command_line(arguments);
  if (line.help || !line.error.empty()) {
    std::fprintf(line.help ? stdout : stderr,
                 "%susage: corvane-setup [--lang de|en] [SETUPFILE]\n"
                 "Channel setup of a Corvane instrument. The instrument comes from the hand-off file\n"
                 "INP_SWP.$$$ in the program folder, else from the define-instrument dialog (LINKAR32_COM1\n"
                 "names the device of COM1, LINKAR32_LPT1 that of LPT1). The program folder is\n"
                 "$CORVANE_SETUP_DIR, else the program's own folder when it is writable, else\n"
                 "$XDG_STATE_HOME/corvane-setup. CORVANE_PRINT_TO=<file.pdf> prints into that file.\n",
                 line.error.empty() ? "" : ("unknown option " + line.error + "\n").c_str());
    return line.help ? 0 : 2;
  }
  const std::string language = line.language.empty() ? setup::language_from_environment() : line.language;

  // Qt's own buttons speak the edition's language.
  QTranslator translator;
  setup::install_qt_translation(language, &translator);

  const std::string folder = setup::program_folder();
  setup::DriverApi api(setup::driver_file_for(language), "liblinkar32.so", setup::library_folders());
  bool library_missing = false;
  api.set_missing_handler([&](const std::string& text) {
    library_missing = true;
    message(QString::fromStdString(text));
  });

  setup::InstanceLock lock(folder);
  if (!lock.held()) {
    char text[256] = {};
    api.CV_GetResString(kTextAlreadyRunning, text);
    message(QString::fromLatin1(text));
    return 1;
  }

  std::string problem;
  const std::optional<setup::InstrumentDefinition> hand_off = setup::read_hand_off_file(folder, &problem);
  if (!problem.empty()) {
    message(QStringLiteral("The hand-off file %1 is damaged (%2); define the instrument in the dialog.")
                .arg(QString::fromStdString(folder + "/" + setup::kHandOffFileName), QString::fromStdString(problem)));
  }
  setup::StartFlow flow(api, folder);
  flow.library_missing = [&] { return library_missing; };
  if (messages_to_stderr()) flow.prepare_window = [](setup::MainWindow& window) { window.message_hook = print_message; };

  // SIGTERM and SIGINT close the window as Quit does (and a dialog as Cancel does).
  const int signal_fd = setup::termination_signal_fd();
  std::unique_ptr<QSocketNotifier> notifier;
  if (signal_fd >= 0) {
    notifier = std::make_unique<QSocketNotifier>(signal_fd, QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, &app, [&] {
      setup::drain_termination_signals(signal_fd);
      flow.terminate();
      QApplication::quit();
    });
  }
  if (!flow.run(line.setup_file, hand_off)) return flow.exit_status();
  return QApplication::exec();
}
