// The drawing read back: every port label clear of the section boundaries,
// of the board and of its neighbour, for couplers short and long on the page;
// the cross-section's labels clear of the dimension table.

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "artwork/drawing.hpp"
#include "dimensions/stack_strips.hpp"
#include "support/quarter_wave_design.hpp"

namespace quill {
namespace {

struct Box {
  double x0, y0, x1, y1;
  bool meets(const Box& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
};

TEST(Drawing, PortLabelsStandClearOfTheSectionBoundariesAndTheBoard) {
  Stackup stack;
  stack.name = "board.toml";
  stack.layers = {{0.5e-3, 3.0, 0.002, false}, {0.254e-3, 3.48, 0.003, true}, {0.5e-3, 3.0, 0.002, false}};
  stack.strips_layer = 1;
  stack.copper_m = 0.035e-3;
  // From a coupler whose breakouts fill the view to one whose breakouts
  // shrink to a few pixels beside its sections.
  for (float f0 : {8000.0f, 3000.0f, 1000.0f}) {
    SCOPED_TRACE(f0);
    const CouplerDesign d = testing_support::quarter_wave_design({1.1f, 1.5f, 1.1f}, 3.0f, f0);
    std::string error;
    const auto l = lay_out_coupler(d, refine_stack_design(d, stack, 2), stack, {}, error);
    ASSERT_TRUE(l) << error;
    const std::string svg = layout_drawing_svg(*l, stack, {"c.dat", "board.toml", {}, ArtworkUnit::mm});

    // Labels: 13 px bold, at most 0.7 em a character wide, 11 px above the
    // baseline and 3 below.
    static const std::regex label(
        R"re(<text x="([^"]+)" y="([^"]+)" font-size="13" text-anchor="(start|end)" font-weight="bold">(Port \d)</text>)re");
    std::vector<Box> labels;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), label); it != std::sregex_iterator(); ++it) {
      const double x = std::stod((*it)[1]), y = std::stod((*it)[2]);
      const double w = 0.7 * 13 * static_cast<double>((*it)[4].length());
      labels.push_back((*it)[3] == "start" ? Box{x, y - 11, x + w, y + 3} : Box{x - w, y - 11, x, y + 3});
    }
    ASSERT_EQ(labels.size(), 4u);
    // Section boundaries: the thin dark lines across the copper.
    static const std::regex boundary(
        R"re(<line x1="([^"]+)" y1="([^"]+)" x2="([^"]+)" y2="([^"]+)" stroke="#222222")re");
    std::vector<Box> lines;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), boundary); it != std::sregex_iterator(); ++it)
      lines.push_back({std::stod((*it)[1]) - 1, std::stod((*it)[2]), std::stod((*it)[3]) + 1, std::stod((*it)[4])});
    ASSERT_EQ(lines.size(), 6u);
    // The board: the first polygon, its left and right edges.
    static const std::regex board(R"re(<polygon points="([-0-9.]+),[-0-9.]+ ([-0-9.]+),)re");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(svg, m, board));
    const double left = std::stod(m[1]), right = std::stod(m[2]);
    for (size_t i = 0; i < labels.size(); ++i) {
      const Box& b = labels[i];
      for (const Box& ln : lines) EXPECT_FALSE(b.meets(ln)) << "label " << i + 1 << " crossed at x " << ln.x0 + 1;
      for (size_t j = i + 1; j < labels.size(); ++j) EXPECT_FALSE(b.meets(labels[j])) << i + 1 << " on " << j + 1;
      EXPECT_TRUE(b.x1 <= left || b.x0 >= right) << "label " << i + 1 << " on the board";
      EXPECT_GE(b.x0, 0.0);
      EXPECT_LE(b.x1, 1000.0);
    }
    // The cross-section's layer labels (11 px) end before the dimension
    // table's column at x = 600, in either unit.
    for (ArtworkUnit unit : {ArtworkUnit::mm, ArtworkUnit::inch}) {
      const std::string page = layout_drawing_svg(*l, stack, {"c.dat", "board.toml", {}, unit});
      static const std::regex layer(R"re(<text x="([^"]+)" y="[^"]+" font-size="11" text-anchor="start">(Er [^<]+)</text>)re");
      int layers = 0;
      for (auto it = std::sregex_iterator(page.begin(), page.end(), layer); it != std::sregex_iterator(); ++it, ++layers)
        EXPECT_LE(std::stod((*it)[1]) + 0.62 * 11 * static_cast<double>((*it)[2].length()), 600.0) << (*it)[2];
      EXPECT_EQ(layers, 3);
    }
  }
}

}  // namespace
}  // namespace quill
