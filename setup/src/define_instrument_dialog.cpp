// The define-instrument dialog (see define_instrument_dialog.h).
#include "define_instrument_dialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "interface_dialog.h"

namespace setup {
namespace {

enum TextId : int {
  kTextTitle = 700,
  kTextFrame = 701,
  kTextName = 702,
  kTextDeviceType = 703,
  kTextInterface = 704,
  kTextAddress = 705,
  kTextSetup = 706,
  kTextCancel = 707,
  kTextOk = 708,
};

constexpr const char* kDefaultName = "Corvane";
constexpr const char* kDeviceType = "Corvane";
constexpr const char* kUsbEntry = "USB";

}  // namespace

DefineInstrumentDialog::DefineInstrumentDialog(InstrumentDefinition& definition, TextSource texts, QWidget* parent)
    : QDialog(parent), definition_(definition), texts_(std::move(texts)) {
  setObjectName("F_DFDev");
  setWindowTitle(latin1(texts_(kTextTitle)));
  auto* frame = new QGroupBox(latin1(texts_(kTextFrame)), this);
  frame->setObjectName("Frame1");
  auto* grid = new QGridLayout(frame);
  auto label = [&](int id, const char* name, int row) {
    auto* l = new QLabel(latin1(texts_(id)), frame);
    l->setObjectName(name);
    grid->addWidget(l, row, 0, Qt::AlignLeft | Qt::AlignTop);
    return l;
  };
  label(kTextName, "NameTxt", 0);
  name_ = new QLineEdit(QString::fromLatin1(kDefaultName), frame);
  name_->setObjectName("DevName");
  grid->addWidget(name_, 0, 1);
  label(kTextDeviceType, "DevTypeTxt", 1);
  grid->addWidget(new QLabel(QString::fromLatin1(kDeviceType), frame), 1, 1);
  label(kTextInterface, "InterfacTxt", 2);
  interfaces_ = new QListWidget(frame);
  interfaces_->setObjectName("Interfaces");
  for (const std::string& entry : interface_names()) interfaces_->addItem(QString::fromStdString(entry));
  interfaces_->setCurrentRow(kDefaultInterfaceEntry);
  interfaces_->setFixedHeight(interfaces_->sizeHintForRow(0) * static_cast<int>(interface_names().size()) + 6);
  grid->addWidget(interfaces_, 2, 1);
  label(kTextAddress, "Label2", 3);
  usb_ = new QLineEdit(frame);
  usb_->setObjectName("USBAdr");
  grid->addWidget(usb_, 3, 1);

  auto* buttons = new QHBoxLayout;
  auto button = [&](int id, const char* name) {
    auto* b = new QPushButton(latin1(texts_(id)), this);
    b->setObjectName(name);
    buttons->addWidget(b);
    return b;
  };
  QPushButton* setup = button(kTextSetup, "SetupButton");
  buttons->addStretch(1);
  QPushButton* cancel = button(kTextCancel, "CancelButton");
  QPushButton* ok = button(kTextOk, "OkButton");
  ok->setDefault(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(frame);
  layout->addLayout(buttons);

  // The stored USB address is cleared when the dialog opens; the box is only for USB.
  definition_.usb_address.clear();
  usb_->clear();
  usb_->setEnabled(false);
  connect(interfaces_, &QListWidget::currentRowChanged, this, [this] { interfaces_click(); });
  connect(ok, &QPushButton::clicked, this, &DefineInstrumentDialog::ok_clicked);
  connect(setup, &QPushButton::clicked, this, &DefineInstrumentDialog::setup_clicked);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void DefineInstrumentDialog::choose_interface(const QString& text) {
  const QList<QListWidgetItem*> found = interfaces_->findItems(text, Qt::MatchExactly);
  if (!found.isEmpty()) interfaces_->setCurrentItem(found.front());
}

void DefineInstrumentDialog::interfaces_click() {
  const QListWidgetItem* item = interfaces_->currentItem();
  if (item != nullptr && item->text() == QLatin1String(kUsbEntry)) {
    usb_->setEnabled(true);
    usb_->setText(QString::fromLatin1(definition_.usb_address.c_str()));
    return;
  }
  // Leaving USB keeps what was typed; between other entries the (empty) box changes nothing.
  if (usb_->isEnabled()) definition_.usb_address = usb_->text().toLatin1().toStdString();
  usb_->clear();
  usb_->setEnabled(false);
}

void DefineInstrumentDialog::store() {
  definition_.name = name_without_blanks(name_->text().toLatin1().toStdString());
  const QListWidgetItem* item = interfaces_->currentItem();
  const std::string entry = item != nullptr ? item->text().toStdString() : std::string();
  definition_.port = port_for_interface(entry);
  if (definition_.port == kPortUsb) definition_.usb_address = usb_->text().toLatin1().toStdString();
}

void DefineInstrumentDialog::ok_clicked() {
  if (name_->text().isEmpty()) {
    beep();
    return;
  }
  store();
  fit_parallel_mode(&definition_);
  accept();
}

void DefineInstrumentDialog::setup_clicked() {
  store();
  if (definition_.port == kPortOffline) {
    beep();
    return;
  }
  fit_parallel_mode(&definition_);
  InterfaceDialog dialog(definition_, texts_, this);
  dialog.exec();
  if (definition_.port == kPortUsb) usb_->setText(QString::fromLatin1(definition_.usb_address.c_str()));
}

void DefineInstrumentDialog::beep() {
  if (beep_hook) {
    beep_hook();
  } else {
    QApplication::beep();
  }
}

}  // namespace setup
