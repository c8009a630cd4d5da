// The channel setup window (see main_window.h).
#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include "cell_texts.h"
#include "device_test_dialog.h"
#include "pictures.h"
#include "platform.h"
#include "print_notice.h"
#include "setup_printer.h"

#ifndef SETUP_SOURCE_DOCS_DIR
#define SETUP_SOURCE_DOCS_DIR ""
#endif
#ifndef SETUP_INSTALL_DOCDIR
#define SETUP_INSTALL_DOCDIR "share/doc/corvane-setup"
#endif

namespace setup {
namespace {

constexpr int kTimerIntervalMs = 200;
constexpr int kEditorMaxLength = 30;
// Row height of the grid: 390 twips, 26 pixels at 96 dots per inch.
constexpr int kRowHeightPixels = 26;
constexpr int kCellPadding = 6;

struct ColumnSpec {
  int header_id;
  const char* width_sample;
  Qt::Alignment alignment;
};
// Header texts, widths (as sample texts in the window's font) and alignments of the ten columns.
const ColumnSpec kColumns[kColumnCount] = {
    {607, "xxxxxx", Qt::AlignCenter},
    {608, "xxxxxxxx", Qt::AlignCenter},
    {609, "xxxxxxxxxxxxxxx", Qt::AlignCenter},
    {610, "xxxxxxxx", Qt::AlignCenter},
    {611, "xxxxxxxxxxxxxxx", Qt::AlignCenter},
    {612, "xxxxxxxxxx", Qt::AlignCenter},
    {613, "xxxxxxx", Qt::AlignCenter},
    {616, "xxxxxxx", Qt::AlignCenter},
    {614, "xxxxxxxxxxxxxxx", Qt::AlignRight | Qt::AlignVCenter},
    {615, "xxxxxxxxxxxxxxxxxxxxxx", Qt::AlignRight | Qt::AlignVCenter},
};

struct MenuEntry {
  const char* name;  // control name
  int caption_id;
  int parent;        // index of the menu in kMenus, -1 for a menu of the bar
  bool separator_before;
};
// The menu tree: menus first (parent -1), then their items in order.
const MenuEntry kMenus[] = {
    {"M_Datei", 501, -1, false},      {"M_Edit", 511, -1, false},        {"M_Device", 520, -1, false},
    {"M_Options", 530, -1, false},    {"M_Help", 540, -1, false},        {"M_LoadSetup", 502, 0, false},
    {"M_SaveSetup", 503, 0, false},   {"M_Saveas", 504, 0, false},       {"M_Print", 505, 0, true},
    {"M_End", 506, 0, true},          {"M_Undo", 512, 1, false},         {"M_SelectAll", 513, 1, true},
    {"M_DeSelectAll", 514, 1, false}, {"M_DevAdd", 521, 2, false},       {"M_DevDel", 522, 2, false},
    {"M_ComLog", 531, 3, false},      {"M_ShowLog", 532, 3, false},      {"M_DelLog", 533, 3, false},
    {"M_Inhalt", 541, 4, false},
};

enum ControlText : int {
  kTextTare = 602,
  kTextTest = 603,
  kTextRate = 604,
  kTextFilterType = 605,
  kTextFilterFrequency = 606,
  kTextCancel = 707,
  kTextLoadTitle = 2008,
  kTextSaveTitle = 2009,
  kTextPrinting = 2011,
};

constexpr const char* kManualFile = "manual.html";

// Draws a cell's picture in the middle of the cell when the cell has no text (marks, transducers,
// tare and shunt states).
class CentredPictureDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (option->text.isEmpty() && (option->features & QStyleOptionViewItem::HasDecoration)) {
      option->features &= ~QStyleOptionViewItem::HasDisplay;
      option->decorationPosition = QStyleOptionViewItem::Top;
      option->decorationAlignment = Qt::AlignCenter;
      const int spare = option->rect.height() - option->decorationSize.height();
      option->rect.adjust(0, spare / 2, 0, 0);
    }
  }
};

}  // namespace

QString MainWindow::qtext(const std::string& text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }

MainWindow::MainWindow(DriverApi& api, std::string program_folder) : session_(api, *this, std::move(program_folder)) {
  setWindowIcon(program_icon());
  timer_ = new QTimer(this);
  timer_->setInterval(kTimerIntervalMs);
  connect(timer_, &QTimer::timeout, this, &MainWindow::on_tick);
}

