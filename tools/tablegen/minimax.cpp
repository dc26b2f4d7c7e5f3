#include "minimax.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tablegen {
namespace {

/// Grid points over the half band, edge and centre included.
constexpr int grid_points = 241;

int free_count(const Band& band) { return band.symmetrical ? (band.n + 1) / 2 : band.n; }

/// Free parameters are log(zoe - 1): every impedance stays above 1, and the
/// loose 20 dB sections (zoe near 1.01) get the same relative resolution as
/// the tight 3 dB ones.
Impedances expand(const Band& band, const std::vector<double>& u) {
  Impedances zoe{};
  const int m = free_count(band);
  for (int i = 0; i < m; ++i) zoe[i] = 1.0 + std::exp(u[i]);
  if (band.symmetrical)
    for (int i = m; i < band.n; ++i) zoe[i] = zoe[band.n - 1 - i];
  return zoe;
}

std::vector<double> compress(const Band& band, const Impedances& zoe) {
  std::vector<double> u(free_count(band));
  for (size_t i = 0; i < u.size(); ++i) u[i] = std::log(std::max(zoe[i] - 1.0, 1e-6));
  return u;
}

/// Nelder-Mead simplex search; x is the start and receives the best point.
template <class F>
double nelder_mead(F&& f, std::vector<double>& x, double step, int max_evals) {
  const size_t m = x.size();
  std::vector<std::vector<double>> p(m + 1, x);
  std::vector<double> fv(m + 1);
  for (size_t i = 0; i < m; ++i) p[i + 1][i] += step;
  for (size_t i = 0; i <= m; ++i) fv[i] = f(p[i]);
  int evals = static_cast<int>(m + 1);
  std::vector<size_t> order(m + 1);
  std::vector<double> centroid(m), xr(m), xe(m), xc(m);
  while (evals < max_evals) {
    for (size_t i = 0; i <= m; ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return fv[a] < fv[b]; });
    const size_t best = order[0], worst = order[m], second = order[m - 1];
    double size = 0;
    for (size_t i = 1; i <= m; ++i)
      for (size_t k = 0; k < m; ++k) size = std::max(size, std::fabs(p[order[i]][k] - p[best][k]));
    if (size < 1e-9) break;
    std::fill(centroid.begin(), centroid.end(), 0.0);
    for (size_t i = 0; i < m; ++i)
      for (size_t k = 0; k < m; ++k) centroid[k] += p[order[i]][k] / static_cast<double>(m);
    for (size_t k = 0; k < m; ++k) xr[k] = centroid[k] + (centroid[k] - p[worst][k]);
    const double fr = f(xr);
    ++evals;
    if (fr < fv[best]) {
      for (size_t k = 0; k < m; ++k) xe[k] = centroid[k] + 2.0 * (centroid[k] - p[worst][k]);
      const double fe = f(xe);
      ++evals;
      if (fe < fr) { p[worst] = xe; fv[worst] = fe; } else { p[worst] = xr; fv[worst] = fr; }
    } else if (fr < fv[second]) {
      p[worst] = xr; fv[worst] = fr;
    } else {
      const bool outside = fr < fv[worst];
      for (size_t k = 0; k < m; ++k)
        xc[k] = outside ? centroid[k] + 0.5 * (xr[k] - centroid[k])
                        : centroid[k] + 0.5 * (p[worst][k] - centroid[k]);
      const double fc = f(xc);
      ++evals;
      if (fc < std::min(fr, fv[worst])) {
        p[worst] = xc; fv[worst] = fc;
      } else {
        for (size_t i = 1; i <= m; ++i) {
          const size_t j = order[i];
          for (size_t k = 0; k < m; ++k) p[j][k] = p[best][k] + 0.5 * (p[j][k] - p[best][k]);
          fv[j] = f(p[j]);
          ++evals;
        }
      }
    }
  }
  const size_t best = static_cast<size_t>(std::min_element(fv.begin(), fv.end()) - fv.begin());
  x = p[best];
  return fv[best];
}

/// Repeated simplex searches from the best point with shrinking steps: a
/// minimax objective has kinks on which a single simplex tends to stall.
Design search(const Band& band, std::vector<double> u, bool centre_only, const Impedances& held) {
  auto objective = [&](const std::vector<double>& v) {
    Impedances zoe = held;
    if (centre_only) {
      const int c = (band.n + 1) / 2 - 1;
      zoe[c] = 1.0 + std::exp(v[0]);
    } else {
      zoe = expand(band, v);
    }
    return max_deviation(band, zoe);
  };
  double best = objective(u);
  double step = 0.05;
  int stalls = 0;
  for (int round = 0; round < 12 && stalls < 2; ++round) {
    const double f = nelder_mead(objective, u, step, 3000);
    const bool stalled = best - f < 1e-9;
    best = std::min(best, f);
    stalls = stalled ? stalls + 1 : 0;
    step = stalled ? step * 0.3 : step * 0.7;
  }
  Design d;
  if (centre_only) {
    d.zoe = held;
    d.zoe[(band.n + 1) / 2 - 1] = 1.0 + std::exp(u[0]);
  } else {
    d.zoe = expand(band, u);
  }
  d.deviation = best;
  return d;
}

}  // namespace

void coupling_extremes(const Band& band, const Impedances& zoe, double& lo, double& hi) {
  lo = 1e30;
  hi = -1e30;
  for (int k = 0; k < grid_points; ++k) {
    const double x = 1.0 - band.half_width + band.half_width * k / (grid_points - 1);
    const double c = coupling_db(zoe, band.n, x);
    lo = std::min(lo, c);
    hi = std::max(hi, c);
  }
}

double max_deviation(const Band& band, const Impedances& zoe) {
  double lo = 0, hi = 0;
  coupling_extremes(band, zoe, lo, hi);
  return std::max(hi - band.level, band.level - lo);
}

Design minimax(const Band& band, const Impedances& start) {
  return search(band, compress(band, start), false, start);
}

Design minimax_centre(const Band& band, const Impedances& start) {
  const int c = (band.n + 1) / 2 - 1;
  return search(band, {std::log(start[c] - 1.0)}, true, start);
}

Design design_for_ripple(Band& band, double ripple, const Impedances& start) {
  // The minimax deviation grows steadily with the band; secant steps on
  // log(deviation) against the half width, kept inside a bracket.
  double w0 = band.half_width;
  Design d0 = minimax(band, start);
  double lo = 0, hi = 1.0;
  (d0.deviation < ripple ? lo : hi) = w0;
  double w1 = d0.deviation < ripple ? w0 * 1.05 : w0 * 0.95;
  band.half_width = w1;
  Design d1 = minimax(band, d0.zoe);
  for (int it = 0; it < 60; ++it) {
    (d1.deviation < ripple ? lo : hi) = w1;
    if (std::fabs(d1.deviation - ripple) < 1e-6) break;
    const double g0 = std::log(d0.deviation / ripple), g1 = std::log(d1.deviation / ripple);
    double w2 = (g1 != g0) ? w1 - g1 * (w1 - w0) / (g1 - g0) : 0.5 * (lo + hi);
    if (!(w2 > lo && w2 < hi)) w2 = (hi < 1.0) ? 0.5 * (lo + hi) : std::min(2.0 * w1, 0.5 * (w1 + 1.0));
    w0 = w1;
    d0 = d1;
    w1 = w2;
    band.half_width = w1;
    d1 = minimax(band, d1.zoe);
  }
  return d1;
}

}  // namespace tablegen
