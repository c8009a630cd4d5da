// setup-screenshot: draws the channel setup window of the program against the instrument the
// environment names (COM1, i.e. LINKAR32_COM1) and saves it as a PNG once the values have come in.
// Used by scripts/screenshot-setup under a virtual display to keep the README's picture current.
// Usage: setup-screenshot OUTPUT.png
#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "driver_api.h"
#include "main_window.h"
#include "program.h"

namespace {

constexpr int kSettleMs = 2500;
constexpr int kThermocoupleChannel = 6;
constexpr int32_t kThermocoupleK = 451;
constexpr int kDigitalChannel = 8;

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: setup-screenshot OUTPUT.png\n");
    return 2;
  }
  setup::DriverApi api(setup::driver_file_for("en"), "liblinkar32.so", setup::library_folders());
  api.set_missing_handler([](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); });
  setup::MainWindow window(api, setup::program_folder());
  window.message_hook = [](const QString& text, bool) {
    std::fprintf(stderr, "message: %s\n", text.toLocal8Bit().constData());
    return false;
  };
  window.session().start(std::nullopt, std::nullopt);
  window.load();
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
