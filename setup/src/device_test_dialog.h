// F_DevTest, the device test dialog (modal): one device of the chain at a time with its serial
// number, program version, device type and a picture of its eight measuring slots labelled with
// their amplifier types; previous/next device, help and OK.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>

#include "dialog_texts.h"
#include "setup_session.h"

class QGroupBox;
class QLabel;

namespace setup {

// Short designation of an amplifier type in the slot picture: one per type 5051..5058, none
// (empty) for the auxiliary slot 5056, "---------" for any other type.
QString slot_label(int32_t amplifier);
// The device type the first channel's amplifier shows: "Corvane" for 5051, "Corvane-30" for 5057,
// empty (the field keeps what it showed) for any other.
QString device_type_for(int32_t first_amplifier);

// The slot picture: two rows of four slots, each with its label.
class SlotPicture : public QWidget {
  Q_OBJECT

 public:
  explicit SlotPicture(QWidget* parent = nullptr);
  void set_labels(const QStringList& labels);
  const QStringList& labels() const { return labels_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QStringList labels_;
};

class DeviceTestDialog : public QDialog {
  Q_OBJECT

 public:
  // help: opens the program's manual (the Help button).
  DeviceTestDialog(SetupSession& session, std::function<void()> help, QWidget* parent = nullptr);

  int device() const { return device_; }
  int device_count() const { return count_; }
  void previous_device();
  void next_device();
  QString serial() const;
  QString version() const;
  QString device_type() const;
  QString frame_title() const;
  const QStringList& slot_labels() const { return picture_->labels(); }

 private:
  void show_device(int n);

  SetupSession& session_;
  int device_ = 1;
  int count_ = 0;
  QGroupBox* frame_ = nullptr;
  QLabel* serial_ = nullptr;
  QLabel* version_ = nullptr;
  QLabel* type_ = nullptr;
  SlotPicture* picture_ = nullptr;
};

}  // namespace setup
