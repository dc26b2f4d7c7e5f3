#include "dimensions/section_mesh.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace quill::mesh {

namespace {

using panels::Panel;
constexpr double pi_d = std::numbers::pi;

BoundaryPanel make_panel(const Panel& p, int segment) {
  BoundaryPanel bp;
  bp.geom = p;
  bp.segment = segment;
  bp.horizontal = p.d.imag() == 0.0;
  bp.y = p.a.imag();
  bp.mid = p.at(0.0);
  return bp;
}

/// Grading power at a rectangle's corner. With its face on a boundary the
/// corner sees the layer beyond the face over a half plane (eps_beyond) and
/// its own layer beside it over a quarter plane (eps_beside); the potential
/// then grows as r^nu with cos(nu pi) = -eps_beside / (eps_beyond + eps_beside),
/// 2/3 in one dielectric. u^3 makes a density of r^(-1/3) smooth; the other
/// exponents (between 1/2 and 1) are smoothed enough by u^4, which still
/// leaves the panel's far end as finely sampled as its neighbour (a higher
/// power starves it, and the convergence study shows the loss).
int corner_grading(double eps_beyond, double eps_beside) {
  const double nu = std::acos(-eps_beside / (eps_beyond + eps_beside)) / pi_d;
  return std::fabs(nu - 2.0 / 3.0) < 1e-12 ? 3 : 4;
}

struct Boundaries {
  std::vector<Feature> features;
  std::vector<Segment> segments;
  bool every = false;  ///< every layer boundary is meshed
};

Boundaries boundaries(const LayeredSection& s, const Rules& m, bool every) {
  Boundaries out;
  out.every = every;
  const int layers = static_cast<int>(s.tops.size());
  double eps_min = s.er[0], eps_max = s.er[0];
  for (double e : s.er) {
    eps_min = std::min(eps_min, e);
    eps_max = std::max(eps_max, e);
  }
  auto eps_above = [&](double y) { return s.er[static_cast<size_t>(layer_above(s, y))]; };
  auto eps_below = [&](double y) { return s.er[static_cast<size_t>(layer_below(s, y))]; };

  // Grading at each end of a conductor that lies on a boundary line.
  struct OnLine {
    double left, right;
    int grade_left, grade_right;
  };
  std::vector<std::vector<OnLine>> on_line(static_cast<size_t>(layers));
  auto line_of = [&](double y) {
    for (int k = 0; k + 1 < layers; ++k)
      if (s.tops[static_cast<size_t>(k)] == y) return k;
    return -1;
  };

  double reach = 0.0;
  for (size_t ci = 0; ci < s.conductors.size(); ++ci) {
    const SectionConductor& c = s.conductors[ci];
    const int conductor = static_cast<int>(ci);
    reach = std::max({reach, std::fabs(c.left), std::fabs(c.right)});
    if (c.top == c.bottom) {
      const double y = c.bottom;
      out.features.push_back({{c.left, y}, 2});
      out.features.push_back({{c.right, y}, 2});
      Segment seg{{c.left, y}, {c.right, y}, 2, 2, Segment::sheet, conductor};
      seg.eps_above = eps_above(y);
      seg.eps_below = eps_below(y);
      out.segments.push_back(seg);
      if (const int k = line_of(y); k >= 0) on_line[static_cast<size_t>(k)].push_back({c.left, c.right, 2, 2});
      continue;
    }
    const double eps_in = s.er[static_cast<size_t>(layer_above(s, c.bottom))];
    const double eps_top = eps_above(c.top), eps_bottom = eps_below(c.bottom);
    const int gt = corner_grading(eps_top, eps_in), gb = corner_grading(eps_bottom, eps_in);

    const Cplx bl{c.left, c.bottom}, br{c.right, c.bottom}, tr{c.right, c.top}, tl{c.left, c.top};
    for (const Feature& f : {Feature{bl, gb}, Feature{br, gb}, Feature{tr, gt}, Feature{tl, gt}})
      out.features.push_back(f);
    auto face = [&](Cplx a, Cplx b, int ga, int gb2, int layer) {
      Segment seg{a, b, ga, gb2, Segment::face, conductor};
      seg.layer_out = layer;
      seg.eps_out = s.er[static_cast<size_t>(layer)];
      out.segments.push_back(seg);
    };
    const int inside = layer_above(s, c.bottom);
    face(bl, br, gb, gb, layer_below(s, c.bottom));
    face(br, tr, gb, gt, inside);
    face(tr, tl, gt, gt, layer_above(s, c.top));
    face(tl, bl, gt, gb, inside);
    if (const int k = line_of(c.top); k >= 0) on_line[static_cast<size_t>(k)].push_back({c.left, c.right, gt, gt});
    if (const int k = line_of(c.bottom); k >= 0)
      on_line[static_cast<size_t>(k)].push_back({c.left, c.right, gb, gb});
  }

  // Interfaces run out to where the slowest-decaying field, exp(-k1 |x|)
  // with k1 >= pi sqrt(eps_min / eps_max), has fallen below the tail.
  const double far = reach + std::log(1.0 / m.tail) / (pi_d * std::sqrt(eps_min / eps_max));
  for (int k = 0; k + 1 < layers; ++k) {
    const double lo = s.er[static_cast<size_t>(k)], hi = s.er[static_cast<size_t>(k + 1)];
    if (lo == hi && !every) continue;
    const double y = s.tops[static_cast<size_t>(k)];
    std::vector<OnLine> cuts = on_line[static_cast<size_t>(k)];
    std::sort(cuts.begin(), cuts.end(), [](const OnLine& a, const OnLine& b) { return a.left < b.left; });
    double x = -far;
    int grade = 0;
    auto piece = [&](double to, int grade_to) {
      if (to > x) {
        Segment seg{{x, y}, {to, y}, grade, grade_to, Segment::interface};
        seg.eps_above = hi;
        seg.eps_below = lo;
        out.segments.push_back(seg);
      }
    };
    for (const OnLine& c : cuts) {
      piece(c.left, c.grade_left);
      x = c.right;
      grade = c.grade_right;
    }
    piece(far, 0);
  }
  return out;
}

/// Distance from the piece p0..p1 to the nearest singular feature.
double features_distance_to(const std::vector<Feature>& features, Cplx p0, Cplx p1) {
  const Cplx along = p1 - p0;
  const double len2 = std::norm(along);
  double d2 = std::numeric_limits<double>::infinity();
  for (const Feature& f : features) {
    double u = len2 > 0.0 ? ((f.at - p0) * std::conj(along)).real() / len2 : 0.0;
    u = std::clamp(u, 0.0, 1.0);
    d2 = std::min(d2, std::norm(f.at - (p0 + along * u)));
  }
  return std::sqrt(d2);
}

/// Distance from point c to the segment p0..p1.
double segment_distance(Cplx c, Cplx p0, Cplx p1) {
  const Cplx along = p1 - p0;
  const double len2 = std::norm(along);
  const double u = len2 > 0.0 ? std::clamp(((c - p0) * std::conj(along)).real() / len2, 0.0, 1.0) : 0.0;
  return std::abs(c - (p0 + along * u));
}

/// Length of the graded panel at corner `c`: a fraction of the distance to
/// everything else that shapes the field there (other corners, the planes,
/// boundary lines not through it, the faces of other conductors: a sheet
/// whose edge lies just under another conductor sees it at that distance).
double corner_length(const LayeredSection& s, const Boundaries& b, Cplx c, const Rules& m) {
  double d = std::min(c.imag(), 1.0 - c.imag());
  for (const Feature& f : b.features)
    if (f.at != c) d = std::min(d, std::abs(f.at - c));
  for (size_t k = 0; k + 1 < s.tops.size(); ++k)
    if ((s.er[k] != s.er[k + 1] || b.every) && s.tops[k] != c.imag())
      d = std::min(d, std::fabs(s.tops[k] - c.imag()));
  for (const Segment& seg : b.segments) {
    if (seg.kind == Segment::interface || seg.from == c || seg.to == c) continue;
    d = std::min(d, segment_distance(c, seg.from, seg.to));
  }
  return std::min(m.corner * d, m.longest);
}

/// Cuts a segment into panels: graded ones at its singular ends, plain ones
/// between, each no longer than `growth` times its distance to the nearest
/// feature, marching in from both ends.
void cut(const LayeredSection& s, const Boundaries& b, const Segment& seg, int index, const Rules& m,
         std::vector<BoundaryPanel>& out) {
  const double length = std::abs(seg.to - seg.from);
  const Cplx dir = (seg.to - seg.from) / length;
  double c0 = seg.grade_from ? corner_length(s, b, seg.from, m) : 0.0;
  double c1 = seg.grade_to ? corner_length(s, b, seg.to, m) : 0.0;
  if (c0 + c1 >= length) {
    const double share = seg.grade_from && seg.grade_to ? 0.5 : 1.0;
    c0 = seg.grade_from ? length * share : 0.0;
    c1 = seg.grade_to ? length - c0 : 0.0;
  }
  auto add = [&](Panel p) { out.push_back(make_panel(p, index)); };
  if (c0 > 0) add({seg.from, dir, c0, seg.grade_from});
  if (c1 > 0) add({seg.to, -dir, c1, seg.grade_to});

  double lo = c0, hi = length - c1;
  // The longest panel from t in direction `sign` that is nowhere longer than
  // `growth` times its distance to the nearest feature: that distance only
  // falls as the panel grows, so bisection finds the length.
  const auto fits = [&](double t, double h) {
    const Cplx p0 = seg.from + dir * t;
    const Cplx p1 = seg.from + dir * (t + h);
    return h <= m.growth * features_distance_to(b.features, p0, p1);
  };
  const auto step = [&](double t, double sign) {
    const double longest = std::min(m.longest, hi - lo);
    const double start = sign > 0 ? t : t - longest;
    if (fits(start, longest)) return longest;
    double good = 0.0, bad = longest;
    for (int k = 0; k < 40; ++k) {
      const double h = (good + bad) / 2.0;
      if (fits(sign > 0 ? t : t - h, h)) good = h; else bad = h;
    }
    return std::max(good, 1e-12);
  };
  // Both ends advance together and the last gap is split in proportion, so
  // a segment cut from its other end gets the same panels: the mesh of a
  // board turned over is the turned-over mesh.
  std::vector<double> left{lo}, right{hi};
  for (int guard = 0; guard < 100000 && hi - lo > 1e-14; ++guard) {
    if (fits(lo, hi - lo)) break;
    const double hl = step(lo, 1.0), hr = step(hi, -1.0);
    if (hl + hr >= hi - lo) {
      left.push_back(lo + (hi - lo) * hl / (hl + hr));
      break;
    }
    lo += hl;
    hi -= hr;
    left.push_back(lo);
    right.push_back(hi);
  }
  std::vector<double> cuts = left;
  cuts.insert(cuts.end(), right.rbegin(), right.rend());
  for (size_t k = 0; k + 1 < cuts.size(); ++k) {
    if (cuts[k + 1] - cuts[k] <= 1e-14) continue;
    add({seg.from + dir * cuts[k], dir, cuts[k + 1] - cuts[k], 1});
  }
}

/// The image of a point under the half turn about (0, 1/2).
Cplx turned(Cplx z) { return Cplx(0.0, 1.0) - z; }

bool near(double a, double b) { return std::fabs(a - b) <= 1e-12; }

Node make_node(const BoundaryPanel& p, const panels::GaussRule& rule, int j, int panel) {
  const double t = rule.t[static_cast<size_t>(j)];
  Node n;
  n.anchor = p.geom.a;
  n.offset = p.geom.offset(t);
  n.jacobian = p.geom.jacobian(t);
  n.weight = rule.w[static_cast<size_t>(j)] * n.jacobian;
  n.panel = panel;
  n.segment = p.segment;
  return n;
}

void set_terms(Node& n) {
  const Cplx at = n.r();
  n.sin_y = std::sin(pi_d * at.imag());
  n.cos_y = std::cos(pi_d * at.imag());
  n.sin_half = std::sin(pi_d * at.imag() / 2.0);
  n.cos_half = std::cos(pi_d * at.imag() / 2.0);
  n.exp_x = std::exp(pi_d * at.real() / 2.0);
}

}  // namespace

