// The full-wave mesh obeys its rules on every board and at every density:
// the third rule at each strip edge, cells enough across the gap and the
// copper, nothing longer than the wavelength allows, smooth grading, and
// every face of copper and dielectric on a line of its own.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "fullwave/fullwave_grid.hpp"
#include "support/quarter_wave_design.hpp"

namespace quill {
namespace {

constexpr double mm = 1e-3;

Stackup board(std::vector<StackLayer> layers, int strips, double copper_mm) {
  Stackup s;
  s.name = "board.toml";
  s.layers = std::move(layers);
  s.strips_layer = strips;
  s.copper_m = copper_mm * mm;
  return s;
}

CouplerDesign design(const std::vector<float>& zoe, float f0) {
  return testing_support::quarter_wave_design(zoe, 2.2f, f0);
}

/// The cell of `lines` that holds `at`, or none when `at` lies on a line
/// or outside.
struct Holding {
  double lo = 0, hi = 0;
  bool found = false;
};
Holding cell_holding(const std::vector<double>& lines, double at) {
  for (size_t k = 0; k + 1 < lines.size(); ++k)
    if (lines[k] < at && at < lines[k + 1]) return {lines[k], lines[k + 1], true};
  return {};
}

bool has_line(const std::vector<double>& lines, double at) {
  return std::any_of(lines.begin(), lines.end(), [&](double v) { return std::fabs(v - at) < 1e-12; });
}

int cells_within(const std::vector<double>& lines, double lo, double hi) {
  int n = 0;
  for (size_t k = 0; k + 1 < lines.size(); ++k)
    if (lines[k] >= lo - 1e-12 && lines[k + 1] <= hi + 1e-12) ++n;
  return n;
}

/// The largest ratio of neighbouring cells.
double worst_grading(const std::vector<double>& lines) {
  double worst = 1.0;
  for (size_t k = 1; k + 1 < lines.size(); ++k) {
    const double a = lines[k] - lines[k - 1], b = lines[k + 1] - lines[k];
    worst = std::max(worst, std::max(a / b, b / a));
  }
  return worst;
}

struct Case {
  std::string name;
  std::vector<float> zoe;
  float f0;
  Stackup stack;
};

TEST(FullwaveGrid, EveryBoardAndDensityKeepsTheMeshRules) {
  const std::vector<Case> cases = {
      {"sheets in PTFE", {1.3f}, 5000.0f, board({{0.7 * mm, 2.2, 0.0, false}, {0.2 * mm, 2.2, 0.0, true},
                                                  {0.7 * mm, 2.2, 0.0, false}}, 1, 0.0)},
      {"core between prepregs", {1.11f, 1.53f, 1.11f}, 4000.0f,
       board({{0.5 * mm, 3.0, 0.002, false}, {0.254 * mm, 3.48, 0.0037, true}, {0.5 * mm, 3.0, 0.002, false}}, 1,
             0.035)},
      // Strips so far apart across that sections 1 and 2 do not meet: a jog.
      {"jogged on a thinned core", {1.0767f, 2.0098f, 1.0767f}, 4000.0f,
       board({{0.5 * mm, 3.0, 0.002, false}, {0.1417 * mm, 3.48, 0.0037, true}, {0.5 * mm, 3.0, 0.002, false}}, 1,
             0.035)},
      {"thin tight core", {1.2f, 1.7f, 1.2f}, 4000.0f,
       board({{0.508 * mm, 3.48, 0.0037, false}, {0.15 * mm, 3.0, 0.002, false}, {0.1 * mm, 3.3, 0.003, true},
              {0.15 * mm, 3.0, 0.002, false}, {0.508 * mm, 3.48, 0.0037, false}},
             2, 0.018)},
  };
  for (const Case& c : cases) {
    const CouplerDesign d = design(c.zoe, c.f0);
    const StackDesign built = refine_stack_design(d, c.stack, 2);
    std::string error;
    const auto layout = lay_out_coupler(d, built, c.stack, {}, error);
    ASSERT_TRUE(layout) << c.name << ": " << error;
    if (c.name.find("jogged") != std::string::npos)
      EXPECT_TRUE(std::any_of(layout->junctions.begin(), layout->junctions.end(),
                              [](const Junction& j) { return j.shape == JunctionShape::jog; }))
          << c.name;
    const double fmax = 2.0 * c.f0 * 1e6;
    const StripHeights z = strip_heights(c.stack);
    size_t previous_cells = 0;
    for (MeshDensity density : {MeshDensity::coarse, MeshDensity::normal, MeshDensity::fine}) {
      const MeshRules rules = mesh_rules(density, *layout, c.stack);
      const FullwaveGrid g = fullwave_grid(*layout, c.stack, rules, fmax);
      const std::string where = c.name + " density " + std::to_string(static_cast<int>(density));
      const double largest = largest_cell(c.stack, rules, fmax);

      for (const auto* axis : {&g.x, &g.y, &g.z}) {
        ASSERT_TRUE(std::adjacent_find(axis->begin(), axis->end(), std::greater_equal<>()) == axis->end()) << where;
        EXPECT_LE(worst_grading(*axis), rules.grading * 1.1) << where << " axis " << axis - &g.x;
        double longest = 0, shortest = 1;
        for (size_t k = 0; k + 1 < axis->size(); ++k) {
          longest = std::max(longest, (*axis)[k + 1] - (*axis)[k]);
          shortest = std::min(shortest, (*axis)[k + 1] - (*axis)[k]);
        }
        EXPECT_LE(longest, largest * 1.05) << where << ": lambda/20";
        EXPECT_GE(shortest, rules.edge_cell / 4.0) << where << ": no slivers";
      }
      // The walls are lines, the absorbing layers beyond them.
      for (const auto& [axis, lo, hi] : {std::tuple{&g.x, g.x0, g.x1}, std::tuple{&g.y, g.y0, g.y1}}) {
        EXPECT_EQ((*axis)[absorber_cells], lo) << where;
        EXPECT_EQ((*axis)[axis->size() - 1 - absorber_cells], hi) << where;
      }
      EXPECT_EQ(g.z.front(), 0.0);
      EXPECT_EQ(g.z.back(), c.stack.b_m());

      // The third rule: every edge along an axis lies inside a small cell,
      // off its lines, nearer the copper's side (except a port's plane,
      // which is a line of its own).
      for (const Outline* o : {&layout->upper, &layout->lower}) {
        for (size_t k = 0; k < o->size(); ++k) {
          const Point p = (*o)[k], q = (*o)[(k + 1) % o->size()];
          const bool along_x = p.y == q.y, along_y = p.x == q.x;
          if (!along_x && !along_y) continue;
          // A feed's end at its port plane is no edge: the feed runs on.
          if (along_y && (p.x == layout->board[0].x || p.x == layout->board[1].x)) continue;
          const std::vector<double>& lines = along_x ? g.y : g.x;
          const double at = along_x ? p.y : p.x;
          const Holding h = cell_holding(lines, at);
          ASSERT_TRUE(h.found) << where << ": edge at " << at << " lies on a line";
          EXPECT_LE(h.hi - h.lo, rules.edge_cell * 2.0) << where << ": edge cell";
          const double u = (at - h.lo) / (h.hi - h.lo);
          EXPECT_GT(std::min(u, 1 - u), 0.15) << where << ": edge near a line";
        }
      }

      // Each feed runs on past its port plane to a line at its far end, the
      // end walls a spacing beyond; its three voltage planes are lines a
      // step apart with none between, so that the current planes half way
      // are the dual lines, at least two spacings from either end.
      for (const PortFeed& f : g.feeds) {
        EXPECT_TRUE(has_line(g.x, f.source_x)) << where << ": feed end";
        EXPECT_TRUE(f.source_x - c.stack.b_m() >= g.x0 - 1e-12 && f.source_x + c.stack.b_m() <= g.x1 + 1e-12)
            << where;
        const std::array<double, 3> v = f.voltage_planes();
        for (size_t m = 0; m < 3; ++m) EXPECT_TRUE(has_line(g.x, v[m])) << where << ": probe plane";
        for (const double plane : f.current_planes()) {
          const Holding h = cell_holding(g.x, plane);
          ASSERT_TRUE(h.found) << where;
          EXPECT_NEAR((h.lo + h.hi) / 2.0, plane, 1e-12) << where << ": current plane half way";
          EXPECT_NEAR(h.hi - h.lo, f.step, 1e-12) << where;
        }
        const double from_ends = std::min(std::fabs(f.probe_x - f.plane_x), std::fabs(f.source_x - f.probe_x));
        EXPECT_GE(from_ends + 1e-12, 2.0 * c.stack.b_m()) << where;
      }

      // Where sections join, the neck of copper between them is cells wide.
      for (size_t k = 0; k + 1 < layout->sections.size(); ++k) {
        const SectionCopper &a = layout->sections[k], &b = layout->sections[k + 1];
        const double lo = std::max(a.upper_y0, b.upper_y0), hi = std::min(a.upper_y1, b.upper_y1);
        if (hi <= lo) continue;  // a jog, as wide as the wider strip
        const auto inside = std::count_if(g.y.begin(), g.y.end(), [&](double v) { return v > lo && v < hi; });
        EXPECT_GE(inside, 2) << where << ": neck " << hi - lo << " m at junction " << k + 1;
      }

      // Up: each face a line; cells enough across the gap and the copper.
      double height = 0;
      for (const StackLayer& l : c.stack.layers) {
        height += l.thickness_m;
        EXPECT_TRUE(has_line(g.z, std::min(height, c.stack.b_m()))) << where << ": layer boundary";
      }
      for (double face : {z.lower_bottom, z.lower_top, z.upper_bottom, z.upper_top})
        EXPECT_TRUE(has_line(g.z, face)) << where << ": copper face";
      EXPECT_GE(cells_within(g.z, z.lower_top, z.upper_bottom), rules.cells_across_gap) << where;
      if (c.stack.copper_m > 0) {
        EXPECT_GE(cells_within(g.z, z.lower_bottom, z.lower_top), rules.cells_across_copper) << where;
        EXPECT_GE(cells_within(g.z, z.upper_bottom, z.upper_top), rules.cells_across_copper) << where;
      }
      const size_t cells = (g.x.size() - 1) * (g.y.size() - 1) * (g.z.size() - 1);
      EXPECT_GT(cells, previous_cells) << where << ": a finer density has more cells";
      previous_cells = cells;
      std::printf("%-22s %d: %zu x %zu x %zu lines, grading %.2f %.2f %.2f\n", c.name.c_str(),
                  static_cast<int>(density), g.x.size(), g.y.size(), g.z.size(), worst_grading(g.x),
                  worst_grading(g.y), worst_grading(g.z));
    }
  }
}

/// A 20 dB coupler whose loose end sections are as wide as the feeds and lie
/// on their middles: the feeds' middle lines fall a micrometre from the next
/// section's edge lines, and a sliver there would set the time step of the
/// whole run (ten times the run time).
TEST(FullwaveGrid, AFeedsMiddleBesideAnEdgeLineLeavesNoSliver) {
  const Stackup core =
      board({{0.5 * mm, 3.0, 0.002, false}, {0.254 * mm, 3.48, 0.0037, true}, {0.5 * mm, 3.0, 0.002, false}}, 1, 0.035);
  const CouplerDesign d = design({1.0052f, 1.0313f, 1.1640f, 1.0313f, 1.0052f}, 4000.0f);
  const StackDesign built = refine_stack_design(d, core, 2);
  std::string error;
  const auto layout = lay_out_coupler(d, built, core, {}, error);
  ASSERT_TRUE(layout) << error;
  for (MeshDensity density : {MeshDensity::coarse, MeshDensity::normal, MeshDensity::fine}) {
    const MeshRules rules = mesh_rules(density, *layout, core);
    const FullwaveGrid g = fullwave_grid(*layout, core, rules, 8e9);
    for (size_t k = 0; k + 1 < g.y.size(); ++k)
      EXPECT_GE(g.y[k + 1] - g.y[k], rules.edge_cell / 4.0) << "density " << static_cast<int>(density) << " at y "
                                                             << g.y[k];
  }
}

}  // namespace
}  // namespace quill
