// What the recording tests share: simulators on a virtual clock with ramps whose every value is
// known, and the database file opened in the test to check what the tool stored.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "corvane_sim/engine.h"
#include "corvane_sim/server.h"
#include "storix32.h"

namespace record_test {

constexpr double kRange = 3.0;  // mV/V of the bridge channels at power-on
constexpr double kFullScale = 25000.0;

// A ramp in raw counts that rises by 2 per scan and wraps every n + 0.5 scans. Every other wrap
// falls half a scan away from any scan; the others fall exactly on a scan, where the simulator's
// clock arithmetic may give the ramp's end (base + 2n + 1) instead of its start: both are taken
// there, and nowhere else. The simulator's signals run on its own clock, which starts before the
// recording: a channel's first value gives the ramp's phase, and channels of the same line must
// share it.
struct Ramp {
  int64_t base;
  int64_t n;
  int64_t count(int64_t k, int64_t phase) const { return base + (phase + 2 * k) % (2 * n + 1); }
  corvane_sim::SignalSource source(double rate) const {
    return corvane_sim::SignalSource::ramp(static_cast<double>(base) * kRange / kFullScale,
                                           2.0 * rate * kRange / kFullScale, (static_cast<double>(n) + 0.5) / rate);
  }
  double value(int64_t k, int64_t phase) const {
    return static_cast<double>(count(k, phase)) * (kRange / kFullScale);
  }
  // Whether v is the ramp's value at scan k: at a wrap that falls on the scan also its end.
  bool matches(double v, int64_t k, int64_t phase) const {
    if (v == value(k, phase)) return true;
    return count(k, phase) == base && v == static_cast<double>(base + 2 * n + 1) * (kRange / kFullScale);
  }
  // The phase of a first value, -1 when it is no value of the ramp.
  int64_t phase_of(double first) const {
    const double counts = first / (kRange / kFullScale);
    const int64_t c = std::llround(counts);
    if (c - base == 2 * n + 1) return 0;
    if (c - base < 0 || c - base > 2 * n || value(0, c - base) != first) return -1;
    return c - base;
  }
};

inline Ramp ramp_of(int i) { return {-30000 + 211 * i, 29000}; }

// A Corvane chain on a pseudo-terminal whose virtual clock advances by `step_ms` per line.
struct SimLine {
  SimLine(int devices, double step_ms, size_t buffer_samples = 262144) {
    corvane_sim::EngineConfig config;
    config.devices = devices;
    config.virtual_clock = true;
    config.buffer_samples = buffer_samples;
    engine = std::make_unique<corvane_sim::Engine>(config);
    engine->set_auto_advance(std::chrono::nanoseconds(static_cast<int64_t>(step_ms * 1e6)));
    server = std::make_unique<corvane_sim::PtyServer>(*engine);
    path = server->start();
  }
  ~SimLine() { server->stop(); }
  std::unique_ptr<corvane_sim::Engine> engine;
  std::unique_ptr<corvane_sim::PtyServer> server;
  std::string path;
};

// The database file opened in this process for the length of a check.
class Db {
 public:
  explicit Db(const std::string& path) { ok_ = QBX_CreateDatabase(-1, path.c_str(), 0) == 0; }
  ~Db() { QBX_RemoveDatabase(0); }
  bool ok() const { return ok_; }
  int32_t channels() const { return QBX_GetDatabaseMaxChans(); }
  int32_t length(int32_t ch) const { return QBX_GetDatabaseChanCurrLen(ch); }
  std::string text(int32_t ch, int32_t which) const {
    char out[200] = {};
    QBX_GetDatabaseChanText(ch, which, out);
    std::string s(out);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  }
  std::vector<double> values(int32_t ch, int32_t first, int32_t count) const {
    std::vector<double> v(static_cast<size_t>(count));
    EXPECT_EQ(QBX_ReadFromDatabase(ch, first + 1, count, v.data()), 0);
    return v;
  }

 private:
  bool ok_ = false;
};

// Checks every value of database channel ch from scan 0 on, streaming, against the ramp from the
// phase of its first value: returns the first mismatch's scan, or -1; *phase gets the phase.
inline int64_t first_wrong(int32_t ch, const Ramp& ramp, int64_t length, int64_t* phase) {
  constexpr int32_t kChunk = 1 << 20;
  std::vector<double> v(kChunk);
  for (int64_t first = 0; first < length; first += kChunk) {
    const auto n = static_cast<int32_t>(std::min<int64_t>(kChunk, length - first));
    if (QBX_ReadFromDatabase(ch, static_cast<int32_t>(first + 1), n, v.data()) != 0) return first;
    if (first == 0) *phase = ramp.phase_of(v[0]);
    if (*phase < 0) return 0;
    for (int32_t i = 0; i < n; ++i) {
      if (!ramp.matches(v[static_cast<size_t>(i)], first + i, *phase)) {
        ADD_FAILURE() << "channel " << ch << " scan " << first + i << ": " << v[static_cast<size_t>(i)] * kFullScale / kRange
                      << " counts, the ramp has " << ramp.count(first + i, *phase) << " (phase " << *phase << ")";
        return first + i;
      }
    }
  }
  return -1;
}

}  // namespace record_test
