// The setup window on a Corvane played by the simulator on a pseudo-terminal (COM1 at 9600 Baud,
// the default instrument): start, live values and overflow words, range popup, tare of marked
// channels, shunt, the digital word's display forms and bits, and closing; the device test
// dialog on a chain of three, the communication log menu, and printing with the instrument on LPT1.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QTest>
#include <algorithm>

#include "corvane_sim/engine.h"
#include "corvane_sim/server.h"
#include "testkit/pty_pair.h"
#include <QListWidget>
#include <QLineEdit>

#include "define_instrument_dialog.h"
#include "device_test_dialog.h"
#include "start_flow.h"
#include "testkit/temp_dir.h"
#include "window_fixture.h"

namespace sim = corvane_sim;
using setup_test::kWaitMs;
using setup_test::Window;

namespace {

constexpr int kShuntChannel = 7;
constexpr int kDigitalChannel = 8;

sim::EngineConfig chain() {
  sim::EngineConfig config;
  config.channel_types[kShuntChannel] = 5058;  // a bridge amplifier with shunt
  return config;
}

// A simulated chain on a pseudo-terminal that COM1 names, and a program folder.
struct Rig {
  sim::Engine engine{chain()};
  sim::PtyServer server{engine};
  testkit::ScopedEnv com1{"LINKAR32_COM1", server.start()};
  testkit::TempDir dir;
};

bool saw(const sim::Engine& engine, const std::string& line) {
  const std::vector<std::string> lines = engine.lines();
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

size_t count_of(const sim::Engine& engine, const std::string& line) {
  const std::vector<std::string> lines = engine.lines();
  return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

}  // namespace

class OnlineTest : public QObject {
  Q_OBJECT

 private slots:
  void liveValuesOverflowWordsAndPopups() {
    Rig rig;
    sim::Engine& engine = rig.engine;
    const testkit::TempDir& dir = rig.dir;
    engine.set_source(0, sim::SignalSource::constant(1.5));
    engine.set_source(1, sim::SignalSource::raw(32766));
    engine.set_source(2, sim::SignalSource::raw(32767));
    engine.set_source(3, sim::SignalSource::raw(-32768));
    engine.set_source(4, sim::SignalSource::raw(-32767));
    engine.set_source(5, sim::SignalSource::raw(-32766));
    engine.set_source(6, sim::SignalSource::constant(-0.75));

    Window w(dir.path());
    QVERIFY(w.window->activate());
    QVERIFY(!w.session().offline());
    QCOMPARE(w.session().channel_count(), 10);
    QVERIFY(saw(engine, "PRG?9,0"));
    // Every real amplifier channel measures after the start.
    QCOMPARE(engine.channel(kDigitalChannel).state, 6201);
    QVERIFY(!w.window->action("M_DevAdd")->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(w.cell(0, setup::kColValue), QString("1.5000 mV/V "), kWaitMs);
    QCOMPARE(w.cell(1, setup::kColValue), QString("+overflow "));
    QCOMPARE(w.cell(2, setup::kColValue), QString("+OVERFLOW "));
    QCOMPARE(w.cell(3, setup::kColValue), QString("OVERFLOW "));
    QCOMPARE(w.cell(4, setup::kColValue), QString("-OVERFLOW "));
    QCOMPARE(w.cell(5, setup::kColValue), QString("-overflow "));
    QCOMPARE(w.cell(6, setup::kColValue), QString("-0.7500 mV/V "));
    QCOMPARE(w.cell(9, setup::kColValue), QString(" "));
    // Values follow the device.
    engine.set_source(0, sim::SignalSource::constant(2.25));
    QTRY_COMPARE_WITH_TIMEOUT(w.cell(0, setup::kColValue), QString("2.2500 mV/V "), kWaitMs);

    // A range chosen in the popup reaches the device as ASA.
    w.pick = "12 mV/V";
    w.click(6, setup::kColRange);
    QCOMPARE(w.popups.size(), size_t(1));
    QCOMPARE(w.popups[0].size(), size_t(4));
    QVERIFY(w.popups[0][0].checked);
    QVERIFY(saw(engine, "ASA6,350,701"));
    QCOMPARE(engine.channel(6).range, 701);
    QCOMPARE(w.cell(6, setup::kColRange), QString("  12 mV/V"));
    QTRY_COMPARE_WITH_TIMEOUT(w.cell(6, setup::kColValue), QString("-0.750 mV/V "), kWaitMs);
    // Transducer pictures in the popup.
    w.pick = "half bridge";
    w.click(6, setup::kColTrans);
    QCOMPARE(w.popups.back()[1].picture, 2);
    QVERIFY(saw(engine, "ASA6,351,700"));
    // Online, the Chan. column opens nothing; the digital channel has no range popup.
    const size_t popups = w.popups.size();
    w.click(5, setup::kColChan);
    w.click(kDigitalChannel, setup::kColRange);
    QCOMPARE(w.popups.size(), popups);
    QVERIFY(w.messages.empty());
  }

  void tareOfMarkedChannelsAndShunt() {
    Rig rig;
    sim::Engine& engine = rig.engine;
    const testkit::TempDir& dir = rig.dir;
    engine.set_source(0, sim::SignalSource::constant(1.5));
    engine.set_source(1, sim::SignalSource::constant(0.5));
    Window w(dir.path());
    QVERIFY(w.window->activate());
    QCOMPARE(w.session().cell_picture(0, setup::kColTare), setup::CellPicture::kSet);

    // Channels 0 and 1 marked: a click on channel 0's tare cell clears tare on both.
    w.click(0, setup::kColMark);
    w.click(1, setup::kColMark, Qt::LeftButton, Qt::ControlModifier);
    engine.clear_lines();
    w.click(0, setup::kColTare);
    QVERIFY(saw(engine, "ACT0,6201"));
    QVERIFY(saw(engine, "ACT1,6201"));
    QCOMPARE(engine.channel(2).state, 6203);
    QCOMPARE(w.session().cell_picture(1, setup::kColTare), setup::CellPicture::kNotSet);
    // An unmarked channel toggles alone.
    w.click(2, setup::kColTare);
    QCOMPARE(engine.channel(2).state, 6201);
    QCOMPARE(engine.channel(0).state, 6201);
    // And back on for the marked pair; the Tare button tares them.
    w.click(1, setup::kColTare);
    QCOMPARE(engine.channel(0).state, 6203);
    QCOMPARE(engine.channel(1).state, 6203);
    w.window->tare_button()->click();
    QVERIFY(saw(engine, "TAR?"));
    QCOMPARE(w.cell(0, setup::kColTareValue), QString("1.5000"));
    QCOMPARE(w.cell(1, setup::kColTareValue), QString("0.5000"));
    QCOMPARE(w.cell(2, setup::kColTareValue), QString("0.0000"));

    // A tare value typed in goes to the device as TAV in raw counts.
    w.click(1, setup::kColTareValue);
    w.window->editor()->setText("0.3");
    QTest::keyClick(w.window->editor(), Qt::Key_Return);
    QVERIFY(saw(engine, "TAV1,2500"));

    // Shunt: only the 5058 channel has one; closing switches it off again.
    QCOMPARE(w.session().cell_picture(0, setup::kColShunt), setup::CellPicture::kNotSet);
    w.click(kShuntChannel, setup::kColShunt);
    QCOMPARE(engine.channel(kShuntChannel).signal_selector, 43);
    QCOMPARE(w.session().cell_picture(kShuntChannel, setup::kColShunt), setup::CellPicture::kSet);
    w.click(0, setup::kColShunt);
    QCOMPARE(engine.channel(0).signal_selector, 42);
    QVERIFY(w.messages.empty());

    engine.clear_lines();
    w.window->close();
    QVERIFY(saw(engine, "ASS7,42"));
    QCOMPARE(engine.channel(kShuntChannel).signal_selector, 42);
    const std::string bytes = testkit::read_file(dir.file("Corvane.$$$"));
    QCOMPARE(bytes.size(), size_t(91 + 10 * 72));
    // A second close does nothing.
    engine.clear_lines();
    w.session().close();
    QCOMPARE(engine.line_count(), size_t(0));
  }

  void digitalWordFormsAndBits() {
    Rig rig;
    sim::Engine& engine = rig.engine;
    const testkit::TempDir& dir = rig.dir;
    engine.set_source(kDigitalChannel, sim::SignalSource::raw(0xA5));
    Window w(dir.path());
    QVERIFY(w.window->activate());
    // Hexadecimal first, then decimal, binary, and hexadecimal again.
    QTRY_COMPARE_WITH_TIMEOUT(w.cell(kDigitalChannel, setup::kColValue), QString("A5 "), kWaitMs);
    w.click(kDigitalChannel, setup::kColValue);
    QCOMPARE(w.cell(kDigitalChannel, setup::kColValue), QString("00000000 \n10100101 "));
    QVERIFY(w.grid()->rowHeight(kDigitalChannel) > w.grid()->rowHeight(0));
    w.click(kDigitalChannel, setup::kColValue);
    QCOMPARE(w.cell(kDigitalChannel, setup::kColValue), QString(" 165 "));
    w.click(kDigitalChannel, setup::kColValue, Qt::RightButton);  // not binary: steps the form
    QCOMPARE(w.cell(kDigitalChannel, setup::kColValue), QString("A5 "));
    w.click(kDigitalChannel, setup::kColValue);
    QCOMPARE(w.session().channel_format(kDigitalChannel), int16_t(setup::kDigitalBinary));

    // A right click on the second digit from the right of the lower line toggles bit 1.
    const QRect cell = w.grid()->visualItemRect(w.grid()->item(kDigitalChannel, setup::kColValue));
    const QFontMetrics metrics(w.grid()->font());
    const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
    const QPoint bit1(cell.right() - 3 - metrics.horizontalAdvance(QLatin1Char(' ')) - digit - digit / 2,
                      cell.top() + cell.height() * 3 / 4);
    QTest::mouseClick(w.grid()->viewport(), Qt::RightButton, {}, bit1);
    QVERIFY(saw(engine, "DPI8,167"));
    QCOMPARE(engine.channel(kDigitalChannel).digital_value, 167);
    QTRY_COMPARE_WITH_TIMEOUT(w.cell(kDigitalChannel, setup::kColValue), QString("00000000 \n10100111 "), kWaitMs);
    // The upper line holds the high byte: its first digit is bit 15.
    const QPoint bit15(cell.right() - 3 - metrics.horizontalAdvance(QLatin1Char(' ')) - 8 * digit + digit / 2,
                       cell.top() + cell.height() / 4);
    QTest::mouseClick(w.grid()->viewport(), Qt::RightButton, {}, bit15);
    QCOMPARE(engine.channel(kDigitalChannel).digital_value, 0x80A7);
    QVERIFY(w.messages.empty());
  }

  void comboBoxesSendTheDeviceSettings() {
    Rig rig;
    sim::Engine& engine = rig.engine;
    const testkit::TempDir& dir = rig.dir;
    Window w(dir.path());
    QVERIFY(w.window->activate());
    QComboBox* rate = w.window->combo(kCvDevRate);
    QCOMPARE(rate->count(), 21);
    QCOMPARE(rate->currentText(), QString("9600 Hz"));
    QComboBox* type = w.window->combo(kCvDevFilterType);
    QComboBox* frequency = w.window->combo(kCvDevFilterFrequency);
    QCOMPARE(frequency->count(), 2);  // no filter: averaging and one frequency
    const int butterworth = type->findData(141);
    type->setCurrentIndex(butterworth);
    emit type->activated(butterworth);
    QCOMPARE(engine.device().filter_type, 141);
    QCOMPARE(frequency->count(), 4);  // the allowed window at 9600 Hz
    const int rate600 = rate->findData(6313);
    rate->setCurrentIndex(rate600);
    emit rate->activated(rate600);
    QCOMPARE(engine.device().rate, 6313);
    // The frequency list follows the new rate.
    QCOMPARE(frequency->count(), 4);
    QCOMPARE(frequency->itemData(0).toInt(), 941);
    QCOMPARE(w.session().last_error(), int16_t(0));
  }

  void deviceTestWalksAChainOfThree() {
    sim::EngineConfig config;
    config.devices = 3;
    config.serial_numbers = {"S-1001", "S-1002", "S-1003"};
    config.program_version = "P3.07";
    config.channel_types[10] = 5057;  // the second device is a Corvane-30
    config.channel_types[13] = 5058;
    config.channel_types[27] = 5050;  // an empty slot on the third
    sim::Engine engine(config);
    sim::PtyServer server(engine);
    testkit::ScopedEnv com1("LINKAR32_COM1", server.start());
    testkit::TempDir dir;
    Window w(dir.path());
    QVERIFY(w.window->activate());
    QCOMPARE(w.session().channel_count(), 30);
    struct Seen {
      QString frame, serial, version, type;
      QStringList labels;
    };
    std::vector<Seen> seen;
    bool timer_paused = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<setup::DeviceTestDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog != nullptr);
      timer_paused = !w.window->timer()->isActive();
      QCOMPARE(dialog->windowTitle(), QString("Test Device"));
      QCOMPARE(dialog->device_count(), 3);
      auto look = [&] {
        seen.push_back({dialog->frame_title(), dialog->serial(), dialog->version(), dialog->device_type(),
                        dialog->slot_labels()});
      };
      auto* previous = dialog->findChild<QPushButton*>("PrevDevButton");
      auto* next = dialog->findChild<QPushButton*>("NextDevButton");
      look();
      previous->click();  // stays on device 1
      look();
      next->click();
      look();
      next->click();
      look();
      next->click();  // stays on device 3
      look();
      previous->click();
      look();
      dialog->findChild<QPushButton*>("OKButton")->click();
    });
    w.window->test_button()->click();
    QVERIFY(timer_paused);
    QVERIFY(w.window->timer()->isActive());
    QCOMPARE(seen.size(), size_t(6));
    const QStringList first = {"TF f", "TF f", "TF", "TF", "KX4", "KX4", "KX4", "KX4"};
    QCOMPARE(seen[0].frame, QString("Device 1"));
    QCOMPARE(seen[0].serial, QString("S-1001"));
    QCOMPARE(seen[0].version, QString("P3.07"));
    QCOMPARE(seen[0].type, QString("Corvane"));
    QCOMPARE(seen[0].labels, first);
    QCOMPARE(seen[1].frame, QString("Device 1"));
    QCOMPARE(seen[2].frame, QString("Device 2"));
    QCOMPARE(seen[2].serial, QString("S-1002"));
    QCOMPARE(seen[2].type, QString("Corvane-30"));
    QCOMPARE(seen[2].labels, QStringList({"TF 600", "TF f", "TF", "KX3", "KX4", "KX4", "KX4", "KX4"}));
    QCOMPARE(seen[3].frame, QString("Device 3"));
    QCOMPARE(seen[3].serial, QString("S-1003"));
    QCOMPARE(seen[3].type, QString("Corvane"));
    QCOMPARE(seen[3].labels, QStringList({"TF f", "TF f", "TF", "TF", "KX4", "KX4", "KX4", "---------"}));
    QCOMPARE(seen[4].frame, QString("Device 3"));
    QCOMPARE(seen[5].serial, QString("S-1002"));
    // The labels of the slot picture.
    QCOMPARE(setup::slot_label(5055), QString("DIG I/O"));
    QCOMPARE(setup::slot_label(5056), QString());
    QCOMPARE(setup::device_type_for(5053), QString());
    QVERIFY(w.messages.empty());
  }

