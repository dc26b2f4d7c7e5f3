#include "exports/svg_chart.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "svg_probe.hpp"

namespace quill {
namespace {

using svg_probe::curves;
using svg_probe::panels;
using svg_probe::plot_area;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

ChartSeries wave(std::string name, double amplitude, double offset, int n = 200) {
  ChartSeries s;
  s.name = std::move(name);
  for (int i = 0; i < n; ++i) {
    s.x.push_back(1000 + 10.0 * i);
    s.y.push_back(offset + amplitude * std::sin(i * 0.07));
  }
  return s;
}

LineChart two_panels() {
  LineChart c;
  c.title = "Two panels";
  c.subtitle = "a sine and its neighbours";
  c.x_label = "Frequency (MHz)";
  ChartPanel a;
  a.y_label = "Coupling (dB)";
  a.series.push_back(wave("Coupled", 0.4, -8.3));
  a.markers = {{1500, "1500 MHz"}, {2500, "2500 MHz"}};
  a.window = ChartWindow{-8.6, -8.0, "C +/- R"};
  ChartPanel b;
  b.y_label = "Level (dB)";
  b.series.push_back(wave("Coupled", 2, -10));
  b.series.push_back(wave("Through", 0.2, -0.7));
  b.series.back().colour = "#2a9d3a";
  b.series.back().dashed = true;
  b.markers = {{1500, ""}, {2500, ""}};
  c.panels = {a, b};
  return c;
}

bool is_round_step(double step) {
  const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-12));
  return std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 ||
         std::fabs(mantissa - 5) < 1e-9;
}

/// The shared properties of any set of ticks: round step, evenly spaced
/// multiples of it, printed exactly with the decimals given, within the ends.
void expect_round_ticks(const AxisTicks& t, int max_ticks, const std::string& where) {
  SCOPED_TRACE(where);
  ASSERT_FALSE(t.values.empty());
  EXPECT_LE(static_cast<int>(t.values.size()), max_ticks);
  EXPECT_TRUE(is_round_step(t.step)) << t.step;
  for (std::size_t i = 0; i < t.values.size(); ++i) {
    const double k = t.values[i] / t.step;
    EXPECT_NEAR(k, std::round(k), 1e-6);
    if (i > 0) {
      EXPECT_NEAR(t.values[i] - t.values[i - 1], t.step, t.step * 1e-6);
    }
    EXPECT_GE(t.values[i], t.lo - t.step * 1e-9);
    EXPECT_LE(t.values[i], t.hi + t.step * 1e-9);
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + 64, t.values[i], std::chars_format::fixed, t.decimals);
    ASSERT_EQ(ec, std::errc());
    EXPECT_NEAR(std::stod(std::string(buf, end)), t.values[i], t.step * 1e-6);
  }
}

TEST(AxisTicks, NiceAxisGrowsToRoundValuesThatBracketTheData) {
  // A spread of spans and magnitudes, from sub-dB ripple to whole sweeps.
  const double ranges[][2] = {{-8.64, -8.04}, {2000, 10000}, {-200, -0.7}, {0, 1},
                              {-1e-4, 3e-4},  {1234.5, 1234.9}, {-7.3, 12.9}, {5, 5},
                              {0, 0},         {3, -2},        {-0.001, 0.001}, {1e6, 3.7e7}};
  for (const auto& r : ranges) {
    for (int max_ticks : {3, 5, 7, 11}) {
      const AxisTicks t = nice_axis(r[0], r[1], max_ticks);
      const std::string where = std::to_string(r[0]) + ".." + std::to_string(r[1]) + " / " +
                                std::to_string(max_ticks);
      expect_round_ticks(t, max_ticks, where);
      EXPECT_LE(t.lo, std::min(r[0], r[1])) << where;
      EXPECT_GE(t.hi, std::max(r[0], r[1])) << where;
      EXPECT_LT(t.lo, t.hi) << where;
      EXPECT_DOUBLE_EQ(t.values.front(), t.lo) << where;
      EXPECT_DOUBLE_EQ(t.values.back(), t.hi) << where;
    }
  }
  const AxisTicks ripple = nice_axis(-8.64, -8.04, 7);
  EXPECT_DOUBLE_EQ(ripple.step, 0.2);
  EXPECT_NEAR(ripple.lo, -8.8, 1e-12);
  EXPECT_NEAR(ripple.hi, -8.0, 1e-12);
  EXPECT_EQ(ripple.decimals, 1);
  // Fewer than three ticks cannot bracket a range around zero.
  EXPECT_EQ(nice_axis(-7.3, 12.9, 2).values.size(), 3u);
  EXPECT_TRUE(is_round_step(nice_axis(-7.3, 12.9, 1).step));
}

