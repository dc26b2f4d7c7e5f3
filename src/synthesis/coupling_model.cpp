#include "synthesis/coupling_model.hpp"

#include <algorithm>
#include <cmath>

namespace quill {

double coupling_db(const SectionImpedances& zoe, int n, double ratio) {
  const double theta = 0.5 * M_PI * ratio;
  const double c = std::cos(theta);
  const double s = std::sin(theta);
  // Even-mode chain matrix [a, j b; j g, d] of the cascade, section 1 first:
  // a and d stay real and the off-diagonal entries imaginary for lossless lines.
  double a = 1, b = 0, g = 0, d = 1;
  for (int i = 0; i < n; ++i) {
    const double z = zoe[static_cast<std::size_t>(i)];
    const double na = a * c - b * s / z;
    const double nb = a * z * s + b * c;
    const double ng = g * c + d * s / z;
    const double nd = d * c - g * z * s;
    a = na;
    b = nb;
    g = ng;
    d = nd;
  }
  // Between unit terminations the even-mode reflection is
  // ((a - d) + j (b - g)) / ((a + d) + j (b + g)). With zoo = 1/zoe the odd
  // mode is the dual network, reflecting -gamma_e, so the coupled wave
  // 0.5 (gamma_e - gamma_o) is gamma_e itself.
  const double num = (a - d) * (a - d) + (b - g) * (b - g);
  const double den = (a + d) * (a + d) + (b + g) * (b + g);
  return -10.0 * std::log10(num / den);
}

CouplingSwing coupling_swing(const SectionImpedances& zoe, int n, double level_db, double half_width) {
  // The response is even about f0, so the upper half of the band decides.
  constexpr int points = 1201;
  const auto at = [&](int k) { return 1.0 + half_width * k / (points - 1); };
  std::array<double, points> c{};
  for (int k = 0; k < points; ++k) c[static_cast<std::size_t>(k)] = coupling_db(zoe, n, at(k));
  CouplingSwing s;
  s.min_db = *std::min_element(c.begin(), c.end());
  s.max_db = *std::max_element(c.begin(), c.end());
  for (int k = 1; k + 1 < points; ++k) {
    const double l = c[static_cast<std::size_t>(k - 1)], m = c[static_cast<std::size_t>(k)],
                 r = c[static_cast<std::size_t>(k + 1)];
    const bool peak = m >= l && m >= r;
    const bool dip = m <= l && m <= r;
    if (!peak && !dip) continue;
    // Golden-section search of the extreme between the neighbouring points.
    const double sign = peak ? 1.0 : -1.0;
    double lo = at(k - 1), hi = at(k + 1);
    const double phi = 0.5 * (std::sqrt(5.0) - 1.0);
    double x1 = hi - phi * (hi - lo), x2 = lo + phi * (hi - lo);
    double f1 = sign * coupling_db(zoe, n, x1), f2 = sign * coupling_db(zoe, n, x2);
    for (int it = 0; it < 40; ++it) {
      if (f1 > f2) {
        hi = x2;
        x2 = x1;
        f2 = f1;
        x1 = hi - phi * (hi - lo);
        f1 = sign * coupling_db(zoe, n, x1);
      } else {
        lo = x1;
        x1 = x2;
        f1 = f2;
        x2 = lo + phi * (hi - lo);
        f2 = sign * coupling_db(zoe, n, x2);
      }
    }
    const double best = sign * std::max(f1, f2);
    s.min_db = std::min(s.min_db, best);
    s.max_db = std::max(s.max_db, best);
  }
  s.deviation_db = std::max(s.max_db - level_db, level_db - s.min_db);
  return s;
}

}  // namespace quill
