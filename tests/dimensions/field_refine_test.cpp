// Strip dimensions refined with the field solver: every geometry it returns
// must really have the section's impedances, where it finds none there must
// be none, and the closed forms' checks must show where each holds.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dimensions/fd_reference.hpp"
#include "dimensions/field_solver.hpp"
#include "dimensions/strip_refine.hpp"

namespace quill {
namespace {

constexpr double zo = 50.0;
constexpr double b = 0.25;  // inches

/// Even-mode impedance of a matched section coupling `db` decibels.
double zoe_for(double db) {
  const double c = std::pow(10.0, -db / 20.0);
  return zo * std::sqrt((1 + c) / (1 - c));
}

/// The impedances of a returned geometry, solved afresh at a finer
/// resolution than the refinement used.
ModeImpedances resolve(const SectionStrips& r, double s, double er) {
  return offset_pair_modes(r.width_in, r.offset_in, s, b, er, {2.0});
}

TEST(FieldRefine, EveryGeometryFoundHasBothImpedances) {
  // Couplings from 3 to 25 dB on spacings from 0.05 B to 0.4 B: wherever the
  // spacing allows offset strips they are found to 0.05 %, and wherever it
  // does not, the largest spacing that would is below the one asked for.
  int found = 0, refused = 0;
  for (double db : {3.0, 4.4, 6.0, 8.34, 10.0, 15.0, 20.0, 25.0}) {
    const double zoe = zoe_for(db);
    const double limit = superposed_limit_s(zoe, zo, 1.0, b);
    for (double sb : {0.05, 0.1, 0.2, 0.3, 0.4}) {
      const double s = sb * b;
      const SectionStrips r = refine_offset_section(zoe, zo, 1.0, s, b);
      if (r.found) {
        ++found;
        EXPECT_LT(r.residual, strip_tolerance) << db << " dB S/B " << sb;
        const ModeImpedances z = resolve(r, s, 1.0);
        EXPECT_NEAR(z.zoe / zoe, 1.0, strip_tolerance) << db << " dB S/B " << sb;
        EXPECT_NEAR(z.zoo / (zo * zo / zoe), 1.0, strip_tolerance) << db << " dB S/B " << sb;
        EXPECT_GE(r.offset_in, 0.0);
        EXPECT_LE(r.evaluations, 200);
        // Offset strips exist only below the superposed limit (or at it).
        if (std::isfinite(limit)) {
          EXPECT_LE(s, limit * (1 + 1e-3)) << db << " dB S/B " << sb;
        }
      } else {
        ++refused;
        EXPECT_EQ(r.outcome, StripOutcome::none);
        EXPECT_TRUE(std::isnan(r.width_in));
        EXPECT_LT(r.largest_s_in, s) << db << " dB S/B " << sb;
        EXPECT_NEAR(r.largest_s_in, limit, 1e-9);
        EXPECT_NE(r.note.find("no geometry"), std::string::npos) << r.note;
      }
    }
  }
  EXPECT_GT(found, 30);
  EXPECT_GT(refused, 3);
}

TEST(FieldRefine, GeometryAppearsJustBelowTheLargestSpacing) {
  // At the field-solved Smax superposed strips have both impedances; a little
  // closer, offset strips do; a little further apart, nothing does.
  for (double db : {3.0, 4.4, 7.0}) {
    const double zoe = zoe_for(db);
    const double limit = superposed_limit_s(zoe, zo, 2.2, b);
    ASSERT_TRUE(std::isfinite(limit)) << db;
    const SectionStrips at = refine_superposed_section(zoe, zo, 2.2, limit, b);
    EXPECT_TRUE(at.found) << db << " dB: " << at.note;
    EXPECT_EQ(at.outcome, StripOutcome::superposed);
    EXPECT_EQ(at.offset_in, 0.0);
    // Closing in on the limit, the offset shrinks to nothing.
    const SectionStrips below = refine_offset_section(zoe, zo, 2.2, 0.95 * limit, b);
    const SectionStrips closer = refine_offset_section(zoe, zo, 2.2, 0.99 * limit, b);
    EXPECT_TRUE(below.found) << db << " dB: " << below.note;
    EXPECT_TRUE(closer.found) << db << " dB: " << closer.note;
    EXPECT_LT(closer.offset_in, below.offset_in);
    EXPECT_LT(closer.offset_in, 0.15 * closer.width_in);
    const SectionStrips above = refine_offset_section(zoe, zo, 2.2, 1.05 * limit, b);
    EXPECT_FALSE(above.found) << db << " dB";
  }
}

TEST(FieldRefine, NestedSearchFindsWhatNewtonFinds) {
  // The slow fallback, on its own, lands on the same strips.
  for (double db : {4.4, 10.0, 20.0}) {
    for (double sb : {0.05, 0.15}) {
      const double zoe = zoe_for(db);
      const SectionStrips quick = refine_offset_section(zoe, zo, 1.0, sb * b, b);
      const SectionStrips sure =
          refine_offset_section(zoe, zo, 1.0, sb * b, b, StripSearch::nested_only);
      ASSERT_TRUE(quick.found) << db << " dB S/B " << sb;
      ASSERT_TRUE(sure.found) << db << " dB S/B " << sb << ": " << sure.note;
      EXPECT_LT(sure.residual, strip_tolerance);
      EXPECT_NEAR(sure.width_in / quick.width_in, 1.0, 1e-3) << db << " dB S/B " << sb;
      EXPECT_NEAR(sure.offset_in, quick.offset_in, 1e-3 * quick.width_in) << db << " dB S/B " << sb;
      EXPECT_GT(sure.evaluations, quick.evaluations);
    }
  }
  // And it reaches the same verdict where nothing exists.
  const SectionStrips none =
      refine_offset_section(zoe_for(3.0), zo, 1.0, 0.3 * b, b, StripSearch::nested_only);
  EXPECT_FALSE(none.found);
  EXPECT_NEAR(none.largest_s_in, superposed_limit_s(zoe_for(3.0), zo, 1.0, b), 1e-9);
}

TEST(FieldRefine, SuperposedCentreSaysWhatItReaches) {
  const double zoe = zoe_for(3.0);
  // S/B 0.3: superposed strips with Zoe reach only a looser coupling; no
  // geometry at this spacing, and the largest spacing is named.
  const SectionStrips far = refine_superposed_section(zoe, zo, 1.0, 0.3 * b, b);
  EXPECT_TRUE(far.superposed_asked);
  EXPECT_FALSE(far.found);
  EXPECT_EQ(far.outcome, StripOutcome::none);
  EXPECT_GT(far.superposed_coupling_db, 3.5);
  EXPECT_GT(far.superposed_zoo, zo * zo / zoe);
  EXPECT_LT(far.largest_s_in, 0.3 * b);
  EXPECT_NE(far.note.find("needs S <="), std::string::npos) << far.note;
  // The width it reports does have the even mode asked for.
  EXPECT_NEAR(offset_pair_modes(far.superposed_width_in, 0.0, 0.3 * b, b, 1.0).zoe / zoe, 1.0,
              1e-5);
  // S/B 0.05: superposed strips couple too tightly; offset strips have both.
  const SectionStrips near = refine_superposed_section(zoe, zo, 1.0, 0.05 * b, b);
  EXPECT_TRUE(near.found);
  EXPECT_EQ(near.outcome, StripOutcome::offset);
  EXPECT_GT(near.offset_in, 0.0);
  EXPECT_LT(near.superposed_coupling_db, 3.0);
  EXPECT_NE(near.note.find("offset used"), std::string::npos) << near.note;
}

TEST(FieldRefine, ClosedFormsHoldWhereTheyClaimTo) {
  // Er 1, B 0.25 in: the tight solution holds for tight coupling at any
  // spacing but its odd mode drifts low as coupling weakens and the strips
  // close in; the loose one holds for weak coupling but not tight coupling
  // at wide spacing. Both carry the 0.07 % of 120 pi against c0 mu0.
  const SectionStrips tight10 = refine_offset_section(70.0, zo, 1.0, 0.1 * b, b);
  EXPECT_LT(std::fabs(tight10.tight.zoe_error_pct), 0.2);
  EXPECT_LT(std::fabs(tight10.tight.zoo_error_pct), 0.2);
  const SectionStrips weak20 = refine_offset_section(55.0, zo, 1.0, 0.1 * b, b);
  EXPECT_LT(weak20.tight.zoo_error_pct, -8.0);
  EXPECT_LT(std::fabs(weak20.loose.zoe_error_pct), 0.2);
  EXPECT_LT(std::fabs(weak20.loose.zoo_error_pct), 0.2);
  // The tight solution's odd-mode error grows as the spacing shrinks.
  double last = 0.0;
  for (double sb : {0.3, 0.2, 0.1}) {
    const double e = refine_offset_section(55.0, zo, 1.0, sb * b, b).tight.zoo_error_pct;
    EXPECT_LT(e, last) << sb;
    last = e;
  }
  // Zoe 100 at S/B 0.3: the loose solution clamps to superposed strips of
  // about 83 / 31 ohms where 100 / 25 were wanted, and no strips exist.
  const SectionStrips wide = refine_offset_section(100.0, zo, 1.0, 0.3 * b, b);
  EXPECT_EQ(wide.loose.offset_in, 0.0);
  EXPECT_NEAR(wide.loose.zoe, 82.9, 0.3);
  EXPECT_NEAR(wide.loose.zoo, 30.8, 0.3);
  EXPECT_FALSE(wide.found);
}

TEST(FieldRefine, WeakerCouplingMeansMoreOffset) {
  for (double sb : {0.05, 0.2}) {
    double last = -1.0;
    for (double db : {8.0, 10.0, 14.0, 20.0, 30.0}) {
      const SectionStrips r = refine_offset_section(zoe_for(db), zo, 2.2, sb * b, b);
      ASSERT_TRUE(r.found) << db << " dB S/B " << sb;
      EXPECT_GT(r.offset_in, last) << db << " dB S/B " << sb;
      last = r.offset_in;
    }
  }
  // The limiting spacing opens up as the coupling weakens.
  EXPECT_LT(superposed_limit_s(zoe_for(3.0), zo, 1.0, b),
            superposed_limit_s(zoe_for(6.0), zo, 1.0, b));
}

TEST(FieldRefine, RefinedStripsAgreeWithTheFiniteDifferenceReference) {
  // A second, unrelated solver: within its own 0.3 % at these spacings.
  for (double db : {6.0, 12.0}) {
    const double zoe = zoe_for(db), sb = 0.2;
    const SectionStrips r = refine_offset_section(zoe, zo, 1.0, sb * b, b);
    ASSERT_TRUE(r.found);
    const fd_reference::Modes m = fd_reference::solve_pair(r.width_in / b, r.offset_in / b, sb, 1.0);
    // The reference uses 120 pi for the wave impedance.
    const double scale = field_eta0 / (120.0 * M_PI);
    EXPECT_NEAR(m.zoe * scale / zoe, 1.0, 0.004) << db;
    EXPECT_NEAR(m.zoo * scale / (zo * zo / zoe), 1.0, 0.004) << db;
  }
}

TEST(FieldRefine, PlainStripHasZo) {
  for (double er : {1.0, 2.2}) {
    for (double sb : {0.05, 0.3}) {
      const PlainStrip p = refine_plain_strip(zo, er, sb * b, b);
      ASSERT_TRUE(p.found);
      EXPECT_LT(p.residual, 1e-6);
      const double z = single_strip_impedance(p.width_in, (1 - sb) * b / 2, b, er);
      EXPECT_NEAR(z / zo, 1.0, 1e-6);
      // The closed form's plain strip is within 0.1 %.
      EXPECT_LT(std::fabs(p.closed_form_error_pct), 0.1);
    }
  }
  // Centred (a vanishing S), it is the exact stripline width.
  const PlainStrip centred = refine_plain_strip(zo, 1.0, 1e-6 * b, b);
  const double k = std::tanh(M_PI * centred.width_in / b / 2);
  const double exact = field_eta0 / 4.0 * fd_reference::ellip_k(std::sqrt(1 - k * k)) /
                       fd_reference::ellip_k(k);
  EXPECT_NEAR(exact / zo, 1.0, 1e-5);
}

TEST(FieldRefine, RefusesWhatNoStripsCanBe) {
  for (const SectionStrips& r :
       {refine_offset_section(40.0, zo, 1.0, 0.05, b),       // Zoe below Zo
        refine_offset_section(60.0, zo, 1.0, 0.25, b),       // S = B
        refine_offset_section(60.0, zo, 0.5, 0.05, b),       // Er below 1
        refine_superposed_section(NAN, zo, 1.0, 0.05, b)}) {
    EXPECT_FALSE(r.found);
    EXPECT_EQ(r.outcome, StripOutcome::none);
    EXPECT_TRUE(std::isnan(r.width_in));
    EXPECT_EQ(r.evaluations, 0);
    EXPECT_NE(r.note.find("no geometry"), std::string::npos) << r.note;
  }
  EXPECT_FALSE(refine_plain_strip(zo, 1.0, 0.0, b).found);
}

TEST(FieldRefine, DesignSectionsInOrderWithTheCentreSuperposed) {
  CouplerDesign d;
  d.n = 3;
  d.z0 = 50.0f;
  d.er = 1.0f;
  d.sec(1).zoe = d.sec(3).zoe = 1.1f;
  d.sec(2).zoe = 1.6f;
  const double limit = superposed_limit_s(1.6 * 50.0, zo, 1.0, b);
  const DesignStrips all = refine_design(d, b, limit, 1);
  ASSERT_EQ(all.sections.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(all.sections[i].section, i + 1);
    EXPECT_TRUE(all.sections[i].found) << i;
    EXPECT_EQ(all.sections[i].superposed_asked, i == 1);
  }
  EXPECT_EQ(all.sections[1].outcome, StripOutcome::superposed);
  EXPECT_EQ(all.sections[0].outcome, StripOutcome::offset);
  EXPECT_DOUBLE_EQ(all.sections[0].width_in, all.sections[2].width_in);
  EXPECT_TRUE(all.plain.found);
  const DesignStrips offset = refine_design(d, b, limit, 2);
  EXPECT_FALSE(offset.sections[1].superposed_asked);
  EXPECT_TRUE(offset.sections[1].found);
}

}  // namespace
}  // namespace quill
