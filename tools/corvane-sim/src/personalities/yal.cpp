// The YAL personality (--personality yal): a YAL amplifier system with amplifier channels 1..31.
// Channel 1 reports "MV/V" at 2.5, channel 2 "KN  " at 50, the others "V   " at 10, each with
// 500000 counts at that range. "MSV?n,k" streams n scans (200 when n is 0) of the channels
// selected by the last "CHS" mask, ascending: the known count of channel h at scan i
// (known_count) as a signed 24-bit value in the three high bytes, big-endian, and a status byte 0.
#include <memory>

#include "personalities/ascii_instrument.h"
#include "personality.h"

namespace corvane_sim {

namespace {

constexpr int64_t kContinuousScans = 200;

struct YalChannel {
  const char* unit;
  const char* range;
};

YalChannel yal_channel(int h) {
  if (h == 1) return {"MV/V", "2.5"};
  if (h == 2) return {"KN  ", "50"};
  return {"V   ", "10"};
}

class Yal : public AsciiInstrument {
 public:
  Yal() : AsciiInstrument("\r\n") {
    for (const char* w :
         {"SRB1", "ACL0", "ISS,", "ISS", "CMR1", "AFS1", "COF3", "STP", "CLS", "TAR", "CAL", "CPV", "LIV"})
      on(w, [this](std::string_view) { return ok(); });
    on("CHS", [this](std::string_view args) {
      mask_ = static_cast<uint32_t>(integers(args)[0]);
      return ok();
    });
    on("ENU?1", [this](std::string_view) { return line(yal_channel(first()).unit); });
    on("IMR?1", [this](std::string_view) { return line(yal_channel(first()).range); });
    on_line("IAD?1", "500000");
    on_line("ISS?", "9600,20");
    on_line("ESR?", "0");
    on("MSV?", [this](std::string_view args) {
      const int64_t n = integers(args)[0];
      Reply r;
      for (int64_t i = 0; i < (n > 0 ? n : kContinuousScans); ++i) {
        for (int h = 1; h <= 31; ++h) {
          if (mask_ & (1u << (h - 1))) put_be(r.bytes, static_cast<uint32_t>(known_count(h, i)) << 8, 4);
        }
      }
      return r;
    });
  }

 private:
  int first() const {
    for (int h = 1; h <= 31; ++h)
      if (mask_ & (1u << (h - 1))) return h;
    return 0;
  }
  uint32_t mask_ = 0;
};

}  // namespace

std::unique_ptr<LineDevice> make_yal(const ProgramOptions&) {
  return std::make_unique<Yal>();
}

}  // namespace corvane_sim
