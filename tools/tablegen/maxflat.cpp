#include "maxflat.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace tablegen {
namespace {

/// Truncated Taylor series in delta = theta - pi/2. Order 11 covers the
/// tenth derivative a six-section asymmetrical coupler needs.
constexpr int jet_order = 12;
using Jet = std::array<long double, jet_order>;

Jet mul(const Jet& a, const Jet& b) {
  Jet r{};
  for (int i = 0; i < jet_order; ++i)
    if (a[i] != 0)
      for (int j = 0; i + j < jet_order; ++j) r[i + j] += a[i] * b[j];
  return r;
}
Jet add(const Jet& a, const Jet& b, long double kb) {
  Jet r;
  for (int i = 0; i < jet_order; ++i) r[i] = a[i] + kb * b[i];
  return r;
}

/// cos(pi/2 + delta) = -sin(delta) and sin(pi/2 + delta) = cos(delta).
void quarter_wave_series(Jet& cos_t, Jet& sin_t) {
  cos_t = {};
  sin_t = {};
  long double term = 1;  // delta^k / k!
  for (int k = 0; k < jet_order; ++k) {
    if (k > 0) term /= k;
    const long double sign = (k / 2) % 2 == 0 ? 1 : -1;
    if (k % 2 == 0) sin_t[k] = sign * term;
    else cos_t[k] = -sign * term;
  }
}

int free_count(bool symmetrical, int n) { return symmetrical ? (n + 1) / 2 : n; }

Impedances expand(bool symmetrical, int n, const std::vector<long double>& u) {
  Impedances zoe{};
  const int m = free_count(symmetrical, n);
  for (int i = 0; i < m; ++i) zoe[i] = static_cast<double>(1.0L + std::exp(u[i]));
  if (symmetrical)
    for (int i = m; i < n; ++i) zoe[i] = zoe[n - 1 - i];
  return zoe;
}

/// Series of P with the impedances held in long double (the conditions are
/// differences of large terms at the higher orders).
void terms_ld(const std::vector<long double>& z, int terms, long double* out) {
  Jet c, s;
  quarter_wave_series(c, s);
  // Chain matrix [a, j b; j cc, d] of the even-mode cascade: a and d real,
  // the off-diagonal entries imaginary for lossless lines.
  Jet a{}, b{}, cc{}, d{};
  a[0] = 1;
  d[0] = 1;
  for (long double zi : z) {
    const Jet na = add(mul(a, c), mul(b, s), -1 / zi);
    const Jet nb = add(mul(b, c), mul(a, s), zi);
    const Jet nc = add(mul(cc, c), mul(d, s), 1 / zi);
    const Jet nd = add(mul(d, c), mul(cc, s), -zi);
    a = na; b = nb; cc = nc; d = nd;
  }
  // Between equal terminations the even-mode reflection is
  // ((a - d) + j (b - cc)) / ((a + d) + j (b + cc)); the determinant
  // a d + b cc = 1 makes the through power 4 / |denominator|^2, so
  // P = |numerator|^2 / 4.
  const Jet u = add(a, d, -1), v = add(b, cc, -1);
  const Jet p = add(mul(u, u), mul(v, v), 1);
  for (int k = 0; k < terms; ++k) out[k] = p[2 * k] / 4;
}

std::vector<long double> impedances_of(bool symmetrical, int n, const std::vector<long double>& u) {
  std::vector<long double> z(n);
  for (int i = 0; i < n; ++i) z[i] = 1.0L + std::exp(u[symmetrical ? std::min(i, n - 1 - i) : i]);
  return z;
}

/// Conditions of maximal flatness, scaled by the wanted P at f0.
std::vector<long double> conditions(bool symmetrical, int n, long double p0, const std::vector<long double>& u) {
  const int m = static_cast<int>(u.size());
  long double t[jet_order] = {};
  terms_ld(impedances_of(symmetrical, n, u), m, t);
  std::vector<long double> r(m);
  r[0] = t[0] / p0 - 1;
  for (int k = 1; k < m; ++k) r[k] = t[k] / p0;
  return r;
}

long double norm(const std::vector<long double>& r) {
  long double s = 0;
  for (long double x : r) s = std::max(s, std::fabs(x));
  return s;
}

/// Solves j x = r in place by Gaussian elimination with partial pivoting.
bool solve(std::vector<std::vector<long double>> j, std::vector<long double>& x) {
  const size_t m = x.size();
  for (size_t c = 0; c < m; ++c) {
    size_t p = c;
    for (size_t r = c + 1; r < m; ++r)
      if (std::fabs(j[r][c]) > std::fabs(j[p][c])) p = r;
    if (j[p][c] == 0) return false;
    std::swap(j[p], j[c]);
    std::swap(x[p], x[c]);
    for (size_t r = c + 1; r < m; ++r) {
      const long double f = j[r][c] / j[c][c];
      for (size_t k = c; k < m; ++k) j[r][k] -= f * j[c][k];
      x[r] -= f * x[c];
    }
  }
  for (size_t c = m; c-- > 0;) {
    for (size_t k = c + 1; k < m; ++k) x[c] -= j[c][k] * x[k];
    x[c] /= j[c][c];
  }
  return true;
}

}  // namespace

void flatness_terms(const Impedances& zoe, int n, int terms, long double* out) {
  std::vector<long double> z(zoe.begin(), zoe.begin() + n);
  terms_ld(z, terms, out);
}

Design maximally_flat(bool symmetrical, int n, double level, const Impedances& start, double& residual) {
  const int m = free_count(symmetrical, n);
  const long double g = std::pow(10.0L, -static_cast<long double>(level) / 10);  // |k|^2 at f0
  const long double p0 = g / (1 - g);
  // Unknowns log(zoe - 1), as in the minimax search: every impedance stays
  // above 1 and loose and tight sections get the same relative resolution.
  std::vector<long double> u(m);
  for (int i = 0; i < m; ++i) u[i] = std::log(std::max(start[i] - 1.0L, 1e-9L));
  std::vector<long double> r = conditions(symmetrical, n, p0, u);
  for (int it = 0; it < 200 && norm(r) > 1e-17L; ++it) {
    // Central-difference Jacobian; long double leaves ample digits for it.
    std::vector<std::vector<long double>> jac(m, std::vector<long double>(m));
    const long double h = 1e-7L;
    for (int k = 0; k < m; ++k) {
      std::vector<long double> up = u, um = u;
      up[k] += h;
      um[k] -= h;
      const auto rp = conditions(symmetrical, n, p0, up), rm = conditions(symmetrical, n, p0, um);
      for (int i = 0; i < m; ++i) jac[i][k] = (rp[i] - rm[i]) / (2 * h);
    }
    std::vector<long double> step = r;
    if (!solve(jac, step)) break;
    // Damped Newton step: halve until the conditions improve, and never
    // move a log-impedance by more than 0.5 at once.
    long double scale = 1;
    const long double big = norm(step);
    if (big > 0.5L) scale = 0.5L / big;
    bool moved = false;
    for (int half = 0; half < 40; ++half, scale /= 2) {
      std::vector<long double> trial = u;
      for (int i = 0; i < m; ++i) trial[i] -= scale * step[i];
      const auto rt = conditions(symmetrical, n, p0, trial);
      if (norm(rt) < norm(r)) {
        u = trial;
        r = rt;
        moved = true;
        break;
      }
    }
    if (!moved) break;
  }
  residual = static_cast<double>(norm(r));
  Design d;
  d.zoe = expand(symmetrical, n, u);
  return d;
}

}  // namespace tablegen
