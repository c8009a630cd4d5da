// A chart of acquired channels over time as a standalone SVG file, drawn by the tool itself:
// one panel per unit (channels that share a unit share an axis), a common time axis, ticks on
// round numbers, grid lines and a legend.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvane_cli {

struct PlotSeries {
  std::string label;  // UTF-8, shown in the legend
  std::string unit;   // UTF-8; series with the same unit share a panel
  std::vector<double> values;  // one per time; non-finite values and overflow values leave gaps
};

struct PlotData {
  std::string title;
  std::vector<double> time_s;
  std::vector<PlotSeries> series;
  std::optional<double> trigger_time_s;  // marked by a dashed line when given
};

// The complete SVG document.
std::string render_svg(const PlotData& data);

// Tick positions for an axis from lo to hi: multiples of 1, 2 or 5 x 10^k, about `target` of
// them, covering [lo, hi]. The first and last tick enclose the data. *step gets the spacing.
std::vector<double> nice_ticks(double lo, double hi, int target, double* step);

}  // namespace corvane_cli
