// The copper's shapes over many designs and boards, plain and compensated:
// each layer one simple counter-clockwise polygon without slivers that
// holds every section's straight copper, jogs where strips do not meet,
// tapers and rounded bends that add the copper their sizes say, and every
// section keeping its length of line.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "files/stackup_file.hpp"
#include "layout/coupler_layout.hpp"
#include "support/example_board.hpp"
#include "support/laid_out.hpp"
#include "support/quarter_wave_design.hpp"

namespace quill {
namespace {

using testing_support::example_board;

double twice_area(const Outline& o) {
  double a = 0.0;
  for (size_t k = 0; k < o.size(); ++k) a += o[k].x * o[(k + 1) % o.size()].y - o[(k + 1) % o.size()].x * o[k].y;
  return a;
}

/// The outline's part between x = lo and x = hi (Sutherland-Hodgman: a
/// slab is convex, so the shoelace of what is left is its area).
Outline clipped(Outline o, double lo, double hi) {
  for (const auto& [at, keep_above] : {std::pair{lo, true}, std::pair{hi, false}}) {
    Outline out;
    auto in = [&](Point p) { return keep_above ? p.x >= at : p.x <= at; };
    for (size_t k = 0; k < o.size(); ++k) {
      const Point p = o[k], q = o[(k + 1) % o.size()];
      if (in(p)) out.push_back(p);
      if (in(p) != in(q)) out.push_back({at, p.y + (at - p.x) * (q.y - p.y) / (q.x - p.x)});
    }
    o = out;
  }
  return o;
}

bool inside(const Outline& o, Point p) {
  bool in = false;
  for (size_t k = 0, j = o.size() - 1; k < o.size(); j = k++)
    if ((o[k].y > p.y) != (o[j].y > p.y) && p.x < (o[j].x - o[k].x) * (p.y - o[k].y) / (o[j].y - o[k].y) + o[k].x)
      in = !in;
  return in;
}

bool crossing(Point a, Point b, Point c, Point d) {
  auto side = [](Point p, Point q, Point r) { return (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x); };
  const double d1 = side(a, b, c), d2 = side(a, b, d), d3 = side(c, d, a), d4 = side(c, d, b);
  return ((d1 > 0) != (d2 > 0)) && ((d3 > 0) != (d4 > 0)) && d1 != 0 && d2 != 0 && d3 != 0 && d4 != 0;
}

/// Simple, counter-clockwise, its first point not repeated, no edge of
/// nothing and no spike sharper than 20 degrees (a sliver).
void expect_clean(const Outline& o) {
  const size_t n = o.size();
  EXPECT_GT(twice_area(o), 0.0);
  for (size_t i = 0; i < n; ++i) {
    const Point a = o[(i + n - 1) % n], b = o[i], c = o[(i + 1) % n];
    EXPECT_GT(std::hypot(c.x - b.x, c.y - b.y), 1e-9) << "a repeated point at " << b.x << ", " << b.y;
    const double turn = std::atan2((b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x),
                                   (b.x - a.x) * (c.x - b.x) + (b.y - a.y) * (c.y - b.y));
    EXPECT_LT(std::fabs(turn), std::numbers::pi * 160.0 / 180.0) << "a spike at " << b.x << ", " << b.y;
    for (size_t j = i + 2; j < n; ++j)
      if (!(i == 0 && j == n - 1)) {
        EXPECT_FALSE(crossing(o[i], o[(i + 1) % n], o[j], o[(j + 1) % n])) << i << " " << j;
      }
  }
}

/// A rounded feed's centre line from the end of its lead to its port end.
double rounded_centre_length(const Breakouts& b, double rise) {
  const double r = b.bend_radius, quarter = std::numbers::pi / 4;
  const double a = 2 * r * (1 - std::cos(quarter)) <= rise ? quarter : std::acos(1 - rise / (2 * r));
  const double diagonal = (rise - 2 * r * (1 - std::cos(a))) / std::sin(a);
  const double extent = 2 * r * std::sin(a) + diagonal * std::cos(a);
  return 2 * r * a + diagonal + (b.length - b.lead - extent);
}

struct Case {
  std::vector<float> zoe;  ///< normalised, quarter waves at 4 GHz
  double core_mm;          ///< the example board's core thinned to this, or 0
};

TEST(CopperShapes, EveryDesignOnEveryBoardIsCleanCopperThatKeepsItsLengths) {
  const std::vector<Case> cases = {
      {{1.1f, 1.5f, 1.1f}, 0},                // symmetrical, tight centre
      {{1.6f, 1.25f, 1.08f}, 0},              // asymmetrical, loosening to the right
      {{1.3f}, 0},                            // one section
      {{1.15f, 1.45f, 2.0f, 1.45f, 1.15f}, 0},  // five sections, a tight middle
      {{1.0767f, 2.0098f, 1.0767f}, 0.1417},  // 6 dB 3-5 GHz on a thinned core: strips that do not meet
  };
  int jogs = 0, tapers = 0, rounded = 0;
  for (const char* board : {"ptfe-homogeneous", "core-between-prepregs", "thin-tight-core"})
    for (const Case& c : cases) {
      const Stackup stack = example_board(board, c.core_mm);
      const CouplerDesign d = testing_support::quarter_wave_design(c.zoe, 3.0f, 4000.0f);
      const StackDesign built = refine_stack_design(d, stack, 2);
      if (built.first_declined() != 0) continue;  // a section this board cannot build
      SCOPED_TRACE(stack.name + " " + std::to_string(c.zoe.size()) + " sections " + std::to_string(c.zoe[1 % c.zoe.size()]));
      // Stubs aside (their own test below): the sections and tapers' copper.
      const testing_support::PlainAndCompensated both = testing_support::lay_out_both(d, built, stack);
      ASSERT_TRUE(both.plain && both.compensated) << both.error;
      const auto& plain = both.plain;
      const auto& comp = both.compensated;
      double plain_rest[2] = {0, 0}, comp_rest[2] = {0, 0};
      for (const auto* l : {&*plain, &*comp}) {
        const bool compensated = l == &*comp;
        SCOPED_TRACE(compensated ? "compensated" : "plain");
        const std::vector<SectionCopper>& s = l->sections;
        // Each section's straight copper and half of each junction's line
        // beside it make up its designed length (less what compensation cut).
        for (size_t k = 0; k < s.size(); ++k) {
          double line = s[k].x1 - s[k].x0;
          if (k > 0) line += l->junctions[k - 1].path / 2;
          if (k + 1 < s.size()) line += l->junctions[k].path / 2;
          if (k == 0) line += l->breakouts.shortened_first;
          if (k + 1 == s.size()) line += l->breakouts.shortened_last;
          if (!l->trims.empty()) line -= l->trims[k];
          EXPECT_NEAR(line, built.sections[k].length_in * metres_per_inch, 1e-12) << "section " << s[k].section;
        }
        for (size_t k = 0; k + 1 < s.size(); ++k) {
          const Junction& j = l->junctions[k];
          EXPECT_EQ(j.x0, s[k].x1);
          EXPECT_EQ(j.x1, s[k + 1].x0);
          const bool apart = !(s[k].upper_y1 > s[k + 1].upper_y0 && s[k + 1].upper_y1 > s[k].upper_y0);
          EXPECT_EQ(j.shape == JunctionShape::jog, apart) << "a jog exactly where the strips do not meet";
          if (!apart) {
            EXPECT_EQ(j.shape == JunctionShape::taper, compensated);
          }
          if (j.shape == JunctionShape::jog) {
            ++jogs;
            EXPECT_GE(j.width, std::max(s[k].width, s[k + 1].width));
            // Half way along the jog its copper is centred between the two
            // sections' centre lines, as wide across as a slant at 45 degrees
            // of its width.
            for (auto [o, sign] : {std::pair{&l->upper, 1.0}, std::pair{&l->lower, -1.0}}) {
              const double xm = (j.x0 + j.x1) / 2, yc = sign * (j.centre0 + j.centre1) / 2;
              const double across = j.width * std::numbers::sqrt2 / 2;
              EXPECT_TRUE(inside(*o, {xm, yc + across * 0.999}));
              EXPECT_TRUE(inside(*o, {xm, yc - across * 0.999}));
              EXPECT_FALSE(inside(*o, {xm, yc + across * 1.001}));
              EXPECT_FALSE(inside(*o, {xm, yc - across * 1.001}));
            }
          }
          if (j.shape == JunctionShape::taper) ++tapers;
        }
        int layer = 0;
        for (const Outline* o : {&l->upper, &l->lower}) {
          expect_clean(*o);
          const bool upper = o == &l->upper;
          // Every section's rectangle is copper; a hair beyond its sides is not.
          double rest = twice_area(clipped(*o, 0.0, l->coupler_length)) / 2;
          for (const SectionCopper& r : s) {
            const double y0 = upper ? r.upper_y0 : r.lower_y0, y1 = upper ? r.upper_y1 : r.lower_y1, hair = 1e-9;
            for (double u : {0.0, 0.5, 1.0})
              for (double v : {0.0, 0.5, 1.0})
                EXPECT_TRUE(inside(*o, {r.x0 + hair + u * (r.x1 - r.x0 - 2 * hair),
                                        y0 + hair + v * (y1 - y0 - 2 * hair)}));
            EXPECT_FALSE(inside(*o, {(r.x0 + r.x1) / 2, y0 - hair}));
            EXPECT_FALSE(inside(*o, {(r.x0 + r.x1) / 2, y1 + hair}));
            rest -= r.width * (r.x1 - r.x0);
          }
          // A taper is a trapezoid between its sections' ends.
          for (size_t k = 0; k < l->junctions.size(); ++k)
            if (l->junctions[k].shape == JunctionShape::taper)
              rest -= (l->junctions[k].x1 - l->junctions[k].x0) * (s[k].width + s[k + 1].width) / 2;
          (compensated ? comp_rest : plain_rest)[layer++] = rest;
          // Rounded bends: the feed beyond its lead is its width times its
          // centre line, arcs and all.
          if (l->breakouts.bend_radius > 0.0) {
            ++rounded;
            const Breakouts& b = l->breakouts;
            const double w = upper ? b.feed_width_upper : b.feed_width_lower;
            const double w_feed = std::max(b.feed_width_upper, b.feed_width_lower);
            const double start = (s.front().offset - s.front().width + w_feed) / 2;
            const double rise = std::fabs(l->ports[upper ? 0 : 1].at.y) - start;
            const double area = twice_area(clipped(*o, -b.length, -b.lead)) / 2;
            // Each chord cuts a sliver two thirds of its 0.1 um sag deep off
            // the outer edge of its arc, and adds less to the inner edge.
            const double chords = 2.0 * (2.0 / 3.0) * 1e-7 * (b.bend_radius + w / 2) * std::numbers::pi / 4;
            EXPECT_NEAR(area, w * rounded_centre_length(b, rise), chords) << "the left feed";
          }
        }
      }
      // What is left once rectangles and tapers are taken away, the jogs,
      // is the same copper plain or compensated.
      for (int k = 0; k < 2; ++k) EXPECT_NEAR(comp_rest[k], plain_rest[k], 1e-13);
    }
  EXPECT_GE(jogs, 4) << "the thinned core's design was jogged on every board";
  EXPECT_GT(tapers, 0);
  EXPECT_GT(rounded, 0);
}

/// Stubs stand square on each strip's outer edge (the upper strip's toward
/// +y, the lower's toward -y), clean copper, each as much copper as its
/// width times its length and at most the edge's rise beneath it more; a
/// mirrored design's stubs mirrored too.
TEST(CopperShapes, StubsStandOnTheOuterEdgesAsLongAsTheirCapacitanceAsks) {
  int stubs = 0;
  for (const char* board : {"ptfe-homogeneous", "core-between-prepregs"})
    for (const std::vector<float>& zoe : {std::vector<float>{1.1f, 1.5f, 1.1f}, std::vector<float>{1.4f}}) {
      const Stackup stack = example_board(board);
      const CouplerDesign d = testing_support::quarter_wave_design(zoe, 3.0f, 4000.0f);
      const StackDesign built = refine_stack_design(d, stack, 2);
      SCOPED_TRACE(stack.name + " " + std::to_string(zoe.size()) + " sections");
      LayoutChoice with;
      with.compensate = true;
      with.corrections.lengths = false;  // the same sections' copper either way
      LayoutChoice without = with;
      without.corrections.stubs = false;
      std::string error;
      const auto a = lay_out_coupler(d, built, stack, without, error), b = lay_out_coupler(d, built, stack, with, error);
      ASSERT_TRUE(a && b) << error;
      EXPECT_TRUE(a->stubs.empty());
      for (const Stub& stub : b->stubs) {
        ++stubs;
        const double w = stub.x1 - stub.x0;
        EXPECT_GT(stub.farads, 0.0);
        for (auto [with_outline, plain_outline] : {std::pair{&b->upper, &a->upper}, std::pair{&b->lower, &a->lower}}) {
          expect_clean(*with_outline);
          const double added = (twice_area(clipped(*with_outline, stub.x0, stub.x1)) -
                                twice_area(clipped(*plain_outline, stub.x0, stub.x1))) / 2;
          EXPECT_GE(added, w * stub.length * (1 - 1e-9));
          EXPECT_LE(added, w * (stub.length + w));
        }
        // The upper strip's stub reaches toward +y, the lower's toward -y.
        double top = -1, bottom = 1;
        for (const Point& p : b->upper) if (p.x >= stub.x0 && p.x <= stub.x1) top = std::max(top, p.y);
        for (const Point& p : b->lower) if (p.x >= stub.x0 && p.x <= stub.x1) bottom = std::min(bottom, p.y);
        EXPECT_NEAR(top, -bottom, 1e-12) << "mirror images";
        EXPECT_TRUE(inside(b->upper, {(stub.x0 + stub.x1) / 2, top - stub.length / 2}));
      }
      // A mirrored design keeps mirrored stubs: each stands where its
      // mirror image across the coupler's middle stands, as large.
      const std::vector<Stub>& s = b->stubs;
      for (size_t i = 0; i < s.size(); ++i) {
        const Stub& m = s[s.size() - 1 - i];
        EXPECT_NEAR(s[i].x0 + m.x1, b->coupler_length, 1e-9);
        EXPECT_DOUBLE_EQ(s[i].farads, m.farads);
      }
    }
  EXPECT_GE(stubs, 4);
}

}  // namespace
}  // namespace quill
