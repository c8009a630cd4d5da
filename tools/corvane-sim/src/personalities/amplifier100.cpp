// The personality of device type 100 (--personality amplifier100): inputs 0..99 reporting "bar",
// full-scale value 200. "MSV?0,99,4" answers one line of 100 values, input h's value of cycle m
// being known_count(h, m) / 100. Queries: "TDC?" 353, "AMP?" 2.5, "OSC?" 1.5, "OTV?" 0.125,
// "OIT?" 7, "CAL?1" 0.
#include <memory>
#include <string>

#include "personalities/ascii_instrument.h"
#include "personality.h"

namespace corvane_sim {

namespace {

class Amplifier100 : public AsciiInstrument {
 public:
  Amplifier100() : AsciiInstrument("\r\n") {
    for (const char* w : {"DTR0", "BMP", "IMM0", "IRC", "SKP", "CYC", "TAR", "ITS"})
      on(w, [this](std::string_view) { return ok(); });
    on_line("ODU?", "1");
    on_line("OEU?", "bar");
    on_line("FEU?", "200");
    on_line("CAL?", "0");
    on_line("TDC?", "353");
    on_line("AMP?", "2.5");
    on_line("OSC?", "1.5");
    on_line("OTV?", "0.125");
    on_line("OIT?", "7");
    on("MSV?", [this](std::string_view) { return line(input_values(100, scan_++)); });
  }

 private:
  int64_t scan_ = 0;
};

}  // namespace

std::unique_ptr<LineDevice> make_amplifier100(const ProgramOptions&) {
  return std::make_unique<Amplifier100>();
}

}  // namespace corvane_sim
