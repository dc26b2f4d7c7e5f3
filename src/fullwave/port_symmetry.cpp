#include "fullwave/port_symmetry.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace quill {

namespace {

using Map = std::array<int, 4>;  ///< port i (0-based) goes to map[i]

constexpr Map identity = {0, 1, 2, 3};
constexpr Map along = {3, 2, 1, 0};   // 1<->4, 2<->3
constexpr Map across = {1, 0, 3, 2};  // 1<->2, 3<->4
constexpr Map both = {2, 3, 0, 1};    // 1<->3, 2<->4

std::vector<Map> images(const LayoutSymmetry& s) {
  std::vector<Map> m = {identity};
  if (s.along) m.push_back(along);
  if (s.across) m.push_back(across);
  if (s.along && s.across) m.push_back(both);
  return m;
}

bool close(double a, double b) { return std::fabs(a - b) <= 1e-12 * std::max({1.0, std::fabs(a), std::fabs(b)}); }

}  // namespace

LayoutSymmetry layout_symmetry(const CouplerLayout& layout, const Stackup& stack) {
  LayoutSymmetry s;
  const auto& sec = layout.sections;
  s.along = true;
  for (size_t i = 0; i < sec.size(); ++i) {
    const SectionCopper &a = sec[i], &b = sec[sec.size() - 1 - i];
    if (!close(a.width, b.width) || !close(a.offset, b.offset) || !close(a.x1 - a.x0, b.x1 - b.x0)) s.along = false;
  }
  s.across = stack.mirror_stacked(true) && close(layout.breakouts.feed_width_upper, layout.breakouts.feed_width_lower);
  return s;
}

std::vector<int> driven_ports(const LayoutSymmetry& symmetry, bool every) {
  if (every) return {1, 2, 3, 4};
  std::vector<int> driven;
  std::array<bool, 4> known{};
  for (int p = 0; p < 4; ++p) {
    if (known[static_cast<size_t>(p)]) continue;
    driven.push_back(p + 1);
    for (const Map& m : images(symmetry)) known[static_cast<size_t>(m[static_cast<size_t>(p)])] = true;
  }
  return driven;
}

namespace {

/// x with x A = y for the 4 x 4 A: Gaussian elimination on A's transpose
/// with partial pivoting.
std::array<Cx, 4> solve_row(const SMatrix& a, const std::array<Cx, 4>& y) {
  std::array<std::array<Cx, 5>, 4> m;
  for (size_t i = 0; i < 4; ++i) {
    for (size_t j = 0; j < 4; ++j) m[i][j] = a[j][i];
    m[i][4] = y[i];
  }
  for (size_t c = 0; c < 4; ++c) {
    size_t pivot = c;
    for (size_t r = c + 1; r < 4; ++r)
      if (std::abs(m[r][c]) > std::abs(m[pivot][c])) pivot = r;
    std::swap(m[c], m[pivot]);
    for (size_t r = 0; r < 4; ++r) {
      if (r == c) continue;
      const Cx factor = m[r][c] / m[c][c];
      for (size_t k = c; k < 5; ++k) m[r][k] -= factor * m[c][k];
    }
  }
  std::array<Cx, 4> x;
  for (size_t i = 0; i < 4; ++i) x[i] = m[i][4] / m[i][i];
  return x;
}

}  // namespace

std::vector<SMatrix> scattering_matrices(const LayoutSymmetry& symmetry, const std::vector<int>& driven,
                                         const std::vector<std::vector<PortWaves>>& runs) {
  // Excitation k drives port k + 1: a driven run, or a driven run's image.
  struct Excitation {
    size_t run;
    Map map;
  };
  std::array<Excitation, 4> excitations{};
  for (int column = 0; column < 4; ++column) {
    bool found = false;
    for (const Map& m : images(symmetry)) {
      for (size_t r = 0; r < driven.size() && !found; ++r)
        if (m[static_cast<size_t>(driven[r] - 1)] == column) {
          excitations[static_cast<size_t>(column)] = {r, m};
          found = true;
        }
      if (found) break;
    }
  }
  std::vector<SMatrix> s(runs.empty() ? 0 : runs[0].size());
  for (size_t f = 0; f < s.size(); ++f) {
    SMatrix a{}, b{};  // a[i][k]: wave into port i in excitation k
    for (size_t k = 0; k < 4; ++k) {
      const Excitation& e = excitations[k];
      const PortWaves& w = runs[e.run][f];
      for (size_t i = 0; i < 4; ++i) {
        a[static_cast<size_t>(e.map[i])][k] = w.a[i];
        b[static_cast<size_t>(e.map[i])][k] = w.b[i];
      }
    }
    for (size_t i = 0; i < 4; ++i) s[f][i] = solve_row(a, b[i]);
  }
  return s;
}

}  // namespace quill
