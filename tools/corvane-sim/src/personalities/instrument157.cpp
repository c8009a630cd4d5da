// The personality of device type 157 (--personality instrument157): channels 1..8 reporting "V".
// "MSV?L,1" answers a line of L scans of the channels named by "ENU?<h>" since the start, ascending:
// the known counts from scan 0 on, separated by ','.
#include <memory>
#include <set>
#include <string>

#include "personalities/ascii_instrument.h"
#include "personality.h"

namespace corvane_sim {

namespace {

class Instrument157 : public AsciiInstrument {
 public:
  Instrument157() : AsciiInstrument("\r\n") {
    for (const char* w : {"STP", "TAR"}) on(w, [this](std::string_view) { return ok(); });
    on_line("IDN?", "SIM,instrument 157,1,1.0");
    on("ENU?", [this](std::string_view args) {
      channels_.insert(static_cast<int>(integers(args)[0]));
      return line("V");
    });
    on("MSV?", [this](std::string_view args) {
      std::string text;
      for (int64_t i = 0; i < integers(args)[0]; ++i, ++scan_) {
        for (int h : channels_) text += (text.empty() ? "" : ",") + std::to_string(known_count(h, scan_));
      }
      return line(text);
    });
  }

 private:
  std::set<int> channels_;
  int64_t scan_ = 0;
};

}  // namespace

std::unique_ptr<LineDevice> make_instrument157(const ProgramOptions&) {
  return std::make_unique<Instrument157>();
}

}  // namespace corvane_sim
