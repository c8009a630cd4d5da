// The VELMA personality (--personality velma): a precision amplifier with input 1 ("MV/V", range 2
// at 1000000 counts) and input 2 ("KN  ", range 20 at 500000 counts). "MSV?L,1" answers one line
// of L scans of the inputs of the last "CHS" mask (1, 2 or 3), the known counts from scan 0 on,
// separated by ','. "XST?" reports the amplifier settled and calibrated ("0,0").
#include <memory>
#include <string>

#include "personalities/ascii_instrument.h"
#include "personality.h"

namespace corvane_sim {

namespace {

class Velma : public AsciiInstrument {
 public:
  Velma() : AsciiInstrument("\r\n") {
    for (const char* w : {"SRB1", "CHM", "ACL0", "ASS2", "COF3", "STP", "CLS", "TAR", "CAL", "CPV", "LIV"})
      on(w, [this](std::string_view) { return ok(); });
    on("CHS", [this](std::string_view args) {
      mask_ = static_cast<uint32_t>(integers(args)[0]);
      return ok();
    });
    on_line("COF?", "3");
    on_line("CMR?", "50");
    on_line("ENU?1", "MV/V");
    on_line("ENU?2", "KN  ");
    on_line("IAD?1", "2,1000000");
    on_line("IAD?2", "20,500000");
    on_line("ESR?", "0");
    on_line("XST?", "0,0");
    on("MSV?", [this](std::string_view args) {
      std::string text;
      for (int64_t i = 0; i < integers(args)[0]; ++i, ++scan_) {
        for (int h = 1; h <= 2; ++h) {
          if (!(mask_ & (1u << (h - 1)))) continue;
          if (!text.empty()) text += ',';
          text += std::to_string(known_count(h, scan_));
        }
      }
      return line(text);
    });
  }

 private:
  uint32_t mask_ = 0;
  int64_t scan_ = 0;
};

}  // namespace

std::unique_ptr<LineDevice> make_velma(const ProgramOptions&) {
  return std::make_unique<Velma>();
}

}  // namespace corvane_sim
