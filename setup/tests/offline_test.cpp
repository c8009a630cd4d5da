// The setup window on an offline instrument: the last-state file at start, adding and removing
// devices, the amplifier type of a free slot, undo, and the German edition's captions.
#include <QAction>
#include <QGroupBox>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTranslator>
#include <QTimer>
#include <QTest>
#include <cstring>

#include "define_instrument_dialog.h"
#include "interface_dialog.h"
#include "testkit/temp_dir.h"
#include "window_fixture.h"

using setup_test::Window;

namespace {

constexpr int kHeaderBytes = 27;    // header text and version of the settings file
constexpr int kDeviceBytes = 64;
constexpr int kChannelBytes = 72;

int32_t file_channel_count(const std::string& bytes) {
  int32_t count = -1;
  if (bytes.size() >= kHeaderBytes + 4) std::memcpy(&count, bytes.data() + kHeaderBytes, 4);
  return count;
}

}  // namespace

class OfflineTest : public QObject {
  Q_OBJECT

 private slots:
  void startWithoutLastStateFileCreatesIt() {
    testkit::TempDir dir;
    Window w(dir.path(), "en", setup_test::offline_definition("Bench A long name"));
    QVERIFY(w.window->activate());
    QVERIFY(w.session().offline());
    QCOMPARE(w.session().channel_count(), 10);
    const std::string bytes = testkit::read_file(dir.file("Corvane.$$$"));
    QCOMPARE(bytes.size(), size_t(kHeaderBytes + kDeviceBytes + 10 * kChannelBytes));
    QCOMPARE(bytes.substr(0, 21), std::string("QBX Corvane structure"));
    QCOMPARE(file_channel_count(bytes), 10);
    QCOMPARE(w.window->windowTitle(), QString("Corvane: Channel Setup V2.2 <Corvane.$$$>"));
    // The device name is the instrument name cut to nine characters.
    QCOMPARE(w.window->device_frame()->title(), QString("Device: Bench A l"));
    QCOMPARE(w.grid()->rowCount(), 10);
    QCOMPARE(w.cell(3, setup::kColChan), QString("  3"));
    QCOMPARE(w.cell(3, setup::kColName), QString("Channel3 "));
    QCOMPARE(w.cell(0, setup::kColRange), QString("   3 mV/V"));
    QCOMPARE(w.cell(9, setup::kColName), QString(" "));  // not connected: no name
    // Measuring channels show OFFLINE, the others nothing.
    QTRY_COMPARE_WITH_TIMEOUT(w.cell(0, setup::kColValue), QString("OFFLINE "), setup_test::kWaitMs);
    QCOMPARE(w.cell(9, setup::kColValue), QString(" "));
    QVERIFY(w.window->action("M_DevAdd")->isEnabled());
    QVERIFY(w.messages.empty());
  }

  void addNineDevicesThenRefuseAndRemoveDownToOne() {
    testkit::TempDir dir;
    Window w(dir.path(), "en", setup_test::offline_definition("Bench"));
    QVERIFY(w.window->activate());
    for (int i = 0; i < 9; ++i) w.window->action("M_DevAdd")->trigger();
    QCOMPARE(w.session().channel_count(), 100);
    QCOMPARE(w.grid()->rowCount(), 100);
    QCOMPARE(w.cell(99, setup::kColChan), QString("  99"));
    QCOMPARE(w.cell(94, setup::kColName), QString("Channel94 "));
    QVERIFY(w.messages.empty());
    w.window->action("M_DevAdd")->trigger();
    QCOMPARE(w.session().channel_count(), 100);
    QCOMPARE(w.messages, std::vector<QString>{"You cannot add more devices!"});
    for (int i = 0; i < 9; ++i) w.window->action("M_DevDel")->trigger();
    QCOMPARE(w.session().channel_count(), 10);
    QCOMPARE(w.grid()->rowCount(), 10);
    w.window->action("M_DevDel")->trigger();
    QCOMPARE(w.session().channel_count(), 10);
    QCOMPARE(w.messages.back(), QString("You cannot delete the last device!"));
    // The closing window keeps the chain it had in the last-state file.
    w.window->action("M_DevAdd")->trigger();
    w.window->close();
    QCOMPARE(file_channel_count(testkit::read_file(dir.file("Corvane.$$$"))), 20);
  }

  void lastStateFileComesBackAtTheNextStartAndWithUndo() {
    testkit::TempDir dir;
    {
      Window w(dir.path(), "en", setup_test::offline_definition("Bench"));
      QVERIFY(w.window->activate());
      w.window->action("M_DevAdd")->trigger();
      w.window->close();
    }
    Window w(dir.path(), "en", setup_test::offline_definition("Bench"));
    QVERIFY(w.window->activate());
    QCOMPARE(w.session().channel_count(), 20);
    // Sending the file's settings went through without an error to report.
    w.session().tick();
    QVERIFY(w.messages.empty());
    w.window->action("M_DevAdd")->trigger();
    QCOMPARE(w.session().channel_count(), 30);
    // Undo asks first; No changes nothing.
    w.window->action("M_Undo")->trigger();
    QCOMPARE(w.messages.back(), QString("Do you really want undo all settings ?"));
    QCOMPARE(w.session().channel_count(), 30);
    w.answer_yes = true;
    w.window->action("M_Undo")->trigger();
    QCOMPARE(w.session().channel_count(), 20);
    QCOMPARE(w.grid()->rowCount(), 20);
    QCOMPARE(w.session().last_error(), int16_t(0));
  }

