#include "dimensions/field_solver.hpp"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

namespace quill {

namespace {

constexpr double pi_d = std::numbers::pi;

/// How finely one strip is resolved: basis size and the two node sets.
struct Panel {
  double centre = 0;
  double half = 0;     ///< half width a: x = centre + a s, s in -1..1
  double height = 0;
  int terms = 0;       ///< Chebyshev terms of the charge density
  int smooth = 0;      ///< quadrature nodes of the smooth kernel part
  int outer = 0;       ///< outer quadrature nodes of the logarithmic part
  int first = 0;       ///< first unknown of this strip in the system
  std::vector<double> xs, xo;  ///< node positions, smooth and outer sets
  std::vector<double> ts, to;  ///< T_m at those nodes, row per node (terms wide)
};

/// Gauss-Chebyshev nodes cos((2k+1) pi / 2q) mapped onto the strip, and the
/// Chebyshev polynomials there: T_m(cos t) = cos(m t).
void lay_nodes(const Panel& p, int q, std::vector<double>& x, std::vector<double>& t) {
  x.resize(static_cast<size_t>(q));
  t.resize(static_cast<size_t>(q) * static_cast<size_t>(p.terms));
  for (int k = 0; k < q; ++k) {
    const double theta = (2 * k + 1) * pi_d / (2.0 * q);
    x[static_cast<size_t>(k)] = p.centre + p.half * std::cos(theta);
    for (int m = 0; m < p.terms; ++m) {
      t[static_cast<size_t>(k) * p.terms + m] = std::cos(m * theta);
    }
  }
}

/// Distance from the strip segment of `p` to the point (px, py).
double distance_to(const FieldStrip& p, double px, double py) {
  const double dx = std::max({p.left - px, 0.0, px - p.right});
  return std::hypot(dx, py - p.height);
}

/// The charge density varies on the scale of the nearest feature that is not
/// one of its own edges: another strip's edge, or the image in a plane. The
/// basis must resolve that scale across the strip's width.
Panel plan_panel(const std::vector<FieldStrip>& strips, size_t i, double scale) {
  const FieldStrip& s = strips[i];
  double near = std::min({1.0, 2.0 * s.height, 2.0 * (1.0 - s.height)});
  for (size_t j = 0; j < strips.size(); ++j) {
    if (j == i) continue;
    near = std::min({near, distance_to(s, strips[j].left, strips[j].height),
                     distance_to(s, strips[j].right, strips[j].height)});
  }
  near = std::max(near, 1e-4);
  Panel p;
  p.centre = (s.left + s.right) / 2;
  p.half = (s.right - s.left) / 2;
  p.height = s.height;
  const double want = scale * (10.0 + 3.0 * p.half / near);
  p.terms = static_cast<int>(std::clamp(std::ceil(want), 6.0, 240.0));
  p.smooth = p.terms + static_cast<int>(std::ceil(24.0 * scale));
  p.outer = 3 * p.terms + 16;
  lay_nodes(p, p.smooth, p.xs, p.ts);
  lay_nodes(p, p.outer, p.xo, p.to);
  return p;
}

/// Height difference folded onto -1..1: the kernel is periodic in it with
/// period 2 (the images in both planes), and its singular point is 0.
double fold(double h) {
  return h - 2.0 * std::round(h / 2.0);
}

/// Smooth part of the kernel: the exact Green's function, times 4 pi, with
/// the logarithms of the distances to the charge and to its nearest image
/// taken out:
///   ln[(cosh(pi dx) - cos(pi hs)) / (dx^2 + hs'^2)]
/// - ln[(cosh(pi dx) - cos(pi hd)) / (dx^2 + hd'^2)]
/// with hs = y + y', hd = y - y', and ' folded onto -1..1. Using
/// cosh u - cos v = 2 sinh^2(u/2) + 2 sin^2(v/2) keeps it free of cancellation.
struct SmoothKernel {
  double sin2_sum, sin2_diff;  ///< sin^2(pi h / 2) of both height terms
  double hs2, hd2;             ///< squared folded heights

