// The personality of device types 55 and 56 (--personality amplifier55): one measured signal in
// "KN". "MSV?L,1" answers a line of L values, the known counts of channel 1 from scan 0 on.
#include <memory>
#include <string>

#include "personalities/ascii_instrument.h"
#include "personality.h"

namespace corvane_sim {

namespace {

class Amplifier55 : public AsciiInstrument {
 public:
  Amplifier55() : AsciiInstrument("\r\n") {
    for (const char* w : {"COF1", "CPV", "CAL", "LIV", "TAR"})
      on(w, [this](std::string_view) { return ok(); });
    on_line("ENU?", "KN  ");
    on("MSV?", [this](std::string_view args) {
      std::string text;
      for (int64_t i = 0; i < integers(args)[0]; ++i, ++scan_)
        text += (i ? "," : "") + std::to_string(known_count(1, scan_));
      return line(text);
    });
  }

 private:
  int64_t scan_ = 0;
};

}  // namespace

std::unique_ptr<LineDevice> make_amplifier55(const ProgramOptions&) {
  return std::make_unique<Amplifier55>();
}

}  // namespace corvane_sim