  void amplifierTypeOfAFreeSlotResetsTransducerAndRange() {
    testkit::TempDir dir;
    Window w(dir.path(), "en", setup_test::offline_definition("Bench"));
    QVERIFY(w.window->activate());
    // Slots 0..3 have fixed amplifiers: no popup.
    w.click(2, setup::kColChan);
    QVERIFY(w.popups.empty());
    w.pick = "KX1";
    w.click(5, setup::kColChan);
    QCOMPARE(w.popups.size(), size_t(1));
    QCOMPARE(w.popups[0].size(), size_t(4));
    QCOMPARE(w.popups[0][0].text, std::string("No"));
    QVERIFY(w.popups[0][1].checked);  // KX4 now
    // KX1 takes the first of its transducers (DC voltage) and that one's first range.
    QCOMPARE(w.cell(5, setup::kColRange), QString("   100 mV"));
    QCOMPARE(w.session().transducer_picture_of(5), 3);
    QCOMPARE(w.session().channel_format(5), int16_t(5));
    // A thermocouple on it shows one decimal.
    w.pick = "thermocouple K";
    w.click(5, setup::kColTrans);
    QCOMPARE(w.session().transducer_picture_of(5), 7);
    QCOMPARE(w.cell(5, setup::kColRange), QString("   100 mV"));
    QCOMPARE(w.session().channel_format(5), int16_t(1));
    // "No" disconnects the slot: no name, no tare cell.
    w.pick = "No";
    w.click(5, setup::kColChan);
    QCOMPARE(w.cell(5, setup::kColName), QString(" "));
    QCOMPARE(w.session().cell_picture(5, setup::kColTare), setup::CellPicture::kNone);
    QCOMPARE(w.session().last_error(), int16_t(0));
  }