  void logMenuSwitchesTheInterfaceLog() {
    Rig rig;
    Window w(rig.dir.path());
    QVERIFY(w.window->activate());
    std::vector<QUrl> opened;
    w.window->open_url_hook = [&](const QUrl& url) { opened.push_back(url); };
    const QString log = QString::fromStdString(rig.dir.file("COMLOG.LOG"));
    QAction* on = w.window->action("M_ComLog");
    QVERIFY(!on->isChecked());
    on->trigger();
    QVERIFY(on->isChecked());
    // The readings of the refresh timer go into the log.
    QTRY_VERIFY_WITH_TIMEOUT(testkit::read_file(log.toStdString()).find("OMB?0") != std::string::npos, kWaitMs);
    on->trigger();
    QVERIFY(!on->isChecked());
    const size_t readings = count_of(rig.engine, "OMB?0");
    const std::string after_off = testkit::read_file(log.toStdString());
    QTRY_VERIFY_WITH_TIMEOUT(count_of(rig.engine, "OMB?0") > readings + 2, kWaitMs);
    QCOMPARE(testkit::read_file(log.toStdString()), after_off);
    // Show: the log goes off and the file to the viewer.
    on->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(testkit::read_file(log.toStdString()).size() > after_off.size(), kWaitMs);
    w.window->action("M_ShowLog")->trigger();
    QVERIFY(!on->isChecked());
    QCOMPARE(opened.size(), size_t(1));
    QCOMPARE(opened[0].toLocalFile(), log);
    const std::string shown = testkit::read_file(log.toStdString());
    const size_t seen = count_of(rig.engine, "OMB?0");
    QTRY_VERIFY_WITH_TIMEOUT(count_of(rig.engine, "OMB?0") > seen + 2, kWaitMs);
    QCOMPARE(testkit::read_file(log.toStdString()), shown);
    // Delete: log off, file gone; a missing file is no error.
    on->trigger();
    w.window->action("M_DelLog")->trigger();
    QVERIFY(!on->isChecked());
    QVERIFY(!QFile::exists(log));
    w.window->action("M_DelLog")->trigger();
    QVERIFY(w.messages.empty());
  }

