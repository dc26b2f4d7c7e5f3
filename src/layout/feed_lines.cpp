#include "layout/feed_lines.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "dimensions/single_strip.hpp"
#include "dimensions/stack_modes.hpp"

namespace quill {

namespace {

constexpr double nan_d = std::numeric_limits<double>::quiet_NaN();

/// Where the solved coupling hands over to its exponentials: about 1e-7,
/// eight digits above where the mutual terms lose theirs, and far enough
/// out that the next parallel-plate mode (falling at least twice as fast)
/// has died away to as little.
constexpr double anchor_coupling = 1e-7;

/// Inverse of a 2x2 matrix.
void invert(const double m[4], double out[4]) {
  const double det = m[0] * m[3] - m[1] * m[2];
  out[0] = m[3] / det;
  out[1] = -m[1] / det;
  out[2] = -m[2] / det;
  out[3] = m[0] / det;
}

/// The field solver's coupling of the two feeds `spacing` apart.
FeedCoupling solved(const Stackup& stack, double w_upper, double w_lower, double spacing) {
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
  f.kc = -(c[1] + c[2]) / 2.0 / std::sqrt(c[0] * c[3]);
  f.kl = (l[1] + l[2]) / 2.0 / std::sqrt(l[0] * l[3]);
  f.k = (f.kc + f.kl) / 2.0;
  f.eeff = (c[0] / c0[0] + c[3] / c0[3]) / 2.0;
  f.ok = std::isfinite(f.k);
  return f;
}

/// The Pruefer angle of the parallel-plate mode of decay `lambda` at the
/// upper plane, having started at 0 on the lower one: f = r sin(theta),
/// f' / lambda = r cos(theta) in each layer, so theta grows by lambda times
/// the layer's thickness across it, and at a boundary f and eps f' carry
/// over, which keeps theta in its quadrant. It grows with lambda and is pi
/// at the lowest mode.
double plate_angle(const Stackup& stack, double lambda) {
  double theta = 0.0;
  for (size_t k = 0; k < stack.layers.size(); ++k) {
    if (k > 0) {
      const double r = stack.layers[k - 1].er / stack.layers[k].er;
      const double s = std::sin(theta), c = std::cos(theta);
      theta += std::atan2(s, c * r) - std::atan2(s, c);
    }
    theta += lambda * stack.layers[k].thickness_m;
  }
  return theta;
}

}  // namespace

double feed_width(const Stackup& stack, double zo, bool upper) { return single_strip_width(stack, zo, upper); }

double parallel_plate_decay(const Stackup& stack) {
  double lo_er = stack.layers.front().er, hi_er = lo_er;
  for (const StackLayer& l : stack.layers) {
    lo_er = std::min(lo_er, l.er);
    hi_er = std::max(hi_er, l.er);
  }
  const double plain = std::numbers::pi / stack.b_m();
  if (lo_er == hi_er) return plain;
  // The Rayleigh quotient of eps f'^2 over eps f^2 bounds it both ways.
  double lo = plain * std::sqrt(lo_er / hi_er) * 0.999, hi = plain * std::sqrt(hi_er / lo_er) * 1.001;
  for (int k = 0; k < 200 && hi - lo > 1e-15 * hi; ++k) {
    const double mid = (lo + hi) / 2.0;
    if (plate_angle(stack, mid) < std::numbers::pi) lo = mid; else hi = mid;
  }
  return (lo + hi) / 2.0;
}

FeedPair feed_pair(const Stackup& stack, double w_upper, double w_lower) {
  FeedPair p;
  p.stack = stack;
  p.w_upper = w_upper;
  p.w_lower = w_lower;
  const double b = stack.b_m();
  p.decay_c = parallel_plate_decay(stack);
  p.decay_l = std::numbers::pi / b;
  // From a ground-plane spacing beyond touching, step out along the far
  // law towards the anchor's coupling: the near field falls faster, so the
  // steps land on it or a little beyond, and a step that overshoots too far
  // (where digits thin out) comes back.
  double d = (w_upper + w_lower) / 2.0 + b;
  for (int k = 0; k < 16; ++k) {
    const FeedCoupling f = solved(stack, w_upper, w_lower, d);
    if (!f.ok) return p;
    if (f.kc > 0 && f.kl > 0 && f.kc <= 10 * anchor_coupling && f.kc >= 0.01 * anchor_coupling) {
      p.anchor = d;
      p.at_anchor = f;
      p.ok = true;
      return p;
    }
    d += f.kc > 0 ? std::log(f.kc / anchor_coupling) / p.decay_c : -2.0 * b;
  }
  return p;
}

FeedCoupling feed_coupling(const FeedPair& pair, double spacing) {
  if (!pair.ok) return {};
  if (spacing <= pair.anchor) return solved(pair.stack, pair.w_upper, pair.w_lower, spacing);
  FeedCoupling f = pair.at_anchor;
  const double beyond = spacing - pair.anchor;
  f.kc *= std::exp(-pair.decay_c * beyond);
  f.kl *= std::exp(-pair.decay_l * beyond);
  f.k = (f.kc + f.kl) / 2.0;
  return f;
}

double feed_spacing(const FeedPair& pair, double limit_db) {
  const double k_limit = std::pow(10.0, limit_db / 20.0);
  // The coupling falls as the feeds part: double the spacing until it is
  // below the limit, then bisect.
  double lo = (pair.w_upper + pair.w_lower) / 2.0, hi = lo;
  for (int k = 0; k < 40; ++k) {
    const FeedCoupling f = feed_coupling(pair, hi);
    if (!f.ok) return nan_d;
    if (f.k <= k_limit) break;
    lo = hi;
    hi *= 2.0;
  }
  while (hi - lo > 1e-3 * hi) {
    const double mid = (lo + hi) / 2.0;
    if (feed_coupling(pair, mid).k <= k_limit) hi = mid; else lo = mid;
  }
  return hi;
}

}  // namespace quill