  double operator()(double dx) const {
    const double u = pi_d * dx / 2.0;
    if (std::fabs(u) > 300.0) {
      // cosh has swamped both cosines: only the distance logarithms remain.
      return std::log((dx * dx + hd2) / (dx * dx + hs2));
    }
    const double sh = std::sinh(u);
    const double sh2 = sh * sh;
    const double d2 = dx * dx;
    // (dx^2 + hd'^2) / (sinh^2 + sin^2): 4 / pi^2 where both vanish.
    double diff_ratio;
    if (d2 + hd2 == 0.0) {
      diff_ratio = 4.0 / (pi_d * pi_d);
    } else {
      diff_ratio = (d2 + hd2) / (sh2 + sin2_diff);
    }
    return std::log((sh2 + sin2_sum) / (d2 + hs2) * diff_ratio);
  }
};

/// Integrals of ln|z - s| T_n(s) / sqrt(1 - s^2) over s in -1..1 for
/// n = 0..terms-1, z anywhere in the plane: with w = z + sqrt(z^2 - 1),
/// |w| >= 1, they are pi ln|w / 2| and -(pi / n) Re(w^-n).
void log_moments(std::complex<double> z, int terms, double* out) {
  const std::complex<double> w = z + std::sqrt(z - 1.0) * std::sqrt(z + 1.0);
  out[0] = pi_d * std::log(std::abs(w) / 2.0);
  const std::complex<double> u = 1.0 / w;
  std::complex<double> power = 1.0;
  for (int n = 1; n < terms; ++n) {
    power *= u;
    out[n] = -(pi_d / n) * power.real();
  }
}

/// Dense row-major matrix with its size.
struct Dense {
  int n = 0;
  std::vector<double> a;
  double& at(int r, int c) { return a[static_cast<size_t>(r) * n + c]; }
};

/// Adds the Galerkin block of field strip `f` against source strip `src`.
void add_block(const Panel& f, const Panel& src, Dense& m) {
  const double scale = src.half / (4.0 * pi_d);
  const double hs = fold(f.height + src.height), hd = fold(f.height - src.height);

  // Smooth part: (pi / qf)(pi / qs) sum_k sum_l T_m K T_n.
  const SmoothKernel kern{std::pow(std::sin(pi_d * (f.height + src.height) / 2.0), 2),
                          std::pow(std::sin(pi_d * (f.height - src.height) / 2.0), 2),
                          hs * hs, hd * hd};
  const int qf = f.smooth, qs = src.smooth, nf = f.terms, ns = src.terms;
  std::vector<double> row(static_cast<size_t>(qs));
  std::vector<double> inner(static_cast<size_t>(qf) * ns, 0.0);
  for (int k = 0; k < qf; ++k) {
    for (int l = 0; l < qs; ++l) row[static_cast<size_t>(l)] = kern(f.xs[k] - src.xs[l]);
    double* acc = &inner[static_cast<size_t>(k) * ns];
    for (int l = 0; l < qs; ++l) {
      const double kv = row[static_cast<size_t>(l)];
      const double* t = &src.ts[static_cast<size_t>(l) * ns];
      for (int n = 0; n < ns; ++n) acc[n] += kv * t[n];
    }
  }
  const double ws = scale * (pi_d / qf) * (pi_d / qs);
  for (int k = 0; k < qf; ++k) {
    const double* t = &f.ts[static_cast<size_t>(k) * nf];
    const double* acc = &inner[static_cast<size_t>(k) * ns];
    for (int mm = 0; mm < nf; ++mm) {
      double* out = &m.at(f.first + mm, src.first);
      const double tw = ws * t[mm];
      for (int n = 0; n < ns; ++n) out[n] += tw * acc[n];
    }
  }

  // Logarithmic part: the source integral in closed form at each outer node,
  // 2 (I_n(z_sum) - I_n(z_diff)); the ln a terms of both cancel.
  std::vector<double> is(static_cast<size_t>(ns)), id(static_cast<size_t>(ns));
  const double wo = scale * (pi_d / f.outer) * 2.0;
  for (int k = 0; k < f.outer; ++k) {
    const double re = (f.xo[k] - src.centre) / src.half;
    log_moments({re, hs / src.half}, ns, is.data());
    log_moments({re, hd / src.half}, ns, id.data());
    const double* t = &f.to[static_cast<size_t>(k) * nf];
    for (int n = 0; n < ns; ++n) is[static_cast<size_t>(n)] -= id[static_cast<size_t>(n)];
    for (int mm = 0; mm < nf; ++mm) {
      double* out = &m.at(f.first + mm, src.first);
      const double tw = wo * t[mm];
      for (int n = 0; n < ns; ++n) out[n] += tw * is[static_cast<size_t>(n)];
    }
  }
}

/// LU factors with partial pivoting, in place. False for a singular matrix.
bool factor(Dense& m, std::vector<int>& pivot) {
  const int n = m.n;
  pivot.assign(static_cast<size_t>(n), 0);
  for (int c = 0; c < n; ++c) {
    int best = c;
    for (int r = c + 1; r < n; ++r) {
      if (std::fabs(m.at(r, c)) > std::fabs(m.at(best, c))) best = r;
    }
    pivot[static_cast<size_t>(c)] = best;
    if (!(std::fabs(m.at(best, c)) > 0.0)) return false;
    if (best != c) {
      for (int k = 0; k < n; ++k) std::swap(m.at(c, k), m.at(best, k));
    }
    const double inv = 1.0 / m.at(c, c);
    for (int r = c + 1; r < n; ++r) {
      const double f = m.at(r, c) * inv;
      m.at(r, c) = f;
      if (f == 0.0) continue;
      double* dst = &m.at(r, 0);
      const double* src = &m.at(c, 0);
      for (int k = c + 1; k < n; ++k) dst[k] -= f * src[k];
    }
  }
  return true;
}

void solve(Dense& m, const std::vector<int>& pivot, std::vector<double>& b) {
  const int n = m.n;
  for (int c = 0; c < n; ++c) std::swap(b[static_cast<size_t>(c)], b[static_cast<size_t>(pivot[c])]);
  for (int r = 1; r < n; ++r) {
    double s = b[static_cast<size_t>(r)];
    for (int k = 0; k < r; ++k) s -= m.at(r, k) * b[static_cast<size_t>(k)];
    b[static_cast<size_t>(r)] = s;
  }
  for (int r = n - 1; r >= 0; --r) {
    double s = b[static_cast<size_t>(r)];
    for (int k = r + 1; k < n; ++k) s -= m.at(r, k) * b[static_cast<size_t>(k)];
    b[static_cast<size_t>(r)] = s / m.at(r, r);
  }
}

bool usable(const FieldStrip& s) {
  return std::isfinite(s.left) && std::isfinite(s.right) && std::isfinite(s.height) &&
         std::isfinite(s.volts) && s.right > s.left && s.height > 0.0 && s.height < 1.0;
}

/// The factored moment system of one cross-section: strip potentials in,
/// strip charges out, for as many excitations as wanted.
struct System {
  std::vector<Panel> panels;
  Dense matrix;
  std::vector<int> pivot;
  bool ok = false;