  void printingOnLpt1ClosesAndReopensThePort() {
    sim::Engine engine;
    sim::PtyServer server(engine);
    testkit::ScopedEnv lpt1("LINKAR32_LPT1", server.start());
    testkit::ScopedEnv portix("LINKAR32_PORTIX32", QBX_PORTIX32_PATH);
    testkit::TempDir dir;
    const std::string pdf = dir.file("lpt.pdf");
    testkit::ScopedEnv target("CORVANE_PRINT_TO", pdf);
    setup::InstrumentDefinition d;
    d.name = "Lpt_Rig";
    d.port = setup::kPortLpt1;
    d.baud = 3;  // byte mode
    Window w(dir.path(), "en", d);
    QVERIFY(w.window->activate());
    QVERIFY(!w.session().offline());
    QTRY_VERIFY_WITH_TIMEOUT(count_of(engine, "OMB?0") > 0, kWaitMs);
    bool notice_seen = false;
    QTimer::singleShot(0, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      notice_seen = modal != nullptr && modal->objectName() == "PrintHinweis";
    });
    w.window->action("M_Print")->trigger();
    QVERIFY(notice_seen);
    QCOMPARE(testkit::read_file(pdf).substr(0, 5), std::string("%PDF-"));
    // The port is open again: the device is read after printing.
    engine.clear_lines();
    QTRY_VERIFY_WITH_TIMEOUT(count_of(engine, "OMB?0") > 0, kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(w.cell(0, setup::kColValue) != QString("ERROR "), kWaitMs);
    QVERIFY(w.messages.empty());
  }

