// The feeds' coupling as they part: positive and falling for every spacing
// a breakout may draw, and far apart the law of the parallel-plate mode, on
// the example boards and a thin board of one dielectric; and what the
// breakouts add falls with it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "dimensions/stack_strips.hpp"
#include "files/stackup_file.hpp"
#include "layout/coupler_layout.hpp"
#include "layout/feed_lines.hpp"
#include "support/quarter_wave_design.hpp"

namespace quill {
namespace {

/// Er 3.0 throughout, a 0.1 mm core between 0.508 mm layers, 18 um copper.
const char* const kThinOneDielectric =
    "unit = \"mm\"\ncopper_thickness = 0.018\n"
    "[[layer]]\nthickness = 0.508\ner = 3.0\n"
    "[[layer]]\nthickness = 0.1\ner = 3.0\nstrips = true\n"
    "[[layer]]\nthickness = 0.508\ner = 3.0\n";

std::vector<Stackup> boards() {
  std::vector<Stackup> out;
  for (const char* name : {"ptfe-homogeneous", "core-between-prepregs", "thin-tight-core"}) {
    std::ifstream in(std::string(QUILLOMATE_SOURCE_DIR) + "/data/stackups/" + name + ".toml");
    std::stringstream text;
    text << in.rdbuf();
    const StackupRead r = read_stackup_text(text.str(), name);
    EXPECT_TRUE(r.ok) << r.message;
    out.push_back(r.stackup);
  }
  const StackupRead thin = read_stackup_text(kThinOneDielectric, "thin-one-dielectric");
  EXPECT_TRUE(thin.ok) << thin.message;
  out.push_back(thin.stackup);
  return out;
}

bool one_dielectric(const Stackup& s) {
  return std::all_of(s.layers.begin(), s.layers.end(), [&](const StackLayer& l) { return l.er == s.layers[0].er; });
}

/// The slower of the two far laws: the electric coupling's exp(-lambda d),
/// the magnetic coupling's exp(-pi d / B).
double far_decay(const FeedPair& p) { return std::min(p.decay_c, p.decay_l); }

TEST(FeedCoupling, FallsAsTheFeedsPartTowardsTheParallelPlateLaw) {
  const std::vector<double> apart_b = {0.25, 0.5, 1, 2, 3, 4, 6, 8, 12, 20, 40, 70, 100};
  for (const Stackup& stack : boards()) {
    SCOPED_TRACE(stack.name);
    const double b = stack.b_m();
    const double w_upper = feed_width(stack, 50.0, true), w_lower = feed_width(stack, 50.0, false);
    const FeedPair pair = feed_pair(stack, w_upper, w_lower);
    ASSERT_TRUE(pair.ok);
    EXPECT_EQ(pair.decay_l, std::numbers::pi / b);
    // The electric coupling's decay is the board's lowest parallel-plate
    // mode: pi / B in one dielectric, and between layers what the solver's
    // own coupling falls at, where it still has its digits.
    if (one_dielectric(stack)) {
      EXPECT_EQ(pair.decay_c, std::numbers::pi / b);
    } else {
      const FeedCoupling near = feed_coupling(pair, pair.anchor - b), far = feed_coupling(pair, pair.anchor - b / 2);
      EXPECT_NEAR(std::log(near.kc / far.kc) / (b / 2) / pair.decay_c, 1.0, 1e-4);
      EXPECT_NE(pair.decay_c, std::numbers::pi / b);
      EXPECT_NEAR(pair.decay_c * b / std::numbers::pi, 1.0, 0.05);
    }
    // Positive and falling at every spacing, each coefficient on its own;
    // far apart each falls as its law, and the sum as the slower of the two.
    const double centres = (w_upper + w_lower) / 2;
    FeedCoupling last;
    double law_at_3b = 0;
    for (double m : apart_b) {
      SCOPED_TRACE(m);
      const double d = centres + m * b;
      const FeedCoupling f = feed_coupling(pair, d);
      ASSERT_TRUE(f.ok);
      EXPECT_GT(f.kc, 0.0);
      EXPECT_GT(f.kl, 0.0);
      EXPECT_TRUE(std::isfinite(20 * std::log10(f.k))) << "a number of decibels, however small";
      if (last.ok) {
        EXPECT_LT(f.k, last.k);
        EXPECT_LT(f.kc, last.kc);
        EXPECT_LT(f.kl, last.kl);
      }
      last = f;
      const double law = f.k * std::exp(far_decay(pair) * d);
      if (m == 3) law_at_3b = law;
      if (m > 3) {
        // Within a factor of two in layers (the faster law dies away beside
        // the slower), and to 0.1 % in one dielectric, where both are one.
        const double tolerance = one_dielectric(stack) ? 1e-3 : std::log(2.0);
        EXPECT_LT(std::fabs(std::log(law / law_at_3b)), tolerance) << law << " against " << law_at_3b;
      }
    }
  }
}

TEST(FeedCoupling, WhatTheBreakoutsAddFallsAsThePortsPart) {
  const std::vector<double> apart_b = {2, 3, 4, 5, 6, 100};
  const CouplerDesign d = testing_support::quarter_wave_design({1.2f}, 3.0f, 4000.0f);
  for (const Stackup& stack : boards()) {
    SCOPED_TRACE(stack.name);
    const double b = stack.b_m();
    const StackDesign built = refine_stack_design(d, stack, 2);
    std::vector<Breakouts> laid;
    for (double m : apart_b) {
      LayoutChoice choice;
      choice.port_spacing = m * b;
      choice.compensate = true;
      // The breakouts' figures only: the stubs and trims, each a search on
      // the copper model of feeds up to 100 B apart, come after them.
      choice.corrections.stubs = choice.corrections.lengths = false;
      std::string error;
      const auto l = lay_out_coupler(d, built, stack, choice, error);
      ASSERT_TRUE(l) << m << ": " << error;
      laid.push_back(l->breakouts);
    }
    const FeedPair pair = feed_pair(stack, laid[0].feed_width_upper, laid[0].feed_width_lower);
    const Breakouts& farthest = laid.back();
    double excess_at_3b = 0;
    for (size_t i = 0; i < laid.size(); ++i) {
      SCOPED_TRACE(apart_b[i]);
      const Breakouts& o = laid[i];
      // The coupled length compensation takes off (the integral of k) falls;
      // the coupling at f0 too, but for the phase of a tail hundreds of
      // decibels down.
      if (i > 0) {
        EXPECT_LE(o.shortened_first, laid[i - 1].shortened_first * (1 + 1e-12));
        EXPECT_LE(o.breakout_coupling_db, laid[i - 1].breakout_coupling_db + 1e-5);
        EXPECT_LT(o.feed_coupling_db, laid[i - 1].feed_coupling_db);
      }
      // What the feeds further out add beyond the farthest breakout's falls
      // as their coupling does, within a factor of three.
      if (apart_b[i] >= 3 && apart_b[i] <= 6) {
        const double excess =
            (o.shortened_first - farthest.shortened_first) * std::exp(far_decay(pair) * apart_b[i] * b);
        if (apart_b[i] == 3) excess_at_3b = excess;
        EXPECT_GT(excess, excess_at_3b / 3);
        EXPECT_LT(excess, excess_at_3b * 3);
      }
    }
    EXPECT_NEAR(farthest.breakout_coupling_db, laid[4].breakout_coupling_db, 0.01)
        << "ports 100 B apart add what ports 6 B apart do";
  }
}

}  // namespace
}  // namespace quill
