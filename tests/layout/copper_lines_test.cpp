// The copper as lines, over designs and boards: without its breakouts and
// junctions it is the design as built, however long its tapers; lossless
// copper passes every watt, stubs and all; stubs give what they are drawn
// for;
// the feeds reach their ports apart, each Zo; and the end sections' cut
// brings the coupling the breakouts add back to the design's.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "analysis/discontinuities.hpp"
#include "layout/copper_lines.hpp"
#include "support/example_board.hpp"
#include "support/laid_out.hpp"
#include "support/quarter_wave_design.hpp"

namespace quill {
namespace {

double coupling_db(const CouplerMatrix& m) { return -20.0 * std::log10(std::abs(m[1][0])); }

TEST(CopperLines, AreTheDesignAsBuiltWithoutTheCopperAndPassEveryWattWithIt) {
  const std::vector<std::vector<float>> designs = {
      {1.1f, 1.5f, 1.1f}, {1.6f, 1.25f, 1.08f}, {1.3f}, {1.15f, 1.45f, 2.0f, 1.45f, 1.15f}};
  int checked = 0, stubbed_designs = 0;
  for (const testing_support::BuiltDesign& c : testing_support::built_in_every_board(designs)) {
    const Stackup& stack = c.stack;
    const CouplerDesign& d = c.design;
    const StackDesign& built = c.built;
    const std::vector<float>& zoe = c.zoe;
    SCOPED_TRACE(c.name);
    const testing_support::PlainAndCompensated both = testing_support::lay_out_both(d, built, stack);
    ASSERT_TRUE(both.plain && both.compensated) << both.error;
    const auto& plain = both.plain;
    const auto& comp = both.compensated;
    std::string error;
    LayoutChoice compensate;
    compensate.compensate = true;
    compensate.corrections.stubs = compensate.corrections.lengths = false;
    const CouplerDesign as = as_built(d, built);

    // The sections alone, with their losses, the steps not delayed: the
    // report's own model.
    CopperPieces sections_only;
    sections_only.breakouts = sections_only.junctions = false;
    sections_only.kappas = StepKappas{};  // no step delays
    const CopperLines bare = copper_lines(d, built, stack, *plain, sections_only);
    ASSERT_TRUE(bare.ok) << bare.error;
    for (double f : {1000.0, 4000.0, 6500.0}) {
      const CouplerMatrix a = mode_lines_matrix(bare.lines, d.z0, f), b = coupler_matrix(as, {}, f);
      for (size_t i = 0; i < 4; ++i)
        for (size_t j = 0; j < 4; ++j) EXPECT_LT(std::abs(a[i][j] - b[i][j]), 2e-6) << f << " MHz S" << i + 1 << j + 1;
    }

    // However long the tapers, their line comes out of the sections beside
    // them: taken back, the lines are the same.
    LayoutChoice longer = compensate;
    longer.taper_length = 3.0;
    const auto comp3 = lay_out_coupler(d, built, stack, longer, error);
    ASSERT_TRUE(comp3) << error;
    for (size_t k = 0; k < comp->junctions.size(); ++k)
      EXPECT_NEAR(comp3->junctions[k].x1 - comp3->junctions[k].x0,
                  3.0 * (comp->junctions[k].x1 - comp->junctions[k].x0), 1e-12);
    const CopperLines short_taken = copper_lines(d, built, stack, *comp, sections_only);
    const CopperLines long_taken = copper_lines(d, built, stack, *comp3, sections_only);
    for (double f : {2000.0, 6000.0}) {
      const CouplerMatrix a = mode_lines_matrix(short_taken.lines, d.z0, f);
      const CouplerMatrix b = mode_lines_matrix(long_taken.lines, d.z0, f);
      for (size_t i = 0; i < 4; ++i) EXPECT_LT(std::abs(a[i][0] - b[i][0]), 1e-12) << f << " MHz S" << i + 1 << "1";
    }

    // Every piece, perfect copper and a loss-free board, the steps moved
    // either way: reactive all through.
    CopperPieces lossless;
    lossless.conductor_loss = lossless.dielectric_loss = false;
    CopperLines whole = copper_lines(d, built, stack, *comp, lossless);
    ASSERT_TRUE(whole.ok) << whole.error;
    EXPECT_EQ(whole.steps.size(), zoe.size() + 1);
    for (double shift : {0.0, 0.3, -0.2}) {
      delay_steps(whole, {shift, 2.0 * shift, -shift, 3.0 * shift});
      for (double f : {2000.0, 4000.0, 6000.0}) {
        const CouplerMatrix m = mode_lines_matrix(whole.lines, d.z0, f);
        double power = 0.0;
        for (size_t i = 0; i < 4; ++i) power += std::norm(m[i][0]);
        EXPECT_NEAR(power, 1.0, 1e-9) << f << " MHz, shift " << shift;
      }
    }
    // At the port planes the feeds are apart, each of Zo, the modes only
    // as far apart as the feeds' coupling there, k = (Zoe - Zoo) / (Zoe + Zoo).
    const double k = std::pow(10.0, comp->breakouts.feed_coupling_db / 20.0);
    for (const std::vector<ModeLine>* mode : {&whole.lines.even, &whole.lines.odd})
      for (const ModeLine& end : {mode->front(), mode->back()}) EXPECT_NEAR(end.z_ohm / d.z0, 1.0, 1.2 * k + 1e-3);

    // The breakouts are coupled line too, and lengthen the coupler; the
    // end sections' cut takes it back: over an octave about f0 the
    // compensated copper couples closer to the design as built.
    CopperPieces breakouts;
    breakouts.junctions = false;
    breakouts.kappas = StepKappas{};
    const CopperLines loose = copper_lines(d, built, stack, *plain, breakouts);
    const CopperLines cut = copper_lines(d, built, stack, *comp, breakouts);
    double before = 0, after = 0;
    for (double f = 0.65 * d.f0; f <= 1.35 * d.f0; f += 0.05 * d.f0) {
      const double want = coupling_db(coupler_matrix(as, {}, f));
      before = std::max(before, std::fabs(coupling_db(mode_lines_matrix(loose.lines, d.z0, f)) - want));
      after = std::max(after, std::fabs(coupling_db(mode_lines_matrix(cut.lines, d.z0, f)) - want));
    }
    EXPECT_LT(after, before);

    // Stubs, where the copper's model finds them worth a decibel, give it
    // at least that and keep 25 dB of return loss.
    LayoutChoice stubbed = compensate;
    stubbed.corrections.stubs = true;
    const auto with = lay_out_coupler(d, built, stack, stubbed, error);
    ASSERT_TRUE(with) << error;
    auto least = [&](const CopperLines& c, double& return_loss) {
      double directivity = INFINITY;
      return_loss = INFINITY;
      for (double f = 0.5 * d.f0; f <= 1.5 * d.f0 + 1; f += 0.025 * d.f0) {
        const CouplerMatrix m = mode_lines_matrix(c.lines, d.z0, f);
        directivity = std::min(directivity, 20 * std::log10(std::abs(m[1][0]) / std::abs(m[2][0])));
        return_loss = std::min(return_loss, -20 * std::log10(std::abs(m[0][0])));
      }
      return directivity;
    };
    if (!with->stubs.empty()) {
      double rl_without = 0, rl_with = 0;
      delay_steps(whole, board_kappas(stack));
      const double without_stubs = least(whole, rl_without);
      const double with_stubs = least(copper_lines(d, built, stack, *with, lossless), rl_with);
      EXPECT_GE(with_stubs, without_stubs + 0.9);
      EXPECT_GE(rl_with, 25.0 - 0.05);
      ++stubbed_designs;
    }
    ++checked;
  }
  EXPECT_GE(checked, 9);
  EXPECT_GE(stubbed_designs, 3);
}

/// Lines built again from the cross-sections kept the first time are the
/// same lines, to the bit, and solve nothing new.
TEST(CopperLines, CrossSectionsKeptAreTheSameAsSolvedAgain) {
  const Stackup stack = testing_support::example_board("core-between-prepregs");
  const CouplerDesign d = testing_support::quarter_wave_design({1.1f, 1.5f, 1.1f}, 3.0f, 4000.0f);
  const StackDesign built = refine_stack_design(d, stack, 2);
  LayoutChoice choice;
  choice.compensate = true;
  std::string error;
  const auto layout = lay_out_coupler(d, built, stack, choice, error);
  ASSERT_TRUE(layout) << error;
  SolvedSections solved;
  CopperPieces kept;
  kept.solved = &solved;
  const CopperLines fresh = copper_lines(d, built, stack, *layout);
  const CopperLines first = copper_lines(d, built, stack, *layout, kept);
  const CopperLines again = copper_lines(d, built, stack, *layout, kept);
  ASSERT_TRUE(fresh.ok && first.ok && again.ok);
  EXPECT_GT(first.solves, 0);
  EXPECT_EQ(again.solves, 0);
  for (const CopperLines* c : {&first, &again}) {
    ASSERT_EQ(c->lines.even.size(), fresh.lines.even.size());
    for (size_t i = 0; i < fresh.lines.even.size(); ++i) {
      EXPECT_EQ(c->lines.even[i].z_ohm, fresh.lines.even[i].z_ohm);
      EXPECT_EQ(c->lines.odd[i].delay_s, fresh.lines.odd[i].delay_s);
    }
  }
}

}  // namespace
}  // namespace quill
