#include "fullwave/fullwave_grid.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "dimensions/stack_modes.hpp"

namespace quill {

namespace {

/// A line the mesh wants, and the cell it wants beside it. A hard line is
/// geometry (a copper face, a layer boundary, a port plane) and never moves;
/// a soft one (a third-rule line) may merge into its neighbours.
struct Fixed {
  double at;
  double cell;
  bool hard = false;
};

/// A stretch of an axis whose cells may not exceed `cap` (across the gap,
/// through the copper).
struct Region {
  double lo, hi, cap;
};

/// Soft lines closer to a neighbour than their cell would leave a sliver:
/// they merge into it (a hard line stays where it is; two
/// soft lines meet half way). A third-rule line may so move by a fraction of
/// a cell; the edge still lies inside a small cell. Hard lines closer than
/// their cell keep their places and shrink the cell beside them instead.
std::vector<Fixed> merged(std::vector<Fixed> lines, double grading) {
  std::sort(lines.begin(), lines.end(), [](const Fixed& a, const Fixed& b) { return a.at < b.at; });
  std::vector<Fixed> out;
  for (const Fixed& f : lines) {
    if (!out.empty()) {
      Fixed& last = out.back();
      const bool close = f.at - last.at < std::min(f.cell, last.cell);
      const bool same = f.at - last.at < 1e-12;  // a picometre: one line drawn twice
      if (same || (close && !(f.hard && last.hard))) {
        if (f.hard) last.at = f.at;
        else if (!last.hard) last.at = (last.at + f.at) / 2.0;
        last.cell = std::min(last.cell, f.cell);
        last.hard = last.hard || f.hard;
        continue;
      }
    }
    out.push_back(f);
  }
  for (size_t k = 0; k < out.size(); ++k) {
    if (k > 0) out[k].cell = std::min(out[k].cell, out[k].at - out[k - 1].at);
    if (k + 1 < out.size()) out[k].cell = std::min(out[k].cell, out[k + 1].at - out[k].at);
  }
  // Cells growing by the grading from a small one grow by (grading - 1) per
  // unit of distance: no line may want a cell larger than that allows, or
  // the grading breaks where two fills meet.
  for (Fixed& f : out)
    for (const Fixed& other : out)
      f.cell = std::min(f.cell, other.cell + (grading - 1.0) * std::fabs(f.at - other.at));
  return out;
}

double cap_at(const std::vector<Region>& regions, double at, double largest) {
  for (const Region& r : regions)
    if (at > r.lo && at < r.hi) largest = std::min(largest, r.cap);
  return largest;
}

/// Fills each gap between fixed lines (but one holding an edge) with cells that start at each end's
/// own cell and grow by the grading toward the middle, up to the gap's cap:
/// the fewest such cells that span the gap, all scaled alike to fit it (or
/// one fewer, stretched a little, when that fits better).
std::vector<double> fill(const std::vector<Fixed>& lines, const std::vector<Region>& regions, double largest,
                         double grading, const std::vector<double>& edges = {}) {
  std::vector<double> out;
  for (size_t k = 0; k + 1 < lines.size(); ++k) {
    const double a = lines[k].at, b = lines[k + 1].at, gap = b - a;
    // A cell the third rule drew around an edge stays whole.
    if (std::any_of(edges.begin(), edges.end(), [&](double e) { return a < e && e < b; })) {
      out.push_back(a);
      continue;
    }
    const double cap = cap_at(regions, (a + b) / 2.0, largest);
    const double ha = std::min(lines[k].cell, cap), hb = std::min(lines[k + 1].cell, cap);
    auto cells = [&](int n, double growth) {
      std::vector<double> c;
      for (int i = 0; i < n; ++i)
        c.push_back(std::min({cap, ha * std::pow(growth, i), hb * std::pow(growth, n - 1 - i)}));
      return c;
    };
    auto sum = [](const std::vector<double>& c) {
      double t = 0;
      for (double v : c) t += v;
      return t;
    };
    int n = 1;
    while (sum(cells(n, grading)) < gap && n < 100000) ++n;
    // Grow more slowly until the cells just span the gap; where even equal
    // cells overfill it, shrink them all alike.
    std::vector<double> chosen = cells(n, grading);
    double scale = gap / sum(chosen);
    if (sum(cells(n, 1.0)) <= gap) {
      double lo = 1.0, hi = grading;
      for (int i = 0; i < 60; ++i) {
        const double mid = (lo + hi) / 2.0;
        (sum(cells(n, mid)) < gap ? lo : hi) = mid;
      }
      chosen = cells(n, hi);
      scale = gap / sum(chosen);
    } else if (n > 1) {
      // Or one cell fewer, stretched, when that grades more smoothly.
      auto roughness = [&](const std::vector<double>& c, double f) {
        double worst = 1.0, last = out.empty() ? ha : a - out.back();
        for (double v : c) {
          worst = std::max({worst, v * f / last, last / (v * f)});
          last = v * f;
        }
        return std::max({worst, hb / last, last / hb});
      };
      const std::vector<double> fewer = cells(n - 1, grading);
      const double stretch = gap / sum(fewer);
      double biggest = 0;
      for (double v : fewer) biggest = std::max(biggest, v * stretch);
      if (roughness(fewer, stretch) < roughness(chosen, scale) && biggest <= cap * 1.05) {
        chosen = fewer;
        scale = stretch;
      }
    }
    double x = a;
    out.push_back(a);
    for (size_t i = 0; i + 1 < chosen.size(); ++i) {
      x += chosen[i] * scale;
      out.push_back(x);
    }
  }
  out.push_back(lines.back().at);
  return out;
}

/// An edge of copper along one axis: where it lies, and the side its copper
/// is on (+1 toward larger coordinates, -1 toward smaller).
struct Edge {
  double at;
  int metal;
};

/// The lines that resolve a row of edges by the third rule, for edge cell
/// `h`. An edge alone gets a line a third of a cell inside the copper and
/// one two thirds outside. Edges closer than two cells (a step between
/// sections, the inner edges of overlapping strips) are resolved together:
/// a line half way between neighbours and one half a cell beyond the
/// outermost, so that each lies well inside a cell of its own.
std::vector<Fixed> third_rule_lines(std::vector<Edge> edges, double h) {
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.at < b.at; });
  // Edges a quarter cell apart or less count as one, at the middle of the
  // first and the last of them.
  std::vector<Edge> one;
  double first = 0.0;
  for (const Edge& e : edges) {
    if (!one.empty() && e.at - first <= h / 4.0) {
      if (one.back().metal != e.metal) one.back().metal = 0;
      one.back().at = (first + e.at) / 2.0;
      continue;
    }
    first = e.at;
    one.push_back(e);
  }
  std::vector<Fixed> lines;
  for (size_t k = 0; k < one.size(); ++k) {
    const bool joined_below = k > 0 && one[k].at - one[k - 1].at < 2.0 * h;
    const bool joined_above = k + 1 < one.size() && one[k + 1].at - one[k].at < 2.0 * h;
    const bool alone = !joined_below && !joined_above && one[k].metal != 0;
    const double below = joined_below ? (one[k].at - one[k - 1].at) / 2.0 : 0.0;
    const double above = joined_above ? (one[k + 1].at - one[k].at) / 2.0 : 0.0;
    // A line beside a cluster wants the cell the cluster drew there, so the
    // fill beyond grows from it.
    auto outside = [&](int toward) {
      const double d = !alone ? h / 2.0 : (one[k].metal == toward ? h / 3.0 : 2.0 * h / 3.0);
      const double cell = alone ? h : d + (toward < 0 ? above : below);
      lines.push_back({one[k].at + toward * d, std::max(h, cell), true});
    };
    if (!joined_below) outside(-1);
    if (joined_above) {
      const double next_above =
          k + 2 < one.size() && one[k + 2].at - one[k + 1].at < 2.0 * h ? (one[k + 2].at - one[k + 1].at) / 2.0
                                                                        : h / 2.0;
      lines.push_back({one[k].at + above, std::max({h, (joined_below ? below : h / 2.0) + above, above + next_above}),
                       true});
    } else {
      outside(+1);
    }
  }
  return lines;
}