MainWindow::~MainWindow() { session_.close(); }

// ---------------------------------------------------------------------------------------------
// Building

void MainWindow::load() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  build_menus();
  build_toolbar();
  build_controls();
  session_.form_load();
  build_grid();
  fill_combos();
  update_title();
  set_captions();
  const bool offline = session_.definition().port == kPortOffline;
  action("M_DevAdd")->setEnabled(offline);
  action("M_DevDel")->setEnabled(offline);
  resize(sizeHint().expandedTo(QSize(grid_->horizontalHeader()->length() + 60, 560)));
  if (QScreen* screen = QApplication::primaryScreen()) move(screen->availableGeometry().center() - rect().center());
  QApplication::restoreOverrideCursor();
  loaded_ = true;
}

void MainWindow::build_menus() {
  std::vector<QMenu*> menus;
  for (const MenuEntry& entry : kMenus) {
    if (entry.parent < 0) {
      QMenu* m = menuBar()->addMenu(QString());
      m->setObjectName(entry.name);
      menus.push_back(m);
      continue;
    }
    QMenu* parent = menus[static_cast<size_t>(entry.parent)];
    if (entry.separator_before) parent->addSeparator();
    QAction* a = parent->addAction(QString());
    a->setObjectName(entry.name);
  }
  connect(action("M_LoadSetup"), &QAction::triggered, this, &MainWindow::load_setup_dialog);
  connect(action("M_SaveSetup"), &QAction::triggered, this, [this] { save_setup_dialog(false); });
  connect(action("M_Saveas"), &QAction::triggered, this, [this] { save_setup_dialog(true); });
  connect(action("M_End"), &QAction::triggered, this, &QWidget::close);
  connect(action("M_Undo"), &QAction::triggered, this, [this] {
    if (session_.undo_all()) {
      build_grid();
      fill_combos();
    }
  });
  connect(action("M_SelectAll"), &QAction::triggered, this, [this] {
    session_.select_all();
    repaint_grid();
  });
  connect(action("M_DeSelectAll"), &QAction::triggered, this, [this] {
    session_.deselect_all();
    repaint_grid();
  });
  connect(action("M_DevAdd"), &QAction::triggered, this, [this] {
    if (session_.add_device()) after_device_count_change();
  });
  connect(action("M_DevDel"), &QAction::triggered, this, [this] {
    if (session_.remove_device()) after_device_count_change();
  });
  QAction* log = action("M_ComLog");
  log->setCheckable(true);
  connect(log, &QAction::triggered, this, [this](bool checked) { session_.set_com_log(checked); });
  connect(action("M_ShowLog"), &QAction::triggered, this, &MainWindow::show_log);
  connect(action("M_DelLog"), &QAction::triggered, this, [this] {
    action("M_ComLog")->setChecked(false);
    session_.delete_com_log();
  });
  connect(action("M_Print"), &QAction::triggered, this, [this] {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    session_.print_setup();
    QApplication::restoreOverrideCursor();
  });
  connect(action("M_Inhalt"), &QAction::triggered, this, &MainWindow::open_help);
}

void MainWindow::build_toolbar() {
  toolbar_ = addToolBar(QStringLiteral("Toolbar1"));
  toolbar_->setObjectName("Toolbar1");
  toolbar_->setMovable(false);
  struct Button {
    const char* key;
    const char* runs;
  };
  static const Button kButtons[] = {{"BLoad", "M_LoadSetup"}, {"BSave", "M_Saveas"}, {"BPrint", "M_Print"},
                                    {"BHelp", "M_Inhalt"}};
  for (const Button& b : kButtons) {
    QAction* target = action(b.runs);
    QAction* a = toolbar_->addAction(toolbar_icon(b.key), QString());
    a->setObjectName(b.key);
    a->setEnabled(target->isEnabled());
    connect(a, &QAction::triggered, target, &QAction::trigger);
  }
}