TEST(AxisTicks, TicksWithinAFixedAxisKeepItsEnds) {
  const std::pair<double, double> ranges[] = {{-80, 3}, {2000, 10000}, {-8.8, -7.8}, {0.13, 0.97}};
  for (const auto& r : ranges) {
    const AxisTicks t = ticks_within(r.first, r.second, 9);
    expect_round_ticks(t, 9, std::to_string(r.first));
    EXPECT_DOUBLE_EQ(t.lo, r.first);
    EXPECT_DOUBLE_EQ(t.hi, r.second);
    EXPECT_GE(t.values.size(), 2u);
  }
  EXPECT_EQ(ticks_within(-80, 3, 10).values.front(), -80);
  EXPECT_EQ(ticks_within(-80, 3, 10).values.back(), 0);
}

TEST(AxisTicks, UnusableRangesStillGiveAnAxis) {
  for (double bad : {kNaN, kInf, -kInf}) {
    const AxisTicks t = nice_axis(bad, 1, 5);
    EXPECT_LT(t.lo, t.hi);
    EXPECT_FALSE(t.values.empty());
  }
  const AxisTicks huge = nice_axis(-1.7e308, 1.7e308, 5);
  EXPECT_TRUE(std::isfinite(huge.lo) && std::isfinite(huge.hi));
  EXPECT_LE(huge.values.size(), 5u);
}

TEST(LineChartSvg, ARealRendererReadsItAtThePageSize) {
  SKIP_WITHOUT_RENDERER();
  LineChart c = two_panels();
  const auto r = svg_probe::render(line_chart_svg(c), "chart-default");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.width, 1000);
  EXPECT_EQ(r.height, 700);

  c.width = 640;
  c.height = 480;
  c.title = "Names <&> \"quoted\" 'single' \xC2\xB1 and stray bytes \xFF\xC3\x28 \x01";
  c.panels[0].series[0].name = "</text><script>";
  const auto small = svg_probe::render(line_chart_svg(c), "chart-small");
  EXPECT_EQ(small.status, 0);
  EXPECT_EQ(small.width, 640);
  EXPECT_EQ(small.height, 480);
}

TEST(LineChartSvg, CurvesNeverLeaveTheirPlotArea) {
  LineChart c = two_panels();
  c.x_range = AxisRange{1300, 2700};  // the sweep runs past both ends
  ChartPanel& p = c.panels[0];
  p.y_range = AxisRange{-1, 1};
  // Far past the range, to the largest doubles, crossing back and forth.
  ChartSeries wild = wave("wild", 1e6, 0);
  wild.y[10] = 1e300;
  wild.y[11] = -1.7e308;
  wild.y[50] = 0.5;
  p.series.push_back(wild);
  p.series.push_back(wave("crossing", 1.5, 0.2));
  const std::string svg = line_chart_svg(c);

  const std::vector<std::string> pieces = panels(svg);
  ASSERT_EQ(pieces.size(), 2u);
  int points = 0;
  for (const std::string& piece : pieces) {
    const svg_probe::Rect a = plot_area(piece);
    ASSERT_GT(a.width, 100);
    ASSERT_GT(a.height, 50);
    for (const auto& line : curves(piece)) {
      EXPECT_GE(line.size(), 2u);
      for (const svg_probe::Pt& pt : line) {
        ++points;
        EXPECT_GE(pt.x, a.x - 0.01);
        EXPECT_LE(pt.x, a.x + a.width + 0.01);
        EXPECT_GE(pt.y, a.y - 0.01);
        EXPECT_LE(pt.y, a.y + a.height + 0.01);
      }
    }
  }
  EXPECT_GT(points, 100);
  EXPECT_EQ(svg.find("nan"), std::string::npos);
  EXPECT_EQ(svg.find("inf"), std::string::npos);
  EXPECT_NE(svg.find("clip-path=\"url(#plot-0)\""), std::string::npos);
}

TEST(LineChartSvg, ACutSegmentEndsWhereItCrossesTheEdge) {
  LineChart c;
  ChartPanel p;
  p.y_range = AxisRange{0, 5};
  p.series.push_back({"rise", "#000", false, {0, 10}, {0, 10}});
  c.panels = {p};
  c.x_range = AxisRange{0, 10};
  const std::string svg = line_chart_svg(c);
  const svg_probe::Rect a = plot_area(svg);
  const auto lines = curves(svg);
  ASSERT_EQ(lines.size(), 1u);
  ASSERT_EQ(lines[0].size(), 2u);
  EXPECT_NEAR(lines[0][0].x, a.x, 0.01);
  EXPECT_NEAR(lines[0][0].y, a.y + a.height, 0.01);
  EXPECT_NEAR(lines[0][1].x, a.x + a.width / 2, 0.01);  // y = 5 is reached at x = 5
  EXPECT_NEAR(lines[0][1].y, a.y, 0.01);
}

