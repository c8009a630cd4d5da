// IfcSet, the interface setup dialog (modal): the frame that fits the instrument's port, serial
// (baud rate, parity, stop and data bits, receive buffer, time-out in seconds, hardware
// handshake), parallel (the PORTIX32 mode) or USB (the address). OK stores the frame's entries
// into the instrument definition; Cancel leaves it as it was.
#pragma once

#include <QDialog>

#include "dialog_texts.h"
#include "instrument_definition.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;

namespace setup {

class InterfaceDialog : public QDialog {
  Q_OBJECT

 public:
  InterfaceDialog(InstrumentDefinition& definition, TextSource texts, QWidget* parent = nullptr);

  QGroupBox* serial_frame() const { return serial_; }
  QGroupBox* parallel_frame() const { return parallel_; }
  QGroupBox* usb_frame() const { return usb_frame_; }

 private:
  void ok_clicked();

  InstrumentDefinition& definition_;
  QGroupBox* serial_ = nullptr;
  QGroupBox* parallel_ = nullptr;
  QGroupBox* usb_frame_ = nullptr;
  QComboBox* baud_ = nullptr;
  QComboBox* parity_ = nullptr;
  QComboBox* stop_bits_ = nullptr;
  QComboBox* data_bits_ = nullptr;
  QLineEdit* receive_buffer_ = nullptr;
  QLineEdit* timeout_ = nullptr;
  QCheckBox* handshake_ = nullptr;
  QComboBox* mode_ = nullptr;
  QLineEdit* usb_ = nullptr;
};

}  // namespace setup