Rules rules_for(double scale) {
  Rules m;
  m.growth /= scale;
  m.corner /= scale;
  m.longest /= scale;
  m.nodes = static_cast<int>(std::lround(std::clamp(m.nodes * std::sqrt(scale), 4.0, 12.0)));
  return m;
}

int layer_above(const LayeredSection& s, double y) {
  for (size_t k = 0; k < s.tops.size(); ++k)
    if (s.tops[k] > y) return static_cast<int>(k);
  return static_cast<int>(s.tops.size()) - 1;
}

int layer_below(const LayeredSection& s, double y) {
  for (size_t k = 0; k < s.tops.size(); ++k)
    if (s.tops[k] >= y) return static_cast<int>(k);
  return static_cast<int>(s.tops.size()) - 1;
}

bool point_symmetric(const LayeredSection& s) {
  const size_t layers = s.tops.size();
  if (s.conductors.size() != 2) return false;
  for (size_t k = 0; k < layers; ++k)
    if (s.er[k] != s.er[layers - 1 - k]) return false;
  for (size_t k = 0; k + 1 < layers; ++k)
    if (!near(s.tops[k], 1.0 - s.tops[layers - 2 - k])) return false;
  const SectionConductor &a = s.conductors[0], &b = s.conductors[1];
  return near(b.left, -a.right) && near(b.right, -a.left) && near(b.bottom, 1.0 - a.top) &&
         near(b.top, 1.0 - a.bottom) && (a.top < 0.5 || a.bottom > 0.5);
}

