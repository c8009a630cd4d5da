// save FILE and load FILE: the driver's settings file, binary or the labelled text report by the
// file name's extension (".txt" in any case is text, anything else binary), as the setup
// program does. A loaded setup is sent to the device at once.
#include <algorithm>
#include <iostream>

#include "channel_view.h"
#include "commands.h"
#include "json_writer.h"
#include "messages.h"
#include "setup_file.h"
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

// The differences between a setup file and the attached chain, one "\n  ..." line each.
std::string chain_differences(const Session& s, const SetupFileContents& file) {
  const Driver& d = s.driver();
  std::string out;
  if (file.channel_count != s.channel_count()) {
    out += tr("\n  the file has {} channels, the chain {}", file.channel_count, s.channel_count());
  }
  const int32_t common = std::min(file.channel_count, s.channel_count());
  for (int32_t c = 0; c < common; ++c) {
    const int32_t attached = read_channel(d, c).amplifier;
    const int32_t saved = file.channels[static_cast<size_t>(c)].amplifier;
    if (saved != attached) {
      out += tr("\n  channel {}: {} ({}) in the file, {} ({}) attached", c, id_text(d, saved), saved, id_text(d, attached),
                attached);
    }
  }
  return out;
}

// What the driver's reader leaves out: the device name, and the channel names and digital output
// words of the channels whose amplifier type matches the file's.
void apply_names(const Session& s, const SetupFileContents& file) {
  const Driver& d = s.driver();
  d.CV_SetDevSettings(kCvDevType, file.device_name.c_str());
  const int32_t common = std::min(file.channel_count, s.channel_count());
  for (int32_t c = 0; c < common; ++c) {
    const SetupFileChannel& saved = file.channels[static_cast<size_t>(c)];
    ChannelView v = read_channel(d, c);
    if (v.amplifier != saved.amplifier) continue;
    d.CV_SetChanSettings(c, kCvChanName, saved.name.c_str());
    if (v.digital_io()) d.CV_SetChanSettings(c, kCvChanDigital, &saved.digital);
  }
}

}  // namespace

void cmd_save(Session& s, const std::vector<std::string>& words) {
  CommandArgs args = parse_command_args("save", words, {}, {});
  if (args.positional.size() != 1) throw CommandError(tr("Usage: save FILE (.txt: text report, else binary setup)"), kExitUsage);
  const std::string& path = args.positional[0];
  if (s.checking()) return;
  const bool text = is_text_name(path);
  s.check(s.driver().CV_WriteSettings(path.c_str(), text ? kFormText : kFormBinary), tr("Saving the setup to {} failed", path),
          StatusContext::kFile);
  if (!s.confirm()) return;
  if (s.json()) {
    JsonWriter j;
    j.begin_object().field("command", "save").field("file", path).field("form", text ? "text" : "binary").end_object();
    print_line(j.text());
    return;
  }
  print_confirmation(s, text ? tr("Saved the text report of {} channels to {}", s.channel_count(), path)
                             : tr("Saved the binary setup of {} channels to {}", s.channel_count(), path));
}

void cmd_load(Session& s, const std::vector<std::string>& words) {
  CommandArgs args = parse_command_args("load", words, {}, {"--force"});
  if (args.positional.size() != 1) throw CommandError(tr("Usage: load [--force] FILE (a binary setup)"), kExitUsage);
  const std::string& path = args.positional[0];
  if (s.checking()) return;
  const Driver& d = s.driver();
  if (is_text_name(path)) {
    throw CommandError(tr("A text report ({}) cannot be loaded; load a binary setup file (.cvs) instead.", path));
  }
  // The file must fit the attached chain; offline the file defines the chain.
  const std::optional<SetupFileContents> file = read_setup_file(path);
  if (file && !s.offline() && !args.flags.count("--force")) {
    const std::string differences = chain_differences(s, *file);
    if (!differences.empty()) {
      throw CommandError(tr("The setup {} does not fit the attached chain (load --force loads what fits):{}", path,
                            differences));
    }
  }
  s.check(d.CV_ReadSettings(path.c_str(), kFormBinary), tr("Loading the setup {} failed", path), StatusContext::kFile);
  if (file) apply_names(s, *file);
  int32_t sent = 0;
  std::string refused;
  if (!s.offline()) {
    // The loaded settings go to the device, device first, then every channel. A channel the
    // device refuses does not stop the others; the refusals are reported together.
    s.check(d.CV_SaveDevSettings(kAllSelectors), tr("Sending the device settings of {} failed", path));
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
        refused += tr("\n  channel {}: {}", c, s.describe(r));
        continue;
      }
      ++sent;
    }
  }
  if (!refused.empty()) {
    throw CommandError(tr("Loaded {}, but the device did not take these channels:{}", path, refused));
  }
  if (!s.confirm()) return;
  if (s.json()) {
    JsonWriter j;
    j.begin_object().field("command", "load").field("file", path).field("channels", s.channel_count());
    j.field("sent_channels", sent).end_object();
    print_line(j.text());
    return;
  }
  print_confirmation(s, s.offline() ? tr("Loaded {}: {} channels (offline: kept in memory)", path, s.channel_count())
                                    : tr("Loaded {}: {} channels, {} channels sent to the device", path, s.channel_count(), sent));
}

}  // namespace corvane_cli
