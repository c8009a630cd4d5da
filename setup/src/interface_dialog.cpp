// The interface setup dialog (see interface_dialog.h).
#include "interface_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace setup {
namespace {

enum TextId : int {
  kTextTitle = 430,
  kTextDataBits = 431,
  kTextMode = 438,
  kTextBaud = 439,
  kTextParity = 440,
  kTextStopBits = 441,
  kTextReceiveBuffer = 442,
  kTextTimeout = 443,
  kTextHandshake = 444,
  kTextParallelFrame = 446,
  kTextAddress = 705,
  kTextCancel = 707,
  kTextOk = 708,
  kTextParityNone = 1158,
};

constexpr int kDefaultBaudEntry = 2;  // 9600
constexpr int kFirstDataBits = 7;
constexpr int kMsPerSecond = 1000;

QComboBox* list(QWidget* parent, const char* name, const QStringList& entries, int selected) {
  auto* box = new QComboBox(parent);
  box->setObjectName(name);
  box->addItems(entries);
  box->setCurrentIndex(std::clamp(selected, 0, static_cast<int>(entries.size()) - 1));
  return box;
}

}  // namespace

InterfaceDialog::InterfaceDialog(InstrumentDefinition& definition, TextSource texts, QWidget* parent)
    : QDialog(parent), definition_(definition) {
  setObjectName("IfcSet");
  setWindowTitle(latin1(texts(kTextTitle) + ": " + definition.name));
  auto* layout = new QVBoxLayout(this);
  const int16_t port = definition.port;

  // Serial frame.
  serial_ = new QGroupBox(QStringLiteral("COM %1").arg(port), this);
  serial_->setObjectName("SerialFrame");
  auto* form = new QFormLayout(serial_);
  QStringList rates;
  for (int32_t rate : kBaudRates) rates << QString::number(rate);
  const auto* rate = std::find(std::begin(kBaudRates), std::end(kBaudRates), definition.baud);
  // A baud field that holds no listed rate (a parallel mode left from LPT) shows 9600.
  baud_ = list(serial_, "Baud", rates,
               rate != std::end(kBaudRates) ? static_cast<int>(rate - std::begin(kBaudRates)) : kDefaultBaudEntry);
  QStringList parities;
  for (int i = 0; i < 3; ++i) parities << latin1(texts(kTextParityNone + i));
  parity_ = list(serial_, "Parity", parities, definition.parity);
  stop_bits_ = list(serial_, "StopBits", {"1", "2"}, definition.stop_bits - 1);
  data_bits_ = list(serial_, "DataBits", {"7", "8"}, definition.data_bits - kFirstDataBits);
  receive_buffer_ = new QLineEdit(QString::number(definition.receive_buffer), serial_);
  receive_buffer_->setObjectName("RCV");
  timeout_ = new QLineEdit(QString::number(definition.timeout_ms / double(kMsPerSecond), 'g', 12), serial_);
  timeout_->setObjectName("TIMO");
  handshake_ = new QCheckBox(latin1(texts(kTextHandshake)), serial_);
  handshake_->setObjectName("HWX");
  handshake_->setChecked(definition.hardware_handshake != 0);
  auto row = [&](int id, const char* name, QWidget* field) {
    auto* l = new QLabel(latin1(texts(id)), serial_);
    l->setObjectName(name);
    form->addRow(l, field);
  };
  row(kTextBaud, "LabBaud1", baud_);
  row(kTextParity, "LabParity1", parity_);
  row(kTextStopBits, "LabStop1", stop_bits_);
  row(kTextDataBits, "LabData1", data_bits_);
  row(kTextReceiveBuffer, "LabRCV1", receive_buffer_);
  row(kTextTimeout, "LabTIMO1", timeout_);
  form->addRow(handshake_);
  layout->addWidget(serial_);

  // Parallel frame.
  parallel_ = new QGroupBox(latin1(texts(kTextParallelFrame)), this);
  parallel_->setObjectName("Frame1");
  auto* parallel_form = new QFormLayout(parallel_);
  QStringList modes;
  for (const char* mode : kParallelModes) modes << QString::fromLatin1(mode);
  mode_ = list(parallel_, "PORTIXMode", modes, definition.baud - 1);
  auto* mode_label = new QLabel(latin1(texts(kTextMode)), parallel_);
  mode_label->setObjectName("Label1");
  parallel_form->addRow(mode_label, mode_);
  layout->addWidget(parallel_);

  // USB frame.
  usb_frame_ = new QGroupBox(QStringLiteral("USB"), this);
  usb_frame_->setObjectName("USBFrame");
  auto* usb_form = new QFormLayout(usb_frame_);
  usb_ = new QLineEdit(QString::fromLatin1(definition.usb_address.c_str()), usb_frame_);
  usb_->setObjectName("USBAdr");
  usb_form->addRow(latin1(texts(kTextAddress)), usb_);
  layout->addWidget(usb_frame_);

  serial_->setVisible(is_serial_port(port));
  parallel_->setVisible(is_parallel_port(port));
  usb_frame_->setVisible(port == kPortUsb);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* ok = new QPushButton(latin1(texts(kTextOk)), this);
  ok->setObjectName("OK");
  ok->setDefault(true);
  auto* cancel = new QPushButton(latin1(texts(kTextCancel)), this);
  cancel->setObjectName("Cancel");
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &InterfaceDialog::ok_clicked);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void InterfaceDialog::ok_clicked() {
  const int16_t port = definition_.port;
  if (is_serial_port(port)) {
    SerialEntries e;
    e.baud = baud_->currentText().toStdString();
    e.parity_index = parity_->currentIndex();
    e.stop_bits = stop_bits_->currentText().toStdString();
    e.data_bits = data_bits_->currentText().toStdString();
    e.receive_buffer = receive_buffer_->text().toStdString();
    e.timeout_seconds = timeout_->text().toStdString();
    e.hardware_handshake = handshake_->isChecked();
    store_serial_entries(e, &definition_);
  } else if (is_parallel_port(port)) {
    definition_.baud = mode_->currentIndex() + 1;
  } else if (port == kPortUsb) {
    definition_.usb_address = usb_->text().toLatin1().toStdString();
    definition_.baud = kUsbBaudField;
  }
  accept();
}

}  // namespace setup
