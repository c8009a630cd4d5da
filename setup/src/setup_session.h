// The setup program's state and every algorithm of its channel setup window, without widgets:
// start-up, opening the interface and the device, the grid's cell texts, the refresh tick, cell
// actions and popups, combo boxes, tare, marks, adding and removing devices offline, undo, and
// closing. The window (main_window.h) shows what this class holds and forwards the user's clicks;
// tests drive this class directly or through the window.
//
// All texts are the driver's 8-bit texts (Latin-1) as they come from its string table.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "driver_api.h"
#include "instrument_definition.h"

namespace setup {

// What the session needs from the window around it.
class SessionView {
 public:
  virtual ~SessionView() = default;
  // A plain message box with the text.
  virtual void show_message(const std::string& text) = 0;
  // A Yes/No question with No as default; true for Yes.
  virtual bool ask_yes_no(const std::string& text) = 0;
  virtual void beep() = 0;
  // Starts or stops the 200 ms refresh timer.
  virtual void set_timer_enabled(bool on) = 0;
  // Device name of the default printer; empty when no printer is installed.
  virtual std::string default_printer_name() { return {}; }
  // Prints the lines (8-bit texts), one printed line each; false when nothing could be printed.
  virtual bool print_lines(const std::vector<std::string>&) { return false; }
  // Shows the print notice until `reopen` gives a result other than "port busy" (or the user
  // cancels it); the program's events go on meanwhile.
  virtual void wait_for_port(const std::function<int32_t()>& reopen) { reopen(); }
};

// What the device test dialog shows of one device of the chain.
struct DeviceTestInfo {
  std::string serial;             // empty when the driver cannot report this device
  std::string version;
  int32_t first_amplifier = 0;    // amplifier type of the device's first channel
  std::array<int32_t, 8> slot_types{}; // amplifier types of its eight measuring slots
};

// Statuses of a port re-open that mean "busy, try again": the port-busy status, and the claim
// failure PORTIX32 reports while another user (the printer) holds the parallel port.
inline constexpr int32_t kPortBusy = -5009;
inline constexpr int32_t kParallelPortClaimed = -2;
bool port_busy(int32_t status);
// True when a driver of this version text reports serial number and program version of every
// device of a chain: its version compares above "1.31" as text. Older drivers report device 1 only.
bool reports_every_device(const std::string& driver_version);

// Columns of the channel grid.
enum Column : int {
  kColMark,
  kColChan,
  kColName,
  kColTrans,
  kColRange,
  kColFilter,
  kColTare,
  kColShunt,
  kColTareValue,
  kColValue,
  kColumnCount
};

// Rows of the grid: the channels, at most 10 devices of 10.
inline constexpr int kMaxChannels = 100;
inline constexpr int kChannelsPerDevice = 10;

// What a cell shows besides its text.
enum class CellPicture { kNone, kMarked, kSet, kNotSet, kTransducer };

// One entry of a cell popup or a combo box.
struct Choice {
  int32_t value = 0;
  std::string text;
  int picture = -1;  // transducer picture number, -1 none
  bool checked = false;
};

class SetupSession {
 public:
  SetupSession(DriverApi& api, SessionView& view, std::string program_folder);

  // ---- Start-up (before the window): defaults, command-line setup, time-out, hand-off ----
  // setup_file: the command line's setup path, if any; hand_off: the definition read from the
  // hand-off file, if there was one.
  void start(const std::optional<std::string>& setup_file, const std::optional<InstrumentDefinition>& hand_off);
  // The window's load: opens interface and device, chooses the settings source, stores the device
  // name and fills every cell. Ends with the timer enabled.
  void form_load();
  // The window's activation: false when the window must close at once (a command-line setup was
  // sent, or the start failed).
  bool activate();
  // The window's unload: switches every shunt off, writes the last-state file, closes device and
  // port. Runs once; later calls do nothing.
  void close();
  bool closed() const { return closed_; }

  // ---- Refresh timer ----
  // One tick: reports a kept error once (text 2005) and refreshes the measured values.
  void tick();

  // ---- Cell actions (channel = row - 1) ----
  // A left click in the Mark column with the keys held.
  void mark_click(int channel, bool shift, bool ctrl);
  void select_all();
  void deselect_all();
  // Items of the popup a click on (channel, column) opens: amplifier types (Chan., offline, slots
  // 4..7), transducers, ranges or filters; empty when the cell has none.
  std::vector<Choice> popup(int channel, int column);
  // Applies a chosen popup value to the channel, or to every marked channel when it is marked.
  void apply_popup(int channel, int column, int32_t value);
  // Tare and Shunt cells: toggles the clicked channel's state and applies it to the marked
  // channels when the clicked one is marked.
  void toggle_tare(int channel);
  void toggle_shunt(int channel);
  // Whether a cell opens the in-place editor (Name of a channel that has one; Tare Val.).
  bool editable(int channel, int column) const;
  // Enter in the editor: the name or the tare value of the channel.
  void commit_edit(int channel, int column, const std::string& text);
  // Meas. Value cell of a digital I/O channel: steps the display form 1 -> 2 -> 3 -> 1.
  void step_digital_form(int channel);
  // Toggles one bit (0..15) of a digital I/O channel's word and writes the word to the device.
  void toggle_digital_bit(int channel, int bit);
  bool is_digital(int channel) const;
  bool set_popup_open(bool open) { return popup_open_ = open; }

