// The coupler as copper: each layer one clean outline that holds every
// section's rectangle exactly, the feeds field-solved for Zo and parted
// until they stop coupling, the ports where the report numbers them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "dimensions/stack_modes.hpp"
#include "layout/coupler_layout.hpp"
#include "layout/feed_lines.hpp"
#include "support/quarter_wave_design.hpp"

namespace quill {
namespace {

constexpr double mm = 1e-3;

Stackup board(double core_mm, double core_er, double prepreg_er, double copper_mm) {
  Stackup s;
  s.name = "board.toml";
  s.layers = {{0.5 * mm, prepreg_er, 0.002, false}, {core_mm * mm, core_er, 0.003, true},
              {0.5 * mm, prepreg_er, 0.002, false}};
  s.strips_layer = 1;
  s.copper_m = copper_mm * mm;
  return s;
}

/// A matched design of quarter-wave sections at 4 GHz.
CouplerDesign design(const std::vector<float>& zoe) {
  return testing_support::quarter_wave_design(zoe, 3.0f, 4000.0f);
}

/// Twice the signed area: positive for a counter-clockwise outline.
double twice_area(const Outline& o) {
  double a = 0.0;
  for (size_t k = 0; k < o.size(); ++k) {
    const Point &p = o[k], &q = o[(k + 1) % o.size()];
    a += p.x * q.y - q.x * p.y;
  }
  return a;
}

bool inside(const Outline& o, Point p) {
  bool in = false;
  for (size_t k = 0, j = o.size() - 1; k < o.size(); j = k++) {
    if ((o[k].y > p.y) != (o[j].y > p.y) &&
        p.x < (o[j].x - o[k].x) * (p.y - o[k].y) / (o[j].y - o[k].y) + o[k].x)
      in = !in;
  }
  return in;
}

/// Whether two edges that share no end point cross.
bool edges_cross(Point a, Point b, Point c, Point d) {
  auto side = [](Point p, Point q, Point r) { return (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x); };
  const double d1 = side(a, b, c), d2 = side(a, b, d), d3 = side(c, d, a), d4 = side(c, d, b);
  return ((d1 > 0) != (d2 > 0)) && ((d3 > 0) != (d4 > 0)) && d1 != 0 && d2 != 0 && d3 != 0 && d4 != 0;
}

bool simple(const Outline& o) {
  const size_t n = o.size();
  for (size_t i = 0; i < n; ++i)
    for (size_t j = i + 2; j < n; ++j) {
      if (i == 0 && j == n - 1) continue;
      if (edges_cross(o[i], o[(i + 1) % n], o[j], o[(j + 1) % n])) return false;
    }
  return true;
}

struct Case {
  std::vector<float> zoe;
  Stackup stack;
};

TEST(CouplerLayout, EachLayerIsOneOutlineHoldingEverySectionExactly) {
  const std::vector<Case> cases = {
      {{1.1f, 1.5f, 1.1f}, board(0.254, 3.48, 3.0, 0.035)},   // symmetrical, tight centre
      {{1.6f, 1.25f, 1.08f}, board(0.15, 3.3, 3.0, 0.018)},   // asymmetrical, loosening to the right
      {{1.3f}, board(0.254, 2.2, 2.2, 0.0)},                  // one section of ideal sheets
  };
  for (const Case& c : cases) {
    const CouplerDesign d = design(c.zoe);
    const StackDesign built = refine_stack_design(d, c.stack, 2);
    std::string error;
    const auto l = lay_out_coupler(d, built, c.stack, {}, error);
    ASSERT_TRUE(l) << error;
    for (const Outline* o : {&l->upper, &l->lower}) {
      EXPECT_GT(twice_area(*o), 0.0) << "counter-clockwise";
      EXPECT_TRUE(simple(*o)) << "no edge crosses another";
    }
    double x = 0.0;
    for (const SectionCopper& s : l->sections) {
      const StackSection& b = built.sections[static_cast<size_t>(s.section - 1)];
      EXPECT_EQ(s.x0, x) << "sections butt: no gap, no overlap";
      x = s.x1;
      EXPECT_NEAR(s.x1 - s.x0, b.length_in * metres_per_inch, 1e-15);
      EXPECT_NEAR(s.upper_y1 - s.upper_y0, b.strips.width_in * metres_per_inch, 1e-15);
      EXPECT_NEAR(s.upper_y0 + s.upper_y1, b.strips.offset_in * metres_per_inch, 1e-15) << "upper at +W0/2";
      EXPECT_NEAR(s.lower_y0 + s.lower_y1, -b.strips.offset_in * metres_per_inch, 1e-15) << "lower at -W0/2";
      // Inside each rectangle is copper; a hair beyond its edges across is not.
      const double hair = 1e-9;
      for (double u : {0.1, 0.5, 0.9}) {
        const double px = s.x0 + u * (s.x1 - s.x0);
        for (auto [o, y0, y1] : {std::tuple{&l->upper, s.upper_y0, s.upper_y1},
                                 std::tuple{&l->lower, s.lower_y0, s.lower_y1}}) {
          EXPECT_TRUE(inside(*o, {px, y0 + hair}));
          EXPECT_TRUE(inside(*o, {px, y1 - hair}));
          EXPECT_FALSE(inside(*o, {px, y0 - hair}));
          EXPECT_FALSE(inside(*o, {px, y1 + hair}));
        }
      }
    }
    // Ports as the report numbers them: 1 and 4 on the upper strip, 2 and 3
    // on the lower; 1 and 2 at the left edge of the board, 3 and 4 at the right.
    const Breakouts& b = l->breakouts;
    for (const PortEnd& p : l->ports) {
      EXPECT_EQ(p.upper, p.number == 1 || p.number == 4);
      EXPECT_EQ(p.facing, p.number <= 2 ? -1 : 1);
      EXPECT_EQ(p.at.x, p.facing < 0 ? l->board[0].x : l->board[1].x);
      EXPECT_EQ(p.at.y > 0, p.upper);
      EXPECT_TRUE(inside(p.upper ? l->upper : l->lower, {p.at.x - p.facing * 1e-9, p.at.y}));
      // The feed has Zo at its strip's height, in the board's field.
      const ModeFigures f = board_mode(c.stack, {{-p.width / 2, p.width / 2, p.upper}}, {1.0}, false);
      EXPECT_NEAR(f.z / d.z0, 1.0, 1e-5) << "port " << p.number;
    }
    EXPECT_LE(b.feed_coupling_db, -40.0);
    EXPECT_GT(b.feed_coupling_db, -40.5) << "no farther apart than needed";
    EXPECT_LT(b.breakout_coupling_db, -10.0);
  }
}

TEST(CouplerLayout, GivenSpacingAndLengthAreKeptOrRefused) {
  const Stackup stack = board(0.254, 3.48, 3.0, 0.035);
  const CouplerDesign d = design({1.1f, 1.5f, 1.1f});
  const StackDesign built = refine_stack_design(d, stack, 2);
  std::string error;
  const auto l = lay_out_coupler(d, built, stack, {4e-3, 3e-3}, error);
  ASSERT_TRUE(l) << error;
  EXPECT_EQ(l->breakouts.length, 4e-3);
  EXPECT_NEAR(l->ports[0].at.y - l->ports[1].at.y, 3e-3, 1e-15);
  EXPECT_NEAR(l->ports[3].at.x - l->ports[0].at.x, l->coupler_length + 8e-3, 1e-15);
  EXPECT_FALSE(lay_out_coupler(d, built, stack, {0.5e-3, 3e-3}, error));
  EXPECT_NE(error.find("needs at least"), std::string::npos) << error;

  // A section too tight for the board has no strips, and no copper is drawn.
  const CouplerDesign tight = design({1.1f, 3.0f, 1.1f});
  const StackDesign declined = refine_stack_design(tight, board(0.5, 3.48, 3.0, 0.035), 2);
  EXPECT_FALSE(lay_out_coupler(tight, declined, stack, {}, error));
  EXPECT_NE(error.find("section 2"), std::string::npos) << error;
}

TEST(CouplerLayout, CompensationCutsTheEndSectionsByWhatTheirBreakoutsCoupleAndTapersTheSteps) {
  const std::vector<Case> cases = {
      {{1.1f, 1.5f, 1.1f}, board(0.254, 3.48, 3.0, 0.035)},
      {{1.6f, 1.25f, 1.08f}, board(0.15, 3.3, 3.0, 0.018)},  // the tighter end loses less
      {{1.3f}, board(0.254, 2.2, 2.2, 0.0)},
  };
  for (const Case& c : cases) {
    const CouplerDesign d = design(c.zoe);
    const StackDesign built = refine_stack_design(d, c.stack, 2);
    std::string error;
    const auto plain = lay_out_coupler(d, built, c.stack, {}, error);
    const auto comp = lay_out_coupler(d, built, c.stack, {{}, {}, true}, error);
    ASSERT_TRUE(plain && comp) << error;
    const Breakouts &p = plain->breakouts, &b = comp->breakouts;
    EXPECT_EQ(p.shortened_first + p.shortened_last, 0.0);
    // A breakout couples more than a quarter of its lead's length of the end
    // section would, and less than its whole length of it.
    for (double cut : {b.shortened_first, b.shortened_last}) {
      EXPECT_GT(cut, 0.25 * b.lead);
      EXPECT_LT(cut, b.length);
    }
    if (c.zoe.front() == c.zoe.back()) {
      EXPECT_EQ(b.shortened_first, b.shortened_last);
    }
    if (c.zoe.front() > c.zoe.back()) {
      EXPECT_LT(b.shortened_first, b.shortened_last);
    }
    // Besides the cuts, each taper's line comes half out of each neighbour,
    // and the coupler is shorter by what its slant adds to its length.
    const size_t n = comp->sections.size();
    double slant = 0.0, trimmed = 0.0;
    for (size_t k = 0; k < n; ++k) {
      const SectionCopper &a = plain->sections[k], &s = comp->sections[k];
      double cut = (k == 0 ? b.shortened_first : 0.0) + (k + 1 == n ? b.shortened_last : 0.0);
      if (k > 0) cut += comp->junctions[k - 1].path / 2;
      if (k + 1 < n) cut += comp->junctions[k].path / 2;
      if (!comp->trims.empty()) {
        cut -= comp->trims[k];
        trimmed += comp->trims[k];
      }
      if (k + 1 < n) slant += comp->junctions[k].path - (comp->junctions[k].x1 - comp->junctions[k].x0);
      EXPECT_NEAR((a.x1 - a.x0) - (s.x1 - s.x0), cut, 1e-15);
      EXPECT_EQ(s.upper_y0, a.upper_y0);
      EXPECT_EQ(s.lower_y1, a.lower_y1);
    }
    // The breakouts keep their length and the ports their spacing, moved in
    // with the ends.
    EXPECT_EQ(b.length, p.length);
    EXPECT_EQ(b.port_spacing, p.port_spacing);
    EXPECT_NEAR(comp->ports[3].at.x - plain->ports[3].at.x, -(b.shortened_first + b.shortened_last + slant - trimmed),
                1e-15);
    // The note names each end section once: a lone section carries both cuts.
    const auto named = std::find_if(comp->notes.begin(), comp->notes.end(),
                                    [](const std::string& s) { return s.starts_with("compensated: section"); });
    ASSERT_NE(named, comp->notes.end());
    const std::string& note = *named;
    EXPECT_EQ(note.find("section " + std::to_string(n) + " by") != std::string::npos, n > 1) << note;
  }
  // A section its breakouts couple nearly as much as is refused.
  const CouplerDesign tiny = testing_support::quarter_wave_design({1.3f}, 3.0f, 40000.0f);
  const Stackup stack = board(0.254, 2.2, 2.2, 0.0);
  std::string error;
  EXPECT_FALSE(lay_out_coupler(tiny, refine_stack_design(tiny, stack, 2), stack, {{}, {}, true}, error));
  EXPECT_NE(error.find("compensation cannot"), std::string::npos) << error;
}

TEST(CouplerLayout, FeedsWiderOrNarrowerThanTheirStripsMeetThemWithoutANotch) {
  // Loose end sections, their strips a little narrower than the feeds; and
  // the same strips built for a system impedance a little below the feeds',
  // wider than them; on a mirror-stacked board and one that is not, whose
  // two feeds differ in width.
  Stackup unequal = board(0.254, 3.48, 3.0, 0.035);
  unequal.layers[2].thickness_m = 0.45 * mm;
  const std::vector<Stackup> stacks = {board(0.254, 3.48, 3.0, 0.035), unequal};
  int wider = 0, narrower = 0;
  for (const Stackup& stack : stacks) {
    for (const float zoe : {1.08f, 1.15f})
    for (const float strips_zo : {49.0f, 50.0f}) {
      SCOPED_TRACE(std::to_string(zoe) + " " + std::to_string(strips_zo));
      const CouplerDesign d = design({zoe, 1.5f, zoe});
      CouplerDesign strips_for = d;
      strips_for.z0 = strips_zo;
      std::string error;
      const auto l = lay_out_coupler(d, refine_stack_design(strips_for, stack, 2), stack, {}, error);
      ASSERT_TRUE(l) << error;
      const double w_feed = l->breakouts.feed_width_upper, w_strip = l->sections.front().width;
      if (std::fabs(w_feed - w_strip) < 0.1 * w_feed) (w_feed > w_strip ? wider : narrower) += 1;
      // Every edge of the feeds and where they meet the strips is at least
      // a twentieth of a feed's width: no jog, notch or sliver a few
      // micrometres wide (the steps between sections are the design's).
      for (const Outline* o : {&l->upper, &l->lower}) {
        for (size_t k = 0; k < o->size(); ++k) {
          const Point &p = (*o)[k], &q = (*o)[(k + 1) % o->size()];
          const bool feed = std::max(p.x, q.x) <= 0.0 || std::min(p.x, q.x) >= l->coupler_length;
          if (feed) EXPECT_GE(std::hypot(q.x - p.x, q.y - p.y), 0.05 * w_feed) << p.x << ", " << p.y;
        }
      }
    }
  }
  EXPECT_GT(wider, 0) << "feeds slightly wider than their strips were tried";
  EXPECT_GT(narrower, 0) << "and slightly narrower";
}

}  // namespace
}  // namespace quill