void MainWindow::build_controls() {
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  frame_ = new QGroupBox(central);
  frame_->setObjectName("Frame3D3");
  auto* row = new QHBoxLayout(frame_);
  auto labelled = [&](QLabel*& label, QComboBox*& combo, int selector, const char* name) {
    auto* column = new QVBoxLayout;
    label = new QLabel(frame_);
    combo = new QComboBox(frame_);
    combo->setObjectName(name);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    column->addWidget(label);
    column->addWidget(combo);
    row->addLayout(column);
    connect(combo, &QComboBox::activated, this, [this, selector](int index) { combo_activated(selector, index); });
  };
  labelled(rate_label_, rate_combo_, kCvDevRate, "MRCombo");
  labelled(filter_type_label_, filter_type_combo_, kCvDevFilterType, "FilterTCombo");
  labelled(filter_frequency_label_, filter_frequency_combo_, kCvDevFilterFrequency, "FilterFCombo");
  row->addStretch(1);
  tare_button_ = new QPushButton(frame_);
  tare_button_->setObjectName("ChanZeroButton");
  test_button_ = new QPushButton(frame_);
  test_button_->setObjectName("TestButton");
  row->addWidget(tare_button_, 0, Qt::AlignBottom);
  row->addWidget(test_button_, 0, Qt::AlignBottom);
  connect(test_button_, &QPushButton::clicked, this, &MainWindow::open_device_test);
  connect(tare_button_, &QPushButton::clicked, this, [this] {
    session_.tare();
    repaint_grid();
  });
  layout->addWidget(frame_);

  grid_ = new QTableWidget(central);
  grid_->setObjectName("Grid");
  grid_->setColumnCount(kColumnCount);
  grid_->verticalHeader()->hide();
  grid_->setSelectionMode(QAbstractItemView::NoSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setFocusPolicy(Qt::NoFocus);
  grid_->setIconSize(QSize(36, 20));
  grid_->setAlternatingRowColors(true);
  grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->horizontalHeader()->setHighlightSections(false);
  grid_->setItemDelegate(new CentredPictureDelegate(grid_));
  grid_->viewport()->installEventFilter(this);
  layout->addWidget(grid_, 1);

  editor_ = new QLineEdit(grid_->viewport());
  editor_->setObjectName("Text1");
  editor_->setMaxLength(kEditorMaxLength);
  editor_->hide();
  editor_->installEventFilter(this);
  setCentralWidget(central);
}

void MainWindow::set_captions() {
  for (const MenuEntry& entry : kMenus) {
    const QString caption = qtext(session_.text(entry.caption_id));
    if (entry.parent < 0) {
      menu(entry.name)->setTitle(caption);
    } else {
      action(entry.name)->setText(caption);
    }
  }
  static const char* const kToolTips[][2] = {
      {"BLoad", "M_LoadSetup"}, {"BSave", "M_Saveas"}, {"BPrint", "M_Print"}, {"BHelp", "M_Inhalt"}};
  for (const auto& tip : kToolTips) {
    if (QAction* a = toolbar_->findChild<QAction*>(tip[0])) a->setToolTip(action(tip[1])->text().remove('&'));
  }
  tare_button_->setText(qtext(session_.text(kTextTare)));
  test_button_->setText(qtext(session_.text(kTextTest)));
  rate_label_->setText(qtext(session_.text(kTextRate)));
  filter_type_label_->setText(qtext(session_.text(kTextFilterType)));
  filter_frequency_label_->setText(qtext(session_.text(kTextFilterFrequency)));
  frame_->setTitle(qtext(session_.device_caption()));
}

void MainWindow::build_grid() {
  const QFontMetrics metrics(grid_->font());
  const int rows = session_.channel_count();
  grid_->setRowCount(rows);
  for (int col = 0; col < kColumnCount; ++col) {
    auto* header = new QTableWidgetItem(qtext(session_.text(kColumns[col].header_id)));
    header->setTextAlignment(Qt::AlignCenter);
    grid_->setHorizontalHeaderItem(col, header);
    const int width = metrics.horizontalAdvance(QString::fromLatin1(kColumns[col].width_sample)) + 2 * kCellPadding;
    grid_->setColumnWidth(col, std::max(width, QFontMetrics(grid_->horizontalHeader()->font())
                                                       .horizontalAdvance(header->text()) + 2 * kCellPadding));
  }
  grid_->verticalHeader()->setDefaultSectionSize(std::max(kRowHeightPixels, metrics.height() + 8));
  for (int r = 0; r < rows; ++r) {
    for (int col = 0; col < kColumnCount; ++col) {
      if (grid_->item(r, col) == nullptr) {
        auto* item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled);
        item->setTextAlignment(kColumns[col].alignment);
        grid_->setItem(r, col, item);
      }
    }
  }
  hide_editor();
  editor_->resize(editor_->width(), grid_->verticalHeader()->defaultSectionSize());
  repaint_grid();
}

