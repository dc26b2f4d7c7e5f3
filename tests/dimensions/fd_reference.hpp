#pragma once
/// A finite-difference solution of Laplace's equation across strip
/// cross-sections between two ground planes: an outside reference that shares
/// nothing with the program's own strip arithmetic, used by the strip tests.

#include <algorithm>
#include <cmath>
#include <vector>

namespace quill::fd_reference {

// The solver is a reference, not the program's arithmetic: it runs in double
// so that sums over tens of thousands of nodes do not limit its accuracy.

/// A zero-thickness strip between ground planes at y = 0 and y = 1 (B = 1),
/// spanning x0..x1 at height y and held at potential v.
struct Strip {
  double x0, x1, y, v;
};

/// Node positions along one axis: every key position is a node, and each gap
/// between keys is cut into equal steps of at most h, times `refine`, so the
/// finer grid contains every node of the coarser one.
inline std::vector<double> axis(std::vector<double> keys, double h, int refine) {
  std::sort(keys.begin(), keys.end());
  std::vector<double> nodes{keys.front()};
  for (size_t k = 1; k < keys.size(); ++k) {
    const double gap = keys[k] - keys[k - 1];
    if (gap <= 1e-12) continue;
    const int n = std::max(1, static_cast<int>(std::ceil(gap / h - 1e-9))) * refine;
    for (int m = 1; m <= n; ++m) nodes.push_back(keys[k - 1] + gap * m / n);
  }
  return nodes;
}

/// Capacitance per strip over the permittivity, 2W / sum(V^2) from the field
/// energy W of the five-point solution (successive over-relaxation). The
/// grid is closed by grounded side walls 3 B beyond the outermost edge,
/// where the stripline field has decayed by exp(-3 pi).
inline double capacitance(const std::vector<Strip>& strips, double h, int refine) {
  std::vector<double> xk, yk{0.0, 1.0};
  double reach = 0;
  for (const Strip& s : strips) {
    xk.insert(xk.end(), {s.x0, s.x1});
    yk.push_back(s.y);
    reach = std::max({reach, std::fabs(s.x0), std::fabs(s.x1)});
  }
  xk.insert(xk.end(), {-reach - 3.0, reach + 3.0});
  const std::vector<double> x = axis(xk, h, refine), y = axis(yk, h, refine);
  const int nx = static_cast<int>(x.size()), ny = static_cast<int>(y.size());
  auto at = [nx](int i, int j) { return static_cast<size_t>(j * nx + i); };

  std::vector<double> phi(x.size() * y.size(), 0.0);
  std::vector<char> held(phi.size(), 0);
  for (int i = 0; i < nx; ++i) held[at(i, 0)] = held[at(i, ny - 1)] = 1;
  for (int j = 0; j < ny; ++j) held[at(0, j)] = held[at(nx - 1, j)] = 1;
  for (const Strip& s : strips) {
    int j = 0;
    while (std::fabs(y[j] - s.y) > 1e-12) ++j;
    for (int i = 0; i < nx; ++i) {
      if (x[i] >= s.x0 - 1e-12 && x[i] <= s.x1 + 1e-12) {
        held[at(i, j)] = 1;
        phi[at(i, j)] = s.v;
      }
    }
  }

  // Finite-volume weights on the uneven grid: each link conducts its dual
  // cell width over its length.
  auto dx = [&](int i) { return x[i + 1] - x[i]; };
  auto dy = [&](int j) { return y[j + 1] - y[j]; };
  auto dual_x = [&](int i) { return (i > 0 ? dx(i - 1) : 0.0) / 2 + (i < nx - 1 ? dx(i) : 0.0) / 2; };
  auto dual_y = [&](int j) { return (j > 0 ? dy(j - 1) : 0.0) / 2 + (j < ny - 1 ? dy(j) : 0.0) / 2; };

  const double omega = 2.0 / (1.0 + std::sin(M_PI / (ny - 1)));
  for (int sweep = 0; sweep < 20000; ++sweep) {
    double change = 0;
    for (int j = 1; j < ny - 1; ++j) {
      for (int i = 1; i < nx - 1; ++i) {
        const size_t k = at(i, j);
        if (held[k]) continue;
        const double we = dual_y(j) / dx(i), ww = dual_y(j) / dx(i - 1);
        const double wn = dual_x(i) / dy(j), ws = dual_x(i) / dy(j - 1);
        const double relaxed = (we * phi[k + 1] + ww * phi[k - 1] + wn * phi[k + nx] +
                                ws * phi[k - nx]) / (we + ww + wn + ws);
        const double step = omega * (relaxed - phi[k]);
        phi[k] += step;
        change = std::max(change, std::fabs(step));
      }
    }
    if (change < 1e-11) break;
  }

  double twice_energy = 0;
  for (int j = 0; j < ny; ++j) {
    for (int i = 0; i + 1 < nx; ++i) {
      const double d = phi[at(i + 1, j)] - phi[at(i, j)];
      twice_energy += d * d * dual_y(j) / dx(i);
    }
  }
  for (int i = 0; i < nx; ++i) {
    for (int j = 0; j + 1 < ny; ++j) {
      const double d = phi[at(i, j + 1)] - phi[at(i, j)];
      twice_energy += d * d * dual_x(i) / dy(j);
    }
  }
  double v2 = 0;
  for (const Strip& s : strips) v2 += s.v * s.v;
  return twice_energy / v2;
}

/// Capacitance of a mode over the permittivity, extrapolated to a zero grid
/// step: the edge singularity of a thin strip makes the energy
/// error proportional to the step, and the finer grid nests in the coarser.
inline double extrapolated_capacitance(const std::vector<Strip>& strips) {
  constexpr double h = 0.05;
  return 2.0 * capacitance(strips, h / 2, 1) - capacitance(strips, h, 1);
}

/// The impedance itself, with the wave impedance of free space taken as 120 pi.
inline double impedance(const std::vector<Strip>& strips, double er) {
  return 120.0 * M_PI / (std::sqrt(er) * extrapolated_capacitance(strips));
}

struct Modes {
  double zoe, zoo;
};

/// Even- and odd-mode impedances of two strips of width w (in units of B),
/// S/B = sb apart, shifted sideways against each other by w0.
inline Modes solve_pair(double w, double w0, double sb, double er) {
  const double yb = (1 - sb) / 2, yt = (1 + sb) / 2;
  const double bx = -w0 / 2, tx = w0 / 2;  // centre of each strip
  return {impedance({{bx - w / 2, bx + w / 2, yb, 1}, {tx - w / 2, tx + w / 2, yt, 1}}, er),
          impedance({{bx - w / 2, bx + w / 2, yb, -1}, {tx - w / 2, tx + w / 2, yt, 1}}, er)};
}

/// Complete elliptic integral of the first kind, by the arithmetic-geometric mean.
inline double ellip_k(double k) {
  double a = 1.0, b = std::sqrt(1.0 - k * k);
  for (int i = 0; i < 30; ++i) {
    const double an = (a + b) / 2;
    b = std::sqrt(a * b);
    a = an;
  }
  return M_PI / (2 * a);
}

}  // namespace quill::fd_reference
