// setup-screenshot: draws a window of the program against the instrument the environment names
// (COM1, i.e. LINKAR32_COM1) and saves it as a PNG: the channel setup window once the values have
// come in, or one of its dialogs. Used by scripts/screenshot-setup under a virtual display to keep
// the README's and the manual's pictures current.
// Usage: setup-screenshot OUTPUT.png [main|define|interface|devtest|notice]
#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <cstring>

#include "define_instrument_dialog.h"
#include "device_test_dialog.h"
#include "driver_api.h"
#include "interface_dialog.h"
#include "print_notice.h"
#include "main_window.h"
#include "program.h"

namespace {

constexpr int kSettleMs = 2500;
constexpr int kThermocoupleChannel = 6;
constexpr int32_t kThermocoupleK = 451;
constexpr int kDigitalChannel = 8;
constexpr int kDialogSettleMs = 400;

// Shows a dialog, saves its picture once it is drawn, and closes it.
int grab_dialog(QWidget* dialog, const char* output) {
  dialog->show();
  bool saved = false;
  QTimer::singleShot(kDialogSettleMs, dialog, [&] {
    saved = dialog->grab().save(QString::fromLocal8Bit(output));
    QApplication::exit(0);
  });
  QApplication::exec();
  return saved ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: setup-screenshot OUTPUT.png [main|define|interface|devtest|notice]\n");
    return 2;
  }
  const std::string which = argc == 3 ? argv[2] : "main";
  // The edition follows the user's language, as in the program.
  const std::string language = setup::language_from_environment();
  QTranslator translator;
  setup::install_qt_translation(language, &translator);
  setup::DriverApi api(setup::driver_file_for(language), "liblinkar32.so", setup::library_folders());
  api.set_missing_handler([](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); });
  setup::MainWindow window(api, setup::program_folder());
  window.message_hook = [](const QString& text, bool) {
    std::fprintf(stderr, "message: %s\n", text.toLocal8Bit().constData());
    return false;
  };
  window.session().start(std::nullopt, std::nullopt);
  const setup::TextSource texts = [&](int id) { return window.session().text(id); };
  setup::InstrumentDefinition definition = window.session().definition();
  definition.name = "Bench_3";
  if (which == "define") {
    setup::DefineInstrumentDialog dialog(definition, texts);
    dialog.name_box()->setText("Bench 3");
    dialog.choose_interface("COM1");
    return grab_dialog(&dialog, argv[1]);
  }
  if (which == "interface") {
    setup::InterfaceDialog dialog(definition, texts);
    return grab_dialog(&dialog, argv[1]);
  }
  if (which == "notice") {
    setup::PrintNotice notice([] { return setup::kPortBusy; }, setup::MainWindow::qtext(texts(2011)),
                              setup::MainWindow::qtext(texts(707)));
    return grab_dialog(&notice, argv[1]);
  }
  window.load();
  if (which == "devtest") {
    if (!window.activate()) return 1;
    setup::DeviceTestDialog dialog(window.session(), nullptr);
    const int result = grab_dialog(&dialog, argv[1]);
    window.close();
    return result;
  }
  window.show();
  if (!window.activate()) return 1;
  // A few settings as a user makes them: a thermocouple, two marked channels, a binary word.
  setup::SetupSession& session = window.session();
  session.apply_popup(kThermocoupleChannel, setup::kColTrans, kThermocoupleK);
  session.mark_click(0, false, false);
  session.mark_click(1, false, true);
  session.step_digital_form(kDigitalChannel);
  window.repaint_grid();
  QTimer::singleShot(kSettleMs, &window, [&] {
    const bool saved = window.grab().save(QString::fromLocal8Bit(argv[1]));
    window.close();
    QApplication::exit(saved ? 0 : 1);
  });
  return QApplication::exec();
}
