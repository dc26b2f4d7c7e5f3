#include "synthesis/ripple_response.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "synthesis/polynomial_roots.hpp"

namespace quill::ripple {
namespace {

constexpr double ln10 = 2.302585092994045684;

/// 10^(db/10) - 1 without cancellation for small levels.
double power_minus_one(double db) { return std::expm1(db * ln10 / 10.0); }

/// The two points w, 1/w on which w + 1/w = 4x - 2 (the image of one x);
/// returns the one outside the unit circle.
cd outer_w(cd x) {
  const cd s = 4.0 * x - 2.0;
  const cd disc = std::sqrt(s * s - 4.0);
  const cd a = 0.5 * (s + disc), b = 0.5 * (s - disc);
  return std::abs(a) >= std::abs(b) ? a : b;
}

/// Multiplies the complex polynomial `p` (lowest first, `len` entries) by (w - root).
void times_linear(std::array<cd, max_ripple_sections + 1>& p, int& len, cd root) {
  p[static_cast<std::size_t>(len)] = 0;
  for (int i = len; i > 0; --i)
    p[static_cast<std::size_t>(i)] = p[static_cast<std::size_t>(i - 1)] - root * p[static_cast<std::size_t>(i)];
  p[0] = -root * p[0];
  ++len;
}

/// The asymmetrical numerator (1 - w) prod (w - s_j) over the zeros of Q
/// other than x = 1. Of each zero's pair of w images the one outside the unit
/// circle is taken: the impedances then fall steadily from port 1 (the inner
/// images give the same coupling with the sections in reverse order).
void asymmetrical_numerator(Response& r, const std::array<cd, max_ripple_sections>& zeros, int count) {
  std::array<cd, max_ripple_sections + 1> p{};
  p[0] = 1;
  int len = 1;
  times_linear(p, len, 1.0);  // (w - 1): the sign is fixed by the scaling later
  for (int j = 0; j < count; ++j) times_linear(p, len, outer_w(zeros[static_cast<std::size_t>(j)]));
  for (int i = 0; i < len; ++i) r.numerator[static_cast<std::size_t>(i)] = p[static_cast<std::size_t>(i)].real();
}

/// Parts of the Chebyshev design shared by its ripple and its response.
struct Chebyshev {
  double alpha = 0;    ///< acosh(tau), tau = T_n(2/x_b - 1)
  double kappa_m1 = 0; ///< Q_hi/Q_lo - 1 = 2 / (tau - 1)
  double q_lo = 0;     ///< smallest Q over the band
};

Chebyshev chebyshev(int n, double level_db, double x_b) {
  Chebyshev ch;
  // acosh(2/x_b - 1) as log1p, exact for bands close to the whole octave pair.
  const double eps = 2.0 * (1.0 - x_b) / x_b;
  const double beta = std::log1p(eps + std::sqrt(eps) * std::sqrt(eps + 2.0));
  ch.alpha = n * beta;
  // tau - 1 = 2 sinh^2(alpha / 2); beyond exp(600) the ratio is 1 to double precision.
  const double sh = ch.alpha < 600.0 ? std::sinh(0.5 * ch.alpha) : HUGE_VAL;
  ch.kappa_m1 = 1.0 / (sh * sh);
  const double kappa = 1.0 + ch.kappa_m1;
  // The swing is centred on the level: (1 + 1/Q_lo)(1 + 1/Q_hi) = 10^(2C/10).
  const double gm1 = power_minus_one(2.0 * level_db);
  const double bq = kappa + 1.0;
  ch.q_lo = (bq + std::sqrt(bq * bq + 4.0 * gm1 * kappa)) / (2.0 * gm1 * kappa);
  return ch;
}

// --- symmetrical fit ---------------------------------------------------------

constexpr int max_m = 7;

/// Taylor coefficients binom(2k, k) / 4^k of (1 - x)^(-1/2).
double taylor(int k) {
  double a = 1;
  for (int i = 1; i <= k; ++i) a *= (2.0 * i - 1.0) / (2.0 * i);
  return a;
}

/// (1 - x)^(-1/2) less its Taylor series to x^m: the part the fit's
/// correction has to approximate. Summed as the series' tail near f0, where
/// the subtraction would cancel away every digit of a narrow band's ripple.
double residual(int m, double x) {
  if (x <= 0.5) {
    double a = taylor(m + 1), xk = std::pow(x, m + 1), sum = 0;
    for (int k = m + 1; k < m + 200 && a * xk > 1e-19 * sum; ++k) {
      sum += a * xk;
      a *= (2.0 * k + 1.0) / (2.0 * k + 2.0);
      xk *= x;
    }
    return sum;
  }
  double sum = 0, xk = 1;
  for (int k = 0; k <= m; ++k, xk *= x) sum += taylor(k) * xk;
  return 1.0 / std::sqrt(1.0 - x) - sum;
}

/// sum d[k] T_k(2t - 1) by Clenshaw's recurrence.
double chebyshev_sum(const std::array<double, max_m + 1>& d, int m, double t) {
  const double u = 2.0 * t - 1.0;
  double b1 = 0, b2 = 0;
  for (int k = m; k >= 1; --k) {
    const double b0 = 2.0 * u * b1 - b2 + d[static_cast<std::size_t>(k)];
    b2 = b1;
    b1 = b0;
  }
  return u * b1 - b2 + d[0];
}

/// Solves a x = b (size n, partial pivoting) in place; false when singular.
template <std::size_t S>
bool solve(std::array<std::array<double, S>, S>& a, std::array<double, S>& b, int n) {
  for (int c = 0; c < n; ++c) {
    int p = c;
    for (int r = c + 1; r < n; ++r)
      if (std::fabs(a[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]) >
          std::fabs(a[static_cast<std::size_t>(p)][static_cast<std::size_t>(c)]))
        p = r;
    if (a[static_cast<std::size_t>(p)][static_cast<std::size_t>(c)] == 0.0) return false;
    std::swap(a[static_cast<std::size_t>(p)], a[static_cast<std::size_t>(c)]);
    std::swap(b[static_cast<std::size_t>(p)], b[static_cast<std::size_t>(c)]);
    for (int r = c + 1; r < n; ++r) {
      const double f = a[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] /
                       a[static_cast<std::size_t>(c)][static_cast<std::size_t>(c)];
      for (int k = c; k < n; ++k)
        a[static_cast<std::size_t>(r)][static_cast<std::size_t>(k)] -=
            f * a[static_cast<std::size_t>(c)][static_cast<std::size_t>(k)];
      b[static_cast<std::size_t>(r)] -= f * b[static_cast<std::size_t>(c)];
    }
  }
  for (int c = n - 1; c >= 0; --c) {
    for (int k = c + 1; k < n; ++k)
      b[static_cast<std::size_t>(c)] -= a[static_cast<std::size_t>(c)][static_cast<std::size_t>(k)] * b[static_cast<std::size_t>(k)];
    b[static_cast<std::size_t>(c)] /= a[static_cast<std::size_t>(c)][static_cast<std::size_t>(c)];
  }
  return true;
}

/// The Remez problem: the correction q(t) = sum d_k T_k(2t - 1), t = x / x_b,
/// makes e(t) = sqrt(1 - x)(residual(x) - q(t)) = 1 - sqrt(1 - x) p(x) equioscillate.
struct Remez {
  int m;
  double x_b;
  std::array<double, max_m + 1> d{};

