// The equal-ripple engine: every design meets its ripple under the program's
// own single-precision analysis, has the shape its form promises, is the
// smallest that fits, and is made the same way on every run.

#include "synthesis/equal_ripple.hpp"
#include "synthesis/table_synthesis.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "analysis/sweep.hpp"
#include "common/quarter_wave.hpp"
#include "synthesis/table_rows.hpp"

namespace quill {
namespace {

constexpr CouplerForm sym = CouplerForm::symmetrical;
constexpr CouplerForm asym = CouplerForm::asymmetrical;

/// The design laid out the way a synthesised design is: float impedances,
/// zoo = 1/zoe, every section a quarter wave at the band centre.
CouplerDesign coupler_of(const RippleRequest& request, const RippleDesign& r) {
  CouplerDesign d;
  set_band(d, request.form == sym ? TableKind::symmetrical : TableKind::asymmetrical,
           static_cast<float>(request.flow_mhz), static_cast<float>(request.fhigh_mhz));
  lay_out_engine_design(d, r, static_cast<float>(request.level_db), 50.0f, 2.2f);
  return d;
}

struct FloatSwing {
  float lo = 1e9f, hi = -1e9f;
};

/// Coupling extremes across the band from the program's sweep.
FloatSwing float_swing(const RippleRequest& request, const RippleDesign& r, int points = 801) {
  const CouplerDesign d = coupler_of(request, r);
  FloatSwing s;
  for (int k = 0; k < points; ++k) {
    const float f = d.flow + (d.fhigh - d.flow) * static_cast<float>(k) / static_cast<float>(points - 1);
    const float c = -port_response(d, f).cpld;
    s.lo = std::min(s.lo, c);
    s.hi = std::max(s.hi, c);
  }
  return s;
}

RippleRequest request_of(CouplerForm form, double level, double ripple, double flow, double fhigh, int sections = 0) {
  RippleRequest s;
  s.form = form;
  s.level_db = level;
  s.ripple_db = ripple;
  s.flow_mhz = flow;
  s.fhigh_mhz = fhigh;
  s.sections = sections;
  return s;
}

/// A spread of requests both forms must design.
std::vector<RippleRequest> spread() {
  std::vector<RippleRequest> v;
  for (CouplerForm form : {sym, asym})
    for (double level : {3.0, 4.77, 10.0, 20.0, 30.0})
      for (double ripple : {0.01, 0.1, 0.5, 1.5})
        for (double ratio : {1.2, 2.0, 4.0, 8.0}) v.push_back(request_of(form, level, ripple, 1000.0, 1000.0 * ratio));
  return v;
}

std::string label(const RippleRequest& s) {
  return (s.form == sym ? std::string("sym ") : std::string("asym ")) + std::to_string(s.level_db) + " dB " +
         std::to_string(s.ripple_db) + " dB " + std::to_string(s.flow_mhz) + ".." + std::to_string(s.fhigh_mhz);
}

TEST(EqualRippleDesigns, MeetTheirRippleUnderTheProgramsAnalysis) {
  int designed = 0;
  for (const RippleRequest& s : spread()) {
    const RippleResult r = synthesize_equal_ripple(s);
    if (r.status == RippleResult::no_fit) {
      EXPECT_GT(r.best_deviation_db, s.ripple_db) << label(s);
      continue;
    }
    ASSERT_EQ(r.status, RippleResult::designed) << label(s) << ": " << r.reason;
    ++designed;
    EXPECT_LE(r.design.deviation_db, s.ripple_db + 1e-6) << label(s);
    const FloatSwing f = float_swing(s, r.design);
    EXPECT_LE(f.hi, s.level_db + s.ripple_db + 0.005) << label(s);
    EXPECT_GE(f.lo, s.level_db - s.ripple_db - 0.005) << label(s);
    // The double model's extremes are what the float analysis sees.
    EXPECT_NEAR(f.lo, r.design.min_db, 0.002) << label(s);
    EXPECT_NEAR(f.hi, r.design.max_db, 0.002) << label(s);
  }
  EXPECT_GT(designed, 140);
}

TEST(EqualRippleDesigns, SwingIsCentredOnTheLevelAndReachesTheDesignRipple) {
  // A minimax design touches both sides of its swing equally.
  for (CouplerForm form : {sym, asym})
    for (int n : {3, 5, 9}) {
      const SectionDesign d = equal_ripple_sections(form, n, 6.0, 0.5);
      ASSERT_TRUE(d.realised);
      const CouplingSwing s = coupling_swing(d.zoe, n, 6.0, 0.5);
      EXPECT_NEAR(s.max_db - 6.0, 6.0 - s.min_db, 1e-7) << n;
      EXPECT_NEAR(s.deviation_db, d.ripple_db, 1e-7) << n;
    }
}

TEST(EqualRippleDesigns, SymmetricalDesignsAreMirrorSymmetric) {
  for (const RippleRequest& s : spread()) {
    if (s.form != sym) continue;
    const RippleResult r = synthesize_equal_ripple(s);
    for (int i = 0; i < r.design.n; ++i)
      EXPECT_EQ(r.design.zoe[static_cast<std::size_t>(i)], r.design.zoe[static_cast<std::size_t>(r.design.n - 1 - i)])
          << label(s) << " section " << i + 1;
    // Tightest in the middle, loosening outward.
    for (int i = 1; i <= r.design.n / 2; ++i)
      EXPECT_LT(r.design.zoe[static_cast<std::size_t>(i - 1)], r.design.zoe[static_cast<std::size_t>(i)]) << label(s);
  }
}

TEST(EqualRippleDesigns, AsymmetricalImpedancesFallFromPortOne) {
  for (const RippleRequest& s : spread()) {
    if (s.form != asym) continue;
    const RippleResult r = synthesize_equal_ripple(s);
    EXPECT_GT(r.design.zoe[static_cast<std::size_t>(r.design.n - 1)], 1.0f) << label(s);
    for (int i = 1; i < r.design.n; ++i)
      EXPECT_LT(r.design.zoe[static_cast<std::size_t>(i)], r.design.zoe[static_cast<std::size_t>(i - 1)]) << label(s);
  }
}

TEST(EqualRippleDesigns, SameBitsOnEveryRun) {
  for (const RippleRequest& s : spread()) {
    const RippleResult a = synthesize_equal_ripple(s);
    const RippleResult b = synthesize_equal_ripple(s);
    EXPECT_EQ(a.status, b.status);
    EXPECT_EQ(std::memcmp(a.design.zoe.data(), b.design.zoe.data(), sizeof a.design.zoe), 0) << label(s);
    EXPECT_EQ(std::memcmp(&a.design.deviation_db, &b.design.deviation_db, sizeof(double)), 0) << label(s);
  }
}

TEST(EqualRippleDesigns, SectionCountIsTheSmallestThatFits) {
  int checked = 0;
  for (const RippleRequest& s : spread()) {
    const RippleResult r = synthesize_equal_ripple(s);
    if (r.status != RippleResult::designed) continue;
    const int smaller = r.design.n - (s.form == sym ? 2 : 1);
    if (smaller < (s.form == sym ? 1 : 2)) continue;
    RippleRequest fewer = s;
    fewer.sections = smaller;
    const RippleResult f = synthesize_equal_ripple(fewer);
    ASSERT_EQ(f.status, RippleResult::designed) << label(s);
    EXPECT_EQ(f.design.n, smaller);
    EXPECT_GT(f.design.deviation_db, s.ripple_db) << label(s);
    ++checked;
  }
  EXPECT_GT(checked, 80);
}

TEST(EqualRippleDesigns, MoreSectionsNeverRippleMore) {
  for (CouplerForm form : {sym, asym}) {
    double prev = 1e9;
    for (int n = form == sym ? 1 : 2; n <= (form == sym ? 15 : 12); n += form == sym ? 2 : 1) {
      const double dev = equal_ripple_deviation(form, n, 10.0, 0.6);
      EXPECT_LT(dev, prev) << n;
      prev = dev;
    }
  }
}

TEST(EqualRippleDesigns, NoSmallChangeOfImpedancesRipplesLess) {
  // The minimax design is optimal: nudging any one section (and its mirror
  // image) makes the swing over the band larger.
  for (CouplerForm form : {sym, asym}) {
    const int n = 5;
    const SectionDesign d = equal_ripple_sections(form, n, 8.34, 0.55);
    ASSERT_TRUE(d.realised);
    const double best = coupling_swing(d.zoe, n, 8.34, 0.55).deviation_db;
    for (int i = 0; i < n; ++i)
      for (double step : {-1e-3, 1e-3}) {
        SectionImpedances z = d.zoe;
        z[static_cast<std::size_t>(i)] *= 1.0 + step;
        if (form == sym) z[static_cast<std::size_t>(n - 1 - i)] = z[static_cast<std::size_t>(i)];
        EXPECT_GT(coupling_swing(z, n, 8.34, 0.55).deviation_db, best) << i << ' ' << step;
      }
  }
}

TEST(EqualRippleBand, HalfWidthGivesBackTheRipple) {
  for (CouplerForm form : {sym, asym})
    for (int n : {3, 5, 7})
      for (double ripple : {0.02, 0.3, 1.2}) {
        const double hw = equal_ripple_half_width(form, n, 10.0, ripple);
        ASSERT_GT(hw, 0.0);
        ASSERT_LT(hw, 1.0);
        EXPECT_NEAR(equal_ripple_deviation(form, n, 10.0, hw), ripple, 1e-7) << n << ' ' << ripple;
        const SectionDesign d = equal_ripple_sections(form, n, 10.0, hw);
        EXPECT_NEAR(coupling_swing(d.zoe, n, 10.0, hw).deviation_db, ripple, 1e-6);
      }
}

TEST(MaximallyFlat, ExactAtTheCentreAndWeakeningAway) {
  for (CouplerForm form : {sym, asym})
    for (int n : {3, 5, 9})
      for (double level : {3.0, 10.0, 30.0}) {
        const SectionDesign d = maximally_flat_sections(form, n, level);
        ASSERT_TRUE(d.realised) << n << ' ' << level;
        EXPECT_NEAR(coupling_db(d.zoe, n, 1.0), level, 1e-9);
        double prev = level;
        for (int k = 1; k <= 50; ++k) {
          const double c = coupling_db(d.zoe, n, 1.0 + 0.01 * k);
          EXPECT_GE(c, prev - 1e-12) << n << ' ' << level << ' ' << k;
          prev = c;
        }
        // Flat: a tiny step off f0 moves the coupling by far less than a
        // first- or second-order term would.
        EXPECT_LT(std::fabs(coupling_db(d.zoe, n, 1.001) - level), 1e-9);
      }
}

TEST(MaximallyFlat, RippleZeroPicksTheSmallestCountWithinTheTolerance) {
  for (CouplerForm form : {sym, asym})
    for (double ratio : {1.3, 1.8}) {
      RippleRequest s = request_of(form, 10.0, 0.0, 1000.0, 1000.0 * ratio);
      const RippleResult r = synthesize_equal_ripple(s);
      ASSERT_EQ(r.status, RippleResult::designed) << ratio;
      EXPECT_LE(r.design.deviation_db, s.flat_tolerance_db + 1e-6);
      const FloatSwing f = float_swing(s, r.design);
      EXPECT_LE(f.hi, 10.0 + s.flat_tolerance_db + 0.005);
      EXPECT_GE(f.lo, 10.0 - 0.005);  // never tighter than the level
      const SectionDesign same = maximally_flat_sections(form, r.design.n, 10.0);
      for (int i = 0; i < r.design.n; ++i)
        EXPECT_EQ(r.design.zoe[static_cast<std::size_t>(i)], static_cast<float>(same.zoe[static_cast<std::size_t>(i)]));
      const int smaller = r.design.n - (form == sym ? 2 : 1);
      if (smaller >= (form == sym ? 1 : 2)) {
        s.sections = smaller;
        EXPECT_GT(synthesize_equal_ripple(s).design.deviation_db, s.flat_tolerance_db);
      }
    }
}

TEST(RippleRequestChecks, BadValuesAreNamed) {
  const RippleRequest good = request_of(sym, 10.0, 0.3, 1000.0, 2000.0);
  ASSERT_EQ(synthesize_equal_ripple(good).status, RippleResult::designed);
  struct Case {
    RippleRequest request;
    const char* word;
  };
  std::vector<Case> cases;
  auto with = [&](auto change, const char* word) {
    RippleRequest s = good;
    change(s);
    cases.push_back({s, word});
  };
  with([](RippleRequest& s) { s.level_db = 2.99; }, "coupling level");
  with([](RippleRequest& s) { s.level_db = 30.5; }, "coupling level");
  with([](RippleRequest& s) { s.level_db = NAN; }, "coupling level");
  with([](RippleRequest& s) { s.ripple_db = 0.005; }, "ripple");
  with([](RippleRequest& s) { s.ripple_db = 1.6; }, "ripple");
  with([](RippleRequest& s) { s.ripple_db = -0.1; }, "ripple");
  with([](RippleRequest& s) { s.flow_mhz = 0.0; }, "lowest frequency");
  with([](RippleRequest& s) { s.flow_mhz = -5.0; }, "lowest frequency");
  with([](RippleRequest& s) { s.fhigh_mhz = 1000.0; }, "highest frequency");
  with([](RippleRequest& s) { s.fhigh_mhz = INFINITY; }, "highest frequency");
  with([](RippleRequest& s) { s.sections = 4; }, "section count");
  with([](RippleRequest& s) { s.sections = 17; }, "section count");
  with([](RippleRequest& s) { s.sections = -1; }, "section count");
  with([](RippleRequest& s) { s.form = asym; s.sections = 1; }, "section count");
  with([](RippleRequest& s) { s.form = asym; s.sections = 13; }, "section count");
  with([](RippleRequest& s) { s.ripple_db = 0.0; s.flat_tolerance_db = 0.0; }, "flat tolerance");
  for (const Case& c : cases) {
    const RippleResult r = synthesize_equal_ripple(c.request);
    EXPECT_EQ(r.status, RippleResult::bad_request) << c.word;
    EXPECT_NE(r.reason.find(c.word), std::string::npos) << r.reason;
    EXPECT_EQ(r.reason.find('\n'), std::string::npos);
    EXPECT_EQ(r.design.n, 0);
  }
  // Both ends of every range are accepted.
  for (double level : {3.0, 30.0})
    for (double ripple : {0.0, 0.01, 1.5}) {
      RippleRequest s = good;
      s.level_db = level;
      s.ripple_db = ripple;
      EXPECT_NE(synthesize_equal_ripple(s).status, RippleResult::bad_request) << level << ' ' << ripple;
    }
}

TEST(RippleNoFit, GivesTheLargestCountsDesignAndItsRipple) {
  for (CouplerForm form : {sym, asym}) {
    const RippleRequest s = request_of(form, 3.0, 0.01, 100.0, 10000.0);
    const RippleResult r = synthesize_equal_ripple(s);
    ASSERT_EQ(r.status, RippleResult::no_fit);
    const int largest = form == sym ? 15 : 12;
    EXPECT_EQ(r.design.n, largest);
    EXPECT_GT(r.best_deviation_db, 0.01);
    EXPECT_EQ(r.best_deviation_db, r.design.deviation_db);
    RippleRequest fixed = s;
    fixed.sections = largest;
    const RippleResult f = synthesize_equal_ripple(fixed);
    ASSERT_EQ(f.status, RippleResult::designed);  // a given count is designed whatever its ripple
    EXPECT_EQ(f.design.deviation_db, r.best_deviation_db);
    const FloatSwing fs = float_swing(s, r.design);
    EXPECT_LE(fs.hi, s.level_db + r.best_deviation_db + 0.005);
    EXPECT_GE(fs.lo, s.level_db - r.best_deviation_db - 0.005);
  }
}

TEST(EqualRippleTables, EngineMeetsEveryRowsRippleAtLeastAsWell) {
  constexpr std::array<double, 5> sym_levels = {3.01, 6.02, 8.34, 10.0, 20.0};
  constexpr std::array<double, 5> asym_levels = {3.01, 6.02, 10.0, 15.0, 20.0};
  int rows = 0;
  for (bool is_sym : {true, false}) {
    const std::span<const TableRow> table = is_sym ? std::span<const TableRow>(symmetrical_rows)
                                                   : std::span<const TableRow>(asymmetrical_rows);
    for (const TableRow& row : table) {
      if (row.ripple == 0.0f) continue;
      const int n = is_sym ? 2 * row.isect - 1 : row.isect;
      const double level = (is_sym ? sym_levels : asym_levels)[static_cast<std::size_t>(row.icoup - 1)];
      // The row's band about 1000 MHz.
      const double hw = is_sym ? 0.5 * row.tembw : (row.tembw - 1.0) / (row.tembw + 1.0);
      RippleRequest s = request_of(is_sym ? sym : asym, level, row.ripple, 1000.0 * (1.0 - hw), 1000.0 * (1.0 + hw), n);
      const RippleResult r = synthesize_equal_ripple(s);
      ASSERT_EQ(r.status, RippleResult::designed);
      SectionImpedances stored{};
      for (int i = 0; i < n; ++i)
        stored[static_cast<std::size_t>(i)] = row.zoe[static_cast<std::size_t>(is_sym ? std::min(i, n - 1 - i) : i)];
      // The rows are near-optimal designs too: allow for the engine's
      // impedances being rounded to single precision.
      EXPECT_LE(r.design.deviation_db, coupling_swing(stored, n, level, hw).deviation_db + 1e-4)
          << row.isect << ' ' << row.icoup << ' ' << row.iripple;
      ++rows;
    }
  }
  EXPECT_EQ(rows, 300 + 175);
}

TEST(CouplingModel, AgreesWithTheProgramsAnalysis) {
  const RippleRequest s = request_of(asym, 6.0, 0.2, 2000.0, 9000.0);
  const RippleResult r = synthesize_equal_ripple(s);
  ASSERT_EQ(r.status, RippleResult::designed);
  const CouplerDesign d = coupler_of(s, r.design);
  SectionImpedances z{};
  for (int i = 0; i < r.design.n; ++i) z[static_cast<std::size_t>(i)] = r.design.zoe[static_cast<std::size_t>(i)];
  for (double ratio : {0.05, 0.3, 0.7, 1.0, 1.45, 1.9}) {
    const float f = d.f0 * static_cast<float>(ratio);
    EXPECT_NEAR(-port_response(d, f).cpld, coupling_db(z, r.design.n, f / d.f0), 1e-3) << ratio;
  }
}

}  // namespace
}  // namespace quill
