// The program's secondary windows and file commands offline: the define-instrument and interface
// dialogs and their storing rules, older setup files imported in both layouts (and refused when
// damaged or of another version), setup files saved by their extension, printing into a PDF, the
// print notice's retry loop and its Cancel button, and Help.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <cstring>

#include "define_instrument_dialog.h"
#include "interface_dialog.h"
#include "old_setup_file.h"
#include "print_notice.h"
#include "testkit/pty_pair.h"
#include "testkit/temp_dir.h"
#include "window_fixture.h"

using setup_test::Window;

namespace {

// Texts of the English driver edition.
setup::TextSource english_texts(setup::DriverApi& api) {
  return [&api](int id) {
    char text[256] = {};
    api.CV_GetResString(id, text);
    return std::string(text);
  };
}

template <typename T>
void put(std::string* out, T value) {
  char raw[sizeof(T)];
  std::memcpy(raw, &value, sizeof(T));
  out->append(raw, sizeof(T));
}

// One channel of an older setup file as the test writes it.
struct OldChannelSpec {
  int32_t amplifier;
  int32_t transducer;
  double range;
  int32_t filter;
  bool tare;
  double tare_value;
};

// An older setup file written field by field: layout 16560 (16-bit fields, floats) or 16570
// (32-bit fields, doubles).
std::string old_file(uint16_t version, int16_t filter_type, double hertz, const std::vector<OldChannelSpec>& channels,
                     int16_t count = -1) {
  std::string b;
  put<uint16_t>(&b, version);
  put<int16_t>(&b, count >= 0 ? count : static_cast<int16_t>(channels.size()));
  put<int16_t>(&b, 6313);
  put<int16_t>(&b, filter_type);
  put<int16_t>(&b, 0);
  if (version == setup::kOldSetupVersionA) {
    put<float>(&b, static_cast<float>(hertz));
  } else {
    put<double>(&b, hertz);
    b.append("OLDRIG\0\0\0\0", 10);
  }
  for (const OldChannelSpec& c : channels) {
    if (version == setup::kOldSetupVersionA) {
      put<int16_t>(&b, static_cast<int16_t>(c.amplifier));
      put<int16_t>(&b, static_cast<int16_t>(c.transducer));
      put<float>(&b, static_cast<float>(c.range));
      put<int16_t>(&b, static_cast<int16_t>(c.filter));
      put<int16_t>(&b, c.tare ? 1 : 0);
      put<float>(&b, static_cast<float>(c.tare_value));
      b.append(8, 'n');
    } else {
      put<int32_t>(&b, c.amplifier);
      put<int32_t>(&b, c.transducer);
      put<double>(&b, c.range);
      put<int32_t>(&b, c.filter);
      put<int16_t>(&b, c.tare ? 1 : 0);
      put<int16_t>(&b, 0);
      put<double>(&b, c.tare_value);
      b.append(20, 'n');
    }
  }
  return b;
}

int32_t chan(setup::DriverApi& api, int c, int32_t selector) {
  int32_t v = 0;
  api.CV_GetChanSettings(c, selector, &v);
  return v;
}

float chan_float(setup::DriverApi& api, int c, int32_t selector) {
  float v = 0;
  api.CV_GetChanSettings(c, selector, &v);
  return v;
}

int32_t dev(setup::DriverApi& api, int32_t selector) {
  int32_t v = 0;
  api.CV_GetDevSettings(selector, &v);
  return v;
}

// The channels of the offline chain as an older file would hold them unchanged.
std::vector<OldChannelSpec> current_channels(setup::DriverApi& api, int count) {
  std::vector<OldChannelSpec> channels;
  for (int c = 0; c < count; ++c) {
    channels.push_back({chan(api, c, kCvChanAmplifier), chan(api, c, kCvChanTransducer),
                        static_cast<double>(chan(api, c, kCvChanRange)), chan(api, c, kCvChanFilterMode),
                        (chan(api, c, kCvChanState) - 6200) / 2 == 1, chan_float(api, c, kCvChanTare)});
  }
  return channels;
}

// The hertz of a filter-frequency id, read from its index string (" 2.5 Hz", "  10 Hz").
double hertz_of(setup::DriverApi& api, int32_t id) {
  char text[256] = {};
  api.GetIDString(id, text);
  return QString::fromLatin1(text).split(' ', Qt::SkipEmptyParts).value(0).toDouble();
}

// Runs `act` on the modal dialog of type T once it is shown.
template <typename T>
void on_modal(std::function<void(T*)> act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    QVERIFY(dialog != nullptr);
    act(dialog);
  });
}

