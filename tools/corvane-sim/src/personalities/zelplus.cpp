// The ZELPLUS personality (--personality zelplus): amplifier slots 1, 2 and 4 (slot 3 reports 5050,
// not connected); slot 1 measures 2.5 at 25000 counts, the others 10 at 30000. After "MSV" it
// holds 25 scans; "OMB?L,1,1" answers L scans when it holds them (else none), "OMB?L,1,2" what
// it holds up to L: a 2-byte little-endian scan count, the scans of the channels of the last "CHS"
// mask ascending (known_count of channel h at scan i, signed 16-bit little-endian), two trailer
// bytes. Digital ports keep the values written with "DPI<port>,<line>,<value>".
#include <algorithm>
#include <map>
#include <memory>
#include <utility>

#include "personalities/ascii_instrument.h"
#include "personality.h"

namespace corvane_sim {

namespace {

constexpr int64_t kBufferedScans = 25;

class Zelplus : public AsciiInstrument {
 public:
  Zelplus() : AsciiInstrument("\r\n") {
    for (const char* w :
         {"SRB0,1", "ACT", "COF3", "ICR", "WAI", "DOM", "DTR", "CLS", "TAR", "CAL", "TAS", "DAU"})
      on(w, [this](std::string_view) { return ok(); });
    on("DOM0;MSV", [this](std::string_view) {
      start();
      return ok();
    });
    for (const char* w : {"MSV", "TSV"}) {
      on(w, [this](std::string_view) {
        start();
        return ok();
      });
    }
    on_line("AID?", "1,5001,2,5001,3,5050,4,5001");
    on_line("CSA?", "353");
    on("ASA?",
       [this](std::string_view args) { return line(integers(args)[0] == 1 ? "2.5,25000" : "10,30000"); });
    on_line("EST?", "0");
    on("CHS", [this](std::string_view args) {
      mask_ = static_cast<uint32_t>(integers(args)[0]);
      return ok();
    });
    on("OMB?", [this](std::string_view args) {
      const std::vector<int64_t> a = integers(args);
      const int64_t asked = a[0];
      const int64_t n = a.size() > 2 && a[2] == 2 ? std::min(asked, held_) : (held_ >= asked ? asked : 0);
      Reply r;
      put_le(r.bytes, static_cast<uint64_t>(n), 2);
      for (int64_t i = 0; i < n; ++i, ++scan_) {
        for (int h = 1; h <= 28; ++h)
          if (mask_ & (1u << (h - 1))) put_le(r.bytes, static_cast<uint16_t>(known_count(h, scan_)), 2);
      }
      held_ -= n;
      r.bytes += "\r\n";
      return r;
    });
    on("DPI?", [this](std::string_view args) {
      const std::vector<int64_t> a = integers(args);
      return line(std::to_string(ports_[{a[0], a.size() > 1 ? a[1] : 0}]));
    });
    on("DPI", [this](std::string_view args) {
      const std::vector<int64_t> a = integers(args);
      if (a.size() < 3) return line("?");
      ports_[{a[0], a[1]}] = a[2];
      return ok();
    });
  }

 private:
  void start() {
    held_ = kBufferedScans;
    scan_ = 0;
  }
  uint32_t mask_ = 0;
  int64_t held_ = 0;
  int64_t scan_ = 0;
  std::map<std::pair<int64_t, int64_t>, int64_t> ports_;
};

}  // namespace

std::unique_ptr<LineDevice> make_zelplus(const ProgramOptions&) {
  return std::make_unique<Zelplus>();
}

}  // namespace corvane_sim
