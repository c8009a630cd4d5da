// The data server personality (--personality data-server): commands without line end, each ended
// by an at sign and a number ("STP@" by its at sign). "RDS_START@k" and "RDS_ADD@h" build the
// channel list; each command is answered by a 4-byte little-endian status 0. After the start it
// holds 30 scans; "RDS_READ@L" answers a 4-byte byte count and L of them, or none while it holds
// fewer ("RDS_READ@0": all it holds, up to 1023), the known count of channel h at scan i divided by
// 8, as little-endian doubles, scan by scan.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "personalities/ascii_instrument.h"
#include "personality.h"

namespace corvane_sim {

namespace {

constexpr int64_t kHeldScans = 30;

// "NAME@digits": complete at the first byte after the digits, or at the end of what has come (the
// host writes each command whole); "STP@" at its at sign.
size_t framing(std::string_view pending, size_t* text_length) {
  const size_t at = pending.find('@');
  if (at == std::string_view::npos) return 0;
  size_t end = at + 1;
  if (pending.substr(0, at) != "STP")
    while (end < pending.size() && pending[end] >= '0' && pending[end] <= '9') ++end;
  if (end == at + 1 && pending.substr(0, at) != "STP") return 0;
  *text_length = end;
  return end;
}

Reply status(int32_t value) {
  Reply r;
  put_le(r.bytes, static_cast<uint32_t>(value), 4);
  return r;
}

class DataServer : public AsciiInstrument {
 public:
  DataServer() : AsciiInstrument("", '\0', framing) {
    on("RDS_START@", [this](std::string_view) {
      channels_.clear();
      held_ = kHeldScans;
      return status(0);
    });
    on("RDS_ADD@", [this](std::string_view args) {
      channels_.push_back(static_cast<int>(integers(args)[0]));
      return status(0);
    });
    on("RDS_READ@", [this](std::string_view args) {
      const int64_t asked = integers(args)[0];
      const int64_t n = asked == 0 ? std::min<int64_t>(held_, 1023) : (held_ >= asked ? asked : 0);
      std::string values;
      for (int64_t i = 0; i < n; ++i, ++scan_) {
        for (int h : channels_) {
          const double v = known_count(h, scan_) / 8.0;
          uint64_t bits;
          std::memcpy(&bits, &v, sizeof bits);
          put_le(values, bits, 8);
        }
      }
      held_ -= n;
      Reply r = status(static_cast<int32_t>(values.size()));
      r.bytes += values;
      return r;
    });
    on("STP@", [](std::string_view) { return status(0); });
  }

 private:
  std::vector<int> channels_;
  int64_t held_ = 0;
  int64_t scan_ = 0;
};

}  // namespace

std::unique_ptr<LineDevice> make_data_server(const ProgramOptions&) {
  return std::make_unique<DataServer>();
}

}  // namespace corvane_sim
