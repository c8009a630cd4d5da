// The device test dialog and its slot picture (see device_test_dialog.h).
#include "device_test_dialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace setup {
namespace {

enum TextId : int {
  kTextTitle = 400,
  kTextDevice = 401,
  kTextSerial = 402,
  kTextVersion = 403,
  kTextConfiguration = 404,
  kTextType = 405,
  kTextHelp = 406,
  kTextOk = 407,
  kTextPower = 411,
  kTextSerialInterface = 412,
  kTextParallelInterface = 413,
  kTextFlash = 414,
  kTextRam = 415,
  kTextEeprom = 416,
};

struct SlotName {
  int32_t amplifier;
  const char* label;
};
// The short designations of the amplifier types (at most 11 characters).
constexpr SlotName kSlotNames[] = {
    {5051, "TF f"}, {5052, "TF"}, {5053, "KX4"}, {5054, "KX1"}, {5055, "DIG I/O"}, {5056, ""}, {5057, "TF 600"},
    {5058, "KX3"},
};
constexpr const char* kUnknownSlot = "---------";
constexpr int kSlotsPerRow = 4;
constexpr int kSlotRows = 2;
// Slots are 700 units apart: 700 twips, 47 pixels at 96 dots per inch.
constexpr int kSlotPitch = 47;
constexpr int kSlotWidth = 42;
constexpr int kSlotHeight = 64;

}  // namespace

QString slot_label(int32_t amplifier) {
  for (const SlotName& s : kSlotNames) {
    if (s.amplifier == amplifier) return QString::fromLatin1(s.label);
  }
  return QString::fromLatin1(kUnknownSlot);
}

QString device_type_for(int32_t first_amplifier) {
  if (first_amplifier == 5051) return QStringLiteral("Corvane");
  if (first_amplifier == 5057) return QStringLiteral("Corvane-30");
  return {};
}

SlotPicture::SlotPicture(QWidget* parent) : QWidget(parent) { setObjectName("SlotPicture"); }

void SlotPicture::set_labels(const QStringList& labels) {
  labels_ = labels;
  update();
}

QSize SlotPicture::sizeHint() const {
  return QSize(kSlotPitch * kSlotsPerRow + 8, (kSlotHeight + 8) * kSlotRows + 8);
}

void SlotPicture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QFont font = p.font();
  font.setPixelSize(9);
  p.setFont(font);
  for (int i = 0; i < labels_.size() && i < kSlotsPerRow * kSlotRows; ++i) {
    const QRect slot(4 + (i % kSlotsPerRow) * kSlotPitch, 4 + (i / kSlotsPerRow) * (kSlotHeight + 8), kSlotWidth,
                     kSlotHeight);
    p.setPen(QPen(QColor(0x2b, 0x3a, 0x4a), 1.2));
    p.setBrush(labels_[i].isEmpty() ? QColor(0xe4, 0xe4, 0xe4) : QColor(0xf4, 0xf7, 0xfb));
    p.drawRoundedRect(slot, 3, 3);
    p.drawText(slot.adjusted(0, 2, 0, 0), Qt::AlignHCenter | Qt::AlignTop, QString::number(i));
    p.drawText(slot.adjusted(1, 0, -1, 0), Qt::AlignCenter | Qt::TextWordWrap, labels_[i]);
  }
}

DeviceTestDialog::DeviceTestDialog(SetupSession& session, std::function<void()> help, QWidget* parent)
    : QDialog(parent), session_(session) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  setObjectName("F_DevTest");
  count_ = session_.device_test_count();
  setWindowTitle(latin1(session_.text(kTextTitle)));
  frame_ = new QGroupBox(this);
  frame_->setObjectName("Frame1");
  auto* grid = new QGridLayout(frame_);
  int row = 0;
  auto line = [&](int id, QLabel** value) {
    grid->addWidget(new QLabel(latin1(session_.text(id)), frame_), row, 0, Qt::AlignLeft | Qt::AlignTop);
    auto* field = new QLabel(frame_);
    field->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(field, row, 1);
    if (value != nullptr) *value = field;
    ++row;
  };
  line(kTextSerial, &serial_);
  serial_->setObjectName("SerialNumber");
  line(kTextVersion, &version_);
  version_->setObjectName("ProgramVersion");
  line(kTextType, &type_);
  type_->setObjectName("DeviceType");
  grid->addWidget(new QLabel(latin1(session_.text(kTextConfiguration)), frame_), row, 0, Qt::AlignLeft | Qt::AlignTop);
  picture_ = new SlotPicture(frame_);
  grid->addWidget(picture_, row++, 1);
  // The power-supply, interface and memory lines show their titles only.
  for (int id : {kTextPower, kTextSerialInterface, kTextParallelInterface, kTextFlash, kTextRam, kTextEeprom}) {
    line(id, nullptr);
  }

  auto* buttons = new QHBoxLayout;
  auto* previous = new QPushButton(QStringLiteral("<"), this);
  previous->setObjectName("PrevDevButton");
  auto* next = new QPushButton(QStringLiteral(">"), this);
  next->setObjectName("NextDevButton");
  auto* help_button = new QPushButton(latin1(session_.text(kTextHelp)), this);
  help_button->setObjectName("HelpButton");
  auto* ok = new QPushButton(latin1(session_.text(kTextOk)), this);
  ok->setObjectName("OKButton");
  ok->setDefault(true);
  buttons->addWidget(previous);
  buttons->addWidget(next);
  buttons->addStretch(1);
  buttons->addWidget(help_button);
  buttons->addWidget(ok);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(frame_);
  layout->addLayout(buttons);
  connect(previous, &QPushButton::clicked, this, &DeviceTestDialog::previous_device);
  connect(next, &QPushButton::clicked, this, &DeviceTestDialog::next_device);
  connect(help_button, &QPushButton::clicked, this, [help = std::move(help)] {
    if (help) help();
  });
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  show_device(1);
  if (QScreen* screen = QApplication::primaryScreen()) {
    adjustSize();
    move(screen->availableGeometry().center() - rect().center());
  }
  QApplication::restoreOverrideCursor();
}

void DeviceTestDialog::previous_device() { show_device(device_ > 1 ? device_ - 1 : device_); }

void DeviceTestDialog::next_device() { show_device(device_ < count_ ? device_ + 1 : device_); }

void DeviceTestDialog::show_device(int n) {
  device_ = n;
  const DeviceTestInfo info = session_.device_test_info(n);
  frame_->setTitle(latin1(session_.text(kTextDevice)) + QLatin1Char(' ') + QString::number(n));
  serial_->setText(latin1(info.serial));
  version_->setText(latin1(info.version));
  const QString type = device_type_for(info.first_amplifier);
  if (!type.isEmpty()) type_->setText(type);
  QStringList labels;
  for (int32_t amplifier : info.slot_types) labels << slot_label(amplifier);
  picture_->set_labels(labels);
}

QString DeviceTestDialog::serial() const { return serial_->text(); }
QString DeviceTestDialog::version() const { return version_->text(); }
QString DeviceTestDialog::device_type() const { return type_->text(); }
QString DeviceTestDialog::frame_title() const { return frame_->title(); }

}  // namespace setup