void MainWindow::repaint_grid() {
  static const QPixmap kMarked = mark_pixmap();
  static const QPixmap kSet = set_pixmap();
  static const QPixmap kNotSet = not_set_pixmap();
  const bool was_active = timer_->isActive();
  timer_->stop();
  for (int r = 0; r < grid_->rowCount(); ++r) {
    for (int col = 0; col < kColumnCount; ++col) {
      QTableWidgetItem* item = grid_->item(r, col);
      if (item == nullptr) continue;
      QString text = qtext(session_.display_text(r, col));
      text.replace('\r', '\n');
      item->setText(text);
      switch (session_.cell_picture(r, col)) {
        case CellPicture::kMarked: item->setIcon(kMarked); break;
        case CellPicture::kSet: item->setIcon(kSet); break;
        case CellPicture::kNotSet: item->setIcon(kNotSet); break;
        case CellPicture::kTransducer: item->setIcon(transducer_pixmap(session_.transducer_picture_of(r))); break;
        case CellPicture::kNone: item->setIcon(QIcon()); break;
      }
      if (col == kColTrans) {
        const int picture = session_.transducer_picture_of(r);
        item->setToolTip(picture >= 0 ? QString::number(picture) : QString());
      }
    }
  }
  repaint_values();
  frame_->setTitle(qtext(session_.device_caption()));
  if (was_active) timer_->start();
}

void MainWindow::repaint_values() {
  const int row_height = grid_->verticalHeader()->defaultSectionSize();
  for (int r = 0; r < grid_->rowCount(); ++r) {
    QTableWidgetItem* item = grid_->item(r, kColValue);
    if (item == nullptr) continue;
    QString text = qtext(session_.display_text(r, kColValue));
    text.replace('\r', '\n');
    if (item->text() != text) item->setText(text);
    // A binary word shows two lines of eight digits.
    const int wanted = text.contains('\n') ? 2 * QFontMetrics(grid_->font()).height() + 6 : row_height;
    if (grid_->rowHeight(r) != std::max(wanted, row_height)) grid_->setRowHeight(r, std::max(wanted, row_height));
  }
}

void MainWindow::fill_combos() {
  session_.set_combo_events(false);
  struct Target {
    QComboBox* box;
    int selector;
  };
  for (const Target& t : {Target{rate_combo_, kCvDevRate}, Target{filter_type_combo_, kCvDevFilterType},
                          Target{filter_frequency_combo_, kCvDevFilterFrequency}}) {
    t.box->clear();
    for (const Choice& item : session_.combo(t.selector)) {
      t.box->addItem(qtext(item.text), item.value);
      if (item.checked) t.box->setCurrentIndex(t.box->count() - 1);
    }
  }
  session_.set_combo_events(true);
}

void MainWindow::update_title() { setWindowTitle(qtext(session_.title())); }

QComboBox* MainWindow::combo(int selector) const {
  return selector == kCvDevRate ? rate_combo_ : selector == kCvDevFilterType ? filter_type_combo_ : filter_frequency_combo_;
}

QAction* MainWindow::action(const char* name) const { return menuBar()->findChild<QAction*>(name); }
QMenu* MainWindow::menu(const char* name) const { return menuBar()->findChild<QMenu*>(name); }

// ---------------------------------------------------------------------------------------------
// Activation, timer, closing

bool MainWindow::activate() {
  if (!session_.activate()) {
    close();
    return false;
  }
  return true;
}

void MainWindow::on_tick() {
  session_.tick();
  if (!session_.closed()) repaint_values();
}