/// The absorbing layers beyond the walls: `absorber_cells` more cells, each
/// as long as the last one inside, at either end.
std::vector<double> with_absorber(std::vector<double> lines) {
  const double first = lines[1] - lines[0], last = lines[lines.size() - 1] - lines[lines.size() - 2];
  std::vector<double> out;
  for (int k = absorber_cells; k >= 1; --k) out.push_back(lines.front() - k * first);
  out.insert(out.end(), lines.begin(), lines.end());
  for (int k = 1; k <= absorber_cells; ++k) out.push_back(lines.back() + k * last);
  return out;
}

}  // namespace

double largest_cell(const Stackup& stack, const MeshRules& rules, double fmax_hz) {
  double er = 1.0;
  for (const StackLayer& l : stack.layers) er = std::max(er, l.er);
  return light_speed / (fmax_hz * std::sqrt(er)) / rules.cells_per_wavelength;
}

MeshRules mesh_rules(MeshDensity density, const CouplerLayout& layout, const Stackup& stack) {
  /// Each density: cells across S and through the copper, the grading, and
  /// the edge cell as a fraction of the narrowest copper (strip, feed or the
  /// neck where two sections join) or of S.
  struct Density {
    int across_gap, across_copper;
    double grading;
    int edge_fraction;
  };
  static constexpr std::array<Density, 3> densities = {{
      {3, 1, 1.5, 3},  // coarse
      {5, 2, 1.4, 5},  // normal
      {8, 3, 1.3, 8},  // fine
  }};
  const Density& chosen = densities[static_cast<size_t>(density)];
  double narrowest = std::min(layout.breakouts.feed_width_upper, layout.breakouts.feed_width_lower);
  for (const SectionCopper& s : layout.sections) narrowest = std::min(narrowest, s.width);
  // Where sections join, the current passes through the overlap of their
  // strips: a neck that can be far narrower than either strip.
  // Strips that do not overlap are joined by a jog as wide as the wider of
  // them: no neck.
  for (size_t k = 0; k + 1 < layout.sections.size(); ++k) {
    const SectionCopper &a = layout.sections[k], &b = layout.sections[k + 1];
    for (const double neck : {std::min(a.upper_y1, b.upper_y1) - std::max(a.upper_y0, b.upper_y0),
                              std::min(a.lower_y1, b.lower_y1) - std::max(a.lower_y0, b.lower_y0)})
      if (neck > 0.0) narrowest = std::min(narrowest, neck);
  }
  MeshRules r;
  r.cells_across_gap = chosen.across_gap;
  r.cells_across_copper = chosen.across_copper;
  r.grading = chosen.grading;
  r.edge_cell = std::min(narrowest, stack.s_m()) / chosen.edge_fraction;
  return r;
}

