// The coupler with what its copper adds at ends and junctions: nothing added
// is the report's own four-port; lossless parasitics keep it reciprocal and
// lossless; and the fit finds parasitics it was given back from their
// response.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analysis/discontinuities.hpp"
#include "analysis/sweep.hpp"
#include "support/quarter_wave_design.hpp"

namespace quill {
namespace {

CouplerDesign three_sections() { return testing_support::quarter_wave_design({1.25f, 1.9f, 1.25f}, 2.2f, 4000.0f); }

TEST(Discontinuities, NothingAddedIsTheReportsFourPortAndPartsKeepItLossless) {
  const CouplerDesign d = three_sections();
  const Discontinuities none{{}, {{}, {}}};
  const Discontinuities some{{{0.05e-12, 0.2e-9}, {0.12e-12, 0.05e-9}}, {{{0.03e-12, 0.1e-9}, {0.08e-12, 0.02e-9}},
                                                                           {{0.02e-12, 0.15e-9}, {0.1e-12, 0.04e-9}}}};
  for (double f : {1500.0, 2500.0, 4000.0, 5700.0, 7900.0}) {
    const FourPort report = four_port(d, static_cast<float>(f));
    const CouplerMatrix ideal = coupler_matrix(d, none, f);
    for (size_t i = 0; i < 4; ++i)
      for (size_t j = 0; j < 4; ++j)
        EXPECT_LT(std::abs(ideal[i][j] - std::complex<double>(report.s[i][j][0], report.s[i][j][1])), 2e-6)
            << f << " S" << i + 1 << j + 1;
    // Lossless parts in lossless lines: S is reciprocal and unitary.
    const CouplerMatrix m = coupler_matrix(d, some, f);
    for (size_t i = 0; i < 4; ++i) {
      double power = 0;
      for (size_t j = 0; j < 4; ++j) {
        EXPECT_LT(std::abs(m[i][j] - m[j][i]), 1e-12);
        power += std::norm(m[j][i]);
      }
      EXPECT_NEAR(power, 1.0, 1e-12) << f;
    }
    // And they cost directivity: the isolated port hears them.
    EXPECT_GT(std::abs(m[2][0]), 1e-4) << f;
  }
}

TEST(Discontinuities, TheFitFindsWhatMadeTheResponse) {
  const CouplerDesign d = three_sections();
  struct Case {
    Discontinuities truth;
    bool ends_known, same_junctions;
  };
  const Discontinuity end{{0.04e-12, 0.3e-9}, {0.15e-12, 0.06e-9}};
  const Discontinuity junction{{0.03e-12, 0.12e-9}, {0.09e-12, 0.03e-9}};
  const std::vector<Case> cases = {
      {{end, {junction, junction}}, true, true},    // junctions alike, ends known
      {{end, {junction, junction}}, false, true},   // ends and junctions together
      {{end, {junction, {{0.01e-12, 0.2e-9}, {0.05e-12, 0.01e-9}}}}, true, false},  // each junction its own
  };
  std::vector<double> f;
  for (double v = 2000; v <= 6000; v += 200) f.push_back(v);
  for (const Case& c : cases) {
    std::vector<CouplerMatrix> measured;
    for (double v : f) measured.push_back(coupler_matrix(d, c.truth, v));
    Discontinuities start{c.ends_known ? c.truth.ends : Discontinuity{}, {}};
    const DiscontinuityFit fit = fit_discontinuities(d, f, measured, start, c.ends_known, c.same_junctions);
    EXPECT_LT(fit.rms, 1e-7);
    auto near = [](const Discontinuity& a, const Discontinuity& b) {
      return std::fabs(a.even.shunt_f - b.even.shunt_f) < 1e-16 && std::fabs(a.odd.shunt_f - b.odd.shunt_f) < 1e-16 &&
             std::fabs(a.even.series_h - b.even.series_h) < 1e-13 && std::fabs(a.odd.series_h - b.odd.series_h) < 1e-13;
    };
    EXPECT_TRUE(near(fit.fitted.ends, c.truth.ends));
    ASSERT_EQ(fit.fitted.junctions.size(), 2u);
    for (size_t k = 0; k < 2; ++k) EXPECT_TRUE(near(fit.fitted.junctions[k], c.truth.junctions[k])) << k;
  }
}

}  // namespace
}  // namespace quill
