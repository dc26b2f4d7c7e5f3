// An outside check of the closed-form strip synthesis: a finite-difference
// solution of Laplace's equation across the synthesised cross-section, in the
// even and odd mode, gives the impedances the strips really have.
//
// Measured with this solver (within 0.03 % of the exact lone centred strip,
// about 0.3 % where only one or two grid steps separate the strips),
// Zo 50 ohms, Er 2.2:
//   tight offset solution, overlapping strips (Zoe 75..120 ohms, S/B 0.05..0.2):
//     Zoe within 0.3 %, Zoo within 1.1 %;
//   superposed strips at S = Smax: Zoe within 0.2 %, Zoo within 0.6 %;
//   loose solution, weak coupling (Zoe up to 80 ohms at S/B 0.2): within 2.2 %;
//     tighter than that it drifts (Zoo 4..7 % high at 100..130 ohms), which is
//     why the tight solution is printed beside it;
//   the plain Zo strip: within 0.1 %.
// The assertions below allow 2 %, 1 %, 3 % and 0.5 % for those four.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "dimensions/bscsl.hpp"
#include "dimensions/dimension_report.hpp"
#include "dimensions/fd_reference.hpp"

namespace quill {
namespace {

using namespace fd_reference;

constexpr float zo = 50.0f;
constexpr float er = 2.2f;

struct Case {
  float zoe, sb;
};

void expect_modes(const Modes& m, float zoe, double tol, const char* what, float sb) {
  const double zoo = static_cast<double>(zo) * zo / zoe;
  EXPECT_NEAR(m.zoe / zoe, 1.0, tol) << what << " Zoe " << zoe << " S/B " << sb << ": " << m.zoe;
  EXPECT_NEAR(m.zoo / zoo, 1.0, tol) << what << " Zoe " << zoe << " S/B " << sb << ": " << m.zoo;
}

TEST(FieldSolver, ReproducesTheExactCentredStrip) {
  // A thin strip midway between the planes has an exact conformal-mapping
  // impedance, 30 pi / sqrt(Er) K(k)/K(k') with k = sech(pi W / 2B): the
  // solver's own accuracy, before it judges anything else.
  for (double w : {0.4, 0.8, 1.5}) {
    const double k = 1.0 / std::cosh(M_PI * w / 2);
    const double exact = 30.0 * M_PI / std::sqrt(er) * ellip_k(k) / ellip_k(std::sqrt(1 - k * k));
    const double z = impedance({{-w / 2, w / 2, 0.5, 1}}, er);
    EXPECT_NEAR(z / exact, 1.0, 0.003) << "W/B " << w << ": " << z << " vs " << exact;
  }
}

TEST(FieldSolver, TightOffsetSolutionHasTheIntendedModes) {
  for (Case s : {Case{75, 0.2f}, Case{90, 0.1f}, Case{110, 0.1f}, Case{120, 0.05f}}) {
    int ierror = 1;
    const Blk1 b = bscsl(s.zoe, zo, er, s.sb, 1.0f, 0, ierror);
    ASSERT_EQ(ierror, 0);
    ASSERT_GT(b.wbct, 0.0f);  // overlapping strips: the tight equations' home ground
    expect_modes(solve_pair(b.wbt, b.wb0t, s.sb, er), s.zoe, 0.02, "tight", s.sb);
  }
}

TEST(FieldSolver, LooseSolutionHoldsForWeakCoupling) {
  for (Case s : {Case{60, 0.2f}, Case{80, 0.2f}, Case{70, 0.1f}}) {
    int ierror = 0;
    const Blk1 b = bscsl(s.zoe, zo, er, s.sb, 1.0f, 0, ierror);
    expect_modes(solve_pair(b.wbl, b.wb0l, s.sb, er), s.zoe, 0.03, "loose", s.sb);
  }
}

TEST(FieldSolver, SuperposedStripsAtSmaxMatchBothModes) {
  // Smax is the one spacing at which superposed strips of the tightest
  // section's even-mode impedance also have its odd-mode impedance.
  for (float zoemax : {100.0f, 130.0f}) {
    const float sb = smax_guidance(zoemax, zo, er, 1.0f);
    int ierror = 0;
    const Blk1 b = bscsl(zoemax, zo, er, sb, 1.0f, 1, ierror);
    expect_modes(solve_pair(b.wbt, 0.0, sb, er), zoemax, 0.01, "superposed", sb);
  }
}

TEST(FieldSolver, PlainStripIsZo) {
  // Alone between the planes, S/2 off the mid-plane as in the coupled pair.
  const float sb = 0.2f;
  int ierror = 0;
  const double w = bscsl(1.000001f * zo, zo, er, sb, 1.0f, 0, ierror).wbl;
  const double z = impedance({{-w / 2, w / 2, (1 - sb) / 2.0, 1}}, er);
  EXPECT_NEAR(z / zo, 1.0, 0.005) << z;
}

}  // namespace
}  // namespace quill
