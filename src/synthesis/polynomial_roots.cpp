#include "synthesis/polynomial_roots.hpp"

#include <algorithm>
#include <cmath>

namespace quill {
namespace {

using cd = std::complex<double>;

/// p(z) and p'(z) by Horner's rule.
void evaluate(std::span<const double> c, cd z, cd& p, cd& dp) {
  p = c.back();
  dp = 0;
  for (std::size_t i = c.size() - 1; i-- > 0;) {
    dp = dp * z + p;
    p = p * z + c[i];
  }
}

}  // namespace

std::vector<cd> polynomial_roots(std::span<const double> c) {
  const int n = static_cast<int>(c.size()) - 1;
  if (n < 1 || c.back() == 0.0) return {};
  for (double v : c)
    if (!std::isfinite(v)) return {};
  // Starting circle: the geometric mean of the root moduli, |c0 / cn|^(1/n),
  // unless a zero constant term makes it useless. The angular offset keeps
  // the start off the real axis, where real polynomials have their symmetry.
  double radius = 1.0;
  if (c[0] != 0.0) radius = std::pow(std::fabs(c[0] / c.back()), 1.0 / n);
  if (!(radius > 0.0) || !std::isfinite(radius)) radius = 1.0;
  std::vector<cd> z(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) z[static_cast<std::size_t>(k)] = std::polar(radius, (2.0 * M_PI * k + 0.7) / n);
  std::vector<bool> done(static_cast<std::size_t>(n), false);
  for (int it = 0; it < 500; ++it) {
    bool moving = false;
    for (std::size_t k = 0; k < z.size(); ++k) {
      if (done[k]) continue;
      cd p, dp;
      evaluate(c, z[k], p, dp);
      if (p == 0.0) {
        done[k] = true;
        continue;
      }
      const cd ratio = p / dp;
      cd sum = 0;
      for (std::size_t j = 0; j < z.size(); ++j)
        if (j != k) sum += 1.0 / (z[k] - z[j]);
      const cd step = ratio / (1.0 - ratio * sum);
      if (!std::isfinite(step.real()) || !std::isfinite(step.imag())) continue;
      z[k] -= step;
      if (std::abs(step) <= 1e-15 * std::max(1.0, std::abs(z[k])))
        done[k] = true;
      else
        moving = true;
    }
    if (!moving) break;
  }
  // Newton polish: a step is kept only when it lowers |p|.
  for (cd& r : z)
    for (int it = 0; it < 3; ++it) {
      cd p, dp;
      evaluate(c, r, p, dp);
      if (dp == 0.0) break;
      const cd next = r - p / dp;
      cd pn, dpn;
      evaluate(c, next, pn, dpn);
      if (!(std::abs(pn) < std::abs(p))) break;
      r = next;
    }
  return z;
}

}  // namespace quill
