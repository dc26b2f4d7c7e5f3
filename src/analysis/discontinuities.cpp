#include "analysis/discontinuities.hpp"

#include <cmath>
#include <numbers>

namespace quill {

namespace {

using Cx = std::complex<double>;

/// A chain matrix, A B C D, normalised to Zo.
struct Chain {
  Cx a = 1.0, b = 0.0, c = 0.0, d = 1.0;
};

Chain operator*(const Chain& x, const Chain& y) {
  return {x.a * y.a + x.b * y.c, x.a * y.b + x.b * y.d, x.c * y.a + x.d * y.c, x.c * y.b + x.d * y.d};
}

/// A uniform line of normalised impedance z and complex electrical length g.
Chain line(double z, Cx g) { return {std::cosh(g), z * std::sinh(g), std::sinh(g) / z, std::cosh(g)}; }

/// Half the inductance, the capacitance, half the inductance, at `w` rad/s
/// for system impedance `zo`.
Chain lumped(const ModeParasitic& p, double w, double zo) {
  const Chain half{1.0, Cx(0.0, w * p.series_h / 2.0 / zo), 0.0, 1.0};
  const Chain shunt{1.0, 0.0, Cx(0.0, w * p.shunt_f * zo), 1.0};
  return half * shunt * half;
}

/// Each mode's chain through the coupler: the end, the sections and their
/// junctions, the other end.
std::array<Chain, 2> mode_chains(const CouplerDesign& d, const Discontinuities& p, double f_mhz) {
  const double ratio = f_mhz / d.f0, root = std::sqrt(ratio), w = 2.0 * std::numbers::pi * f_mhz * 1e6;
  std::array<Chain, 2> m = {lumped(p.ends.even, w, d.z0), lumped(p.ends.odd, w, d.z0)};
  for (int i = 1; i <= d.n; ++i) {
    const Section& s = d.sec(i);
    const Cx ge(s.sigmae * root + s.sigmade * ratio, s.thetae * ratio);
    const Cx go(s.sigmao * root + s.sigmado * ratio, s.thetao * ratio);
    m[0] = m[0] * line(s.zoe, ge);
    m[1] = m[1] * line(s.zoo, go);
    if (i < d.n && static_cast<size_t>(i) <= p.junctions.size()) {
      const Discontinuity& j = p.junctions[static_cast<size_t>(i - 1)];
      m[0] = m[0] * lumped(j.even, w, d.z0);
      m[1] = m[1] * lumped(j.odd, w, d.z0);
    }
  }
  m[0] = m[0] * lumped(p.ends.even, w, d.z0);
  m[1] = m[1] * lumped(p.ends.odd, w, d.z0);
  return m;
}

/// The four-port of a coupler whose two modes' chains are `m`: each mode
/// a two-port, the ports the sum and difference of its waves.
CouplerMatrix matrix_of(const std::array<Chain, 2>& m) {
  std::array<Cx, 2> near, far, through;
  for (size_t k = 0; k < 2; ++k) {
    const Chain& c = m[k];
    const Cx bottom = c.a + c.b + c.c + c.d;
    near[k] = (c.a + c.b - c.c - c.d) / bottom;
    far[k] = (-c.a + c.b - c.c + c.d) / bottom;
    through[k] = 2.0 / bottom;
  }
  const Cx s11 = (near[0] + near[1]) / 2.0, s21 = (near[0] - near[1]) / 2.0;
  const Cx s31 = (through[0] - through[1]) / 2.0, s41 = (through[0] + through[1]) / 2.0;
  const Cx s44 = (far[0] + far[1]) / 2.0, s34 = (far[0] - far[1]) / 2.0;
  return {{{s11, s21, s31, s41}, {s21, s11, s41, s31}, {s31, s41, s44, s34}, {s41, s31, s34, s44}}};
}

}  // namespace

CouplerMatrix coupler_matrix(const CouplerDesign& d, const Discontinuities& p, double f_mhz) {
  return matrix_of(mode_chains(d, p, f_mhz));
}

CouplerMatrix mode_lines_matrix(const ModeLines& lines, double zo, double f_mhz) {
  const double ghz = f_mhz / 1000.0, w = 2.0 * std::numbers::pi * f_mhz * 1e6;
  auto chain = [&](const std::vector<ModeLine>& pieces) {
    Chain c;
    for (const ModeLine& p : pieces) {
      if (p.delay_s > 0.0) c = c * line(p.z_ohm / zo, Cx(p.cond_np * std::sqrt(ghz) + p.diel_np * ghz, w * p.delay_s));
      if (p.series_h != 0.0 || p.shunt_f != 0.0) c = c * lumped({p.shunt_f, p.series_h}, w, zo);
    }
    return c;
  };
  return matrix_of({chain(lines.even), chain(lines.odd)});
}

namespace {

/// The fitted parameters as one vector, in picofarads and nanohenries (so
/// that every step of the fit is of order one).
struct Unknowns {
  bool ends = true, same = true;
  size_t junctions = 0;

  size_t size() const { return (ends ? 4 : 0) + (same ? (junctions > 0 ? 4 : 0) : 4 * junctions); }

