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

namespace quill {
namespace {

// The solver is a reference, not the program's arithmetic: it runs in double
// so that sums over tens of thousands of nodes do not limit its accuracy.

/// A zero-thickness strip between ground planes at y = 0 and y = 1 (B = 1),
/// spanning x0..x1 at height y and held at potential v.
struct Strip {
  double x0, x1, y, v;
};

/// Node positions along one axis: every key position is a node, and each gap
/// between keys is cut into equal steps of at most h, times `refine`, so the
/// finer grid contains every node of the coarser one.
std::vector<double> axis(std::vector<double> keys, double h, int refine) {
  std::sort(keys.begin(), keys.end());
  std::vector<double> nodes{keys.front()};
  for (size_t k = 1; k < keys.size(); ++k) {
    const double gap = keys[k] - keys[k - 1];
    if (gap <= 1e-12) continue;
    const int n = std::max(1, static_cast<int>(std::ceil(gap / h - 1e-9))) * refine;
    for (int m = 1; m <= n; ++m) nodes.push_back(keys[k - 1] + gap * m / n);
  }
  return nodes;
}

/// Capacitance per strip over the permittivity, 2W / sum(V^2) from the field
/// energy W of the five-point solution (successive over-relaxation). The
/// grid is closed by grounded side walls 3 B beyond the outermost edge,
/// where the stripline field has decayed by exp(-3 pi).
double capacitance(const std::vector<Strip>& strips, double h, int refine) {
  std::vector<double> xk, yk{0.0, 1.0};
  double reach = 0;
  for (const Strip& s : strips) {
    xk.insert(xk.end(), {s.x0, s.x1});
    yk.push_back(s.y);
    reach = std::max({reach, std::fabs(s.x0), std::fabs(s.x1)});
  }
  xk.insert(xk.end(), {-reach - 3.0, reach + 3.0});
  const std::vector<double> x = axis(xk, h, refine), y = axis(yk, h, refine);
  const int nx = static_cast<int>(x.size()), ny = static_cast<int>(y.size());
  auto at = [nx](int i, int j) { return static_cast<size_t>(j * nx + i); };

  std::vector<double> phi(x.size() * y.size(), 0.0);
  std::vector<char> held(phi.size(), 0);
  for (int i = 0; i < nx; ++i) held[at(i, 0)] = held[at(i, ny - 1)] = 1;
  for (int j = 0; j < ny; ++j) held[at(0, j)] = held[at(nx - 1, j)] = 1;
  for (const Strip& s : strips) {
    int j = 0;
    while (std::fabs(y[j] - s.y) > 1e-12) ++j;
    for (int i = 0; i < nx; ++i) {
      if (x[i] >= s.x0 - 1e-12 && x[i] <= s.x1 + 1e-12) {
        held[at(i, j)] = 1;
        phi[at(i, j)] = s.v;
      }
    }
  }

  // Finite-volume weights on the uneven grid: each link conducts its dual
  // cell width over its length.
  auto dx = [&](int i) { return x[i + 1] - x[i]; };
  auto dy = [&](int j) { return y[j + 1] - y[j]; };
  auto dual_x = [&](int i) { return (i > 0 ? dx(i - 1) : 0.0) / 2 + (i < nx - 1 ? dx(i) : 0.0) / 2; };
  auto dual_y = [&](int j) { return (j > 0 ? dy(j - 1) : 0.0) / 2 + (j < ny - 1 ? dy(j) : 0.0) / 2; };

  const double omega = 2.0 / (1.0 + std::sin(M_PI / (ny - 1)));
  for (int sweep = 0; sweep < 20000; ++sweep) {
    double change = 0;
    for (int j = 1; j < ny - 1; ++j) {
      for (int i = 1; i < nx - 1; ++i) {
        const size_t k = at(i, j);
        if (held[k]) continue;
        const double we = dual_y(j) / dx(i), ww = dual_y(j) / dx(i - 1);
        const double wn = dual_x(i) / dy(j), ws = dual_x(i) / dy(j - 1);
        const double relaxed = (we * phi[k + 1] + ww * phi[k - 1] + wn * phi[k + nx] +
                                ws * phi[k - nx]) / (we + ww + wn + ws);
        const double step = omega * (relaxed - phi[k]);
        phi[k] += step;
        change = std::max(change, std::fabs(step));
      }
    }
    if (change < 1e-11) break;
  }

  double twice_energy = 0;
  for (int j = 0; j < ny; ++j) {
    for (int i = 0; i + 1 < nx; ++i) {
      const double d = phi[at(i + 1, j)] - phi[at(i, j)];
      twice_energy += d * d * dual_y(j) / dx(i);
    }
  }
  for (int i = 0; i < nx; ++i) {
    for (int j = 0; j + 1 < ny; ++j) {
      const double d = phi[at(i, j + 1)] - phi[at(i, j)];
      twice_energy += d * d * dual_x(i) / dy(j);
    }
  }
  double v2 = 0;
  for (const Strip& s : strips) v2 += s.v * s.v;
  return twice_energy / v2;
}

/// Impedance of a mode from its capacitance, Z = 1/(c C), extrapolated to a
/// zero grid step: the edge singularity of a thin strip makes the energy
/// error proportional to the step, and the finer grid nests in the coarser.
double impedance(const std::vector<Strip>& strips, double er) {
  constexpr double h = 0.05;
  const double c = 2.0 * capacitance(strips, h / 2, 1) - capacitance(strips, h, 1);
  return 120.0 * M_PI / (std::sqrt(er) * c);
}

struct Modes {
  double zoe, zoo;
};

/// Even- and odd-mode impedances of two strips of width w (in units of B),
/// S/B = sb apart, shifted sideways against each other by w0.
Modes solve_pair(double w, double w0, double sb, double er) {
  const double yb = (1 - sb) / 2, yt = (1 + sb) / 2;
  const double bx = -w0 / 2, tx = w0 / 2;  // centre of each strip
  return {impedance({{bx - w / 2, bx + w / 2, yb, 1}, {tx - w / 2, tx + w / 2, yt, 1}}, er),
          impedance({{bx - w / 2, bx + w / 2, yb, -1}, {tx - w / 2, tx + w / 2, yt, 1}}, er)};
}

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

/// Complete elliptic integral of the first kind, by the arithmetic-geometric mean.
double ellip_k(double k) {
  double a = 1.0, b = std::sqrt(1.0 - k * k);
  for (int i = 0; i < 30; ++i) {
    const double an = (a + b) / 2;
    b = std::sqrt(a * b);
    a = an;
  }
  return M_PI / (2 * a);
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
