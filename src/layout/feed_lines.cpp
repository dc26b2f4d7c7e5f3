#include "layout/feed_lines.hpp"

#include <cmath>
#include <limits>

#include "dimensions/stack_modes.hpp"

namespace quill {

namespace {

constexpr double nan_d = std::numeric_limits<double>::quiet_NaN();

double single_impedance(const Stackup& stack, double w, bool upper) {
  return board_mode(stack, {{-w / 2, w / 2, upper}}, {1.0}, false).z;
}

/// Inverse of a 2x2 matrix.
void invert(const double m[4], double out[4]) {
  const double det = m[0] * m[3] - m[1] * m[2];
  out[0] = m[3] / det;
  out[1] = -m[1] / det;
  out[2] = -m[2] / det;
  out[3] = m[0] / det;
}

}  // namespace

double feed_width(const Stackup& stack, double zo, bool upper) {
  // ln Z falls almost linearly with ln W: regula falsi (Illinois) on the
  // bracket from a thousandth to twenty ground-plane spacings.
  const double b = stack.b_m();
  double lo = std::log(b * 1e-3), hi = std::log(b * 20.0);
  double flo = std::log(single_impedance(stack, std::exp(lo), upper) / zo);
  double fhi = std::log(single_impedance(stack, std::exp(hi), upper) / zo);
  if (!(flo > 0 && fhi < 0)) return nan_d;
  int side = 0;
  for (int k = 0; k < 60; ++k) {
    const double mid = (lo * fhi - hi * flo) / (fhi - flo);
    const double f = std::log(single_impedance(stack, std::exp(mid), upper) / zo);
    if (!std::isfinite(f)) return nan_d;
    if (std::fabs(f) < 1e-10) return std::exp(mid);
    if (f > 0) {
      lo = mid;
      flo = f;
      if (side == 1) fhi /= 2.0;
      side = 1;
    } else {
      hi = mid;
      fhi = f;
      if (side == -1) flo /= 2.0;
      side = -1;
    }
  }
  return nan_d;
}

FeedCoupling feed_coupling(const Stackup& stack, double w_upper, double w_lower, double spacing) {
  FeedCoupling f;
  const std::vector<BoardStrip> strips = {{-spacing / 2 - w_lower / 2, -spacing / 2 + w_lower / 2, false},
                                          {spacing / 2 - w_upper / 2, spacing / 2 + w_upper / 2, true}};
  LayeredSection s = board_section(stack, strips);
  const SectionCharges q = solve_section(s);
  for (double& e : s.er) e = 1.0;
  const SectionCharges q0 = solve_section(s);
  if (!q.ok || !q0.ok) return f;
  // Maxwell matrices: the mutual terms are negative. L = mu0 eps0 C0^-1.
  const double c[4] = {q.at(0, 0), q.at(0, 1), q.at(1, 0), q.at(1, 1)};
  const double c0[4] = {q0.at(0, 0), q0.at(0, 1), q0.at(1, 0), q0.at(1, 1)};
  double l[4];
  invert(c0, l);
  const double kc = -(c[1] + c[2]) / 2.0 / std::sqrt(c[0] * c[3]);
  const double kl = (l[1] + l[2]) / 2.0 / std::sqrt(l[0] * l[3]);
  f.k = (kc + kl) / 2.0;
  f.eeff = (c[0] / c0[0] + c[3] / c0[3]) / 2.0;
  f.ok = std::isfinite(f.k);
  return f;
}

double feed_spacing(const Stackup& stack, double w_upper, double w_lower, double limit_db) {
  const double k_limit = std::pow(10.0, limit_db / 20.0);
  // The coupling falls as the feeds part: double the spacing until it is
  // below the limit, then bisect.
  double lo = (w_upper + w_lower) / 2.0, hi = lo;
  for (int k = 0; k < 40; ++k) {
    const FeedCoupling f = feed_coupling(stack, w_upper, w_lower, hi);
    if (!f.ok) return nan_d;
    if (f.k <= k_limit) break;
    lo = hi;
    hi *= 2.0;
  }
  while (hi - lo > 1e-3 * hi) {
    const double mid = (lo + hi) / 2.0;
    if (feed_coupling(stack, w_upper, w_lower, mid).k <= k_limit) hi = mid; else lo = mid;
  }
  return hi;
}

}  // namespace quill
