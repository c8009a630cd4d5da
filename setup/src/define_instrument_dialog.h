// F_DFDev, the define-instrument dialog with which an interactive start begins: the instrument's
// name, its interface (COM1..COM4, LPT1, LPT2, USB with its address, OFFLINE), OK, Setup Interface
// (the interface dialog) and Cancel. It edits the program's one instrument definition.
#pragma once

#include <QDialog>

#include "dialog_texts.h"
#include "instrument_definition.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace setup {

class DefineInstrumentDialog : public QDialog {
  Q_OBJECT

 public:
  // definition: the program's instrument definition, edited in place by OK and Setup Interface.
  DefineInstrumentDialog(InstrumentDefinition& definition, TextSource texts, QWidget* parent = nullptr);

  // Test seam: called instead of QApplication::beep.
  BeepHook beep_hook;

  QLineEdit* name_box() const { return name_; }
  QListWidget* interfaces() const { return interfaces_; }
  QLineEdit* usb_box() const { return usb_; }
  // Selects an interface entry by its text (as a click on it does).
  void choose_interface(const QString& text);

 private:
  void interfaces_click();
  // Stores name, port and (for USB) the address into the definition.
  void store();
  void ok_clicked();
  void setup_clicked();
  void beep();

  InstrumentDefinition& definition_;
  TextSource texts_;
  QLineEdit* name_ = nullptr;
  QListWidget* interfaces_ = nullptr;
  QLineEdit* usb_ = nullptr;
};

}  // namespace setup
