// The personality of device type 60 (--personality amplifier60): inputs 0..59, each reporting the
// unit "N". "MSV0,59,0" answers one line of 60 values, input h's value of measurement m being
// known_count(h, m) / 100 (a physical value with two decimals).
#include <memory>
#include <string>

#include "personalities/ascii_instrument.h"
#include "personality.h"

namespace corvane_sim {

namespace {

class Amplifier60 : public AsciiInstrument {
 public:
  Amplifier60() : AsciiInstrument("\r\n") {
    for (const char* w : {"DTR0", "BMP", "IPP", "TAR", "ITS"})
      on(w, [this](std::string_view) { return ok(); });
    on_line("EST", "0");
    on_line("OEU", "N");
    on("MSV", [this](std::string_view) { return line(input_values(60, scan_++)); });
  }

 private:
  int64_t scan_ = 0;
};

}  // namespace

std::unique_ptr<LineDevice> make_amplifier60(const ProgramOptions&) {
  return std::make_unique<Amplifier60>();
}

}  // namespace corvane_sim
