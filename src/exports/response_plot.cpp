#include "exports/response_plot.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "exports/svg_chart.hpp"

namespace quill {

namespace {

constexpr const char* kCoupledColour = "#1f5fbf";
constexpr const char* kIsolatedColour = "#d62728";
constexpr const char* kThroughColour = "#2a9d3a";
constexpr const char* kReturnColour = "#8c4fbf";
constexpr const char* kIdealColour = "#1f1f1f";

/// Shortest text that reads back as the same float, never in exponent form.
std::string shortest(float v) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
  return ec == std::errc() ? std::string(buf, end) : std::string("?");
}

std::string fixed(double v, int decimals) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  return ec == std::errc() ? std::string(buf, end) : std::string("?");
}

std::vector<double> column(const std::vector<ResponsePoint>& points, float ResponsePoint::*level) {
  std::vector<double> out;
  out.reserve(points.size());
  for (const ResponsePoint& p : points) out.push_back(static_cast<double>(p.*level));
  return out;
}

bool has_band(const ResponseMarks& m) {
  return m.synthesised && std::isfinite(m.flow) && std::isfinite(m.fhigh) && m.flow <= m.fhigh;
}

bool has_window(const ResponseMarks& m) {
  return m.synthesised && std::isfinite(m.coupling_db) && std::isfinite(m.ripple_db);
}

/// The coupling panel's scale: the nominal window and the in-band coupled
/// level with room around them. Out of band the coupling falls away and is
/// left to run off the panel; that is what the lower panel is for. Without a
/// band, the coupled level over the sweep, down to 30 dB below its peak.
AxisRange coupling_range(const std::vector<ResponsePoint>& points, const ResponseMarks& m) {
  double lo = INFINITY, hi = -INFINITY;
  const bool band = has_band(m);
  for (const ResponsePoint& p : points) {
    if (!std::isfinite(p.freq)) continue;
    if (band && (p.freq < m.flow || p.freq > m.fhigh)) continue;
    // The ideal design's curve, where there is one, is kept in view beside it.
    for (float level : {p.coupled_db, p.ideal_coupled_db}) {
      if (!std::isfinite(level)) continue;
      lo = std::min(lo, static_cast<double>(level));
      hi = std::max(hi, static_cast<double>(level));
    }
  }
  if (!band && lo <= hi) lo = std::max(lo, hi - 30);
  if (has_window(m)) {
    const double r = std::fabs(m.ripple_db);
    lo = std::min(lo, -static_cast<double>(m.coupling_db) - r);
    hi = std::max(hi, -static_cast<double>(m.coupling_db) + r);
  }
  if (!(lo <= hi)) return {-1, 0};
  const double margin = std::max(0.25 * (hi - lo), 0.1);
  const AxisTicks t = nice_axis(lo - margin, hi + margin, 7);
  return {t.lo, t.hi};
}

/// The all-ports scale: from a little above 0 dB (or the highest level, if a
/// level rises above it) down to the lowest level, but no lower than the floor.
AxisRange all_ports_range(const std::vector<ResponsePoint>& points) {
  double lo = 0, hi = 0;
  for (const ResponsePoint& p : points) {
    for (float v : {p.coupled_db, p.isolated_db, p.through_db, p.return_db}) {
      if (!std::isfinite(v)) continue;
      lo = std::min(lo, static_cast<double>(v));
      hi = std::max(hi, static_cast<double>(v));
    }
  }
  // A little room under the lowest curve, so that it does not run along the frame.
  lo -= 0.04 * (hi - lo);
  const AxisTicks t = nice_axis(std::max(lo, static_cast<double>(kResponseFloorDb)), hi, 9);
  return {std::max(t.lo, static_cast<double>(kResponseFloorDb)), t.hi + 0.3 * t.step};
}

