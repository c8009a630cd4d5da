// SVG drawing of the acquisition chart. Long series are thinned to the minimum and maximum of
// each pixel column, so the file stays small while peaks stay visible.
#include "svg_plot.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "channel_view.h"
#include "messages.h"
#include "text_codec.h"

namespace corvane_cli {
namespace {

constexpr double kWidth = 1000;
constexpr double kLeft = 90;          // room for the value labels
constexpr double kRight = 230;        // room for the legend
constexpr double kTop = 50;           // title
constexpr double kPanelHeight = 220;
constexpr double kPanelGap = 45;      // time tick labels between panels
constexpr double kLegendLine = 18;
constexpr double kBottom = 55;        // time axis label

const char* const kColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e", "#9467bd",
                                "#8c564b", "#e377c2", "#17becf", "#7f7f7f", "#bcbd22"};

std::string esc(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::string num(double v) { return format_fixed(v, 1); }

bool usable(double v) { return !is_overflow(v); }

// Decimals that show a tick step exactly.
int step_decimals(double step) {
  int d = static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
  return std::clamp(d, 0, 9);
}

struct Range {
  double lo = 0, hi = 0;
  bool any = false;
  void add(double v) {
    if (!usable(v)) return;
    if (!any) lo = hi = v;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
    any = true;
  }
};

}  // namespace

std::vector<double> nice_ticks(double lo, double hi, int target, double* step) {
  if (!(hi > lo)) {
    double pad = lo == 0 ? 1.0 : std::fabs(lo) * 0.1;
    lo -= pad;
    hi += pad;
  }
  double raw = (hi - lo) / std::max(1, target);
  double mag = std::pow(10.0, std::floor(std::log10(raw)));
  double f = raw / mag;
  double s = (f <= 1 ? 1 : f <= 2 ? 2 : f <= 5 ? 5 : 10) * mag;
  double first = std::floor(lo / s + 1e-9) * s;
  double last = std::ceil(hi / s - 1e-9) * s;
  std::vector<double> ticks;
  for (double t = first; t <= last + s * 0.5; t += s) ticks.push_back(std::fabs(t) < s * 1e-9 ? 0.0 : t);
  *step = s;
  return ticks;
}

std::string render_svg(const PlotData& data) {
  // Panels in the order units first appear.
  std::vector<std::string> units;
  std::map<std::string, std::vector<size_t>> members;
  for (size_t i = 0; i < data.series.size(); ++i) {
    const std::string& u = data.series[i].unit;
    if (!members.count(u)) units.push_back(u);
    members[u].push_back(i);
  }
  // A panel is tall enough for its legend.
  std::vector<double> panel_height, panel_top;
  double height = kTop;
  for (const auto& u : units) {
    panel_top.push_back(height);
    panel_height.push_back(std::max(kPanelHeight, kLegendLine * static_cast<double>(members[u].size()) + 10));
    height += panel_height.back() + kPanelGap;
  }
  height += kBottom - (units.empty() ? 0 : kPanelGap);
  const double plot_w = kWidth - kLeft - kRight;

  Range tr;
  for (double t : data.time_s) tr.add(t);
  double tstep = 1;
  std::vector<double> tticks = nice_ticks(tr.any ? tr.lo : 0, tr.any ? tr.hi : 1, 10, &tstep);
  const double t0 = tticks.front(), t1 = tticks.back();
  auto xpos = [&](double t) { return kLeft + (t - t0) / (t1 - t0) * plot_w; };

  std::string svg;
  svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(kWidth) + "\" height=\"" + num(height) +
         "\" viewBox=\"0 0 " + num(kWidth) + " " + num(height) + "\" font-family=\"DejaVu Sans, Arial, sans-serif\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  svg += "<text x=\"" + num(kWidth / 2) + "\" y=\"30\" font-size=\"18\" text-anchor=\"middle\" font-weight=\"bold\">" +
         esc(data.title) + "</text>\n";

  for (size_t p = 0; p < units.size(); ++p) {
    const std::string& unit = units[p];
    const double top = panel_top[p];
    const double panel_h = panel_height[p];
    const double bottom = top + panel_h;
    Range yr;
    for (size_t i : members[unit]) {
      for (double v : data.series[i].values) yr.add(v);
    }
    // A margin of 5 % keeps lines at the extremes off the frame.
    const double margin = yr.any ? (yr.hi - yr.lo) * 0.05 : 0.0;
    double ystep = 1;
    std::vector<double> yticks = nice_ticks(yr.any ? yr.lo - margin : 0, yr.any ? yr.hi + margin : 1, 5, &ystep);
    const double y0 = yticks.front(), y1 = yticks.back();
    auto ypos = [&](double v) { return bottom - (v - y0) / (y1 - y0) * panel_h; };

    // Grid, ticks and labels.
    svg += "<g stroke=\"#dddddd\" stroke-width=\"1\">\n";
    for (double y : yticks) svg += "<line x1=\"" + num(kLeft) + "\" y1=\"" + num(ypos(y)) + "\" x2=\"" + num(kLeft + plot_w) + "\" y2=\"" + num(ypos(y)) + "\"/>\n";
    for (double t : tticks) svg += "<line x1=\"" + num(xpos(t)) + "\" y1=\"" + num(top) + "\" x2=\"" + num(xpos(t)) + "\" y2=\"" + num(bottom) + "\"/>\n";
    svg += "</g>\n";
    svg += "<g font-size=\"12\" fill=\"#222222\">\n";
    const int yd = step_decimals(ystep);
    for (double y : yticks) {
      svg += "<line x1=\"" + num(kLeft - 5) + "\" y1=\"" + num(ypos(y)) + "\" x2=\"" + num(kLeft) + "\" y2=\"" + num(ypos(y)) + "\" stroke=\"#222222\"/>\n";
      svg += "<text x=\"" + num(kLeft - 8) + "\" y=\"" + num(ypos(y) + 4) + "\" text-anchor=\"end\">" + format_fixed(y, yd) + "</text>\n";
    }
    const int td = step_decimals(tstep);
    for (double t : tticks) {
      svg += "<line x1=\"" + num(xpos(t)) + "\" y1=\"" + num(bottom) + "\" x2=\"" + num(xpos(t)) + "\" y2=\"" + num(bottom + 5) + "\" stroke=\"#222222\"/>\n";
      svg += "<text x=\"" + num(xpos(t)) + "\" y=\"" + num(bottom + 19) + "\" text-anchor=\"middle\">" + format_fixed(t, td) + "</text>\n";
    }
    std::string ylabel = unit.empty() ? corvane_cli::tr("counts") : unit;
    svg += "<text transform=\"translate(" + num(22) + " " + num(top + panel_h / 2) + ") rotate(-90)\" text-anchor=\"middle\" font-size=\"14\">" + esc(ylabel) + "</text>\n";
    svg += "</g>\n";
    svg += "<rect x=\"" + num(kLeft) + "\" y=\"" + num(top) + "\" width=\"" + num(plot_w) + "\" height=\"" + num(panel_h) + "\" fill=\"none\" stroke=\"#222222\"/>\n";

    // Series and legend; colours start anew in every panel.
    size_t colour = 0;
    double legend_y = top + 14;
    for (size_t i : members[unit]) {
      const PlotSeries& s = data.series[i];
      // After every ten colours the next ten series are dashed, then dotted, so none look alike.
      constexpr size_t kColourCount = sizeof kColours / sizeof kColours[0];
      const char* c = kColours[colour % kColourCount];
      const char* const kDashes[] = {"", " stroke-dasharray=\"8 4\"", " stroke-dasharray=\"2 3\""};
      const std::string dash = kDashes[(colour / kColourCount) % 3];
      ++colour;
      const size_t n = std::min(s.values.size(), data.time_s.size());
      const size_t columns = static_cast<size_t>(plot_w);
      std::string path;
      bool pen_down = false;
      auto point = [&](double t, double v) {
        path += (pen_down ? " L" : " M") + num(xpos(t)) + " " + num(ypos(v));
        pen_down = true;
      };
      if (n <= columns * 2) {
        for (size_t k = 0; k < n; ++k) {
          if (usable(s.values[k])) point(data.time_s[k], s.values[k]); else pen_down = false;
        }
      } else {
        // Minimum and maximum of each pixel column, in the order they occur.
        for (size_t col = 0; col < columns; ++col) {
          size_t a = n * col / columns, b = n * (col + 1) / columns;
          size_t kmin = a, kmax = a;
          bool any = false;
          for (size_t k = a; k < b; ++k) {
            if (!usable(s.values[k])) continue;
            if (!any || s.values[k] < s.values[kmin]) kmin = k;
            if (!any || s.values[k] > s.values[kmax]) kmax = k;
            any = true;
          }
          if (!any) {
            pen_down = false;
            continue;
          }
          size_t first = std::min(kmin, kmax), second = std::max(kmin, kmax);
          point(data.time_s[first], s.values[first]);
          if (second != first) point(data.time_s[second], s.values[second]);
        }
      }
      if (!path.empty()) {
        svg += "<path d=\"" + path.substr(1) + "\" fill=\"none\" stroke=\"" + c + "\" stroke-width=\"1.5\" stroke-linejoin=\"round\"" + dash + "/>\n";
      }
      const double lx = kLeft + plot_w + 15;
      svg += "<line x1=\"" + num(lx) + "\" y1=\"" + num(legend_y - 4) + "\" x2=\"" + num(lx + 24) + "\" y2=\"" + num(legend_y - 4) + "\" stroke=\"" + c + "\" stroke-width=\"3\"" + dash + "/>\n";
      svg += "<text x=\"" + num(lx + 30) + "\" y=\"" + num(legend_y) + "\" font-size=\"12\">" + esc(s.label) + "</text>\n";
      legend_y += kLegendLine;
    }
    // The trigger point: a dashed vertical line through the panel, labelled in the first one.
    if (data.trigger_time_s && *data.trigger_time_s >= t0 && *data.trigger_time_s <= t1) {
      const double x = xpos(*data.trigger_time_s);
      svg += "<line class=\"trigger\" x1=\"" + num(x) + "\" y1=\"" + num(top) + "\" x2=\"" + num(x) + "\" y2=\"" +
             num(bottom) + "\" stroke=\"#000000\" stroke-width=\"1\" stroke-dasharray=\"6 3\"/>\n";
      if (p == 0) {
        svg += "<text x=\"" + num(x + 4) + "\" y=\"" + num(top + 12) + "\" font-size=\"11\">" + esc(corvane_cli::tr("trigger")) + "</text>\n";
      }
    }
  }
  svg += "<text x=\"" + num(kLeft + plot_w / 2) + "\" y=\"" + num(height - 15) + "\" font-size=\"14\" text-anchor=\"middle\">" + esc(corvane_cli::tr("time [s]")) + "</text>\n";
  svg += "</svg>\n";
  return svg;
}

}  // namespace corvane_cli
