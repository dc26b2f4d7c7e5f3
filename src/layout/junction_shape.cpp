#include "layout/junction_shape.hpp"

#include <algorithm>
#include <cmath>

namespace quill {

std::vector<Junction> shape_junctions(const std::vector<SectionCopper>& sections, bool smooth, double taper_length) {
  std::vector<Junction> out;
  for (size_t k = 0; k + 1 < sections.size(); ++k) {
    const SectionCopper &a = sections[k], &b = sections[k + 1];
    Junction j;
    j.left = a.section;
    j.right = b.section;
    j.centre0 = a.offset / 2;
    j.centre1 = b.offset / 2;
    const double across = std::fabs(j.centre1 - j.centre0);
    double along = 0.0;
    if (!(a.upper_y1 > b.upper_y0 && b.upper_y1 > a.upper_y0)) {
      // At 45 degrees, as the breakouts bend: the shortest slant whose
      // mitres stay clear of each other, the strips being apart across.
      j.shape = JunctionShape::jog;
      j.width = std::max(a.width, b.width);
      along = across;
    } else {
      const double change = std::max(std::fabs(b.upper_y0 - a.upper_y0), std::fabs(b.upper_y1 - a.upper_y1));
      if (smooth && change >= least_taper) {
        j.shape = JunctionShape::taper;
        along = change * taper_length;
      }
    }
    j.x0 = 0.0;
    j.x1 = along;
    j.path = std::hypot(along, j.shape == JunctionShape::step ? 0.0 : across);
    out.push_back(j);
  }
  return out;
}

std::vector<Point> coupler_edge(const std::vector<SectionCopper>& sections, const std::vector<Junction>& junctions,
                                bool upper, bool top) {
  auto centre = [&](const SectionCopper& s) { return upper ? s.offset / 2 : -s.offset / 2; };
  auto edge = [&](const SectionCopper& s) {
    return upper ? (top ? s.upper_y1 : s.upper_y0) : (top ? s.lower_y1 : s.lower_y0);
  };
  std::vector<Point> out;
  for (size_t k = 0; k < sections.size(); ++k) {
    const SectionCopper& s = sections[k];
    const bool jog_before = k > 0 && junctions[k - 1].shape == JunctionShape::jog;
    const bool jog_after = k + 1 < sections.size() && junctions[k].shape == JunctionShape::jog;
    if (!jog_before) out.push_back({s.x0, edge(s)});
    if (!jog_after) {
      out.push_back({s.x1, edge(s)});
      continue;
    }
    // The jog's edge: its centre line offset square to itself by half its
    // width, from where it crosses this section's edge to where it crosses
    // the next one's.
    const Junction& j = junctions[k];
    const SectionCopper& n = sections[k + 1];
    const Point c0{j.x0, centre(s)}, c1{j.x1, centre(n)};
    const double dx = c1.x - c0.x, dy = c1.y - c0.y, len = std::hypot(dx, dy);
    const double h = (top ? 1.0 : -1.0) * j.width / 2.0;
    const Point p{c0.x - h * dy / len, c0.y + h * dx / len};
    for (double y : {edge(s), edge(n)}) out.push_back({p.x + (y - p.y) / dy * dx, y});
  }
  for (size_t k = 1; k < out.size(); ++k)
    if (out[k].x < out[k - 1].x) return {};
  return out;
}

}  // namespace quill