/// A curve that never comes up into the panel says so in its legend entry,
/// rather than just being missing from the picture.
std::string legend_name(std::string name, const std::vector<double>& y, const AxisRange& r) {
  bool any = false, visible = false;
  for (double v : y) {
    if (!std::isfinite(v)) continue;
    any = true;
    visible = visible || v >= r.lo;
  }
  if (any && !visible) name += "\n(below " + fixed(r.lo, 0) + " dB)";
  return name;
}

std::string subtitle(const std::vector<ResponsePoint>& points, const ResponseMarks& m,
                     std::string_view settings) {
  std::string s;
  if (!points.empty()) {
    s = "Sweep " + shortest(points.front().freq) + " to " + shortest(points.back().freq) +
        " MHz, " + std::to_string(points.size()) + (points.size() == 1 ? " point" : " points");
  } else {
    s = "No sweep points";
  }
  if (has_band(m)) s += "; band " + shortest(m.flow) + " to " + shortest(m.fhigh) + " MHz";
  if (has_window(m)) {
    s += "; C = " + fixed(m.coupling_db, 2) + " dB";
    if (m.ripple_db != 0) s += ", ripple \xC2\xB1" + fixed(std::fabs(m.ripple_db), 2) + " dB";
  }
  if (!m.synthesised) s += "; analysed as entered";
  if (!settings.empty()) s += "; " + std::string(settings);
  return s;
}

}  // namespace

std::string response_plot_svg(const std::vector<ResponsePoint>& points, const ResponseMarks& marks,
                               std::string_view title, std::string_view settings) {
  const std::vector<double> freq = column(points, &ResponsePoint::freq);
  const std::vector<double> coupled = column(points, &ResponsePoint::coupled_db);
  const std::vector<double> isolated = column(points, &ResponsePoint::isolated_db);
  const std::vector<double> through = column(points, &ResponsePoint::through_db);
  const std::vector<double> ret = column(points, &ResponsePoint::return_db);

  LineChart chart;
  chart.title = std::string(title);
  chart.subtitle = subtitle(points, marks, settings);
  chart.x_label = "Frequency (MHz)";

  ChartPanel top;
  top.y_label = "Coupling (dB)";
  top.y_range = coupling_range(points, marks);
  top.series.push_back({"Coupled |S21|", kCoupledColour, false, freq, coupled});
  const std::vector<double> ideal = column(points, &ResponsePoint::ideal_coupled_db);
  if (std::any_of(ideal.begin(), ideal.end(), [](double v) { return std::isfinite(v); }))
    top.series.push_back({"Ideal design |S21|", kIdealColour, true, freq, ideal});
  top.height_weight = 1;

  ChartPanel all;
  all.y_label = "Level (dB)";
  all.y_range = all_ports_range(points);
  all.series.push_back({legend_name("Coupled |S21|", coupled, *all.y_range), kCoupledColour, false,
                        freq, coupled});
  all.series.push_back({legend_name("Isolated |S31|", isolated, *all.y_range), kIsolatedColour,
                        false, freq, isolated});
  all.series.push_back({legend_name("Through |S41|", through, *all.y_range), kThroughColour, false,
                        freq, through});
  all.series.push_back({legend_name("Return |S11|", ret, *all.y_range), kReturnColour, true, freq,
                        ret});
  all.height_weight = 1.45;

  if (has_band(marks)) {
    for (float f : {marks.flow, marks.fhigh}) {
      top.markers.push_back({f, shortest(f) + " MHz"});
      all.markers.push_back({f, ""});
    }
  }
  if (has_window(marks)) {
    const double c = -static_cast<double>(marks.coupling_db);
    const double r = std::fabs(static_cast<double>(marks.ripple_db));
    const std::string label =
        r == 0 ? "C = " + fixed(marks.coupling_db, 2) + " dB"
               : "C \xC2\xB1 R\n" + fixed(marks.coupling_db, 2) + " \xC2\xB1 " + fixed(r, 2) + " dB";
    top.window = ChartWindow{c - r, c + r, label};
  }

  chart.panels.push_back(std::move(top));
  chart.panels.push_back(std::move(all));
  return line_chart_svg(chart);
}

}  // namespace quill
