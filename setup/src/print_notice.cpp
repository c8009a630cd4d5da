// The print notice (see print_notice.h).
#include "print_notice.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "setup_session.h"

namespace setup {
namespace {

// The trailing dots, one pattern per attempt.
const char* const kDots[] = {" .. ", "  ..", " . ."};

}  // namespace

PrintNotice::PrintNotice(std::function<int32_t()> reopen, const QString& text, const QString& cancel_text,
                         QWidget* parent)
    : QDialog(parent), reopen_(std::move(reopen)), text_(text) {
  setObjectName("PrintHinweis");
  setWindowTitle(text);
  label_ = new QLabel(text + QStringLiteral(" ..."), this);
  label_->setObjectName("Label1");
  label_->setMinimumWidth(label_->fontMetrics().horizontalAdvance(text) * 2);
  auto* cancel = new QPushButton(cancel_text, this);
  cancel->setObjectName("CancelButton");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label_);
  layout->addLayout(buttons);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  timer_ = new QTimer(this);
  timer_->setInterval(kPrintNoticeRetryMs);
  connect(timer_, &QTimer::timeout, this, &PrintNotice::attempt);
  // The printer gets a moment to take the port before the first attempt.
  QTimer::singleShot(kPrintNoticeFirstWaitMs, this, [this] {
    if (isVisible()) timer_->start();
  });
}

void PrintNotice::attempt() {
  label_->setText(text_ + QString::fromLatin1(kDots[attempts_ % 3]));
  ++attempts_;
  last_status_ = reopen_();
  if (!port_busy(last_status_)) {
    timer_->stop();
    accept();
  }
}

}  // namespace setup