  System(const std::vector<FieldStrip>& strips, double scale) {
    if (strips.empty() || !(scale > 0.0)) return;
    for (const FieldStrip& s : strips) {
      if (!usable(s)) return;
    }
    int total = 0;
    for (size_t i = 0; i < strips.size(); ++i) {
      panels.push_back(plan_panel(strips, i, scale));
      panels.back().first = total;
      total += panels.back().terms;
    }
    matrix.n = total;
    matrix.a.assign(static_cast<size_t>(total) * total, 0.0);
    for (const Panel& f : panels) {
      for (const Panel& src : panels) add_block(f, src, matrix);
    }
    ok = factor(matrix, pivot);
  }

  /// Charge on each strip for the given potentials: a pi alpha_0 per strip.
  std::vector<double> charges(const std::vector<double>& volts) {
    std::vector<double> rhs(static_cast<size_t>(matrix.n), 0.0);
    for (size_t i = 0; i < panels.size(); ++i) {
      rhs[static_cast<size_t>(panels[i].first)] = pi_d * volts[i];
    }
    solve(matrix, pivot, rhs);
    std::vector<double> q(panels.size());
    for (size_t i = 0; i < panels.size(); ++i) {
      q[i] = panels[i].half * pi_d * rhs[static_cast<size_t>(panels[i].first)];
    }
    return q;
  }
};

}  // namespace

std::vector<double> strip_charges(const std::vector<FieldStrip>& strips, FieldResolution res) {
  System sys(strips, res.scale);
  if (!sys.ok) return {};
  std::vector<double> volts;
  for (const FieldStrip& s : strips) volts.push_back(s.volts);
  return sys.charges(volts);
}

double mode_impedance(double charge, double er) {
  return field_eta0 / (std::sqrt(er) * charge);
}

ModeImpedances offset_pair_modes(double w, double w0, double s, double b, double er,
                                 FieldResolution res) {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  if (!(b > 0.0) || !(er > 0.0)) return {nan, nan};
  const double wb = w / b, ob = w0 / b, sb = s / b;
  if (!(sb > 0.0)) return {nan, nan};
  const double low = (1.0 - sb) / 2.0, high = (1.0 + sb) / 2.0;
  System sys({{-ob / 2 - wb / 2, -ob / 2 + wb / 2, low, 1.0},
              {ob / 2 - wb / 2, ob / 2 + wb / 2, high, 1.0}},
             res.scale);
  if (!sys.ok) return {nan, nan};
  const double even = sys.charges({1.0, 1.0})[0];
  const double odd = sys.charges({1.0, -1.0})[0];
  return {mode_impedance(even, er), mode_impedance(odd, er)};
}

double single_strip_impedance(double w, double height, double b, double er,
                              FieldResolution res) {
  if (!(b > 0.0) || !(er > 0.0)) return std::numeric_limits<double>::quiet_NaN();
  const std::vector<double> q =
      strip_charges({{-w / (2 * b), w / (2 * b), height / b, 1.0}}, res);
  if (q.empty()) return std::numeric_limits<double>::quiet_NaN();
  return mode_impedance(q[0], er);
}

}  // namespace quill
