// F_Corvane, the channel setup window: menus, toolbar, the device frame with its combo boxes and
// buttons, the ten-column channel grid with its in-place editor and popups, and the refresh timer.
// It only shows what SetupSession holds and forwards the user's actions to it.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>

#include "setup_session.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableWidget;
class QTimer;
class QToolBar;
class QUrl;

namespace setup {

class MainWindow : public QMainWindow, public SessionView {
  Q_OBJECT

 public:
  MainWindow(DriverApi& api, std::string program_folder);
  ~MainWindow() override;

  SetupSession& session() { return session_; }

  // Form_Load: opens the instrument and builds every control. Call once after session().start().
  void load();
  // Form_Activate: false when the window closed itself (command-line setup sent, start failed).
  bool activate();

  // Test seams: message boxes and popups go through these when set (tests answer them).
  // message(text, question) returns the answer of a question (true Yes).
  std::function<bool(const QString& text, bool question)> message_hook;
  // popup(items) returns the index chosen, or -1.
  std::function<int(const std::vector<Choice>& items)> popup_hook;
  // open_url(url): the log file and the manual go to the user's viewer through this when set.
  std::function<void(const QUrl& url)> open_url_hook;

  // The program's manual (docs/manual.html): installed beside the program, else in the source tree.
  static QString manual_path();
  // Opens the manual (Help, the toolbar's help button, the device test's Help button).
  void open_help();
  // Opens the device test dialog with the refresh timer paused (the Test Device button).
  void open_device_test();

  // SessionView
  void show_message(const std::string& text) override;
  bool ask_yes_no(const std::string& text) override;
  void beep() override;
  void set_timer_enabled(bool on) override;
  std::string default_printer_name() override;
  bool print_lines(const std::vector<std::string>& lines) override;
  void wait_for_port(const std::function<int32_t()>& reopen) override;

  // Latin-1 driver text to a Qt string.
  static QString qtext(const std::string& text);

  QTableWidget* grid() const { return grid_; }
  QTimer* timer() const { return timer_; }
  QLineEdit* editor() const { return editor_; }
  QComboBox* combo(int selector) const;
  QPushButton* tare_button() const { return tare_button_; }
  QAction* action(const char* name) const;
  QMenu* menu(const char* name) const;
  QGroupBox* device_frame() const { return frame_; }
  QPushButton* test_button() const { return test_button_; }

  // Repaints every row (or the Meas. Value column only) from the session's cell texts.
  void repaint_grid();
  void repaint_values();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void build_menus();
  void build_toolbar();
  void build_controls();
  void set_captions();
  void build_grid();
  void fill_combos();
  void update_title();
  void grid_mouse_down(const QPoint& pos, Qt::MouseButton button, Qt::KeyboardModifiers keys);
  void grid_double_click(const QPoint& pos);
  void open_editor(int row, int column);
  void commit_editor();
  void hide_editor();
  void run_popup(int channel, int column);
  // Bit of a binary digital cell under a point of the viewport, -1 when none.
  int binary_bit_at(int row, const QPoint& pos) const;
  void combo_activated(int selector, int index);
  void on_tick();
  void load_setup_dialog();
  void save_setup_dialog(bool ask);
  void show_log();
  void open_url(const QUrl& url);
  void after_device_count_change();

  SetupSession session_;
  QTableWidget* grid_ = nullptr;
  QLineEdit* editor_ = nullptr;
  int editor_row_ = -1;
  int editor_column_ = -1;
  QTimer* timer_ = nullptr;
  QGroupBox* frame_ = nullptr;
  QLabel* rate_label_ = nullptr;
  QLabel* filter_type_label_ = nullptr;
  QLabel* filter_frequency_label_ = nullptr;
  QComboBox* rate_combo_ = nullptr;
  QComboBox* filter_type_combo_ = nullptr;
  QComboBox* filter_frequency_combo_ = nullptr;
  QPushButton* tare_button_ = nullptr;
  QPushButton* test_button_ = nullptr;
  QToolBar* toolbar_ = nullptr;
  bool loaded_ = false;
};

}  // namespace setup
