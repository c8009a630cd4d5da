// Interpolation over database channels: one point (Interpolate_Pt), a densified copy of the
// channels, or values at the x of a grid channel (Interpolate). The measured rows are read into
// memory in blocks once; windows of two to four rows around each x go to interp_methods.cpp.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "channel_io.h"
#include "guard.h"
#include "interp_methods.h"
#include "numera32_signal.h"

using namespace numera::signal;

namespace {

constexpr int32_t kMinRows = 4;
constexpr double kSameX = 1e-8;  // rows closer than this in x count as one point

struct Measured {
  std::vector<double> x, y;
  std::size_t n() const { return x.size(); }
};

// Checks both channels' lengths and reads their common rows: 0, -1 (x shorter than 4), -2 (y
// shorter than 4) or -3 (failed read).
int32_t load(int32_t x_channel, int32_t y_channel, Measured& m) {
  const int32_t lx = db::length(x_channel);
  if (lx < kMinRows) return kSpectraFailed;
  const int32_t ly = db::length(y_channel);
  if (ly < kMinRows) return kSpectraShortY;
  const int32_t n = std::min(lx, ly);
  if (db::read_rows(x_channel, n, m.x) < 0 || db::read_rows(y_channel, n, m.y) < 0) return kSpectraGridFailed;
  return kSpectraOk;
}

// Applies the method to rows first .. last (0-based, inclusive).
int32_t on_rows(int method, const Measured& m, std::size_t first, std::size_t last, double x, double& y) {
  return interpolate_window(method, m.x.data() + first, m.y.data() + first, last - first + 1, x, y);
}

bool distinct_x(const Measured& m, std::size_t first, std::size_t last) {
  for (std::size_t i = first; i <= last; ++i)
    for (std::size_t j = i + 1; j <= last; ++j)
      if (std::fabs(m.x[i] - m.x[j]) < kSameX) return false;
  return true;
}

// Densify by k: the points of each kept pair, k-1 between them (2(k-1) for the last pair), and
// the last row to close; x to xs, y to ys. kNoRoom as soon as there are more than `room` points
// (the targets could not take them all, and a huge k must not fill memory first).
int32_t densify(const Measured& m, int64_t k, int method, std::size_t room, std::vector<double>& xs,
                std::vector<double>& ys) {
  const std::size_t n = m.n();
  const int64_t between = k - 1;
  auto add = [&](double x, double y) {
    xs.push_back(x);
    ys.push_back(y);
    return xs.size() <= room;
  };
  std::size_t kept = 0;
  for (std::size_t r0 = 1; r0 < n; ++r0) {
    if (std::fabs(m.x[r0] - m.x[kept]) < kSameX) continue;
    if (!add(m.x[kept], m.y[kept])) return db::kNoRoom;
    const int64_t count = r0 == n - 1 ? 2 * between : between;
    // Row r = r0 + 1 (1-based): four rows r-2 .. r+1 when 2 < r < n, else the pair alone.
    const std::size_t r = r0 + 1;
    const bool wide = r > 2 && r < n && distinct_x(m, r0 - 2, r0 + 1);
    for (int64_t j = 1; j <= count; ++j) {
      const double xx = m.x[kept] + (m.x[r0] - m.x[kept]) * static_cast<double>(j) / static_cast<double>(count + 1);
      double yy = 0.0;
      int32_t st = 0;
      if (wide) {
        st = on_rows(method, m, r0 - 2, r0 + 1, xx, yy);
      } else {
        const double pair_x[2] = {m.x[kept], m.x[r0]}, pair_y[2] = {m.y[kept], m.y[r0]};
        st = interpolate_window(method, pair_x, pair_y, 2, xx, yy);
      }
      if (st != kSpectraOk) return st;
      if (!add(xx, yy)) return db::kNoRoom;
    }
    kept = r0;
  }
  return add(m.x[n - 1], m.y[n - 1]) ? kSpectraOk : db::kNoRoom;
}

// y at each value of the grid channel from measured rows j-1, j, j+1 (j the first row with
// x >= the value), two rows at the ends, into ys; -7 for a value outside [first x, last x] (the
// values before it are kept in ys).
int32_t on_grid(const Measured& m, int32_t grid, int method, std::vector<double>& ys) {
  const int32_t count = db::length(grid);
  if (count < 1) return kSpectraGridFailed;
  const std::size_t n = m.n();
  std::vector<double> block(static_cast<std::size_t>(db::kReadBlock));
  for (int32_t first = 1; first <= count; first += db::kReadBlock) {
    const int32_t len = std::min(db::kReadBlock, count - first + 1);
    if (db::read(grid, first, len, block.data()) < 0) return kSpectraGridFailed;
    for (int32_t i = 0; i < len; ++i) {
      const double g = block[static_cast<std::size_t>(i)];
      if (!(g >= m.x.front() && g <= m.x.back())) return kSpectraOutsideRange;
      const auto j = static_cast<std::size_t>(std::lower_bound(m.x.begin(), m.x.end(), g) - m.x.begin());
      const std::size_t lo = j == 0 ? 0 : (j == n - 1 ? n - 2 : j - 1);
      const std::size_t hi = j == 0 ? 1 : (j == n - 1 ? n - 1 : j + 1);
      double y = 0.0;
      if (const int32_t st = on_rows(method, m, lo, hi, g, y); st != kSpectraOk) return st;
      ys.push_back(y);
    }
  }
  return kSpectraOk;
}

}  // namespace