TEST(LineChartSvg, NonFiniteValuesSplitTheLine) {
  LineChart c;
  ChartPanel p;
  ChartSeries s = wave("gappy", 1, 0, 20);
  s.y[5] = kNaN;    // breaks after point 4
  s.x[12] = kInf;   // breaks again
  s.y[13] = -kInf;
  p.series.push_back(s);
  c.panels = {p};
  const std::string svg = line_chart_svg(c);
  const auto lines = curves(svg);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].size(), 5u);   // points 0..4
  EXPECT_EQ(lines[1].size(), 6u);   // points 6..11
  EXPECT_EQ(lines[2].size(), 6u);   // points 14..19
  EXPECT_EQ(svg.find("nan"), std::string::npos);
  EXPECT_EQ(svg.find("inf"), std::string::npos);

  // Nothing finite at all: no curve, and still a document.
  c.panels[0].series[0].y.assign(20, kNaN);
  const std::string empty = line_chart_svg(c);
  EXPECT_TRUE(curves(empty).empty());
  EXPECT_NE(empty.find("</svg>"), std::string::npos);
}

TEST(LineChartSvg, AutomaticTicksBracketTheData) {
  LineChart c;
  ChartPanel p;
  p.series.push_back({"a", "#000", false, {2000, 2500, 3000, 3600}, {-7.3, 4.1, 12.9, 0}});
  c.panels = {p};
  const std::string svg = line_chart_svg(c);
  const std::vector<double> y = svg_probe::tick_values(svg, "ytick");
  ASSERT_GE(y.size(), 2u);
  EXPECT_LE(y.front(), -7.3);
  EXPECT_GE(y.back(), 12.9);
  const double step = y[1] - y[0];
  EXPECT_TRUE(is_round_step(step)) << step;
  // The x axis spans the data exactly; its ticks lie within it.
  const std::vector<double> x = svg_probe::tick_values(svg, "xtick");
  ASSERT_GE(x.size(), 2u);
  EXPECT_GE(x.front(), 2000);
  EXPECT_LE(x.back(), 3600);
  EXPECT_TRUE(is_round_step(x[1] - x[0]));
}

TEST(LineChartSvg, LongSweepsAreThinnedWithoutLosingTheirPeaks) {
  LineChart c;
  ChartPanel p;
  ChartSeries s;
  s.name = "million";
  const int n = 1000001;
  for (int i = 0; i < n; ++i) {
    s.x.push_back(i);
    s.y.push_back(i == 400000 ? 1.0 : i == 700001 ? -1.0 : 0.001 * std::sin(i * 0.01));
  }
  p.series.push_back(s);
  p.y_range = AxisRange{-1, 1};
  c.panels = {p};
  const std::string svg = line_chart_svg(c);
  const svg_probe::Rect a = plot_area(svg);
  const auto lines = curves(svg);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_LT(lines[0].size(), 8 * static_cast<std::size_t>(a.width));
  double top = 1e9, bottom = -1e9;
  for (const auto& pt : lines[0]) {
    top = std::min(top, pt.y);
    bottom = std::max(bottom, pt.y);
  }
  EXPECT_NEAR(top, a.y, 0.01);                 // the single point at +1
  EXPECT_NEAR(bottom, a.y + a.height, 0.01);   // and the one at -1
}

TEST(LineChartSvg, SameChartSameBytes) {
  const LineChart c = two_panels();
  const std::string first = line_chart_svg(c);
  EXPECT_EQ(first, line_chart_svg(c));
  EXPECT_EQ(first, line_chart_svg(two_panels()));
  EXPECT_EQ(first.rfind("<?xml", 0), 0u);
}

TEST(XmlText, EscapesMarkupAndReplacesWhatIsNotText) {
  EXPECT_EQ(xml_text("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&apos;");
  EXPECT_EQ(xml_text("\xC2\xB1 0.3 dB"), "\xC2\xB1 0.3 dB");          // kept whole
  EXPECT_EQ(xml_text("\xE2\x88\x9E"), "\xE2\x88\x9E");                // three bytes
  EXPECT_EQ(xml_text("x\xFFy"), "x?y");                                // never UTF-8
  EXPECT_EQ(xml_text("\xC3("), "?(");                                  // cut short
  EXPECT_EQ(xml_text("\xC0\xAF"), "??");                               // overlong
  EXPECT_EQ(xml_text("\xED\xA0\x80"), "???");                          // surrogate
  EXPECT_EQ(xml_text("tab\there\x01"), "tab?here?");
}

}  // namespace
}  // namespace quill
