#include "dimensions/panel_quadrature.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quill::panels {

namespace {

constexpr double pi_d = std::numbers::pi;

/// Legendre polynomial P_p and its derivative at x, by the three-term recurrence.
void legendre(int p, double x, double& value, double& slope) {
  double p0 = 1.0, p1 = x;
  for (int k = 2; k <= p; ++k) {
    const double pk = ((2.0 * k - 1.0) * x * p1 - (k - 1.0) * p0) / k;
    p0 = p1;
    p1 = pk;
  }
  value = p == 0 ? 1.0 : p1;
  slope = p * (x * p1 - p0) / (x * x - 1.0);
}

/// Inverse of the Vandermonde matrix of the nodes, transposed, by Gauss-Jordan
/// elimination in extended precision: the moments reach the weights through it.
std::vector<double> inverse_vandermonde_transposed(const std::vector<double>& t) {
  const int p = static_cast<int>(t.size());
  std::vector<long double> a(static_cast<size_t>(p * 2 * p), 0.0L);
  auto at = [&a, p](int r, int c) -> long double& { return a[static_cast<size_t>(r * 2 * p + c)]; };
  for (int j = 0; j < p; ++j) {
    long double power = 1.0L;
    for (int m = 0; m < p; ++m) {
      at(j, m) = power;
      power *= t[static_cast<size_t>(j)];
    }
    at(j, p + j) = 1.0L;
  }
  for (int c = 0; c < p; ++c) {
    int best = c;
    for (int r = c + 1; r < p; ++r)
      if (std::fabs(at(r, c)) > std::fabs(at(best, c))) best = r;
    for (int k = 0; k < 2 * p; ++k) std::swap(at(c, k), at(best, k));
    const long double inv = 1.0L / at(c, c);
    for (int k = 0; k < 2 * p; ++k) at(c, k) *= inv;
    for (int r = 0; r < p; ++r) {
      if (r == c) continue;
      const long double f = at(r, c);
      if (f == 0.0L) continue;
      for (int k = 0; k < 2 * p; ++k) at(r, k) -= f * at(c, k);
    }
  }
  // The right half is V^-1 (rows m, columns j); we want (V^-1)^T[j][m].
  std::vector<double> out(static_cast<size_t>(p * p));
  for (int m = 0; m < p; ++m)
    for (int j = 0; j < p; ++j) out[static_cast<size_t>(j * p + m)] = static_cast<double>(at(m, p + j));
  return out;
}

/// Square of the Bernstein-ellipse parameter rho of a singular point z of an
/// integrand over -1..1: the Gauss rule of p points errs by about rho^(-2p).
double bernstein_rho2(Cplx z) {
  const Cplx root = std::sqrt(z - 1.0) * std::sqrt(z + 1.0);
  return std::max(std::norm(z + root), std::norm(z - root));
}

/// Moments over t in -1..1 of the Cauchy kernel, cauchy[m] = int t^m / (z - t) dt,
/// and of the logarithm, log[m] = int t^m ln|z - t| dt, for m < p. Near the
/// interval the upward recurrence is stable and exact; farther out it loses
/// digits as |z|^m, and the rule of the fine nodes integrates instead.
void moments(Cplx z, const GaussRule& rule, Cplx* cauchy, double* log) {
  const int p = rule.p;
  if (bernstein_rho2(z) > 4.0) {
    for (int m = 0; m < p; ++m) {
      cauchy[m] = 0.0;
      log[m] = 0.0;
    }
    for (size_t g = 0; g < rule.fine_t.size(); ++g) {
      const double t = rule.fine_t[g], w = rule.fine_w[g];
      const Cplx gap = z - t;
      const Cplx c = w * std::conj(gap) / std::norm(gap);
      const double l = 0.5 * w * std::log(std::norm(gap));
      double power = 1.0;
      for (int m = 0; m < p; ++m) {
        cauchy[m] += power * c;
        log[m] += power * l;
        power *= t;
      }
    }
    return;
  }
  const Cplx lm = std::log(z - 1.0), lp = std::log(z + 1.0);
  Cplx c = lp - lm;
  for (int m = 0; m < p; ++m) {
    cauchy[m] = c;
    const double even = (m % 2 == 0) ? 2.0 / (m + 1) : 0.0;  // int t^m dt
    const Cplx next = z * c - even;
    const double sign = (m % 2 == 0) ? -1.0 : 1.0;             // (-1)^(m+1)
    log[m] = ((lm - sign * lp) / double(m + 1) + next / double(m + 1)).real();
    c = next;
  }
}

/// Adds (V^-T) applied to real moments into `out`, scaled.
void add_real(const GaussRule& rule, const double* moments, double* out) {
  const int p = rule.p;
  for (int j = 0; j < p; ++j) {
    const double* row = &rule.vinv_t[static_cast<size_t>(j * p)];
    double sum = 0.0;
    for (int m = 0; m < p; ++m) sum += row[m] * moments[m];
    out[j] += sum;
  }
}

void add_complex(const GaussRule& rule, const Cplx* moments, Cplx* out) {
  const int p = rule.p;
  for (int j = 0; j < p; ++j) {
    const double* row = &rule.vinv_t[static_cast<size_t>(j * p)];
    double re = 0.0, im = 0.0;
    for (int m = 0; m < p; ++m) {
      re += row[m] * moments[m].real();
      im += row[m] * moments[m].imag();
    }
    out[j] += Cplx(re, im);
  }
}

/// The q roots of zeta^q = z.
void roots(Cplx z, int q, Cplx* out) {
  const double r = std::pow(std::norm(z), 0.5 / q);
  const double arg = std::arg(z);
  for (int k = 0; k < q; ++k) out[k] = std::polar(r, (arg + 2.0 * pi_d * k) / q);
}

constexpr int max_q = 8;
constexpr int max_p = 24;

}  // namespace

