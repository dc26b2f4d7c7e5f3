#pragma once
/// A small line-chart writer: one or more panels stacked over a shared x axis,
/// written as a self-contained SVG document. No plotting library: the output
/// must be the same bytes on every machine, so every number goes through
/// locale-free formatting and every layout decision is plain arithmetic.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/xml_text.hpp"

namespace quill {

/// One curve. x and y pair up by index; a NaN or infinite value in either
/// ends the line there and the next finite point starts a new one.
struct ChartSeries {
  std::string name;                 ///< legend text; empty leaves it out of the legend
  std::string colour = "#1f5fbf";   ///< any SVG colour
  bool dashed = false;
  std::vector<double> x;
  std::vector<double> y;
};

/// A vertical line across a panel at `x`; the label is written above the
/// panel (none when empty).
struct ChartMarker {
  double x = 0;
  std::string label;
};

/// A shaded band between two y values across the whole panel width, named in
/// the legend.
struct ChartWindow {
  double ylo = 0;
  double yhi = 0;
  std::string label;
};

struct AxisRange {
  double lo = 0;
  double hi = 1;
};

struct ChartPanel {
  std::string y_label;                 ///< with its unit, "Coupling (dB)"
  std::vector<ChartSeries> series;
  std::optional<AxisRange> y_range;    ///< used as given; otherwise the data's, widened to round ticks
  std::vector<ChartMarker> markers;
  std::optional<ChartWindow> window;
  double height_weight = 1;            ///< share of the stacked height relative to the other panels
};

struct LineChart {
  std::string title;
  std::string subtitle;
  std::string x_label;                 ///< with its unit, "Frequency (MHz)"
  std::vector<ChartPanel> panels;
  std::optional<AxisRange> x_range;    ///< otherwise the extent of all finite x values
  int width = 1000;
  int height = 700;
};

/// Round tick positions over an axis: every value is k * step for integer k,
/// step being 1, 2 or 5 times a power of ten.
struct AxisTicks {
  double lo = 0;     ///< axis ends
  double hi = 1;
  double step = 1;
  std::vector<double> values;
  int decimals = 0;  ///< enough decimals to print every tick exactly
};

/// Ticks whose ends bracket [lo, hi]: the axis grows outward to the nearest
/// round values. At most `max_ticks` ticks; fewer than 3 are taken as 3, the
/// least that can bracket a range around zero with zero as a tick.
AxisTicks nice_axis(double lo, double hi, int max_ticks);

/// Ticks inside a fixed axis [lo, hi]; the axis ends stay where they are.
/// At most `max_ticks` ticks (at least 3 are allowed, as above).
AxisTicks ticks_within(double lo, double hi, int max_ticks);

/// The chart as a complete SVG document.
std::string line_chart_svg(const LineChart& chart);


}  // namespace quill