  void failedStartBringsTheDefineDialogBack() {
    // COM2 leads nowhere; the simulated Corvane is on COM1.
    testkit::PtyPair silent;
    testkit::ScopedEnv com2("LINKAR32_COM2", silent.slave_path());
    Rig rig;
    setup::DriverApi api(setup::driver_file_for("en"), "liblinkar32.so", setup::library_folders());
    setup::StartFlow flow(api, rig.dir.path());
    std::vector<QString> messages;
    flow.prepare_window = [&](setup::MainWindow& window) {
      window.message_hook = [&](const QString& text, bool) {
        messages.push_back(text);
        return false;
      };
    };
    std::vector<QString> names_shown;
    flow.prepare_dialog = [&](QDialog& d) {
      auto* dialog = static_cast<setup::DefineInstrumentDialog*>(&d);
      QTimer::singleShot(0, dialog, [&, dialog] {
        names_shown.push_back(dialog->name_box()->text());
        dialog->name_box()->setText("Rig 9");
        dialog->choose_interface(names_shown.size() == 1 ? "COM2" : "COM1");
        dialog->findChild<QPushButton*>("OkButton")->click();
      });
    };
    QVERIFY(flow.run(std::nullopt, std::nullopt));
    QCOMPARE(flow.dialogs_shown(), 2);
    QCOMPARE(names_shown, std::vector<QString>({"Corvane", "Corvane"}));
    QCOMPARE(messages.size(), size_t(1));
    QVERIFY(messages[0].startsWith("Error! No Corvane found."));
    setup::MainWindow* window = flow.window();
    QVERIFY(window != nullptr && !window->session().offline());
    QCOMPARE(window->session().definition().port, setup::kPortCom1);
    QCOMPARE(window->session().definition().name, std::string("Rig_9"));
    QTRY_VERIFY_WITH_TIMEOUT(count_of(rig.engine, "OMB?0") > 0, kWaitMs);
    window->close();
    // Cancel in the dialog ends the start.
    setup::StartFlow cancelled(api, rig.dir.path());
    cancelled.prepare_dialog = [](QDialog& d) {
      QTimer::singleShot(0, &d, [&d] { d.findChild<QPushButton*>("CancelButton")->click(); });
    };
    QVERIFY(!cancelled.run(std::nullopt, std::nullopt));
    QCOMPARE(cancelled.exit_status(), 0);
  }

  void noCorvaneOnTheLine() {
    // A line where nothing answers: the start fails with text 1006 and the window closes.
    testkit::PtyPair silent;
    testkit::ScopedEnv com1("LINKAR32_COM1", silent.slave_path());
    testkit::TempDir dir;
    testkit::write_file(dir.file("Corvane.$$$"), "kept");
    Window w(dir.path());
    QVERIFY(!w.window->activate());
    QVERIFY(!w.messages.empty());
    QVERIFY(w.messages[0].startsWith("Error! No Corvane found."));
    QVERIFY(!w.window->isVisible());
    // A failed start leaves the last-state file as it was.
    QCOMPARE(testkit::read_file(dir.file("Corvane.$$$")), std::string("kept"));
  }
};

QTEST_MAIN(OnlineTest)
#include "online_test.moc"