namespace {

void legendre_nodes(int p, std::vector<double>& t, std::vector<double>& w) {
  t.resize(static_cast<size_t>(p));
  w.resize(static_cast<size_t>(p));
  for (int k = 0; k < p; ++k) {
    // Newton from the Chebyshev-like first guess; nodes come out descending.
    double x = std::cos(pi_d * (k + 0.75) / (p + 0.5));
    double value = 0, slope = 1;
    for (int it = 0; it < 100; ++it) {
      legendre(p, x, value, slope);
      const double dx = value / slope;
      x -= dx;
      if (std::fabs(dx) < 1e-16) break;
    }
    legendre(p, x, value, slope);
    t[static_cast<size_t>(p - 1 - k)] = x;
    w[static_cast<size_t>(p - 1 - k)] = 2.0 / ((1.0 - x * x) * slope * slope);
  }
}

}  // namespace

GaussRule gauss_rule(int p) {
  GaussRule r;
  r.p = p;
  legendre_nodes(p, r.t, r.w);
  legendre_nodes(24, r.fine_t, r.fine_w);
  r.vinv_t = inverse_vandermonde_transposed(r.t);
  return r;
}

Cplx Panel::offset(double t) const {
  const double u = (t + 1.0) / 2.0;
  return d * (length * (q == 1 ? u : std::pow(u, q)));
}

double Panel::jacobian(double t) const {
  if (q == 1) return length / 2.0;
  const double u = (t + 1.0) / 2.0;
  return length * q * std::pow(u, q - 1) / 2.0;
}

bool gauss_suffices(const Panel& panel, Cplx from_a, double rho_far) {
  // Cheap first: a target several lengths away is always far.
  if (std::norm(from_a - panel.d * (panel.length / 2.0)) > 16.0 * panel.length * panel.length) return true;
  const Cplx z = from_a / (panel.d * panel.length);
  const double far2 = rho_far * rho_far;
  if (panel.q == 1) return bernstein_rho2(2.0 * z - 1.0) >= far2;
  Cplx zeta[max_q];
  roots(z, panel.q, zeta);
  for (int k = 0; k < panel.q; ++k)
    if (bernstein_rho2(2.0 * zeta[k] - 1.0) < far2) return false;
  return true;
}

void product_weights(const Panel& panel, Cplx from_a, const GaussRule& rule, double* log,
                     Cplx* cauchy) {
  const int p = rule.p;
  Cplx cm[max_p], csum[max_p];
  double lm[max_p], lsum[max_p];
  const Cplx z = from_a / (panel.d * panel.length);
  double base;
  Cplx scale;
  if (panel.q == 1) {
    // r(t) = mid + d h t with h = length / 2: ln|target - r| = ln h + ln|Z - t|.
    const double h = panel.length / 2.0;
    moments(2.0 * z - 1.0, rule, csum, lsum);
    base = std::log(h);
    scale = 1.0 / (panel.d * h);
  } else {
    // r(t) = a + d L u^q, u = (t + 1) / 2: z - u^q factors over the q roots of
    // zeta^q = z, and each factor u - zeta is (t - Z) / 2 with Z = 2 zeta - 1;
    // 1 / (z - u^q) = sum_k zeta_k / (q z) / (zeta_k - u). The moments of all
    // factors add up before they become weights.
    const int q = panel.q;
    Cplx zeta[max_q];
    roots(z, q, zeta);
    base = std::log(panel.length) - q * std::log(2.0);
    scale = 1.0 / (panel.d * panel.length);
    for (int m = 0; m < p; ++m) {
      lsum[m] = 0.0;
      csum[m] = 0.0;
    }
    for (int k = 0; k < q; ++k) {
      moments(2.0 * zeta[k] - 1.0, rule, cm, lm);
      const Cplx f = 2.0 * zeta[k] / (double(q) * z);
      for (int m = 0; m < p; ++m) {
        lsum[m] += lm[m];
        csum[m] += f * cm[m];
      }
    }
  }
  if (log != nullptr) {
    for (int j = 0; j < p; ++j) log[j] = base * rule.w[static_cast<size_t>(j)];
    add_real(rule, lsum, log);
  }
  if (cauchy != nullptr) {
    for (int j = 0; j < p; ++j) cauchy[j] = 0.0;
    add_complex(rule, csum, cauchy);
    for (int j = 0; j < p; ++j) cauchy[j] *= scale;
  }
}

}  // namespace quill::panels