extern "C" {

int32_t Interpolate_Pt(int32_t x_channel, int32_t y_channel, double x, double* y, int16_t method) {
  if (!y) return kSpectraFailed;
  return guarded([&]() -> int32_t {
    Measured m;
    if (const int32_t st = load(x_channel, y_channel, m); st != kSpectraOk) return st;
    if (method < kInterpPolynomial || method > kInterpSpline) return kSpectraBadMethod;
    const std::size_t n = m.n();
    // r: first row (1-based) with x_r >= x.
    std::size_t r = 0;
    while (r < n && !(m.x[r] >= x)) ++r;
    if (r == n) return kSpectraOutsideRange;
    ++r;
    std::size_t first, last;
    if (r <= 2) {
      first = 0;
      last = 1;
    } else if (r == n) {
      first = n - 2;
      last = n - 1;
    } else {
      first = r - 3;
      last = r;
    }
    double value = 0.0;
    const int32_t st = on_rows(method, m, first, last, x, value);
    if (st == kSpectraOk) *y = value;
    return st;
  });
}

int32_t Interpolate(int32_t x_channel, int32_t y_channel, int32_t grid, int32_t output_channel, int16_t method) {
  return guarded([&]() -> int32_t {
    Measured m;
    if (const int32_t st = load(x_channel, y_channel, m); st != kSpectraOk) return st;
    if (method < kInterpPolynomial || method > kInterpLinear) return kSpectraBadMethod;
    // Results are written once they are all known, and only when every target has room for them;
    // a method that fails part-way still leaves the values before it, x and y alike.
    std::vector<double> xs, ys;
    if (grid < 0) {
      const int32_t room_x = db::room(output_channel);
      if (room_x < 0) return room_x;
      const int32_t room_y = db::room(output_channel + 1);
      if (room_y < 0) return room_y;
      const auto room = static_cast<std::size_t>(std::min(room_x, room_y));
      const int32_t st = densify(m, -static_cast<int64_t>(grid), method, room, xs, ys);
      if (st == db::kNoRoom) return st;
      const int32_t wr = db::append_together({{output_channel, xs}, {output_channel + 1, ys}});
      return st == kSpectraOk ? wr : st;
    }
    const int32_t st = on_grid(m, grid, method, ys);
    const int32_t wr = db::append_together({{output_channel, ys}});
    return st == kSpectraOk ? wr : st;
  });
}

}  // extern "C"
