// Helpers of the window tests: a channel setup window on the built driver with its messages and
// popups answered by the test, and clicks on grid cells.
#pragma once

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "cell_texts.h"
#include "driver_api.h"
#include "main_window.h"
#include "program.h"

namespace setup_test {

// Waits for a condition on a loaded CI machine (the timer ticks every 200 ms).
inline constexpr int kWaitMs = 30000;

struct Window {
  Window(const std::string& folder, const std::string& language = "en",
         std::optional<setup::InstrumentDefinition> hand_off = std::nullopt)
      : api(setup::driver_file_for(language), "liblinkar32.so", setup::library_folders()),
        window(std::make_unique<setup::MainWindow>(api, folder)) {
    api.set_missing_handler([this](const std::string& text) { missing.push_back(text); });
    window->message_hook = [this](const QString& text, bool question) {
      messages.push_back(text);
      return question && answer_yes;
    };
    window->popup_hook = [this](const std::vector<setup::Choice>& items) {
      popups.push_back(items);
      for (size_t i = 0; i < items.size(); ++i) {
        if (QString::fromLatin1(items[i].text.c_str()).trimmed() == pick) return static_cast<int>(i);
      }
      return -1;
    };
    window->session().start(std::nullopt, hand_off);
    window->load();
    window->show();
  }

  setup::SetupSession& session() { return window->session(); }
  QTableWidget* grid() { return window->grid(); }
  QString cell(int row, int column) { return grid()->item(row, column)->text(); }
  QPoint centre(int row, int column) { return grid()->visualItemRect(grid()->item(row, column)).center(); }
  void click(int row, int column, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers keys = {}) {
    grid()->scrollToItem(grid()->item(row, column));
    QTest::mouseClick(grid()->viewport(), button, keys, centre(row, column));
  }

  setup::DriverApi api;
  std::unique_ptr<setup::MainWindow> window;
  std::vector<std::string> missing;
  std::vector<QString> messages;
  std::vector<std::vector<setup::Choice>> popups;
  QString pick;  // the popup entry the test chooses (trimmed text)
  bool answer_yes = false;
};

// An offline instrument definition, as another program leaves it in the hand-off file.
inline setup::InstrumentDefinition offline_definition(const std::string& name) {
  setup::InstrumentDefinition d;
  d.name = name;
  d.port = setup::kPortOffline;
  return d;
}

}  // namespace setup_test
