#include "exports/response_plot.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>
#include <string>
#include <vector>

#include "svg_probe.hpp"

namespace quill {
namespace {

using svg_probe::count;
using svg_probe::curves;
using svg_probe::panels;
using svg_probe::plot_area;
using svg_probe::tick_values;

constexpr double kPi = 3.14159265358979323846;

/// An ideal 8.34 dB coupler, ripple +/-0.3 dB over 4000..8000 MHz, swept
/// 2000..10000 MHz: the coupled level falls away outside the band, isolation
/// and return loss sit at -200 dB.
std::vector<ResponsePoint> ideal_sweep() {
  std::vector<ResponsePoint> points;
  for (int i = 0; i <= 160; ++i) {
    const double f = 2000 + 50.0 * i;
    double c = -8.34 - 0.3 * std::cos(4 * kPi * (f - 4000) / 4000);
    if (f < 4000) c = -8.64 - 56 * std::pow((4000 - f) / 4000, 2);
    if (f > 8000) c = -8.64 - 56 * std::pow((f - 8000) / 4000, 2);
    const double through = 10 * std::log10(1 - std::pow(10.0, c / 10));
    points.push_back({static_cast<float>(f), static_cast<float>(c), -200.0f,
                      static_cast<float>(through), -200.0f});
  }
  return points;
}

/// Finite isolation (-25..-40 dB) and return loss, as a lossy design shows.
std::vector<ResponsePoint> lossy_sweep() {
  std::vector<ResponsePoint> points = ideal_sweep();
  for (std::size_t i = 0; i < points.size(); ++i) {
    const double u = static_cast<double>(i) / static_cast<double>(points.size() - 1);
    points[i].isolated_db = static_cast<float>(-32.5 - 7.5 * std::cos(3 * kPi * u));
    points[i].return_db = static_cast<float>(-28 + 6 * std::sin(2.5 * kPi * u));
    points[i].through_db -= 0.3f;
  }
  return points;
}

ResponseMarks marks_834() {
  ResponseMarks m;
  m.synthesised = true;
  m.flow = 4000;
  m.fhigh = 8000;
  m.coupling_db = 8.34f;
  m.ripple_db = 0.3f;
  return m;
}

TEST(ResponsePlot, ARealRendererReadsIt) {
  SKIP_WITHOUT_RENDERER();
  for (const auto& [points, marks, name] :
       {std::tuple{ideal_sweep(), marks_834(), "ideal"}, {lossy_sweep(), ResponseMarks{}, "entered"},
        {std::vector<ResponsePoint>{}, marks_834(), "empty"}}) {
    const auto r = svg_probe::render(response_plot_svg(points, marks, "Design <one> & two"),
                                     std::string("response-") + name);
    EXPECT_EQ(r.status, 0) << name;
    EXPECT_EQ(r.width, 1000) << name;
    EXPECT_EQ(r.height, 700) << name;
  }
}

TEST(ResponsePlot, CouplingPanelZoomsOnTheRippleWindow) {
  const std::string svg = response_plot_svg(ideal_sweep(), marks_834(), "8.34 dB");
  const auto pieces = panels(svg);
  ASSERT_EQ(pieces.size(), 2u);
  const std::vector<double> y = tick_values(pieces[0], "ytick");
  ASSERT_GE(y.size(), 3u);
  // The whole window -8.64..-8.04 and the in-band level are on the scale, and
  // the scale is a few tenths of a dB, not the 200 dB of isolation.
  EXPECT_LE(y.front(), -8.64);
  EXPECT_GE(y.back(), -8.04);
  EXPECT_LT(y.back() - y.front(), 3);
  EXPECT_LE(y[1] - y[0], 0.5);
  EXPECT_EQ(count(pieces[0], "class=\"window\""), 1);
  EXPECT_NE(pieces[0].find("C \xC2\xB1 R<"), std::string::npos);
  EXPECT_NE(pieces[0].find("8.34 \xC2\xB1 0.30 dB"), std::string::npos);
}

TEST(ResponsePlot, AllPortsPanelStopsAtTheFloor) {
  // Ideal: -200 dB isolation and return loss would squash the scale.
  {
    const auto pieces = panels(response_plot_svg(ideal_sweep(), marks_834(), "ideal"));
    ASSERT_EQ(pieces.size(), 2u);
    const std::vector<double> y = tick_values(pieces[1], "ytick");
    ASSERT_GE(y.size(), 3u);
    EXPECT_DOUBLE_EQ(y.front(), kResponseFloorDb);
    EXPECT_DOUBLE_EQ(y.back(), 0);
    // They are named as below the scale instead of silently missing.
    EXPECT_EQ(count(pieces[1], "(below -80 dB)"), 2);
  }
  // Lossy: the scale reaches just past the lowest curve, not the floor.
  {
    const auto pieces = panels(response_plot_svg(lossy_sweep(), marks_834(), "lossy"));
    ASSERT_EQ(pieces.size(), 2u);
    const std::vector<double> y = tick_values(pieces[1], "ytick");
    ASSERT_GE(y.size(), 3u);
    EXPECT_LE(y.front(), -40);
    EXPECT_GT(y.front(), kResponseFloorDb);
    EXPECT_DOUBLE_EQ(y.back(), 0);
    EXPECT_EQ(pieces[1].find("below"), std::string::npos);
  }
}

TEST(ResponsePlot, EveryCurvePointLandsInItsPlotArea) {
  for (const auto& points : {ideal_sweep(), lossy_sweep()}) {
    const std::string svg = response_plot_svg(points, marks_834(), "inside");
    int drawn = 0;
    for (const std::string& piece : panels(svg)) {
      const svg_probe::Rect a = plot_area(piece);
      for (const auto& line : curves(piece)) {
        for (const svg_probe::Pt& p : line) {
          ++drawn;
          EXPECT_TRUE(p.x >= a.x - 0.01 && p.x <= a.x + a.width + 0.01 && p.y >= a.y - 0.01 &&
                      p.y <= a.y + a.height + 0.01)
              << p.x << "," << p.y;
        }
      }
    }
    EXPECT_GT(drawn, 300);
  }
}

TEST(ResponsePlot, BandAndWindowOnlyForSynthesisedDesigns) {
  const std::string synthesised = response_plot_svg(ideal_sweep(), marks_834(), "s");
  auto pieces = panels(synthesised);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(count(pieces[0], "class=\"marker\""), 2);
  EXPECT_EQ(count(pieces[1], "class=\"marker\""), 2);
  EXPECT_NE(pieces[0].find(">4000 MHz<"), std::string::npos);
  EXPECT_NE(pieces[0].find(">8000 MHz<"), std::string::npos);
  EXPECT_NE(synthesised.find("band 4000 to 8000 MHz"), std::string::npos);

  // The same numbers in an entered design's marks mean nothing: no marks drawn.
  ResponseMarks entered = marks_834();
  entered.synthesised = false;
  const std::string plain = response_plot_svg(ideal_sweep(), entered, "e");
  EXPECT_EQ(count(plain, "class=\"marker\""), 0);
  EXPECT_EQ(count(plain, "class=\"window\""), 0);
  EXPECT_EQ(plain.find("C \xC2\xB1 R"), std::string::npos);
  EXPECT_EQ(plain.find("band"), std::string::npos);
  EXPECT_NE(plain.find("Sweep 2000 to 10000 MHz, 161 points"), std::string::npos);
  // Without a band the coupling panel follows the coupled level over the sweep.
  const std::vector<double> y = tick_values(panels(plain)[0], "ytick");
  ASSERT_GE(y.size(), 2u);
  EXPECT_LE(y.front(), -22.0);
  EXPECT_GE(y.back(), -8.04);
}

TEST(ResponsePlot, LegendNamesTheFourCurvesAndAMissingLevelLeavesAGap) {
  std::vector<ResponsePoint> points = lossy_sweep();
  points[40].coupled_db = std::numeric_limits<float>::quiet_NaN();
  points[90].isolated_db = -std::numeric_limits<float>::infinity();
  const std::string svg = response_plot_svg(points, ResponseMarks{}, "gap");
  const auto pieces = panels(svg);
  ASSERT_EQ(pieces.size(), 2u);
  for (const char* name : {">Coupled |S21|<", ">Isolated |S31|<", ">Through |S41|<",
                           ">Return |S11|<", ">Frequency (MHz)<"})
    EXPECT_NE(pieces[1].find(name), std::string::npos) << name;
  // Lower panel: coupled in two pieces, isolated in two, through and return whole.
  EXPECT_EQ(curves(pieces[1]).size(), 6u);
  EXPECT_EQ(svg.find("nan"), std::string::npos);
  EXPECT_EQ(svg.find("inf"), std::string::npos);
}

}  // namespace
}  // namespace quill
