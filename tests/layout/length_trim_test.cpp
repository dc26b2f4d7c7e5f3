// Compensation's trimmed lengths, over designs and boards: the copper's
// model couples closer to the design with them than without, by what the
// summary says; a mirrored design stays mirrored; no trim takes more than a
// tenth of its section; and the copper keeps every other correction.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "analysis/discontinuities.hpp"
#include "layout/copper_lines.hpp"
#include "layout/length_trim.hpp"
#include "support/example_board.hpp"

namespace quill {
namespace {

/// The largest departure of the copper's coupling from the design's over
/// the band the trims are sized on, dB.
double departure_db(const CouplerDesign& d, const StackDesign& built, const Stackup& stack, const CouplerLayout& l) {
  const CopperLines copper = copper_lines(d, built, stack, l);
  EXPECT_TRUE(copper.ok) << copper.error;
  auto db = [](const CouplerMatrix& m) { return -20.0 * std::log10(std::abs(m[1][0])); };
  const auto [flo, fhi] = copper_band(d);
  double worst = 0.0;
  for (int i = 0; i <= 40; ++i) {
    const double f = flo + (fhi - flo) * i / 40.0;
    worst = std::max(worst, std::fabs(db(mode_lines_matrix(copper.lines, d.z0, f)) - db(coupler_matrix(d, {}, f))));
  }
  return worst;
}

TEST(LengthTrim, BringsTheCoppersCouplingToTheDesignsAndKeepsAMirroredCouplerMirrored) {
  const std::vector<std::vector<float>> designs = {{1.1f, 1.5f, 1.1f}, {1.6f, 1.25f, 1.08f}, {1.3f}};
  int trimmed = 0;
  for (const testing_support::BuiltDesign& c : testing_support::built_in_every_board(designs)) {
    SCOPED_TRACE(c.name);
    LayoutChoice with;
    with.compensate = true;
    LayoutChoice without = with;
    without.corrections.lengths = false;
    std::string error;
    const auto a = lay_out_coupler(c.design, c.built, c.stack, without, error);
    const auto b = lay_out_coupler(c.design, c.built, c.stack, with, error);
    ASSERT_TRUE(a && b) << error;
    EXPECT_TRUE(a->trims.empty());
    const double before = departure_db(c.design, c.built, c.stack, *a);
    const double after = departure_db(c.design, c.built, c.stack, *b);
    const auto note = std::find_if(b->notes.begin(), b->notes.end(),
                                   [](const std::string& s) { return s.starts_with("compensated: lengths"); });
    if (b->trims.empty()) {
      EXPECT_EQ(note, b->notes.end());
      continue;
    }
    ++trimmed;
    ASSERT_NE(note, b->notes.end());
    EXPECT_LT(after, before - 0.01) << *note;
    double said_after = 0, said_before = 0;
    const size_t at = note->find("within ");
    ASSERT_EQ(std::sscanf(note->c_str() + at, "within %lf dB of the design's coupling (%lf", &said_after,
                          &said_before), 2) << *note;
    // The summary's figures are the copper's as drawn, to the hundredth.
    EXPECT_NEAR(after, said_after, 0.0051) << *note;
    EXPECT_NEAR(before, said_before, 0.0051) << *note;
    const size_t n = b->sections.size();
    for (size_t k = 0; k < n; ++k) {
      EXPECT_LE(std::fabs(b->trims[k]), 0.1 * c.built.sections[k].length_in * metres_per_inch + 1e-12);
      EXPECT_EQ(b->trims[k] != 0.0, note->find("section " + std::to_string(k + 1) + " by") != std::string::npos);
    }
    if (c.zoe.front() == c.zoe.back()) {
      EXPECT_EQ(b->trims.front(), b->trims.back());
      EXPECT_EQ(b->stubs.size() % 2, 0u);
    }
    // Every other correction stays: the ends' cut and the tapers.
    EXPECT_EQ(a->breakouts.shortened_first, b->breakouts.shortened_first);
    EXPECT_EQ(a->junctions.size(), b->junctions.size());
    for (size_t k = 0; k < a->junctions.size(); ++k) EXPECT_EQ(a->junctions[k].shape, b->junctions[k].shape);
  }
  EXPECT_GE(trimmed, 6);
}

}  // namespace
}  // namespace quill
