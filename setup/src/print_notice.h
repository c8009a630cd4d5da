// PrintHinweis, the print notice shown while the printer holds the parallel port that the
// instrument shares with it: "Printing ..." with moving dots, and every 300 ms an attempt to
// re-open the instrument's port, until the port is no longer busy. The program's events go on
// while it waits, and Cancel gives up (the instrument then stays without its port).
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>

class QLabel;
class QTimer;

namespace setup {

class PrintNotice : public QDialog {
  Q_OBJECT

 public:
  // reopen: one attempt to re-open the port; its status (port_busy() ones are tried again).
  PrintNotice(std::function<int32_t()> reopen, const QString& text, const QString& cancel_text,
              QWidget* parent = nullptr);

  int attempts() const { return attempts_; }
  int32_t last_status() const { return last_status_; }

 private:
  void attempt();

  std::function<int32_t()> reopen_;
  QString text_;
  QLabel* label_ = nullptr;
  QTimer* timer_ = nullptr;
  int attempts_ = 0;
  int32_t last_status_ = 0;
};

// Time the notice waits before its first attempt, and between attempts.
inline constexpr int kPrintNoticeFirstWaitMs = 600;
inline constexpr int kPrintNoticeRetryMs = 300;

}  // namespace setup