void MainWindow::set_timer_enabled(bool on) {
  if (on && !session_.closed()) {
    timer_->start();
  } else {
    timer_->stop();
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  session_.close();
  QApplication::restoreOverrideCursor();
  event->accept();
}

void MainWindow::show_message(const std::string& text) {
  const bool was_active = timer_->isActive();
  timer_->stop();
  if (message_hook) {
    message_hook(qtext(text), false);
  } else {
    QMessageBox box(QMessageBox::NoIcon, windowTitle(), qtext(text), QMessageBox::Ok, isVisible() ? this : nullptr);
    box.exec();
  }
  if (was_active && !session_.closed()) timer_->start();
}

bool MainWindow::ask_yes_no(const std::string& text) {
  if (message_hook) return message_hook(qtext(text), true);
  return QMessageBox::question(this, windowTitle(), qtext(text), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

void MainWindow::beep() { QApplication::beep(); }

// ---------------------------------------------------------------------------------------------
// Grid clicks

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == grid_->viewport()) {
    if (event->type() == QEvent::MouseButtonPress) {
      auto* mouse = static_cast<QMouseEvent*>(event);
      grid_mouse_down(mouse->position().toPoint(), mouse->button(), mouse->modifiers());
      return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton) grid_double_click(mouse->position().toPoint());
      return true;
    }
  }
  if (watched == editor_) {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        commit_editor();
        return true;
      }
      if (key == Qt::Key_Escape || key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left ||
          key == Qt::Key_Right) {
        hide_editor();
        return true;
      }
    }
    if (event->type() == QEvent::FocusOut) hide_editor();
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::grid_mouse_down(const QPoint& pos, Qt::MouseButton button, Qt::KeyboardModifiers keys) {
  const int row = grid_->rowAt(pos.y());
  const int column = grid_->columnAt(pos.x());
  if (row < 0 || column < 0) return;
  hide_editor();
  if (button == Qt::LeftButton && column == kColMark) {
    session_.mark_click(row, keys.testFlag(Qt::ShiftModifier), keys.testFlag(Qt::ControlModifier));
    repaint_grid();
    return;
  }
  grid_->setCurrentCell(row, column);
  switch (column) {
    case kColChan:
    case kColTrans:
    case kColRange:
    case kColFilter:
      run_popup(row, column);
      break;
    case kColTare:
      session_.toggle_tare(row);
      repaint_grid();
      break;
    case kColShunt:
      session_.toggle_shunt(row);
      repaint_grid();
      break;
    case kColTareValue:
      if (session_.editable(row, column)) open_editor(row, column);
      break;
    case kColValue:
      if (!session_.is_digital(row)) break;
      if (button == Qt::RightButton && session_.channel_format(row) == kDigitalBinary) {
        session_.toggle_digital_bit(row, binary_bit_at(row, pos));
      } else {
        session_.step_digital_form(row);
      }
      repaint_grid();
      break;
    default:
      break;
  }
}

void MainWindow::grid_double_click(const QPoint& pos) {
  const int row = grid_->rowAt(pos.y());
  const int column = grid_->columnAt(pos.x());
  if (row >= 0 && column == kColName && session_.editable(row, column)) open_editor(row, column);
}

int MainWindow::binary_bit_at(int row, const QPoint& pos) const {
  // The cell's text is right-aligned: two lines of eight digits and a blank, centred vertically.
  const QRect cell = grid_->visualItemRect(grid_->item(row, kColValue));
  const QFontMetrics metrics(grid_->font());
  const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
  const int right = cell.right() - grid_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid_) - 1 -
                    metrics.horizontalAdvance(QLatin1Char(' '));
  const int left = right - 8 * digit;
  if (pos.x() < left || pos.x() >= right) return -1;
  const int line = pos.y() < cell.center().y() ? 0 : 1;
  return binary_digit_bit(line, (pos.x() - left) / digit);
}

void MainWindow::run_popup(int channel, int column) {
  const std::vector<Choice> items = session_.popup(channel, column);
  if (items.empty()) return;
  session_.set_popup_open(true);
  int chosen = -1;
  if (popup_hook) {
    chosen = popup_hook(items);
  } else {
    QMenu popup(this);
    popup.setObjectName("Menu1");
    for (size_t i = 0; i < items.size(); ++i) {
      QAction* a = popup.addAction(qtext(items[i].text));
      a->setCheckable(true);
      a->setChecked(items[i].checked);
      if (items[i].picture >= 0) a->setIcon(transducer_pixmap(items[i].picture));
      a->setData(static_cast<int>(i));
    }
    if (QAction* picked = popup.exec(QCursor::pos())) chosen = picked->data().toInt();
  }
  session_.set_popup_open(false);
  if (chosen < 0 || chosen >= static_cast<int>(items.size())) return;
  session_.apply_popup(channel, column, items[static_cast<size_t>(chosen)].value);
  repaint_grid();
}

// ---------------------------------------------------------------------------------------------
// In-place editor