// The lines of a text form with their runs of blanks as one blank; the date line keeps its label
// only (the print and the reference are written a moment apart).
QStringList non_empty_lines(const QString& text) {
  QStringList lines;
  for (const QString& line : text.split(QRegularExpression("[\r\n\f]+"))) {
    if (line.trimmed().isEmpty()) continue;
    const QString simple = line.simplified();
    lines << (simple.startsWith("Date") ? simple.section(':', 0, 0) : simple);
  }
  return lines;
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void defineInstrumentRules() {
    setup::DriverApi api(setup::driver_file_for("en"), "liblinkar32.so", setup::library_folders());
    setup::InstrumentDefinition d;  // COM1 at 9600 Baud
    d.usb_address = "old";
    int beeps = 0;
    setup::DefineInstrumentDialog dialog(d, english_texts(api));
    dialog.beep_hook = [&] { ++beeps; };
    QCOMPARE(dialog.windowTitle(), QString("Define Instrument"));
    QCOMPARE(dialog.name_box()->text(), QString("Corvane"));
    QCOMPARE(dialog.interfaces()->currentItem()->text(), QString("LPT1"));
    QCOMPARE(dialog.interfaces()->count(), 8);
    QVERIFY(!dialog.usb_box()->isEnabled());
    QVERIFY(d.usb_address.empty());  // cleared when the dialog opens
    auto* ok = dialog.findChild<QPushButton*>("OkButton");
    auto* setup_button = dialog.findChild<QPushButton*>("SetupButton");

    // An empty name only beeps.
    dialog.name_box()->clear();
    ok->click();
    QCOMPARE(beeps, 1);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(d.port, setup::kPortCom1);

    // LPT2 after a serial definition keeps parallel mode 1, not the former 9600 Baud; blanks become "_".
    dialog.name_box()->setText("   ");
    dialog.choose_interface("LPT2");
    ok->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(d.name, std::string("___"));
    QCOMPARE(d.port, setup::kPortLpt2);
    QCOMPARE(d.baud, 1);
    QCOMPARE(beeps, 1);

    // The USB address is kept when another entry is chosen and shown again for USB.
    dialog.choose_interface("USB");
    QVERIFY(dialog.usb_box()->isEnabled());
    dialog.usb_box()->setText("CV0042");
    dialog.choose_interface("COM2");
    QVERIFY(dialog.usb_box()->text().isEmpty());
    dialog.choose_interface("COM3");
    dialog.choose_interface("USB");
    QCOMPARE(dialog.usb_box()->text(), QString("CV0042"));
    dialog.name_box()->setText("Rig A 2");
    ok->click();
    QCOMPARE(d.port, setup::kPortUsb);
    QCOMPARE(d.usb_address, std::string("CV0042"));
    QCOMPARE(d.name, std::string("Rig_A_2"));

    // Setup Interface for OFFLINE only beeps.
    dialog.choose_interface("OFFLINE");
    setup_button->click();
    QCOMPARE(beeps, 2);
    QCOMPARE(d.port, setup::kPortOffline);

    // The serial frame: a receive buffer of 100 is stored as 512, a time-out of 2.5 s as 2500 ms.
    dialog.choose_interface("COM1");
    d.baud = 1;  // a parallel mode left in the baud field shows as 9600
    on_modal<setup::InterfaceDialog>([](setup::InterfaceDialog* ifc) {
      QVERIFY(ifc->serial_frame()->isVisibleTo(ifc));
      QVERIFY(!ifc->parallel_frame()->isVisibleTo(ifc));
      QCOMPARE(ifc->serial_frame()->title(), QString("COM 1"));
      QCOMPARE(ifc->windowTitle(), QString("Setup Hardware Interfaces: Rig_A_2"));
      QCOMPARE(ifc->findChild<QComboBox*>("Baud")->currentText(), QString("9600"));
      QCOMPARE(ifc->findChild<QLineEdit*>("TIMO")->text(), QString("10"));
      QCOMPARE(ifc->findChild<QComboBox*>("Parity")->currentText(), QString("EVEN"));
      ifc->findChild<QComboBox*>("Baud")->setCurrentText("19200");
      ifc->findChild<QComboBox*>("Parity")->setCurrentIndex(2);
      ifc->findChild<QComboBox*>("StopBits")->setCurrentIndex(1);
      ifc->findChild<QComboBox*>("DataBits")->setCurrentIndex(0);
      ifc->findChild<QLineEdit*>("RCV")->setText("100");
      ifc->findChild<QLineEdit*>("TIMO")->setText("2.5");
      ifc->findChild<QCheckBox*>("HWX")->setChecked(true);
      ifc->findChild<QPushButton*>("OK")->click();
    });
    setup_button->click();
    QCOMPARE(d.port, setup::kPortCom1);
    QCOMPARE(d.baud, 19200);
    QCOMPARE(d.parity, int16_t(2));
    QCOMPARE(d.stop_bits, int16_t(2));
    QCOMPARE(d.data_bits, int16_t(7));
    QCOMPARE(d.receive_buffer, 512);
    QCOMPARE(d.timeout_ms, 2500);
    QCOMPARE(d.hardware_handshake, int16_t(1));

    // Cancel stores nothing; a negative time-out would be 0.
    on_modal<setup::InterfaceDialog>([](setup::InterfaceDialog* ifc) {
      QCOMPARE(ifc->findChild<QLineEdit*>("TIMO")->text(), QString("2.5"));
      ifc->findChild<QLineEdit*>("RCV")->setText("9999");
      ifc->findChild<QPushButton*>("Cancel")->click();
    });
    setup_button->click();
    QCOMPARE(d.receive_buffer, 512);
    setup::SerialEntries negative{"9600", 1, "1", "8", "4096", "-3", false};
    setup::store_serial_entries(negative, &d);
    QCOMPARE(d.timeout_ms, 0);

    // The parallel frame stores the mode in the baud field.
    dialog.choose_interface("LPT1");
    on_modal<setup::InterfaceDialog>([](setup::InterfaceDialog* ifc) {
      QVERIFY(ifc->parallel_frame()->isVisibleTo(ifc));
      QVERIFY(!ifc->serial_frame()->isVisibleTo(ifc));
      QCOMPARE(ifc->findChild<QComboBox*>("PORTIXMode")->currentText(), QString("Nibble Mode"));
      ifc->findChild<QComboBox*>("PORTIXMode")->setCurrentIndex(3);
      ifc->findChild<QPushButton*>("OK")->click();
    });
    setup_button->click();
    QCOMPARE(d.port, setup::kPortLpt1);
    QCOMPARE(d.baud, 4);
    // The USB frame stores the address and 2.
    dialog.choose_interface("USB");
    on_modal<setup::InterfaceDialog>([](setup::InterfaceDialog* ifc) {
      QVERIFY(ifc->usb_frame()->isVisibleTo(ifc));
      ifc->findChild<QLineEdit*>("USBAdr")->setText("CV0099");
      ifc->findChild<QPushButton*>("OK")->click();
    });
    setup_button->click();
    QCOMPARE(d.usb_address, std::string("CV0099"));
    QCOMPARE(d.baud, 2);
    QCOMPARE(dialog.usb_box()->text(), QString("CV0099"));
  }

  void olderSetupFilesInBothLayouts() {
    testkit::TempDir dir;
    Window w(dir.path(), "en", setup_test::offline_definition("Bench"));
    QVERIFY(w.window->activate());
    setup::DriverApi& api = w.api;
    // The frequencies allowed with a Butterworth filter at the current rate, by their texts.
    const int32_t butterworth = 141;
    api.CV_SetDevSettings(kCvDevFilterType, &butterworth);
    int32_t allowed[32] = {};
    QCOMPARE(api.CV_GetPsbleDevSettings(0, kCvDevFilterFrequency, allowed), 0);
    QVERIFY(allowed[0] != 0 && allowed[1] != 0);
    const int32_t none = 140;
    api.CV_SetDevSettings(kCvDevFilterType, &none);
    api.CV_SaveDevSettings(kCvDevFilterType);

    // 16560: channel 4 gets a new range and loses its tare; channel 5's file amplifier differs.
    std::vector<OldChannelSpec> channels = current_channels(api, 10);
    QCOMPARE(channels[4].amplifier, 5053);
    QCOMPARE(chan(api, 4, kCvChanState), 6203);
    channels[4].range = 700.6;  // rounds to 701, 12 mV/V
    channels[4].tare = false;
    channels[4].tare_value = 0.125;
    channels[5].amplifier = 5058;
    channels[5].range = 703;
    const int32_t range5 = chan(api, 5, kCvChanRange);
    testkit::write_file(dir.file("old_a.CV"), old_file(setup::kOldSetupVersionA, butterworth,
                                                       hertz_of(api, allowed[1]), channels));
    w.session().load_setup(dir.file("old_a.CV"));
    QCOMPARE(w.session().last_error(), int16_t(0));
    QVERIFY(w.messages.empty());
    QCOMPARE(dev(api, kCvDevFilterType), butterworth);
    QCOMPARE(dev(api, kCvDevFilterFrequency), allowed[1]);
    QCOMPARE(chan(api, 4, kCvChanRange), 701);
    QCOMPARE(chan(api, 4, kCvChanState), 6201);
    QCOMPARE(chan_float(api, 4, kCvChanTare), 0.125f);
    QCOMPARE(chan(api, 5, kCvChanRange), range5);
    QCOMPARE(w.session().display_text(4, setup::kColRange), std::string("  12 mV/V"));
    QCOMPARE(w.session().setup_file_name(), std::string("old_a.CV"));

    // 16570 (lower-case extension): tare back on, range 702 on channel 5, another frequency.
    channels = current_channels(api, 10);
    channels[5].range = 702;
    channels[5].tare_value = -2.5;
    channels[4].tare = true;
    testkit::write_file(dir.file("old_b.cv"),
                        old_file(setup::kOldSetupVersionB, butterworth, hertz_of(api, allowed[0]), channels));
    w.session().load_setup(dir.file("old_b.cv"));
    QCOMPARE(w.session().last_error(), int16_t(0));
    QCOMPARE(dev(api, kCvDevFilterFrequency), allowed[0]);
    QCOMPARE(chan(api, 5, kCvChanRange), 702);
    QCOMPARE(chan_float(api, 5, kCvChanTare), -2.5f);
    QCOMPARE(chan(api, 4, kCvChanState), 6203);

    // Another version word: -114, reported by the next tick; nothing changes.
    channels[5].range = 700;
    std::string other = old_file(setup::kOldSetupVersionB, butterworth, 1.0, channels);
    other[0] = static_cast<char>(16561 & 0xFF);
    other[1] = static_cast<char>(16561 >> 8);
    testkit::write_file(dir.file("other.CV"), other);
    w.session().load_setup(dir.file("other.CV"));
    QCOMPARE(w.session().last_error(), int16_t(-114));
    QCOMPARE(chan(api, 5, kCvChanRange), 702);
    w.session().tick();
    QCOMPARE(w.messages.back(), QString("An error occurs with the error number -114."));

    // Files that end early are refused with their reason, whatever the cut.
    const std::string full = old_file(setup::kOldSetupVersionB, butterworth, 1.0, channels);
    for (size_t cut : {size_t(1), size_t(2), size_t(20), full.size() - 52 * 3, full.size() - 1}) {
      testkit::write_file(dir.file("cut.CV"), full.substr(0, cut));
      const size_t before = w.messages.size();
      w.session().load_setup(dir.file("cut.CV"));
      QCOMPARE(w.messages.size(), before + 1);
      QVERIFY2(w.messages.back().contains("is damaged and was not imported"), qPrintable(w.messages.back()));
      QCOMPARE(chan(api, 5, kCvChanRange), 702);
      QCOMPARE(w.session().last_error(), int16_t(0));
    }
    // A channel count beyond 100 is refused too.
    testkit::write_file(dir.file("many.CV"), old_file(setup::kOldSetupVersionA, butterworth, 1.0, {}, 101));
    w.session().load_setup(dir.file("many.CV"));
    QVERIFY(w.messages.back().contains("outside 0..100"));
  }

  void savedFormsFollowTheExtension() {
    testkit::TempDir dir;
    Window w(dir.path(), "en", setup_test::offline_definition("Bench"));
    QVERIFY(w.window->activate());
    for (const char* name : {"a.txt", "b.TXT", "c.TxT"}) {
      w.session().save_setup(dir.file(name));
      QCOMPARE(testkit::read_file(dir.file(name)).substr(0, 18), std::string("Corvane Setup File"));
    }
    for (const char* name : {"d.CVS", "e.txt.cvs", "f"}) {
      w.session().save_setup(dir.file(name));
      QCOMPARE(testkit::read_file(dir.file(name)).substr(0, 21), std::string("QBX Corvane structure"));
    }
    QCOMPARE(w.session().last_error(), int16_t(0));
  }

  void printIntoPdfMatchesTheTextForm() {
    testkit::TempDir dir;
    const std::string pdf = dir.file("setup.pdf");
    testkit::ScopedEnv target("CORVANE_PRINT_TO", pdf);
    Window w(dir.path(), "en", setup_test::offline_definition("Bench"));
    QVERIFY(w.window->activate());
    for (int i = 0; i < 3; ++i) w.window->action("M_DevAdd")->trigger();  // 40 channels: several pages
    QVERIFY(w.window->action("M_Print")->isEnabled());
    w.window->findChild<QAction*>("BPrint")->trigger();
    QVERIFY(!QFile::exists(QString::fromStdString(w.session().print_file_path())));
    QCOMPARE(testkit::read_file(pdf).substr(0, 5), std::string("%PDF-"));

    QCOMPARE(w.api.CV_WriteSettings(dir.file("reference.txt").c_str(), 1), 0);
    const QStringList expected = non_empty_lines(QString::fromLatin1(testkit::read_file(dir.file("reference.txt")).c_str()));
    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-layout", QString::fromStdString(pdf), "-"});
    QVERIFY2(pdftotext.waitForFinished(setup_test::kWaitMs), "pdftotext (poppler-utils) must be installed");
    QCOMPARE(pdftotext.exitCode(), 0);
    const QStringList printed = non_empty_lines(QString::fromUtf8(pdftotext.readAllStandardOutput()));
    QVERIFY(expected.size() > 100);
    QCOMPARE(printed, expected);
    QVERIFY(w.messages.empty());
  }

  void printNoticeRetriesWhileBusyAndCanBeCancelled() {
    // Busy twice, then free: the notice closes by itself, and events went on while it waited.
    int calls = 0;
    bool other_event = false;
    QTimer::singleShot(100, [&] { other_event = true; });
    setup::PrintNotice notice([&] { return ++calls < 3 ? setup::kPortBusy : 0; }, "Printing", "Cancel");
    QCOMPARE(notice.findChild<QLabel*>("Label1")->text(), QString("Printing ..."));
    QCOMPARE(notice.exec(), int(QDialog::Accepted));
    QCOMPARE(calls, 3);
    QVERIFY(other_event);
    // Any other result ends it too.
    setup::PrintNotice failed([] { return int32_t(-1); }, "Printing", "Cancel");
    QCOMPARE(failed.exec(), int(QDialog::Accepted));
    QCOMPARE(failed.attempts(), 1);
    // A port that stays busy: Cancel is the way out.
    int tries = 0;
    setup::PrintNotice stuck([&] { return ++tries, setup::kParallelPortClaimed; }, "Printing", "Cancel");
    QTimer::singleShot(1500, &stuck, [&] { stuck.findChild<QPushButton*>("CancelButton")->click(); });
    QCOMPARE(stuck.exec(), int(QDialog::Rejected));
    QVERIFY(tries >= 2);
    QVERIFY(stuck.findChild<QLabel*>("Label1")->text().startsWith("Printing "));
  }

  void helpOpensTheManual() {
    testkit::TempDir dir;
    Window w(dir.path(), "en", setup_test::offline_definition("Bench"));
    QVERIFY(w.window->activate());
    std::vector<QUrl> opened;
    w.window->open_url_hook = [&](const QUrl& url) { opened.push_back(url); };
    w.window->action("M_Inhalt")->trigger();
    w.window->findChild<QAction*>("BHelp")->trigger();
    QCOMPARE(opened.size(), size_t(2));
    QVERIFY(opened[0].isLocalFile());
    QVERIFY(opened[0].toLocalFile().endsWith("/manual.html"));
    const QString manual = QString::fromStdString(testkit::read_file(opened[0].toLocalFile().toStdString()));
    QVERIFY(manual.contains("Define Instrument"));
    QVERIFY(w.messages.empty());
  }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