  double error(double t) const {
    const double x = x_b * t;
    return std::sqrt(1.0 - x) * (residual(m, x) - chebyshev_sum(d, m, t));
  }
};

struct Extreme {
  double t;
  double e;
};

/// Local extremes of the error: both band ends, and every inner extreme of a
/// grid denser toward the ends, refined by golden-section search.
std::vector<Extreme> extremes(const Remez& rz) {
  constexpr int grid = 601;
  std::array<double, grid> t{}, e{};
  for (int j = 0; j < grid; ++j) {
    t[static_cast<std::size_t>(j)] = 0.5 * (1.0 - std::cos(M_PI * j / (grid - 1)));
    e[static_cast<std::size_t>(j)] = rz.error(t[static_cast<std::size_t>(j)]);
  }
  std::vector<Extreme> out;
  out.push_back({0.0, e[0]});
  for (int j = 1; j + 1 < grid; ++j) {
    const double l = e[static_cast<std::size_t>(j - 1)], c = e[static_cast<std::size_t>(j)],
                 r = e[static_cast<std::size_t>(j + 1)];
    const bool peak = c > l && c >= r;
    const bool dip = c < l && c <= r;
    if (!peak && !dip) continue;
    const double sign = peak ? 1.0 : -1.0;
    double lo = t[static_cast<std::size_t>(j - 1)], hi = t[static_cast<std::size_t>(j + 1)];
    const double phi = 0.5 * (std::sqrt(5.0) - 1.0);
    double x1 = hi - phi * (hi - lo), x2 = lo + phi * (hi - lo);
    double f1 = sign * rz.error(x1), f2 = sign * rz.error(x2);
    for (int it = 0; it < 60; ++it) {
      if (f1 > f2) {
        hi = x2; x2 = x1; f2 = f1; x1 = hi - phi * (hi - lo); f1 = sign * rz.error(x1);
      } else {
        lo = x1; x1 = x2; f1 = f2; x2 = lo + phi * (hi - lo); f2 = sign * rz.error(x2);
      }
    }
    Extreme x = f1 > f2 ? Extreme{x1, sign * f1} : Extreme{x2, sign * f2};
    if (sign * c > sign * x.e) x = {t[static_cast<std::size_t>(j)], c};
    out.push_back(x);
  }
  out.push_back({1.0, e[grid - 1]});
  return out;
}

/// Keeps an alternating run of `count` extremes holding the largest one:
/// neighbours of one sign merge into the larger, then the smaller end goes.
bool alternating(std::vector<Extreme>& x, int count) {
  std::vector<Extreme> alt;
  for (const Extreme& v : x) {
    if (!alt.empty() && (alt.back().e >= 0) == (v.e >= 0)) {
      if (std::fabs(v.e) > std::fabs(alt.back().e)) alt.back() = v;
    } else {
      alt.push_back(v);
    }
  }
  while (static_cast<int>(alt.size()) > count) {
    if (std::fabs(alt.front().e) < std::fabs(alt.back().e))
      alt.erase(alt.begin());
    else
      alt.pop_back();
  }
  x = alt;
  return static_cast<int>(alt.size()) == count;
}

}  // namespace

double band_edge(double half_width) {
  const double s = std::sin(0.5 * M_PI * half_width);
  return s * s;
}

double k_of_db(double db) { return 1.0 / std::sqrt(power_minus_one(db)); }

double asymmetrical_ripple_db(int n, double level_db, double x_b) {
  const Chebyshev ch = chebyshev(n, level_db, x_b);
  const double kappa = 1.0 + ch.kappa_m1;
  return 5.0 / ln10 * (std::log1p(1.0 / ch.q_lo) - std::log1p(1.0 / (kappa * ch.q_lo)));
}

Response asymmetrical_equal_ripple(int n, double level_db, double x_b) {
  Response r;
  r.n = n;
  const Chebyshev ch = chebyshev(n, level_db, x_b);
  // 1 + Q = 0 where T_n(u) = a = tau + (tau - 1)/Q_lo, u = 2x/x_b - 1.
  double gamma = 0;  // acosh(a)
  if (ch.alpha < 600.0) {
    const double sh = std::sinh(0.5 * ch.alpha);
    const double am1 = 2.0 * sh * sh * (1.0 + 1.0 / ch.q_lo);
    gamma = std::log1p(am1 + std::sqrt(am1) * std::sqrt(am1 + 2.0));
  } else {
    gamma = ch.alpha + std::log1p(1.0 / ch.q_lo);
  }
  const double bg = gamma / n;
  for (int k = 0; k < n; ++k) {
    const double phi = 2.0 * M_PI * k / n;
    const cd u{std::cos(phi) * std::cosh(bg), -std::sin(phi) * std::sinh(bg)};
    r.loss_roots[static_cast<std::size_t>(k)] = 0.5 * x_b * (u + 1.0);
  }
  // Q = 0 where T_n(u) = tau: x = 1 and, in closed form, the n - 1 others.
  std::array<cd, max_ripple_sections> zeros{};
  for (int k = 1; k < n; ++k) {
    const double phi = 2.0 * M_PI * k / n;
    zeros[static_cast<std::size_t>(k - 1)] =
        cd{0.5 * x_b + (1.0 - 0.5 * x_b) * std::cos(phi), -std::sqrt(1.0 - x_b) * std::sin(phi)};
  }
  asymmetrical_numerator(r, zeros, n - 1);
  // T_n(-1) = (-1)^n: Q(0) is the band's smallest Q for even n, its largest for odd n.
  r.q_centre = n % 2 == 0 ? ch.q_lo : (1.0 + ch.kappa_m1) * ch.q_lo;
  r.ok = std::isfinite(r.q_centre) && r.q_centre > 0;
  return r;
}

Response asymmetrical_flat(int n, double level_db) {
  Response r;
  r.n = n;
  const double q0 = 1.0 / power_minus_one(level_db);
  // 1 + Q0 (1 - x^n) = 0 at x^n = 1 + 1/Q0 = 10^(C/10); Q = 0 at the n-th roots of unity.
  const double radius = std::pow(10.0, level_db / (10.0 * n));
  std::array<cd, max_ripple_sections> zeros{};
  for (int k = 0; k < n; ++k) {
    const double phi = 2.0 * M_PI * k / n;
    r.loss_roots[static_cast<std::size_t>(k)] = std::polar(radius, phi);
    if (k > 0) zeros[static_cast<std::size_t>(k - 1)] = std::polar(1.0, phi);
  }
  asymmetrical_numerator(r, zeros, n - 1);
  r.q_centre = q0;
  r.ok = true;
  return r;
}

SymmetricalFit symmetrical_fit(int m, double x_b) {
  SymmetricalFit fit;
  fit.m = m;
  Remez rz{m, x_b, {}};
  const int count = m + 2;
  // Reference: the extremes of T_(m+1) on the band.
  std::vector<Extreme> ref(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) ref[static_cast<std::size_t>(i)] = {0.5 * (1.0 - std::cos(M_PI * i / (m + 1))), 0};
  std::vector<Extreme> found;
  for (int it = 0; it < 40; ++it) {
    // sqrt(1 - x_i) q(t_i) + (-1)^i E = sqrt(1 - x_i) residual(x_i).
    std::array<std::array<double, max_m + 2>, max_m + 2> a{};
    std::array<double, max_m + 2> b{};
    for (int i = 0; i < count; ++i) {
      const double t = ref[static_cast<std::size_t>(i)].t, x = x_b * t, s = std::sqrt(1.0 - x);
      const double u = 2.0 * t - 1.0;
      double prev = 1, cur = u;  // T_(k-1), T_k at u
      for (int k = 0; k <= m; ++k) {
        double v = 1.0;
        if (k == 1) v = u;
        if (k >= 2) {
          v = 2.0 * u * cur - prev;
          prev = cur;
          cur = v;
        }
        a[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)] = s * v;
      }
      a[static_cast<std::size_t>(i)][static_cast<std::size_t>(m + 1)] = i % 2 == 0 ? 1.0 : -1.0;
      b[static_cast<std::size_t>(i)] = s * residual(m, x);
    }
    if (!solve(a, b, count)) break;
    for (int k = 0; k <= m; ++k) rz.d[static_cast<std::size_t>(k)] = b[static_cast<std::size_t>(k)];
    found = extremes(rz);
    std::vector<Extreme> next = found;
    if (!alternating(next, count)) break;
    double big = 0, small = HUGE_VAL;
    for (const Extreme& v : next) {
      big = std::max(big, std::fabs(v.e));
      small = std::min(small, std::fabs(v.e));
    }
    ref = next;
    if (big - small <= 1e-11 * big) break;
  }
  if (found.empty()) found = extremes(rz);
  double e_hi = -HUGE_VAL, e_lo = HUGE_VAL;
  for (const Extreme& v : found) {
    e_hi = std::max(e_hi, v.e);
    e_lo = std::min(e_lo, v.e);
  }
  fit.k_min = 1.0 - e_hi;
  fit.k_max = 1.0 - e_lo;
  // p = Taylor part + correction; the correction from T_k(2t - 1) to powers of x = x_b t.
  std::array<std::array<double, max_m + 1>, max_m + 1> tk{};  // tk[k][j]: t^j coefficient of T_k(2t - 1)
  tk[0][0] = 1;
  if (m >= 1) {
    tk[1][0] = -1;
    tk[1][1] = 2;
  }
  for (int k = 2; k <= m; ++k)
    for (int j = 0; j <= k; ++j) {
      const std::size_t kk = static_cast<std::size_t>(k), jj = static_cast<std::size_t>(j);
      double v = -2.0 * tk[kk - 1][jj] - tk[kk - 2][jj];
      if (j >= 1) v += 4.0 * tk[kk - 1][jj - 1];
      tk[kk][jj] = v;
    }
  for (int j = 0; j <= m; ++j) {
    double qt = 0;
    for (int k = j; k <= m; ++k) qt += rz.d[static_cast<std::size_t>(k)] * tk[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)];
    fit.p[static_cast<std::size_t>(j)] = taylor(j) + qt / std::pow(x_b, j);
  }
  return fit;
}