  void popupMenuShowsPicturesAndChecksTheCurrentValue() {
    testkit::TempDir dir;
    Window w(dir.path(), "en", setup_test::offline_definition("Bench"));
    QVERIFY(w.window->activate());
    w.window->popup_hook = nullptr;  // the real menu
    QStringList texts;
    bool pictures = true;
    QTimer::singleShot(0, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      QVERIFY(menu != nullptr);
      for (QAction* a : menu->actions()) {
        texts << a->text().trimmed() + (a->isChecked() ? "*" : "");
        pictures = pictures && !a->icon().isNull();
      }
      menu->setActiveAction(menu->actions().at(1));
      QTest::keyClick(menu, Qt::Key_Return);
    });
    w.click(4, setup::kColTrans);
    QCOMPARE(texts, QStringList({"full bridge*", "half bridge", "dc voltage"}));
    QVERIFY(pictures);
    QCOMPARE(w.session().transducer_picture_of(4), 2);
  }

  void setupFilesSavedAndLoaded() {
    testkit::TempDir dir;
    Window w(dir.path(), "en", setup_test::offline_definition("Bench"));
    QVERIFY(w.window->activate());
    w.window->action("M_DevAdd")->trigger();
    w.session().save_setup(dir.file("two.CVS"));
    w.session().save_setup(dir.file("two.Txt"));
    QCOMPARE(file_channel_count(testkit::read_file(dir.file("two.CVS"))), 20);
    QCOMPARE(testkit::read_file(dir.file("two.Txt")).substr(0, 18), std::string("Corvane Setup File"));
    QCOMPARE(w.session().title(), std::string("Corvane: Channel Setup V2.2 <two.Txt>"));
    w.window->action("M_DevDel")->trigger();
    QCOMPARE(w.session().channel_count(), 10);
    w.session().load_setup(dir.file("two.CVS"));
    QCOMPARE(w.session().channel_count(), 20);
    QCOMPARE(w.session().setup_file_name(), std::string("two.CVS"));
    QCOMPARE(w.session().last_error(), int16_t(0));
    // A file that is not a setup is reported by the next tick.
    testkit::write_file(dir.file("bad.CVS"), "not a setup");
    w.session().load_setup(dir.file("bad.CVS"));
    QVERIFY(w.session().last_error() != 0);
    w.session().tick();
    QVERIFY(w.messages.back().startsWith("An error occurs with the error number -"));
    QCOMPARE(w.session().last_error(), int16_t(0));
  }

  void marksFollowShiftAndCtrl() {
    testkit::TempDir dir;
    Window w(dir.path(), "en", setup_test::offline_definition("Bench"));
    QVERIFY(w.window->activate());
    w.click(2, setup::kColMark);
    w.click(5, setup::kColMark, Qt::LeftButton, Qt::ShiftModifier);
    for (int c = 0; c < 10; ++c) QCOMPARE(w.session().marked(c), c >= 2 && c <= 5);
    w.click(3, setup::kColMark, Qt::LeftButton, Qt::ControlModifier);
    QVERIFY(!w.session().marked(3));
    QCOMPARE(w.session().cell_picture(2, setup::kColMark), setup::CellPicture::kMarked);
    QCOMPARE(w.session().cell_picture(3, setup::kColMark), setup::CellPicture::kNone);
    // A plain click makes a new anchor and clears the other marks.
    w.click(7, setup::kColMark);
    for (int c = 0; c < 10; ++c) QCOMPARE(w.session().marked(c), c == 7);
    w.click(7, setup::kColMark);
    QVERIFY(!w.session().marked(7));
    w.window->action("M_SelectAll")->trigger();
    for (int c = 0; c < 10; ++c) QVERIFY(w.session().marked(c));
    w.window->action("M_DeSelectAll")->trigger();
    for (int c = 0; c < 10; ++c) QVERIFY(!w.session().marked(c));
  }

  void namesAndTareValuesAreEditedInPlace() {
    testkit::TempDir dir;
    Window w(dir.path(), "en", setup_test::offline_definition("Bench"));
    QVERIFY(w.window->activate());
    QTest::mouseDClick(w.grid()->viewport(), Qt::LeftButton, {}, w.centre(1, setup::kColName));
    QVERIFY(w.window->editor()->isVisible());
    w.window->editor()->setText("Force X");
    QTest::keyClick(w.window->editor(), Qt::Key_Return);
    QVERIFY(!w.window->editor()->isVisible());
    QCOMPARE(w.cell(1, setup::kColName), QString("Force X "));
    w.click(1, setup::kColTareValue);
    QVERIFY(w.window->editor()->isVisible());
    w.window->editor()->setText(" 0.25abc");
    QTest::keyClick(w.window->editor(), Qt::Key_Return);
    QCOMPARE(w.cell(1, setup::kColTareValue), QString("0.2500"));
    // Escape leaves the value as it was.
    w.click(1, setup::kColTareValue);
    w.window->editor()->setText("7");
    QTest::keyClick(w.window->editor(), Qt::Key_Escape);
    QCOMPARE(w.cell(1, setup::kColTareValue), QString("0.2500"));
    // A refill of the columns keeps the edited name.
    w.window->tare_button()->click();
    QCOMPARE(w.cell(1, setup::kColName), QString("Force X "));
  }

  void germanEditionShowsGermanCaptions() {
    testkit::TempDir dir;
    Window w(dir.path(), "de", setup_test::offline_definition("Pruefstand"));
    QVERIFY(w.window->activate());
    QVERIFY(w.missing.empty());
    QCOMPARE(w.window->menu("M_Datei")->title(), QString("&Datei"));
    QCOMPARE(w.window->tare_button()->text(), QString("Tara"));
    QCOMPARE(w.grid()->horizontalHeaderItem(setup::kColMark)->text(), QString("Markierung"));
    QCOMPARE(w.window->device_frame()->title(), QString::fromUtf8("Ger\u00e4t: Pruefstan"));
    for (int i = 0; i < 10; ++i) w.window->action("M_DevAdd")->trigger();
    QCOMPARE(w.messages.back(), QString::fromUtf8("Sie k\u00f6nnen keine weiteren Ger\u00e4te hinzuf\u00fcgen!"));
    // The dialogs too.
    setup::InstrumentDefinition d;
    setup::DefineInstrumentDialog define(d, [&](int id) { return w.session().text(id); });
    QCOMPARE(define.windowTitle(), QString::fromUtf8("Ger\u00e4t definieren"));
    setup::InterfaceDialog ifc(d, [&](int id) { return w.session().text(id); });
    QCOMPARE(ifc.windowTitle(), QString("Hardware-Schnittstellen einrichten: ") + QString::fromStdString(d.name));
    // Qt's own buttons speak German too.
    QTranslator translator;
    QVERIFY(setup::install_qt_translation("de", &translator));
    QMessageBox box(QMessageBox::Question, "", "", QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::No)->text(), QString("&Nein"));
    QCoreApplication::removeTranslator(&translator);
  }

  void missingDriverIsReportedNotFatal() {
    setup::DriverApi api("libcorvan32_xx.so", "liblinkar32.so", setup::library_folders());
    std::vector<std::string> reports;
    api.set_missing_handler([&](const std::string& text) { reports.push_back(text); });
    char text[256] = {};
    QCOMPARE(api.CV_GetResString(2004, text), setup::kSetupFunctionMissing);
    QCOMPARE(api.CV_GetResString(2004, text), setup::kSetupFunctionMissing);
    QCOMPARE(api.CV_DoTara(), setup::kSetupFunctionMissing);
    // One report for the library, none for each further call.
    QCOMPARE(reports.size(), size_t(1));
    QVERIFY(reports[0].find("libcorvan32_xx.so") != std::string::npos);
    // The interface library is found and its functions work.
    QCOMPARE(api.QBX_SetTimeout(3000), 0);
  }
};

QTEST_MAIN(OfflineTest)
#include "offline_test.moc"
