#include "exports/svg_chart.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>

namespace quill {

namespace {

// Page layout, in pixels of the default 1000 x 700 page. The left margin holds
// the y tick labels and the turned y label; the right column holds the legends.
constexpr double kLeft = 84;
constexpr double kLegendColumn = 214;
constexpr double kTop = 82;      // title, subtitle and the first panel's marker labels
constexpr double kBottom = 60;   // x tick labels and the x label
constexpr double kGap = 34;      // between panels: room for the next panel's marker labels
constexpr double kTickFont = 12;
constexpr double kLabelFont = 14;
constexpr double kLegendFont = 13;
constexpr double kMarkerFont = 12;
// Average advance of a sans-serif glyph, in em; generous so that estimated
// widths err on the side of more room.
constexpr double kGlyphWidth = 0.6;

struct Box {
  double left = 0, top = 0, right = 0, bottom = 0;
  double width() const { return right - left; }
  double height() const { return bottom - top; }
};

struct Point {
  double x = 0, y = 0;
};

/// Fixed-decimal text of `v` via to_chars: no locale, no "-0".
std::string num(double v, int decimals) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  if (ec != std::errc()) return "0";
  std::string s(buf, end);
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

std::string px(double v) { return num(v, 2); }

/// Code points in UTF-8 text: the unit of the width estimates.
std::size_t glyphs(std::string_view s) {
  std::size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

double text_width(std::string_view s, double font) {
  return static_cast<double>(glyphs(s)) * font * kGlyphWidth;
}

/// Smallest 1/2/5 x 10^k step that covers [lo, hi] in at most max_ticks - 1
/// intervals when the ends snap outward (outward) or stay (!outward).
double round_step(double lo, double hi, int max_ticks, bool outward) {
  const int intervals = std::max(1, max_ticks - 1);
  const double raw = (hi - lo) / intervals;
  double scale = std::pow(10.0, std::floor(std::log10(raw)) - 1);
  for (int tries = 0; tries < 8; ++tries, scale *= 10) {
    for (double m : {1.0, 2.0, 5.0}) {
      const double step = m * scale;
      const double n = outward ? std::ceil(hi / step - 1e-9) - std::floor(lo / step + 1e-9)
                               : std::floor(hi / step + 1e-9) - std::ceil(lo / step - 1e-9);
      if (n <= intervals) return step;
    }
  }
  return raw;
}

int decimals_for(double step) {
  return std::clamp(static_cast<int>(std::ceil(-std::log10(step) - 1e-9)), 0, 12);
}

/// A usable span: finite, ordered, not empty.
AxisRange usable(double lo, double hi) {
  if (!std::isfinite(lo) || !std::isfinite(hi)) return {0, 1};
  if (hi < lo) std::swap(lo, hi);
  if (hi - lo <= std::max(std::fabs(lo), std::fabs(hi)) * 1e-12) {
    const double pad = lo == 0 ? 1 : std::fabs(lo) * 0.05;
    lo -= pad;
    hi += pad;
  }
  if (!std::isfinite(hi - lo)) return {-1e300, 1e300};
  return {lo, hi};
}

AxisTicks make_ticks(double lo, double hi, int max_ticks, bool outward) {
  const AxisRange r = usable(lo, hi);
  AxisTicks t;
  t.step = round_step(r.lo, r.hi, std::max(3, max_ticks), outward);
  t.decimals = decimals_for(t.step);
  const double k0 = outward ? std::floor(r.lo / t.step + 1e-9) : std::ceil(r.lo / t.step - 1e-9);
  const double k1 = outward ? std::ceil(r.hi / t.step - 1e-9) : std::floor(r.hi / t.step + 1e-9);
  for (double k = k0; k <= k1 && t.values.size() < 64; ++k) t.values.push_back(k * t.step);
  // A data end a rounding error past its tick still lies on the axis.
  t.lo = outward ? std::min(k0 * t.step, r.lo) : r.lo;
  t.hi = outward ? std::max(k1 * t.step, r.hi) : r.hi;
  return t;
}

/// Cuts segment a-b to the rectangle; false when none of it is inside.
/// t0 > 0 or t1 < 1 afterwards tells that an end was cut.
bool clip_segment(Point& a, Point& b, const AxisRange& xr, const AxisRange& yr, double& t0,
                  double& t1) {
  t0 = 0;
  t1 = 1;
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x - xr.lo, xr.hi - a.x, a.y - yr.lo, yr.hi - a.y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double r = q[i] / p[i];
    if (p[i] < 0) {
      if (r > t1) return false;
      t0 = std::max(t0, r);
    } else {
      if (r < t0) return false;
      t1 = std::min(t1, r);
    }
  }
  const Point start{a.x + t0 * dx, a.y + t0 * dy};
  const Point end{a.x + t1 * dx, a.y + t1 * dy};
  a = start;
  b = end;
  return true;
}

/// Keeps, of each run of points inside one half-pixel column, the first, the
/// lowest, the highest and the last: a million-point sweep draws the same
/// picture from a few thousand points.
std::vector<Point> thin(const std::vector<Point>& run) {
  std::vector<Point> out;
  std::size_t i = 0;
  while (i < run.size()) {
    const double column = std::floor(run[i].x * 2);
    std::size_t j = i, lowest = i, highest = i;
    for (; j < run.size() && std::floor(run[j].x * 2) == column; ++j) {
      if (run[j].y < run[lowest].y) lowest = j;
      if (run[j].y > run[highest].y) highest = j;
    }
    if (j - i <= 4) {
      out.insert(out.end(), run.begin() + static_cast<std::ptrdiff_t>(i),
                 run.begin() + static_cast<std::ptrdiff_t>(j));
    } else {
      std::size_t keep[4] = {i, std::min(lowest, highest), std::max(lowest, highest), j - 1};
      for (int k = 0; k < 4; ++k)
        if (k == 0 || keep[k] != keep[k - 1]) out.push_back(run[keep[k]]);
    }
    i = j;
  }
  return out;
}

void append_run(std::string& d, const std::vector<Point>& run) {
  if (run.size() < 2) return;
  const std::vector<Point> kept = thin(run);
  for (std::size_t i = 0; i < kept.size(); ++i) {
    d += i == 0 ? 'M' : 'L';
    d += px(kept[i].x);
    d += ' ';
    d += px(kept[i].y);
  }
}

/// Maps data values of one panel to page pixels.
struct Mapping {
  Box box;
  AxisRange xr, yr;
  double x(double v) const { return box.left + (v - xr.lo) / (xr.hi - xr.lo) * box.width(); }
  double y(double v) const { return box.bottom - (v - yr.lo) / (yr.hi - yr.lo) * box.height(); }
};

/// Path data of one series inside the panel: segments are cut at the panel
/// edges and at every non-finite value, so nothing is drawn outside the plot
/// area even by a reader that ignores the clip path.
std::string series_path(const ChartSeries& s, const Mapping& m) {
  std::string d;
  std::vector<Point> run;
  const auto flush = [&] {
    append_run(d, run);
    run.clear();
  };
  // Far-off values are pulled in to a finite distance so that the cut
  // arithmetic cannot overflow; the crossing moves by a negligible amount.
  const double xs = m.xr.hi - m.xr.lo, ys = m.yr.hi - m.yr.lo;
  const auto pull = [](double v, const AxisRange& r, double span) {
    return std::clamp(v, r.lo - 1e9 * span, r.hi + 1e9 * span);
  };
  const std::size_t n = std::min(s.x.size(), s.y.size());
  for (std::size_t i = 1; i < n; ++i) {
    const bool finite = std::isfinite(s.x[i - 1]) && std::isfinite(s.y[i - 1]) &&
                        std::isfinite(s.x[i]) && std::isfinite(s.y[i]);
    if (!finite) {
      flush();
      continue;
    }
    Point a{pull(s.x[i - 1], m.xr, xs), pull(s.y[i - 1], m.yr, ys)};
    Point b{pull(s.x[i], m.xr, xs), pull(s.y[i], m.yr, ys)};
    double t0 = 0, t1 = 1;
    if (!clip_segment(a, b, m.xr, m.yr, t0, t1)) {
      flush();
      continue;
    }
    if (run.empty() || t0 > 0) {
      flush();
      run.push_back({m.x(a.x), m.y(a.y)});
    }
    run.push_back({m.x(b.x), m.y(b.y)});
    if (t1 < 1) flush();
  }
  flush();
  return d;
}

AxisRange data_extent(const std::vector<ChartSeries>& series, bool of_x) {
  double lo = INFINITY, hi = -INFINITY;
  for (const ChartSeries& s : series) {
    const std::size_t n = std::min(s.x.size(), s.y.size());
    for (std::size_t i = 0; i < n; ++i) {
      if (!std::isfinite(s.x[i]) || !std::isfinite(s.y[i])) continue;
      const double v = of_x ? s.x[i] : s.y[i];
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  }
  return {lo, hi};
}

void text(std::string& out, double x, double y, double font, const char* anchor,
          std::string_view content, std::string_view extra = {}) {
  out += "<text x=\"" + px(x) + "\" y=\"" + px(y) + "\" font-size=\"" + num(font, 0) +
         "\" text-anchor=\"" + anchor + "\"";
  if (!extra.empty()) {
    out += ' ';
    out += extra;
  }
  out += '>' + xml_text(content) + "</text>\n";
}

/// Legend text broken at its newlines, then at spaces into lines no wider
/// than `width`.
std::vector<std::string> wrap(std::string_view s, double width, double font) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (true) {
    const std::size_t stop = std::min(s.find('\n', start), s.size());
    const std::string_view paragraph = s.substr(start, stop - start);
    std::string line;
    std::size_t i = 0;
    while (i < paragraph.size()) {
      std::size_t j = std::min(paragraph.find(' ', i), paragraph.size());
      const std::string word(paragraph.substr(i, j - i));
      const std::string candidate = line.empty() ? word : line + ' ' + word;
      if (!line.empty() && text_width(candidate, font) > width) {
        lines.push_back(line);
        line = word;
      } else {
        line = candidate;
      }
      i = j + 1;
    }
    lines.push_back(line);
    if (stop == s.size()) break;
    start = stop + 1;
  }
  return lines;
}

void draw_legend(std::string& out, const ChartPanel& p, const Box& box, double page_width) {
  const double x = box.right + 18;
  const double text_x = x + 34;
  const double room = page_width - text_x - 8;
  double y = box.top + 12;
  const auto entry = [&](std::string_view name, const std::string& swatch) {
    out += swatch;
    const std::vector<std::string> lines = wrap(name, room, kLegendFont);
    for (const std::string& line : lines) {
      text(out, text_x, y + 4.5, kLegendFont, "start", line, "fill=\"#222\"");
      y += kLegendFont + 3;
    }
    y += 6;
  };
  for (const ChartSeries& s : p.series) {
    if (s.name.empty()) continue;
    std::string swatch = "<line x1=\"" + px(x) + "\" y1=\"" + px(y) + "\" x2=\"" + px(x + 26) +
                         "\" y2=\"" + px(y) + "\" stroke=\"" + xml_text(s.colour) +
                         "\" stroke-width=\"2.5\"" +
                         (s.dashed ? " stroke-dasharray=\"6 3\"" : "") + "/>\n";
    entry(s.name, swatch);
  }
  if (p.window && !p.window->label.empty()) {
    std::string swatch = "<rect x=\"" + px(x) + "\" y=\"" + px(y - 6) +
                         "\" width=\"26\" height=\"12\" fill=\"#f0a020\" fill-opacity=\"0.25\" "
                         "stroke=\"#d08000\" stroke-width=\"1\"/>\n";
    entry(p.window->label, swatch);
  }
}

/// Marker labels above the panel, centred on their lines where there is room
/// and pushed right of a neighbour where there is not.
void draw_marker_labels(std::string& out, const ChartPanel& p, const Mapping& m) {
  struct Label {
    double centre;
    double width;
    std::string_view text;
  };
  std::vector<Label> labels;
  for (const ChartMarker& mk : p.markers) {
    if (mk.label.empty() || !std::isfinite(mk.x) || mk.x < m.xr.lo || mk.x > m.xr.hi) continue;
    labels.push_back({m.x(mk.x), text_width(mk.label, kMarkerFont), mk.label});
  }
  std::stable_sort(labels.begin(), labels.end(),
                   [](const Label& a, const Label& b) { return a.centre < b.centre; });
  double previous_right = -INFINITY;
  std::vector<double> lefts;
  for (const Label& l : labels) {
    double left = std::max(l.centre - l.width / 2, previous_right + 8);
    left = std::max(left, m.box.left - 30);
    lefts.push_back(left);
    previous_right = left + l.width;
  }
  // Back from the right edge, so that the last label stays on the page.
  double limit = m.box.right + 30;
  for (std::size_t i = labels.size(); i-- > 0;) {
    lefts[i] = std::min(lefts[i], limit - labels[i].width);
    limit = lefts[i] - 8;
  }
  for (std::size_t i = 0; i < labels.size(); ++i)
    text(out, lefts[i], m.box.top - 7, kMarkerFont, "start", labels[i].text, "fill=\"#444\"");
}

void draw_panel(std::string& out, const LineChart& c, std::size_t index, const Box& box,
                const AxisTicks& xt, bool last) {
  const ChartPanel& p = c.panels[index];
  const int max_y_ticks = std::max(2, static_cast<int>(box.height() / 30) + 1);
  AxisTicks yt;
  if (p.y_range) {
    yt = ticks_within(p.y_range->lo, p.y_range->hi, max_y_ticks);
  } else {
    const AxisRange e = data_extent(p.series, false);
    yt = e.lo <= e.hi ? nice_axis(e.lo, e.hi, max_y_ticks) : nice_axis(0, 1, max_y_ticks);
  }
  const Mapping m{box, {xt.lo, xt.hi}, {yt.lo, yt.hi}};
  const std::string clip_id = "plot-" + std::to_string(index);

  out += "<clipPath id=\"" + clip_id + "\"><rect x=\"" + px(box.left) + "\" y=\"" + px(box.top) +
         "\" width=\"" + px(box.width()) + "\" height=\"" + px(box.height()) +
         "\"/></clipPath>\n";

  if (p.window) {
    const double lo = std::max(std::min(p.window->ylo, p.window->yhi), yt.lo);
    const double hi = std::min(std::max(p.window->ylo, p.window->yhi), yt.hi);
    if (lo <= hi) {
      const double top = m.y(hi);
      const double height = std::max(m.y(lo) - top, 1.5);
      out += "<rect class=\"window\" x=\"" + px(box.left) + "\" y=\"" + px(top) + "\" width=\"" +
             px(box.width()) + "\" height=\"" + px(height) +
             "\" fill=\"#f0a020\" fill-opacity=\"0.25\" stroke=\"#d08000\" stroke-width=\"1\"/>\n";
    }
  }

  // Grid, then tick labels: y on every panel, x under the last one only.
  out += "<g stroke=\"#dddddd\" stroke-width=\"1\">\n";
  for (double v : yt.values) {
    const double y = m.y(v);
    out += "<line x1=\"" + px(box.left) + "\" y1=\"" + px(y) + "\" x2=\"" + px(box.right) +
           "\" y2=\"" + px(y) + "\"/>\n";
  }
  for (double v : xt.values) {
    const double x = m.x(v);
    out += "<line x1=\"" + px(x) + "\" y1=\"" + px(box.top) + "\" x2=\"" + px(x) + "\" y2=\"" +
           px(box.bottom) + "\"/>\n";
  }
  out += "</g>\n";
  for (double v : yt.values)
    text(out, box.left - 7, m.y(v) + 4, kTickFont, "end", num(v, yt.decimals),
         "class=\"ytick\" fill=\"#333\"");
  if (last) {
    for (double v : xt.values)
      text(out, m.x(v), box.bottom + 18, kTickFont, "middle", num(v, xt.decimals),
           "class=\"xtick\" fill=\"#333\"");
  }

  for (const ChartMarker& mk : p.markers) {
    if (!std::isfinite(mk.x) || mk.x < xt.lo || mk.x > xt.hi) continue;
    const double x = m.x(mk.x);
    out += "<line class=\"marker\" x1=\"" + px(x) + "\" y1=\"" + px(box.top) + "\" x2=\"" + px(x) +
           "\" y2=\"" + px(box.bottom) +
           "\" stroke=\"#555555\" stroke-width=\"1.2\" stroke-dasharray=\"5 4\"/>\n";
  }
  draw_marker_labels(out, p, m);

  out += "<g clip-path=\"url(#" + clip_id + ")\" fill=\"none\" stroke-width=\"2\" "
         "stroke-linejoin=\"round\" stroke-linecap=\"round\">\n";
  for (const ChartSeries& s : p.series) {
    const std::string d = series_path(s, m);
    if (d.empty()) continue;
    out += "<path class=\"series\" stroke=\"" + xml_text(s.colour) + "\"" +
           (s.dashed ? " stroke-dasharray=\"7 4\"" : "") + " d=\"" + d + "\"/>\n";
  }
  out += "</g>\n";

  out += "<rect x=\"" + px(box.left) + "\" y=\"" + px(box.top) + "\" width=\"" + px(box.width()) +
         "\" height=\"" + px(box.height()) + "\" fill=\"none\" stroke=\"#333333\"/>\n";
  const double mid = (box.top + box.bottom) / 2;
  text(out, 0, 0, kLabelFont, "middle", p.y_label,
       "transform=\"translate(" + px(22) + " " + px(mid) + ") rotate(-90)\" fill=\"#222\"");
  draw_legend(out, p, box, c.width);
}

}  // namespace

AxisTicks nice_axis(double lo, double hi, int max_ticks) {
  return make_ticks(lo, hi, max_ticks, true);
}

AxisTicks ticks_within(double lo, double hi, int max_ticks) {
  return make_ticks(lo, hi, max_ticks, false);
}


std::string line_chart_svg(const LineChart& c) {
  const double width = std::max(c.width, 400);
  const double height = std::max(c.height, 300);
  std::string out;
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(width, 0) + "\" height=\"" +
         num(height, 0) + "\" viewBox=\"0 0 " + num(width, 0) + " " + num(height, 0) +
         "\" font-family=\"sans-serif\">\n";
  out += "<rect x=\"0\" y=\"0\" width=\"" + num(width, 0) + "\" height=\"" + num(height, 0) +
         "\" fill=\"#ffffff\"/>\n";
  text(out, kLeft, 30, 20, "start", c.title, "font-weight=\"bold\" fill=\"#111\"");
  text(out, kLeft, 52, 13, "start", c.subtitle, "fill=\"#444\"");

  const double plot_right = width - kLegendColumn;
  AxisRange xr;
  if (c.x_range) {
    xr = usable(c.x_range->lo, c.x_range->hi);
  } else {
    double lo = INFINITY, hi = -INFINITY;
    for (const ChartPanel& p : c.panels) {
      const AxisRange e = data_extent(p.series, true);
      lo = std::min(lo, e.lo);
      hi = std::max(hi, e.hi);
    }
    xr = lo <= hi ? usable(lo, hi) : AxisRange{0, 1};
  }
  const int max_x_ticks = std::max(2, static_cast<int>((plot_right - kLeft) / 80) + 1);
  const AxisTicks xt = ticks_within(xr.lo, xr.hi, max_x_ticks);

  const std::size_t n = c.panels.size();
  double weights = 0;
  for (const ChartPanel& p : c.panels) weights += std::max(p.height_weight, 0.1);
  const double stack = height - kTop - kBottom - kGap * static_cast<double>(n > 0 ? n - 1 : 0);
  double top = kTop;
  for (std::size_t i = 0; i < n; ++i) {
    const double h = std::round(stack * std::max(c.panels[i].height_weight, 0.1) / weights);
    const Box box{kLeft, top, plot_right, top + h};
    draw_panel(out, c, i, box, xt, i + 1 == n);
    top += h + kGap;
  }
  text(out, (kLeft + plot_right) / 2, height - 16, kLabelFont, "middle", c.x_label,
       "fill=\"#222\"");
  out += "</svg>\n";
  return out;
}

}  // namespace quill