  // ---- Combo boxes (device settings 2 rate, 4 filter type, 8 filter frequency) ----
  std::vector<Choice> combo(int selector);
  // A choice in a combo box; writes it to the device when it differs from the current value.
  void choose_combo(int selector, int32_t value);
  void set_combo_events(bool on) { combo_events_enabled_ = on; }

  // ---- Buttons and menus ----
  void tare();
  // Add and remove a device offline; false (after a beep and a message) when refused.
  bool add_device();
  bool remove_device();
  // Asks, then returns to the settings of the last-state file. True when it was done.
  bool undo_all();
  // Loads a binary setup file and sends it to the device; saves the settings to a file (".txt"
  // the text form, else binary).
  // Loads a setup and sends it to the device: a name ending in ".cv" (any case) is imported as an
  // older setup file, any other is read as a binary setup by the driver.
  void load_setup(const std::string& path);
  // Saves the settings to a file: a name ending in "txt" (any case) gets the text form, any other
  // the binary form.
  void save_setup(const std::string& path);
  // Prints the text form of the settings. An instrument on LPT1 or LPT2 shares its port with the
  // printer: the port is closed before and re-opened after printing (view.wait_for_port).
  void print_setup();
  // Re-opens the instrument's port with its definition; the open's status.
  int32_t reopen_port();
  std::string print_file_path() const;
  // The device test: number of devices of the chain, and what it shows of device n (1-based).
  int device_test_count();
  DeviceTestInfo device_test_info(int n);
  // Switches the communication log (file COMLOG.LOG in the program folder) on or off; deletes it.
  void set_com_log(bool on);
  void delete_com_log();
  std::string com_log_path() const;

  // ---- What the window shows ----
  std::string text(int id);  // string-table text (cached)
  std::string title();
  std::string device_caption();
  // The text a cell shows (with the column's blanks) and its picture.
  std::string display_text(int channel, int column) const;
  CellPicture cell_picture(int channel, int column) const;
  int transducer_picture_of(int channel) const;

  // ---- Program state ----
  const InstrumentDefinition& definition() const { return definition_; }
  // The instrument as the define-instrument dialog left it (before the window loads).
  void set_definition(const InstrumentDefinition& definition) { definition_ = definition; }
  bool offline() const { return offline_mode_ != 0; }
  int channel_count() const { return channel_count_; }
  int16_t last_error() const { return last_error_; }
  int16_t channel_format(int c) const { return channel_format_[c]; }
  bool marked(int c) const { return channel_mark_[c] != 0; }
  int32_t digital_word(int c) const { return digital_word_[c]; }
  const std::string& cell_text(int c, int column) const { return cell_text_[c][column]; }
  const std::string& setup_file_name() const { return setup_file_name_; }
  // Full path of the last setup saved in this run; empty until then.
  const std::string& last_save_path() const { return last_save_path_; }
  bool command_line_setup() const { return command_line_setup_; }
  bool started_from_hand_off() const { return started_from_hand_off_; }
  bool device_open() const { return device_open_; }
  std::string last_state_path() const;

  // Fills every column's cell texts from the driver.
  void fill_all_columns();

 private:
  // Stores a failing status (narrowed to 16 bits) for the next timer tick; returns the status.
  int32_t note(int32_t status);
  void open_interface();
  // A message of the start-up that explains its failure itself.
  void start_message(const std::string& message);
  void open_device();
  // After a setup file was read: its device settings and every channel to the device.
  void send_all_settings();
  void refresh_values();
  // The older setup file's settings into the driver and the device; a refused file changes nothing.
  void import_old_setup(const std::string& path);

  int32_t amplifier(int c) const;
  int32_t chan_int(int c, int32_t selector) const;
  float chan_float(int c, int32_t selector) const;
  std::string chan_text(int c, int32_t selector) const;
  std::string id_text(int32_t id) const;
  std::vector<int32_t> possible(int c, int32_t selector) const;
  bool inactive(int c) const;
  // A channel of the open chain; false for every channel once the window has closed (a popup or
  // message still open when a signal closed it must not reach the closed driver).
  bool valid(int c) const { return !closed_ && device_open_ && c >= 0 && c < channel_count_; }
  // The channels an action on `c` reaches: every marked one when c is marked, else c alone.
  std::vector<int> targets(int c) const;
  // Sets one channel setting and sends it.
  void write_setting(int c, int32_t selector, const void* value);

  void fill_chan();
  void fill_name();
  void fill_trans();
  void fill_range();
  void fill_filter();
  void fill_tare();
  void fill_shunt();
  void fill_tare_value();

  DriverApi& api_;
  SessionView& view_;
  std::string folder_;

  InstrumentDefinition definition_;
  int16_t offline_mode_ = 1;
  int channel_count_ = 0;
  int16_t last_error_ = 0;
  std::array<int16_t, kMaxChannels> channel_format_{};
  std::array<int16_t, kMaxChannels> channel_mark_{};
  std::array<int32_t, kMaxChannels> digital_word_{};
  std::array<std::array<std::string, kColumnCount>, kMaxChannels> cell_text_;
  std::string setup_file_name_ = "NONAME.CVS";
  std::string last_save_path_;
  bool command_line_setup_ = false;
  std::string command_line_path_;
  bool started_from_hand_off_ = false;
  bool combo_events_enabled_ = true;
  bool popup_open_ = false;
  int anchor_ = 0;

  bool port_open_ = false;
  bool device_open_ = false;
  bool closed_ = false;
  bool in_tick_ = false;
  bool start_message_shown_ = false;
  std::vector<std::pair<int, std::string>> texts_;
};

}  // namespace setup