namespace {

/// Ripple and scale of the fit's design: K spans [k_min, k_max] lambda with its
/// dB swing centred on the level. With rho = k_max/k_min, g = 10^(C/10) and
/// y = 10^(R/10): g y^2 + (rho^2 - 1) y - rho^2 g = 0.
void symmetrical_scale(const SymmetricalFit& fit, double level_db, double& ripple_db, double& lambda) {
  const double rho = fit.k_max / fit.k_min;
  const double g = std::pow(10.0, level_db / 10.0);
  const double r2m1 = (rho - 1.0) * (rho + 1.0);
  const double y = 2.0 * rho * rho * g / (r2m1 + std::sqrt(r2m1 * r2m1 + 4.0 * g * g * rho * rho));
  ripple_db = 10.0 * std::log10(y);
  const double k_lo = 1.0 / std::sqrt(g * y - 1.0), k_hi = 1.0 / std::sqrt(g / y - 1.0);
  lambda = (k_lo + k_hi) / (fit.k_min + fit.k_max);
}

/// The symmetrical response of P = lambda p: 1 + (1 - x) P^2 for the
/// transmission, and (1 - w) w^m P((2 + w + 1/w)/4) for the reflection, whose
/// w images of every zero of P pair up inside and outside the unit circle;
/// that makes the sections mirror-symmetric.
Response symmetrical_response(int m, const std::array<double, 8>& p, double lambda) {
  Response r;
  const int n = 2 * m + 1;
  r.n = n;
  std::array<double, 2 * max_m + 2> f{};
  for (int i = 0; i <= m; ++i)
    for (int j = 0; j <= m; ++j)
      f[static_cast<std::size_t>(i + j)] += lambda * p[static_cast<std::size_t>(i)] * lambda * p[static_cast<std::size_t>(j)];
  for (int k = n; k >= 1; --k) f[static_cast<std::size_t>(k)] -= f[static_cast<std::size_t>(k - 1)];
  r.q_centre = f[0];
  f[0] += 1.0;
  const std::vector<cd> roots = polynomial_roots(std::span<const double>(f.data(), static_cast<std::size_t>(n + 1)));
  if (static_cast<int>(roots.size()) != n) return r;
  for (int k = 0; k < n; ++k) r.loss_roots[static_cast<std::size_t>(k)] = roots[static_cast<std::size_t>(k)];
  // w^m x^k = w^(m - k) (w + 1)^(2k) / 4^k.
  std::array<double, max_ripple_sections + 1> h{};
  for (int k = 0; k <= m; ++k) {
    double binom = 1;  // C(2k, i)
    const double scale = p[static_cast<std::size_t>(k)] / std::pow(4.0, k);
    for (int i = 0; i <= 2 * k; ++i) {
      h[static_cast<std::size_t>(m - k + i)] += scale * binom;
      binom = binom * (2 * k - i) / (i + 1);
    }
  }
  r.numerator[0] = h[0];
  for (int i = 1; i <= n; ++i) r.numerator[static_cast<std::size_t>(i)] = h[static_cast<std::size_t>(i)] - h[static_cast<std::size_t>(i - 1)];
  r.ok = r.q_centre > 0 && std::isfinite(r.q_centre);
  return r;
}

}  // namespace