SectionMesh mesh_section(const LayeredSection& s, const Rules& rules, bool every_boundary, bool symmetric) {
  SectionMesh out;
  out.rule = panels::gauss_rule(rules.nodes);
  const Boundaries b = boundaries(s, rules, every_boundary);
  for (const Segment& seg : b.segments) {
    if (symmetric && (seg.from.imag() + seg.to.imag()) / 2.0 > 0.5) continue;
    out.segments.push_back(seg);
    cut(s, b, seg, static_cast<int>(out.segments.size()) - 1, rules, out.panels);
  }
  for (int pi = 0; pi < static_cast<int>(out.panels.size()); ++pi) {
    BoundaryPanel& p = out.panels[static_cast<size_t>(pi)];
    p.first = static_cast<int>(out.nodes.size());
    for (int j = 0; j < out.rule.p; ++j) out.nodes.push_back(make_node(p, out.rule, j, pi));
  }
  if (symmetric) {
    // The upper half is the lower half turned about the section's centre:
    // segments, panels and nodes in the same order, so node half + j is the
    // image of node j exactly.
    const int segments = static_cast<int>(out.segments.size());
    const int layers = static_cast<int>(s.tops.size());
    for (int k = 0; k < segments; ++k) {
      Segment seg = out.segments[static_cast<size_t>(k)];
      seg.from = turned(seg.from);
      seg.to = turned(seg.to);
      if (seg.conductor >= 0) seg.conductor = 1 - seg.conductor;
      if (seg.layer_out >= 0) seg.layer_out = layers - 1 - seg.layer_out;
      std::swap(seg.eps_above, seg.eps_below);
      out.segments.push_back(seg);
    }
    out.half = static_cast<int>(out.nodes.size());
    const int lower = static_cast<int>(out.panels.size());
    for (int pi = 0; pi < lower; ++pi) {
      Panel g = out.panels[static_cast<size_t>(pi)].geom;
      g.a = turned(g.a);
      g.d = -g.d;
      BoundaryPanel p = make_panel(g, out.panels[static_cast<size_t>(pi)].segment + segments);
      p.first = static_cast<int>(out.nodes.size());
      out.panels.push_back(p);
      for (int j = 0; j < out.rule.p; ++j) {
        Node n = out.nodes[static_cast<size_t>(out.panels[static_cast<size_t>(pi)].first + j)];
        n.anchor = g.a;
        n.offset = -n.offset;
        n.panel = lower + pi;
        n.segment = p.segment;
        out.nodes.push_back(n);
      }
    }
  }
  for (Node& n : out.nodes) set_terms(n);
  return out;
}

}  // namespace quill::mesh
