// The personality of device type 90 (--personality amplifier90): commands and replies end with CR.
// "MSV1,k,n,..." streams n scans (200 when n is 0) of the inputs switched on since the last "ODU"
// ("ICH<h>,<h>,1"), ascending: the known counts as signed 16-bit little-endian numbers, with no
// reply line.
#include <memory>
#include <set>

#include "personalities/ascii_instrument.h"
#include "personality.h"

namespace corvane_sim {

namespace {

constexpr int64_t kContinuousScans = 200;

class Amplifier90 : public AsciiInstrument {
 public:
  Amplifier90() : AsciiInstrument("\r", '\r') {
    for (const char* w : {"SYN", "OMM", "COF4", "ISR", "ICR", "TSV", "TRG", "STP", "TAR", "CAL", "ITS"})
      on(w, [this](std::string_view) { return ok(); });
    on_line("EST", "0");
    on("ODU", [this](std::string_view) {
      inputs_.clear();
      return ok();
    });
    on("ICH", [this](std::string_view args) {
      inputs_.insert(static_cast<int>(integers(args)[0]));
      return ok();
    });
    on("MSV1", [this](std::string_view args) {
      const std::vector<int64_t> a = integers(args.substr(1));
      const int64_t n = a.size() > 1 ? a[1] : 0;
      Reply r;
      for (int64_t i = 0; i < (n > 0 ? n : kContinuousScans); ++i)
        for (int h : inputs_) put_le(r.bytes, static_cast<uint16_t>(known_count(h, i)), 2);
      return r;
    });
  }

 private:
  std::set<int> inputs_;
};

}  // namespace

std::unique_ptr<LineDevice> make_amplifier90(const ProgramOptions&) {
  return std::make_unique<Amplifier90>();
}

}  // namespace corvane_sim
