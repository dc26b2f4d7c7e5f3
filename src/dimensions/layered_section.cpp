#include "dimensions/layered_section.hpp"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <limits>

#include "dimensions/panel_quadrature.hpp"
#include "dimensions/plate_kernel.hpp"

namespace quill {

namespace {

using panels::Cplx;
using panels::GaussRule;
using panels::Panel;
constexpr double pi_d = plate::pi_d;

/// How the boundaries are cut into panels, at resolution 1.
struct Meshing {
  int nodes = 6;            ///< Gauss nodes per panel
  double growth = 3.0;      ///< plain panel length over its distance to the nearest corner
  double corner = 1.0;      ///< corner panel length over the corner's distance to other features
  double longest = 2.0;     ///< no panel longer than this (units of B)
  double rho_far = 4.0;     ///< Bernstein parameter beyond which the Gauss rule is used
  /// Interfaces end where the field has decayed by this much: their charge
  /// beyond acts back on the conductors through as much decay again.
  double tail = 1e-4;
};

Meshing meshing_for(double scale) {
  Meshing m;
  m.growth /= scale;
  m.corner /= scale;
  m.longest /= scale;
  m.nodes = static_cast<int>(std::lround(std::clamp(m.nodes * std::sqrt(scale), 4.0, 12.0)));
  return m;
}

/// A corner of a rectangle or an edge of a sheet: where the charge density
/// is singular, and the power of the grading that smooths it there.
struct Feature {
  Cplx at;
  int grading = 3;
};

/// A straight piece of boundary to be cut into panels.
struct Segment {
  Cplx from, to;
  int grade_from = 0, grade_to = 0;  ///< grading power at a singular end, 0 for none
  enum Kind { face, sheet, interface } kind = face;
  int conductor = -1;
  double eps_out = 1;          ///< face: the permittivity beside it
  int layer_out = -1;          ///< face: the layer beside it
  double eps_above = 1, eps_below = 1;  ///< sheet and interface
};

/// One unknown: the charge density at a Gauss node.
struct Node {
  Cplx anchor;  ///< its panel's point a: nodes near a corner share the corner exactly
  Cplx offset;  ///< from the anchor, to full precision however small
  Cplx r() const { return anchor + offset; }
  // Trigonometric and exponential terms of the kernel, formed once per node.
  double sin_y = 0, cos_y = 0;          ///< of pi y
  double sin_half = 0, cos_half = 0;    ///< of pi y / 2
  double exp_x = 0;                     ///< exp(pi x / 2)
  double weight = 0;    ///< Gauss weight times |dr/dt|
  double jacobian = 0;  ///< |dr/dt|
  int panel = 0;
  int segment = 0;
};

struct BoundaryPanel {
  Panel geom;
  int segment = 0;
  int first = 0;  ///< its first node
  bool horizontal = false;
  double y = 0;   ///< height, when horizontal
  double reach = 0;  ///< distance from its middle to its farthest point
  Cplx mid;
};

/// The layer holding the points just above (or just below) height y.
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

bool usable(const LayeredSection& s) {
  if (s.tops.empty() || s.tops.size() != s.er.size() || s.conductors.empty()) return false;
  double below = 0.0;
  for (size_t k = 0; k < s.tops.size(); ++k) {
    if (!(s.tops[k] > below) || !(s.er[k] >= 1.0) || !std::isfinite(s.er[k])) return false;
    below = s.tops[k];
  }
  if (s.tops.back() != 1.0) return false;
  for (const SectionConductor& c : s.conductors) {
    if (!(std::isfinite(c.left) && std::isfinite(c.right) && c.right > c.left)) return false;
    if (!(c.bottom > 0.0 && c.top < 1.0 && c.top >= c.bottom)) return false;
    // A rectangle lies within one layer: nothing of a boundary inside it.
    if (c.top > c.bottom && layer_above(s, c.bottom) != layer_below(s, c.top)) return false;
  }
  for (size_t i = 0; i < s.conductors.size(); ++i) {
    for (size_t j = i + 1; j < s.conductors.size(); ++j) {
      const SectionConductor &a = s.conductors[i], &b = s.conductors[j];
      const bool across = a.left < b.right && b.left < a.right;
      const bool up = a.bottom <= b.top && b.bottom <= a.top;
      if (across && up) return false;
    }
  }
  return true;
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

Boundaries boundaries(const LayeredSection& s, const Meshing& m, bool every) {
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
  double d = std::numeric_limits<double>::infinity();
  for (const Feature& f : features) {
    double u = len2 > 0.0 ? ((f.at - p0) * std::conj(along)).real() / len2 : 0.0;
    u = std::clamp(u, 0.0, 1.0);
    d = std::min(d, std::abs(f.at - (p0 + along * u)));
  }
  return d;
}

/// Length of the graded panel at corner `c`: a fraction of the distance to
/// everything else that shapes the field there (other corners, the planes,
/// boundary lines not through it).
double corner_length(const LayeredSection& s, const std::vector<Feature>& features, Cplx c,
                     const Meshing& m, bool every) {
  double d = std::min(c.imag(), 1.0 - c.imag());
  for (const Feature& f : features)
    if (f.at != c) d = std::min(d, std::abs(f.at - c));
  for (size_t k = 0; k + 1 < s.tops.size(); ++k)
    if ((s.er[k] != s.er[k + 1] || every) && s.tops[k] != c.imag())
      d = std::min(d, std::fabs(s.tops[k] - c.imag()));
  return std::min(m.corner * d, m.longest);
}

/// Cuts a segment into panels: graded ones at its singular ends, plain ones
/// between, each no longer than `growth` times its distance to the nearest
/// feature, marching in from both ends.
void cut(const LayeredSection& s, const Boundaries& b, int index, const Meshing& m,
         std::vector<BoundaryPanel>& out) {
  const Segment& seg = b.segments[static_cast<size_t>(index)];
  const double length = std::abs(seg.to - seg.from);
  const Cplx dir = (seg.to - seg.from) / length;
  double c0 = seg.grade_from ? corner_length(s, b.features, seg.from, m, b.every) : 0.0;
  double c1 = seg.grade_to ? corner_length(s, b.features, seg.to, m, b.every) : 0.0;
  if (c0 + c1 >= length) {
    const double share = seg.grade_from && seg.grade_to ? 0.5 : 1.0;
    c0 = seg.grade_from ? length * share : 0.0;
    c1 = seg.grade_to ? length - c0 : 0.0;
  }
  auto add = [&](Panel p) {
    BoundaryPanel bp;
    bp.geom = p;
    bp.segment = index;
    bp.horizontal = p.d.imag() == 0.0;
    bp.y = p.a.imag();
    bp.mid = p.at(0.0);
    bp.reach = std::max(std::abs(p.a - bp.mid), std::abs(p.at(1.0) - bp.mid));
    out.push_back(bp);
  };
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
  std::vector<double> left{lo}, right{hi};
  for (int guard = 0; guard < 100000 && hi - lo > 1e-14; ++guard) {
    const double hl = step(lo, 1.0), hr = step(hi, -1.0);
    const double h = std::min(hl, hr);
    if (hi - lo <= h * 1.2) break;
    if (hi - lo <= 2.0 * h) {
      // Two equal panels close the gap rather than one long and one sliver.
      lo = (lo + hi) / 2.0;
      left.push_back(lo);
      break;
    }
    if (hl <= hr) {
      lo += hl;
      left.push_back(lo);
    } else {
      hi -= hr;
      right.push_back(hi);
    }
  }
  std::vector<double> cuts = left;
  cuts.insert(cuts.end(), right.rbegin(), right.rend());
  for (size_t k = 0; k + 1 < cuts.size(); ++k) {
    if (cuts[k + 1] - cuts[k] <= 1e-14) continue;
    add({seg.from + dir * cuts[k], dir, cuts[k + 1] - cuts[k], 1});
  }
}

/// Which image of a panel has its logarithm taken out for a target: the one
/// in the nearer plane, when the Gauss rule would not resolve it.
plate::Image near_image(const BoundaryPanel& p, Cplx target, double rho_far, Panel& mirrored) {
  const bool lower = p.mid.imag() < 0.5;
  mirrored = p.geom;
  mirrored.a = lower ? std::conj(p.geom.a) : std::conj(p.geom.a) + Cplx(0.0, 2.0);
  mirrored.d = std::conj(p.geom.d);
  if (panels::gauss_suffices(mirrored, target - mirrored.a, rho_far)) return plate::Image::none;
  return lower ? plate::Image::lower : plate::Image::upper;
}

/// Difference of two nodes' positions: exact where they share an anchor.
Cplx between(const Node& to, const Node& from) {
  return (to.anchor - from.anchor) + (to.offset - from.offset);
}

/// The kernel between two nodes apart, from their precomputed terms: the
/// potential only, or its y-derivative as well.
plate::Value far_kernel(const Node& target, const Node& n, Cplx d, bool want_dy) {
  const double a = pi_d * d.real() / 2.0;
  double sh;
  if (std::fabs(a) < 0.1) {
    sh = std::sinh(a);
  } else {
    const double e = target.exp_x / n.exp_x;
    sh = 0.5 * (e - 1.0 / e);
  }
  const double sd = target.sin_half * n.cos_half - target.cos_half * n.sin_half;
  const double sh2 = sh * sh, sd2 = sd * sd;
  plate::Value v;
  v.k = std::log1p(target.sin_y * n.sin_y / (sh2 + sd2)) / (4.0 * pi_d);
  if (want_dy) {
    const double ss = target.sin_half * n.cos_half + target.cos_half * n.sin_half;
    const double sin_sum = target.sin_y * n.cos_y + target.cos_y * n.sin_y;
    const double sin_diff = target.sin_y * n.cos_y - target.cos_y * n.sin_y;
    v.ky = (sin_sum / (sh2 + ss * ss) - sin_diff / (sh2 + sd2)) / 8.0;
  }
  return v;
}

/// What a row needs of each panel.
struct RowNeeds {
  bool pot = true;  ///< the potential (conductor rows)
  bool dy = false;  ///< its y-derivative (interface rows, split sheets)
};

/// Potential (and its y-derivative) at node `target` from the charges of
/// panel p, as coefficients of its node charges (density times weight),
/// added into `pot` and `dy`.
void panel_row(const BoundaryPanel& p, const std::vector<Node>& nodes, const Node& target,
               const GaussRule& rule, const Meshing& m, RowNeeds needs, double* pot, double* dy) {
  const int np = rule.p;
  const Cplx r = target.r();
  const double y = r.imag();
  const Cplx from_a = (target.anchor - p.geom.a) + target.offset;
  Panel mirrored;
  const bool direct_near = !panels::gauss_suffices(p.geom, from_a, m.rho_far);
  const plate::Image image = near_image(p, r, m.rho_far, mirrored);
  if (!direct_near && image == plate::Image::none) {
    for (int j = 0; j < np; ++j) {
      const Node& n = nodes[static_cast<size_t>(p.first + j)];
      const plate::Value v = far_kernel(target, n, between(target, n), needs.dy);
      pot[j] += v.k;
      if (needs.dy) dy[j] += v.ky;
    }
    return;
  }
  double log_direct[32], log_image[32];
  Cplx cauchy_direct[32], cauchy_image[32];
  const bool with_image = image != plate::Image::none;
  panels::product_weights(p.geom, from_a, rule, needs.pot ? log_direct : nullptr,
                          needs.dy ? cauchy_direct : nullptr);
  if (with_image)
    panels::product_weights(mirrored, r - mirrored.a, rule, needs.pot ? log_image : nullptr,
                            needs.dy ? cauchy_image : nullptr);
  // On the panel's own line the normal field of its charge is zero.
  const bool coplanar = p.horizontal && target.offset.imag() == 0.0 && target.anchor.imag() == p.y;
  for (int j = 0; j < np; ++j) {
    const Node& n = nodes[static_cast<size_t>(p.first + j)];
    const Cplx d = between(target, n);
    const plate::Value v = plate::remainder(d.real(), d.imag(), y, n.r().imag(), image);
    // The product weights integrate the density times |dr/dt|: per unit node
    // charge they are divided by the Gauss weight.
    const double c = 1.0 / (2.0 * pi_d * rule.w[static_cast<size_t>(j)]);
    if (needs.pot) {
      double k = v.k - c * log_direct[j];
      if (with_image) k += c * log_image[j];
      pot[j] += k;
    }
    if (needs.dy) {
      double ky = v.ky;
      if (!coplanar) ky -= c * (Cplx(0.0, 1.0) * cauchy_direct[j]).real();
      if (with_image) ky += c * (Cplx(0.0, 1.0) * cauchy_image[j]).real();
      dy[j] += ky;
    }
  }
}

}  // namespace

SectionCharges solve_section(const LayeredSection& s, SectionResolution res,
                             const std::vector<ModeVolts>& modes) {
  SectionCharges out;
  if (!usable(s) || !(res.scale > 0.0)) return out;
  const int nc = static_cast<int>(s.conductors.size());
  for (const ModeVolts& v : modes)
    if (v.size() != static_cast<size_t>(nc)) return out;
  const bool sensitive = !modes.empty();
  const Meshing m = meshing_for(res.scale);
  const GaussRule rule = panels::gauss_rule(m.nodes);
  const Boundaries b = boundaries(s, m, sensitive);

  std::vector<BoundaryPanel> panel_list;
  for (int k = 0; k < static_cast<int>(b.segments.size()); ++k) cut(s, b, k, m, panel_list);
  std::vector<Node> nodes;
  for (int pi = 0; pi < static_cast<int>(panel_list.size()); ++pi) {
    BoundaryPanel& p = panel_list[static_cast<size_t>(pi)];
    p.first = static_cast<int>(nodes.size());
    for (int j = 0; j < rule.p; ++j) {
      const double t = rule.t[static_cast<size_t>(j)];
      Node n;
      n.anchor = p.geom.a;
      n.offset = p.geom.offset(t);
      const Cplx at = n.r();
      n.sin_y = std::sin(pi_d * at.imag());
      n.cos_y = std::cos(pi_d * at.imag());
      n.sin_half = std::sin(pi_d * at.imag() / 2.0);
      n.cos_half = std::cos(pi_d * at.imag() / 2.0);
      n.exp_x = std::exp(pi_d * at.real() / 2.0);
      n.jacobian = p.geom.jacobian(t);
      n.weight = rule.w[static_cast<size_t>(j)] * n.jacobian;
      n.panel = pi;
      n.segment = p.segment;
      nodes.push_back(n);
    }
  }
  const int n = static_cast<int>(nodes.size());
  auto segment_of = [&](int i) -> const Segment& {
    return b.segments[static_cast<size_t>(nodes[static_cast<size_t>(i)].segment)];
  };

  // Rows that need the normal field: interfaces, and sheets whose two faces
  // border different layers (or may, for the sensitivities), where the field
  // tells the two faces' free charges apart.
  std::vector<int> field_row(static_cast<size_t>(n), -1);
  int fields = 0;
  for (int i = 0; i < n; ++i) {
    const Segment& seg = segment_of(i);
    const bool split_sheet = seg.kind == Segment::sheet && (seg.eps_above != seg.eps_below || sensitive);
    if (seg.kind == Segment::interface || split_sheet) field_row[static_cast<size_t>(i)] = fields++;
  }

  // The unknowns are node charges, density times weight, which keeps the
  // system well scaled however finely the corners are graded. Rows: a
  // conductor's nodes hold its potential; an interface node balances the
  // normal displacement, sigma - 2 lambda dphi/dy = 0 with
  // lambda = (eps_above - eps_below) / (eps_above + eps_below), taken times
  // the node's weight.
  Eigen::MatrixXd a = Eigen::MatrixXd::Zero(n, n);
  Eigen::MatrixXd rhs = Eigen::MatrixXd::Zero(n, nc);
  Eigen::MatrixXd field = Eigen::MatrixXd::Zero(fields, n);  ///< dphi/dy per node charge
  std::vector<double> pot(static_cast<size_t>(n)), dy(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const Node& target = nodes[static_cast<size_t>(i)];
    const Segment& seg = segment_of(i);
    const bool is_interface = seg.kind == Segment::interface;
    const int fr = field_row[static_cast<size_t>(i)];
    const RowNeeds needs{!is_interface, fr >= 0};
    std::fill(pot.begin(), pot.end(), 0.0);
    std::fill(dy.begin(), dy.end(), 0.0);
    for (const BoundaryPanel& p : panel_list)
      panel_row(p, nodes, target, rule, m, needs, &pot[static_cast<size_t>(p.first)],
                &dy[static_cast<size_t>(p.first)]);
    if (is_interface) {
      const double lambda = (seg.eps_above - seg.eps_below) / (seg.eps_above + seg.eps_below);
      const double scale = -2.0 * lambda * target.weight;
      for (int j = 0; j < n; ++j) a(i, j) = scale * dy[static_cast<size_t>(j)];
      a(i, i) += 1.0;
    } else {
      for (int j = 0; j < n; ++j) a(i, j) = pot[static_cast<size_t>(j)];
      rhs(i, seg.conductor) = 1.0;
    }
    if (fr >= 0)
      for (int j = 0; j < n; ++j) field(fr, j) = dy[static_cast<size_t>(j)];
  }

  const Eigen::PartialPivLU<Eigen::MatrixXd> lu(a);
  const Eigen::MatrixXd charge = lu.solve(rhs);
  if (!charge.allFinite()) return out;

  // Free charge as a linear function of the node charges, per conductor: on a
  // face, eps beside it times the total charge; on a sheet, each face's
  // share eps (sigma / 2 +- E_n), E_n the normal field of all the rest,
  // giving (eps_a + eps_b) / 2 sigma - (eps_a - eps_b) dphi/dy.
  Eigen::MatrixXd free_weights = Eigen::MatrixXd::Zero(nc, n);
  for (int i = 0; i < n; ++i) {
    const Segment& seg = segment_of(i);
    if (seg.kind == Segment::interface) continue;
    const int fr = field_row[static_cast<size_t>(i)];
    if (seg.kind == Segment::face) {
      free_weights(seg.conductor, i) += seg.eps_out;
    } else {
      free_weights(seg.conductor, i) += (seg.eps_above + seg.eps_below) / 2.0;
      if (fr >= 0)
        free_weights.row(seg.conductor) -=
            (seg.eps_above - seg.eps_below) * nodes[static_cast<size_t>(i)].weight * field.row(fr);
    }
  }
  const Eigen::MatrixXd c = free_weights * charge;
  out.c.assign(static_cast<size_t>(nc * nc), 0.0);
  for (int i = 0; i < nc; ++i)
    for (int j = 0; j < nc; ++j) out.c[static_cast<size_t>(i * nc + j)] = c(i, j);

  for (const ModeVolts& v : modes) {
    double norm = 0.0;
    for (double x : v) norm += x * x;
    Eigen::VectorXd volts(nc);
    for (int k = 0; k < nc; ++k) volts(k) = v[static_cast<size_t>(k)] / norm;
    const Eigen::VectorXd x = charge * Eigen::Map<const Eigen::VectorXd>(v.data(), nc);
    // d C_v / d eps = (d cv / d eps) . x - y . (d A / d eps) x, y the adjoint.
    const Eigen::VectorXd cv = free_weights.transpose() * volts;  // C_v = cv . x
    const Eigen::VectorXd y = lu.transpose().solve(cv);           // adjoint
    const Eigen::VectorXd ex = field * x;                         // dphi/dy at the field rows
    std::vector<double> dc(s.er.size(), 0.0);
    for (int i = 0; i < n; ++i) {
      const Segment& seg = segment_of(i);
      const Node& node = nodes[static_cast<size_t>(i)];
      const int fr = field_row[static_cast<size_t>(i)];
      const int above = layer_above(s, node.r().imag()), below = layer_below(s, node.r().imag());
      if (seg.kind == Segment::interface) {
        // d(row i)/d eps . x = -2 (d lambda / d eps) w dphi/dy; the row enters as -y_i times that.
        const double sum = seg.eps_above + seg.eps_below;
        const double common = -2.0 * node.weight * ex(fr) * -y(i);
        dc[static_cast<size_t>(above)] += common * 2.0 * seg.eps_below / (sum * sum);
        dc[static_cast<size_t>(below)] += common * -2.0 * seg.eps_above / (sum * sum);
        continue;
      }
      const double share = volts(seg.conductor) * x(i);
      if (seg.kind == Segment::face) {
        // The layer beside the face: its outward normal points into it.
        dc[static_cast<size_t>(seg.layer_out)] += share;
      } else {
        dc[static_cast<size_t>(above)] += share / 2.0;
        dc[static_cast<size_t>(below)] += share / 2.0;
        if (fr >= 0) {
          const double e = -volts(seg.conductor) * node.weight * ex(fr);
          dc[static_cast<size_t>(above)] += e;
          dc[static_cast<size_t>(below)] -= e;
        }
      }
    }
    out.mode_c.push_back(cv.dot(x));
    out.mode_dc.push_back(std::move(dc));
  }
  out.ok = true;
  out.conductors = nc;
  out.unknowns = n;
  return out;
}

}  // namespace quill
