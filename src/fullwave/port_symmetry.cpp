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

void complete_by_symmetry(const LayoutSymmetry& symmetry, const std::vector<int>& driven, std::vector<SMatrix>& s) {
  for (int column = 0; column < 4; ++column) {
    if (std::find(driven.begin(), driven.end(), column + 1) != driven.end()) continue;
    for (const Map& m : images(symmetry)) {
      // A driven port whose image is this column.
      const auto source = std::find_if(driven.begin(), driven.end(),
                                       [&](int d) { return m[static_cast<size_t>(d - 1)] == column; });
      if (source == driven.end()) continue;
      const size_t from = static_cast<size_t>(*source - 1);
      for (SMatrix& f : s)
        for (size_t i = 0; i < 4; ++i) f[static_cast<size_t>(m[i])][static_cast<size_t>(column)] = f[i][from];
      break;
    }
  }
}

}  // namespace quill
