// The single-channel personality (--personality single-channel): one measured channel. "TAS?"
// answers 1, "TAV?" 0.25. "MSV?n" streams n samples (200 when n is 0), the known counts of
// channel 1 as signed 32-bit little-endian numbers, with no reply line; "S<address>" and the
// commands sent while every device listens ("S98" until the next "S<address>") are not answered.
#include <memory>

#include "personalities/ascii_instrument.h"
#include "personality.h"

namespace corvane_sim {

namespace {

constexpr int64_t kContinuousScans = 200;
constexpr int64_t kEveryDevice = 98;

class SingleChannel : public AsciiInstrument {
 public:
  SingleChannel() : AsciiInstrument("\r\n") {
    for (const char* w : {"SPW", "LDW0", "LWT", "ACL0", "TAV", "TAS", "COF12", "STP", "TAR"}) answer(w, "0");
    answer("TAS?", "1");
    answer("TAV?", "0.25");
    answer("IDN?", "SIM,single channel,1,1.00");
    on("ICR", [this](std::string_view) { return listening_all_ ? Reply{} : ok(); });
    on("S", [this](std::string_view args) {
      listening_all_ = integers(args)[0] == kEveryDevice;
      return Reply{};
    });
    on("MSV?", [](std::string_view args) {
      const int64_t n = integers(args)[0];
      Reply r;
      for (int64_t i = 0; i < (n > 0 ? n : kContinuousScans); ++i)
        put_le(r.bytes, static_cast<uint32_t>(known_count(1, i)), 4);
      return r;
    });
  }

 private:
  void answer(const char* word, const char* text) {
    on(word, [this, text](std::string_view) { return listening_all_ ? Reply{} : line(text); });
  }
  bool listening_all_ = false;
};

}  // namespace

std::unique_ptr<LineDevice> make_single_channel(const ProgramOptions&) {
  return std::make_unique<SingleChannel>();
}

}  // namespace corvane_sim