void MainWindow::open_editor(int row, int column) {
  editor_row_ = row;
  editor_column_ = column;
  const QRect cell = grid_->visualItemRect(grid_->item(row, column));
  editor_->setGeometry(cell);
  editor_->setAlignment(kColumns[column].alignment);
  editor_->setText(qtext(session_.cell_text(row, column)).trimmed());
  editor_->show();
  editor_->setFocus();
  editor_->selectAll();
}

void MainWindow::commit_editor() {
  if (editor_row_ < 0) return;
  const int row = editor_row_;
  const int column = editor_column_;
  const QByteArray text = editor_->text().toLatin1();
  hide_editor();
  session_.commit_edit(row, column, text.toStdString());
  repaint_grid();
}

void MainWindow::hide_editor() {
  editor_row_ = -1;
  editor_column_ = -1;
  if (editor_ != nullptr) editor_->hide();
}

// ---------------------------------------------------------------------------------------------
// Combo boxes, menus

void MainWindow::combo_activated(int selector, int index) {
  QComboBox* box = combo(selector);
  if (index < 0 || index >= box->count()) return;
  session_.choose_combo(selector, box->itemData(index).toInt());
  // The allowed filter frequencies follow the rate and the filter type.
  fill_combos();
}

void MainWindow::after_device_count_change() {
  build_grid();
}

void MainWindow::load_setup_dialog() {
  timer_->stop();
  const QString path = QFileDialog::getOpenFileName(this, qtext(session_.text(kTextLoadTitle)), QString(),
                                                    QStringLiteral("Bin1 (*.CVS *.cvs);;Bin2 (*.CV *.cv)"));
  if (path.isEmpty()) {
    timer_->start();
    return;
  }
  session_.load_setup(QFile::encodeName(path).toStdString());
  build_grid();
  fill_combos();
  update_title();
}

void MainWindow::save_setup_dialog(bool ask) {
  QString path = QFile::decodeName(QByteArray::fromStdString(session_.last_save_path()));
  if (ask || path.isEmpty()) {
    timer_->stop();
    path = QFileDialog::getSaveFileName(this, qtext(session_.text(kTextSaveTitle)), QString(),
                                        QStringLiteral("Bin. (*.CVS);;ASCII (*.TXT)"));
    timer_->start();
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".CVS");
  }
  session_.save_setup(QFile::encodeName(path).toStdString());
  update_title();
}

void MainWindow::show_log() {
  action("M_ComLog")->setChecked(false);
  session_.set_com_log(false);
  open_url(QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(session_.com_log_path()))));
}

void MainWindow::open_url(const QUrl& url) {
  if (open_url_hook) {
    open_url_hook(url);
  } else {
    QDesktopServices::openUrl(url);
  }
}

QString MainWindow::manual_path() {
  std::vector<std::string> candidates;
  const std::string exe = executable_folder();
  if (!exe.empty()) candidates.push_back(exe + "/../" SETUP_INSTALL_DOCDIR "/" + kManualFile);
  if (SETUP_SOURCE_DOCS_DIR[0] != '\0') candidates.push_back(std::string(SETUP_SOURCE_DOCS_DIR "/") + kManualFile);
  for (const std::string& path : candidates) {
    if (QFileInfo::exists(QFile::decodeName(QByteArray::fromStdString(path)))) {
      return QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).canonicalFilePath();
    }
  }
  return {};
}

void MainWindow::open_help() {
  const QString path = manual_path();
  if (path.isEmpty()) {
    show_message("The manual " + std::string(kManualFile) + " is not installed with the program.");
    return;
  }
  open_url(QUrl::fromLocalFile(path));
}

void MainWindow::open_device_test() {
  if (session_.closed() || !session_.device_open()) return;
  timer_->stop();
  {
    DeviceTestDialog dialog(session_, [this] { open_help(); }, this);
    dialog.exec();
  }
  set_timer_enabled(true);
}

std::string MainWindow::default_printer_name() { return setup::default_printer_name(); }

bool MainWindow::print_lines(const std::vector<std::string>& lines) {
  return print_text_lines(lines, qtext(session_.title()));
}

void MainWindow::wait_for_port(const std::function<int32_t()>& reopen) {
  PrintNotice notice(reopen, qtext(session_.text(kTextPrinting)), qtext(session_.text(kTextCancel)), this);
  QApplication::restoreOverrideCursor();
  notice.exec();
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

}  // namespace setup