  static void put(const Discontinuity& d, std::vector<double>& v) {
    v.insert(v.end(), {d.even.shunt_f * 1e12, d.even.series_h * 1e9, d.odd.shunt_f * 1e12, d.odd.series_h * 1e9});
  }
  static Discontinuity get(const std::vector<double>& v, size_t at) {
    return {{v[at] * 1e-12, v[at + 1] * 1e-9}, {v[at + 2] * 1e-12, v[at + 3] * 1e-9}};
  }
  std::vector<double> from(const Discontinuities& p) const {
    std::vector<double> v;
    if (ends) put(p.ends, v);
    for (size_t k = 0; k < (same ? std::min<size_t>(junctions, 1) : junctions); ++k)
      put(k < p.junctions.size() ? p.junctions[k] : Discontinuity{}, v);
    return v;
  }
  Discontinuities to(const std::vector<double>& v, const Discontinuities& start) const {
    Discontinuities p = start;
    size_t at = 0;
    if (ends) {
      p.ends = get(v, 0);
      at = 4;
    }
    p.junctions.resize(junctions);
    for (size_t k = 0; k < junctions; ++k) p.junctions[k] = get(v, same ? at : at + 4 * k);
    return p;
  }
};

std::vector<double> residuals(const CouplerDesign& d, const std::vector<double>& f_mhz,
                              const std::vector<CouplerMatrix>& measured, const Discontinuities& p) {
  std::vector<double> r;
  for (size_t k = 0; k < f_mhz.size(); ++k) {
    const CouplerMatrix m = coupler_matrix(d, p, f_mhz[k]);
    for (size_t i = 0; i < 4; ++i)
      for (const size_t j : {size_t{0}, size_t{3}}) {
        const Cx e = m[i][j] - measured[k][i][j];
        r.push_back(e.real());
        r.push_back(e.imag());
      }
  }
  return r;
}

double sum_of_squares(const std::vector<double>& r) {
  double s = 0.0;
  for (double v : r) s += v * v;
  return s;
}

/// Solves the small symmetric system a x = b in place (Gaussian elimination
/// with partial pivoting).
std::vector<double> solve(std::vector<std::vector<double>> a, std::vector<double> b) {
  const size_t n = b.size();
  for (size_t c = 0; c < n; ++c) {
    size_t pivot = c;
    for (size_t r = c + 1; r < n; ++r)
      if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
    std::swap(a[c], a[pivot]);
    std::swap(b[c], b[pivot]);
    for (size_t r = c + 1; r < n; ++r) {
      const double f = a[r][c] / a[c][c];
      for (size_t k = c; k < n; ++k) a[r][k] -= f * a[c][k];
      b[r] -= f * b[c];
    }
  }
  std::vector<double> x(n);
  for (size_t i = n; i-- > 0;) {
    double s = b[i];
    for (size_t k = i + 1; k < n; ++k) s -= a[i][k] * x[k];
    x[i] = s / a[i][i];
  }
  return x;
}

}  // namespace

DiscontinuityFit fit_discontinuities(const CouplerDesign& d, const std::vector<double>& f_mhz,
                                     const std::vector<CouplerMatrix>& measured, const Discontinuities& start,
                                     bool ends_known, bool same_junctions) {
  const Unknowns u{!ends_known, same_junctions, static_cast<size_t>(std::max(d.n - 1, 0))};
  std::vector<double> x = u.from(start);
  auto evaluate = [&](const std::vector<double>& v) { return residuals(d, f_mhz, measured, u.to(v, start)); };
  std::vector<double> r = evaluate(x);
  double cost = sum_of_squares(r), damping = 1e-3;
  DiscontinuityFit fit;
  // Levenberg-Marquardt with a forward-difference Jacobian: a handful of
  // unknowns, smooth in each.
  for (fit.iterations = 0; fit.iterations < 100 && !x.empty(); ++fit.iterations) {
    std::vector<std::vector<double>> jac(x.size());
    for (size_t p = 0; p < x.size(); ++p) {
      std::vector<double> moved = x;
      const double h = 1e-6 * std::max(1.0, std::fabs(x[p]));
      moved[p] += h;
      const std::vector<double> rp = evaluate(moved);
      jac[p].resize(r.size());
      for (size_t k = 0; k < r.size(); ++k) jac[p][k] = (rp[k] - r[k]) / h;
    }
    std::vector<std::vector<double>> normal(x.size(), std::vector<double>(x.size(), 0.0));
    std::vector<double> gradient(x.size(), 0.0);
    for (size_t p = 0; p < x.size(); ++p) {
      for (size_t q = 0; q < x.size(); ++q)
        for (size_t k = 0; k < r.size(); ++k) normal[p][q] += jac[p][k] * jac[q][k];
      for (size_t k = 0; k < r.size(); ++k) gradient[p] -= jac[p][k] * r[k];
    }
    bool improved = false;
    while (damping < 1e12) {
      std::vector<std::vector<double>> damped = normal;
      for (size_t p = 0; p < x.size(); ++p) damped[p][p] += damping * std::max(normal[p][p], 1e-30);
      const std::vector<double> step = solve(damped, gradient);
      std::vector<double> trial = x;
      for (size_t p = 0; p < x.size(); ++p) trial[p] += step[p];
      const std::vector<double> rt = evaluate(trial);
      const double trial_cost = sum_of_squares(rt);
      if (trial_cost < cost) {
        improved = cost - trial_cost > 1e-12 * cost;
        x = trial;
        r = rt;
        cost = trial_cost;
        damping = std::max(damping / 10.0, 1e-12);
        break;
      }
      damping *= 10.0;
    }
    if (!improved) break;
  }
  fit.fitted = u.to(x, start);
  fit.rms = r.empty() ? 0.0 : std::sqrt(cost / static_cast<double>(r.size()));
  return fit;
}

}  // namespace quill
