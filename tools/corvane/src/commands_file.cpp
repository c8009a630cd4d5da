// save FILE and load FILE: the driver's settings file, binary or the labelled text report by the
// file name's extension (".txt" in any case is text, anything else binary), as the setup
// program does. A loaded setup is sent to the device at once.
#include <iostream>

#include "channel_view.h"
#include "commands.h"
#include "json_writer.h"
#include "text_codec.h"

namespace corvane_cli {
namespace {

constexpr int32_t kFormBinary = 0;
constexpr int32_t kFormText = 1;
constexpr int32_t kAllSelectors = -1;
constexpr int32_t kStateTareBit = 2;  // bit 1 of a state id: tare

bool is_text_name(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  return fold(ext) == ".txt";
}

}  // namespace

void cmd_save(Session& s, const std::vector<std::string>& words) {
  CommandArgs args = parse_command_args("save", words, {}, {});
  if (args.positional.size() != 1) throw CommandError("Usage: save FILE (.txt: text report, else binary setup)", kExitUsage);
  const std::string& path = args.positional[0];
  if (s.checking()) return;
  const bool text = is_text_name(path);
  s.check(s.driver().CV_WriteSettings(path.c_str(), text ? kFormText : kFormBinary), "Saving the setup to " + path + " failed",
          StatusContext::kFile);
  if (!s.confirm()) return;
  if (s.json()) {
    JsonWriter j;
    j.begin_object().field("command", "save").field("file", path).field("form", text ? "text" : "binary").end_object();
    print_line(j.text());
    return;
  }
  print_confirmation(s, std::string("Saved the ") + (text ? "text report" : "binary setup") + " of " +
             std::to_string(s.channel_count()) + " channels to " + path);
}

void cmd_load(Session& s, const std::vector<std::string>& words) {
  CommandArgs args = parse_command_args("load", words, {}, {});
  if (args.positional.size() != 1) throw CommandError("Usage: load FILE (a binary setup)", kExitUsage);
  const std::string& path = args.positional[0];
  if (s.checking()) return;
  const Driver& d = s.driver();
  if (is_text_name(path)) {
    throw CommandError("A text report (" + path + ") cannot be loaded; load a binary setup file (.cvs) instead.");
  }
  s.check(d.CV_ReadSettings(path.c_str(), kFormBinary), "Loading the setup " + path + " failed", StatusContext::kFile);
  int32_t sent = 0;
  std::string refused;
  if (!s.offline()) {
    // The loaded settings go to the device, device first, then every channel. A channel the
    // device refuses does not stop the others; the refusals are reported together.
    s.check(d.CV_SaveDevSettings(kAllSelectors), "Sending the device settings of " + path + " failed");
    for (int32_t c = 0; c < s.channel_count(); ++c) {
      ChannelView v = read_channel(d, c);
      if (v.amplifier == kAmpNotConnected) continue;
      int32_t selectors = kAllSelectors;
      if (v.digital_io() || v.amplifier == kAmpAux) {
        // These channels have a fixed transducer and range and cannot tare: only the measure
        // bit of the state (and the output word) is theirs to set.
        int32_t state = v.state & ~kStateTareBit;
        d.CV_SetChanSettings(c, kCvChanState, &state);
        selectors = kCvChanState | (v.digital_io() ? kCvChanDigital : 0);
      }
      int32_t r = d.CV_SaveChanSettings(c, selectors);
      if (v.digital_io() || v.amplifier == kAmpAux) d.CV_LoadChanSettings(c, kCvChanTransducer | kCvChanRange);
      if (r != 0 && r != kCvWarnTareState && r != kCvWarnFilterFrequency) {
        refused += "\n  channel " + std::to_string(c) + ": " + s.describe(r);
        continue;
      }
      ++sent;
    }
  }
  if (!refused.empty()) {
    throw CommandError("Loaded " + path + ", but the device did not take these channels:" + refused);
  }
  if (!s.confirm()) return;
  if (s.json()) {
    JsonWriter j;
    j.begin_object().field("command", "load").field("file", path).field("channels", s.channel_count());
    j.field("sent_channels", sent).end_object();
    print_line(j.text());
    return;
  }
  print_confirmation(s, "Loaded " + path + ": " + std::to_string(s.channel_count()) + " channels" +
             (s.offline() ? " (offline: kept in memory)" : ", " + std::to_string(sent) + " channels sent to the device"));
}

}  // namespace corvane_cli