double symmetrical_ripple_db(const SymmetricalFit& fit, double level_db) {
  double ripple = 0, lambda = 0;
  symmetrical_scale(fit, level_db, ripple, lambda);
  return ripple;
}

Response symmetrical_equal_ripple(const SymmetricalFit& fit, double level_db) {
  double ripple = 0, lambda = 0;
  symmetrical_scale(fit, level_db, ripple, lambda);
  return symmetrical_response(fit.m, fit.p, lambda);
}

Response symmetrical_flat(int m, double level_db) {
  std::array<double, 8> p{};
  for (int k = 0; k <= m; ++k) p[static_cast<std::size_t>(k)] = taylor(k);
  return symmetrical_response(m, p, k_of_db(level_db));
}

bool realise(const Response& r, bool mirror, SectionImpedances& zoe) {
  if (!r.ok) return false;
  const int n = r.n;
  // Transmission denominator: zeros at the outer w images of the roots of 1 + Q.
  std::array<cd, max_ripple_sections + 1> dc{};
  dc[0] = 1;
  int len = 1;
  for (int k = 0; k < n; ++k) {
    const cd w = outer_w(r.loss_roots[static_cast<std::size_t>(k)]);
    if (!(std::abs(w) > 1.0)) return false;
    times_linear(dc, len, w);
  }
  // Normalise to D(0) = 1.
  const cd d0 = dc[0];
  std::array<double, max_ripple_sections + 1> d{}, p{};
  for (int i = 0; i <= n; ++i) d[static_cast<std::size_t>(i)] = (dc[static_cast<std::size_t>(i)] / d0).real();
  double d_at_1 = 0, p_at_m1 = 0, sign = 1;
  for (int i = 0; i <= n; ++i) {
    d_at_1 += d[static_cast<std::size_t>(i)];
    p_at_m1 += sign * r.numerator[static_cast<std::size_t>(i)];
    sign = -sign;
  }
  // |D|^2 = c^2 (1 + Q) and |P|^2 = c^2 Q on the unit circle; w = 1 is x = 1
  // (Q = 0) and w = -1 is x = 0, so c = |D(1)| and |P(-1)| = c sqrt(Q(0)).
  double scale = std::fabs(d_at_1) * std::sqrt(r.q_centre) / p_at_m1;
  if (r.numerator[0] * scale < 0) scale = -scale;  // the first section's zoe above 1
  for (int i = 0; i <= n; ++i) p[static_cast<std::size_t>(i)] = r.numerator[static_cast<std::size_t>(i)] * scale;
  // Peel one section per step: rho_k is the step in impedance at the k-th junction.
  double z = 1;
  for (int k = 0; k < n; ++k) {
    const double rho = p[0] / d[0];
    if (!(std::fabs(rho) < 1.0)) return false;
    const double t = 1.0 - rho * rho;
    const int m = n - k;  // degree of d and p now
    std::array<double, max_ripple_sections + 1> nd{}, np{};
    for (int i = 0; i < m; ++i) {
      nd[static_cast<std::size_t>(i)] = (d[static_cast<std::size_t>(i)] - rho * p[static_cast<std::size_t>(i)]) / t;
      np[static_cast<std::size_t>(i)] = (p[static_cast<std::size_t>(i + 1)] - rho * d[static_cast<std::size_t>(i + 1)]) / t;
    }
    d = nd;
    p = np;
    z *= (1.0 + rho) / (1.0 - rho);
    zoe[static_cast<std::size_t>(k)] = z;
  }
  const double rho = p[0] / d[0];
  const double load = z * (1.0 + rho) / (1.0 - rho);
  // The peeled sections must end on the unit load. Extreme bands (centre
  // sections beyond 10 Zo) lose a few digits on the way; beyond 1e-4 the
  // extraction has failed.
  if (!(std::fabs(load - 1.0) < 1e-4)) return false;
  if (mirror)
    for (int k = 0; k < n / 2; ++k) {
      const double mean = 0.5 * (zoe[static_cast<std::size_t>(k)] + zoe[static_cast<std::size_t>(n - 1 - k)]);
      zoe[static_cast<std::size_t>(k)] = zoe[static_cast<std::size_t>(n - 1 - k)] = mean;
    }
  for (int k = 0; k < n; ++k)
    if (!(zoe[static_cast<std::size_t>(k)] > 1.0) || !std::isfinite(zoe[static_cast<std::size_t>(k)])) return false;
  for (int k = n; k < max_ripple_sections; ++k) zoe[static_cast<std::size_t>(k)] = 0;
  return true;
}

}  // namespace quill::ripple