FullwaveGrid fullwave_grid(const CouplerLayout& layout, const Stackup& stack, const MeshRules& rules,
                           double fmax_hz) {
  FullwaveGrid g;
  const double h = rules.edge_cell, largest = largest_cell(stack, rules, fmax_hz);
  const double b = stack.b_m();

  // Along and across, from the copper's own outlines: the third rule at
  // every edge along an axis (its copper on the outline's left, as the
  // outlines run counter-clockwise), a line at every corner of a slanting
  // edge, a line along each feed's far end and its probe planes, and up its middle.
  // Each feed runs on beyond its port plane, its probe planes one of the
  // longest cells apart, where the mesh is uniform.
  g.feeds = port_feeds(layout, stack, rules.port_feed, largest);
  g.x0 = layout.board[0].x - b;
  g.x1 = layout.board[1].x + b;
  for (const PortFeed& f : g.feeds) {
    g.x0 = std::min(g.x0, f.source_x - b);
    g.x1 = std::max(g.x1, f.source_x + b);
  }
  double ylo = 0.0, yhi = 0.0;
  for (const Outline* o : {&layout.upper, &layout.lower})
    for (const Point& p : *o) {
      ylo = std::min(ylo, p.y);
      yhi = std::max(yhi, p.y);
    }
  g.y0 = ylo - rules.side_walls * b;
  g.y1 = yhi + rules.side_walls * b;
  std::vector<Fixed> x = {{g.x0, largest, true}, {g.x1, largest, true}};
  std::vector<Fixed> y = {{g.y0, largest, true}, {g.y1, largest, true}};
  auto at_port = [&](double px) {
    for (const PortEnd& port : layout.ports)
      if (port.at.x == px) return true;
    return false;
  };
  std::vector<Edge> along_x, along_y;  // edges running along x sit at a y
  std::vector<Point> slant_corners;
  for (const Outline* o : {&layout.upper, &layout.lower}) {
    for (size_t k = 0; k < o->size(); ++k) {
      const Point p = (*o)[k], q = (*o)[(k + 1) % o->size()];
      if (p.y == q.y) {
        along_x.push_back({p.y, q.x > p.x ? +1 : -1});
      } else if (p.x == q.x) {
        // A feed's end at the port plane is no edge: the feed runs on.
        if (!at_port(p.x)) along_y.push_back({p.x, q.y > p.y ? -1 : +1});
      } else {
        slant_corners.push_back(p);
      }
    }
  }
  for (const Fixed& f : third_rule_lines(along_x, h)) y.push_back(f);
  for (const Fixed& f : third_rule_lines(along_y, h)) x.push_back(f);
  // A slanting edge's corners get lines too, unless an edge along the axis
  // lies within a cell: a line there would undo its third rule.
  auto near_edge = [&](const std::vector<Edge>& edges, double at) {
    return std::any_of(edges.begin(), edges.end(), [&](const Edge& e) { return std::fabs(e.at - at) < h; });
  };
  auto positions = [](const std::vector<Edge>& edges) {
    std::vector<double> v;
    for (const Edge& e : edges) v.push_back(e.at);
    return v;
  };
  for (const Point& p : slant_corners) {
    if (!near_edge(along_y, p.x)) x.push_back({p.x, h});
    if (!near_edge(along_x, p.y)) y.push_back({p.y, h});
  }
  // The lumped port at each feed's far end is an edge of the copper; the
  // probe planes are lines a step apart with none between them, so that the
  // current planes fall on the dual lines half way.
  // A feed's middle that an edge's line already holds to within a quarter
  // cell needs none of its own: two hard lines a sliver apart would set the
  // time step of the whole run (a loose end section as wide as its feed
  // puts the next section's edge line a micrometre from the feed's middle).
  for (const PortFeed& f : g.feeds) {
    x.push_back({f.source_x, h, true});
    if (std::none_of(y.begin(), y.end(), [&](const Fixed& l) { return l.hard && std::fabs(l.at - f.y) < h / 4.0; }))
      y.push_back({f.y, h, true});
  }
  // The probes' step is the cell the grading allows there, less one step's
  // growth, so that the cells beside the probe planes grow from it.
  const std::vector<Fixed> without_probes = merged(x, rules.grading);
  for (PortFeed& f : g.feeds) {
    double allowed = largest;
    for (const Fixed& line : without_probes)
      allowed = std::min(allowed, line.cell + (rules.grading - 1.0) * std::fabs(f.probe_x - line.at));
    f.step = std::min(largest, allowed / rules.grading);
    for (const double plane : f.voltage_planes()) x.push_back({plane, f.step, true});
  }
  // A cell around an edge, or between two probe planes, stays whole.
  std::vector<double> whole_x = positions(along_y);
  for (const PortFeed& f : g.feeds)
    for (const double plane : f.current_planes()) whole_x.push_back(plane);
  g.x = with_absorber(fill(merged(x, rules.grading), {}, largest, rules.grading, whole_x));
  g.y = with_absorber(fill(merged(y, rules.grading), {}, largest, rules.grading, positions(along_x)));

  // Up: the planes, every layer boundary and the copper's faces, with the
  // gap and the copper held to their cells and the cells graded away from
  // them.
  const StripHeights z = strip_heights(stack);
  const double gap_cell = stack.s_m() / rules.cells_across_gap;
  const double copper_cell = stack.copper_m / rules.cells_across_copper;
  const double face_cell = stack.copper_m > 0.0 ? std::min(gap_cell, copper_cell) : gap_cell;
  std::vector<Fixed> zl = {{0.0, largest, true}, {b, largest, true}};
  double height = 0.0;
  for (const StackLayer& l : stack.layers) {
    height += l.thickness_m;
    zl.push_back({std::min(height, b), largest, true});
  }
  for (const double face : {z.lower_bottom, z.lower_top, z.upper_bottom, z.upper_top})
    zl.push_back({face, face_cell, true});
  std::vector<Region> caps = {{z.lower_top, z.upper_bottom, gap_cell}};
  if (stack.copper_m > 0.0) {
    caps.push_back({z.lower_bottom, z.lower_top, copper_cell});
    caps.push_back({z.upper_bottom, z.upper_top, copper_cell});
  }
  g.z = fill(merged(zl, rules.grading), caps, std::min(largest, b / 4.0), rules.grading);
  return g;
}

}  // namespace quill
