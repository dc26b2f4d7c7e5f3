#include "dimensions/layered_section.hpp"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <limits>

#include "dimensions/panel_quadrature.hpp"
#include "dimensions/plate_kernel.hpp"
#include "dimensions/section_mesh.hpp"

namespace quill {

namespace {

using mesh::BoundaryPanel;
using mesh::Node;
using mesh::Segment;
using panels::Cplx;
using panels::GaussRule;
using panels::Panel;
constexpr double pi_d = plate::pi_d;

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
    if (c.top > c.bottom && mesh::layer_above(s, c.bottom) != mesh::layer_below(s, c.top)) return false;
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
               const GaussRule& rule, double rho_far, RowNeeds needs, double* pot, double* dy) {
  const int np = rule.p;
  const Cplx r = target.r();
  const double y = r.imag();
  const Cplx from_a = (target.anchor - p.geom.a) + target.offset;
  Panel mirrored;
  const bool direct_near = !panels::gauss_suffices(p.geom, from_a, rho_far);
  const plate::Image image = near_image(p, r, rho_far, mirrored);
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

/// Every coefficient of the rows of nodes [0, rows): the potential (conductor
/// rows) or the displacement balance (interface rows), over all n node
/// charges, and the normal field at the nodes that need it (`field_row` >= 0).
struct Assembly {
  Eigen::MatrixXd a;      ///< rows x n
  Eigen::MatrixXd field;  ///< fields x n: dphi/dy per node charge
  std::vector<int> field_row;
};

Assembly assemble(const LayeredSection& s, const mesh::SectionMesh& mesh, const mesh::Rules& m, int rows,
                  bool sensitive) {
  const int n = static_cast<int>(mesh.nodes.size());
  Assembly out;
  // Rows that need the normal field: interfaces, and sheets whose two faces
  // border different layers (or may, for the sensitivities), where the field
  // tells the two faces' free charges apart.
  out.field_row.assign(static_cast<size_t>(rows), -1);
  int fields = 0;
  for (int i = 0; i < rows; ++i) {
    const Segment& seg = mesh.segments[static_cast<size_t>(mesh.nodes[static_cast<size_t>(i)].segment)];
    const bool split_sheet = seg.kind == Segment::sheet && (seg.eps_above != seg.eps_below || sensitive);
    if (seg.kind == Segment::interface || split_sheet) out.field_row[static_cast<size_t>(i)] = fields++;
  }
  (void)s;
  out.a = Eigen::MatrixXd::Zero(rows, n);
  out.field = Eigen::MatrixXd::Zero(fields, n);
  std::vector<double> pot(static_cast<size_t>(n)), dy(static_cast<size_t>(n));
  for (int i = 0; i < rows; ++i) {
    const Node& target = mesh.nodes[static_cast<size_t>(i)];
    const Segment& seg = mesh.segments[static_cast<size_t>(target.segment)];
    const bool is_interface = seg.kind == Segment::interface;
    const int fr = out.field_row[static_cast<size_t>(i)];
    const RowNeeds needs{!is_interface, fr >= 0};
    std::fill(pot.begin(), pot.end(), 0.0);
    std::fill(dy.begin(), dy.end(), 0.0);
    for (const BoundaryPanel& p : mesh.panels)
      panel_row(p, mesh.nodes, target, mesh.rule, m.rho_far, needs, &pot[static_cast<size_t>(p.first)],
                &dy[static_cast<size_t>(p.first)]);
    // The unknowns are node charges, density times weight, which keeps the
    // system well scaled however finely the corners are graded. A conductor's
    // node holds its potential; an interface node balances the normal
    // displacement, sigma - 2 lambda dphi/dy = 0 with
    // lambda = (eps_above - eps_below) / (eps_above + eps_below), taken times
    // the node's weight.
    if (is_interface) {
      const double lambda = (seg.eps_above - seg.eps_below) / (seg.eps_above + seg.eps_below);
      const double scale = -2.0 * lambda * target.weight;
      for (int j = 0; j < n; ++j) out.a(i, j) = scale * dy[static_cast<size_t>(j)];
      out.a(i, i) += 1.0;
    } else {
      for (int j = 0; j < n; ++j) out.a(i, j) = pot[static_cast<size_t>(j)];
    }
    if (fr >= 0)
      for (int j = 0; j < n; ++j) out.field(fr, j) = dy[static_cast<size_t>(j)];
  }
  return out;
}

/// Free charge of the nodes [0, rows) as a linear function of the node
/// charges, per conductor: on a face, eps beside it times the total charge;
/// on a sheet, each face's share eps (sigma / 2 +- E_n), E_n the normal field
/// of all the rest, giving (eps_a + eps_b) / 2 sigma - (eps_a - eps_b) w dphi/dy.
Eigen::MatrixXd free_charge(const mesh::SectionMesh& mesh, const Eigen::MatrixXd& field,
                            const std::vector<int>& field_row, int conductors, int rows) {
  const int n = static_cast<int>(field.cols());
  Eigen::MatrixXd w = Eigen::MatrixXd::Zero(conductors, n);
  for (int i = 0; i < rows; ++i) {
    const Node& node = mesh.nodes[static_cast<size_t>(i)];
    const Segment& seg = mesh.segments[static_cast<size_t>(node.segment)];
    if (seg.kind == Segment::interface) continue;
    if (seg.kind == Segment::face) {
      w(seg.conductor, i) += seg.eps_out;
      continue;
    }
    w(seg.conductor, i) += (seg.eps_above + seg.eps_below) / 2.0;
    const int fr = field_row[static_cast<size_t>(i)];
    if (fr >= 0) w.row(seg.conductor) -= (seg.eps_above - seg.eps_below) * node.weight * field.row(fr);
  }
  return w;
}

/// The point-symmetric pair: the even and odd modes apart, each a system of
/// half the size, whose unknowns are the lower half's node charges (the upper
/// half's are the same, or their negatives).
bool solve_symmetric(const LayeredSection& s, const mesh::SectionMesh& mesh, const mesh::Rules& m,
                     SectionCharges& out) {
  const int h = mesh.half;
  const Assembly as = assemble(s, mesh, m, h, false);
  int lower = 0;  // the conductor of the lower half
  for (int i = 0; i < h; ++i) {
    const Segment& seg = mesh.segments[static_cast<size_t>(mesh.nodes[static_cast<size_t>(i)].segment)];
    if (seg.kind != Segment::interface) lower = seg.conductor;
  }
  Eigen::VectorXd rhs = Eigen::VectorXd::Zero(h);
  for (int i = 0; i < h; ++i)
    if (mesh.segments[static_cast<size_t>(mesh.nodes[static_cast<size_t>(i)].segment)].kind != Segment::interface)
      rhs(i) = 1.0;
  double q[2];
  for (int mode = 0; mode < 2; ++mode) {
    const double sign = mode == 0 ? 1.0 : -1.0;
    const Eigen::MatrixXd a = as.a.leftCols(h) + sign * as.a.rightCols(h);
    const Eigen::MatrixXd field = as.field.leftCols(h) + sign * as.field.rightCols(h);
    const Eigen::VectorXd charge = Eigen::PartialPivLU<Eigen::MatrixXd>(a).solve(rhs);
    if (!charge.allFinite()) return false;
    const Eigen::MatrixXd w = free_charge(mesh, field, as.field_row, 2, h);
    q[mode] = w.row(lower).dot(charge);
  }
  // Even: both at 1, each holds C11 + C12; odd: +1 and -1, each holds C11 - C12.
  const double self = (q[0] + q[1]) / 2.0, mutual = (q[0] - q[1]) / 2.0;
  out.c = {self, mutual, mutual, self};
  return true;
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
  const mesh::Rules m = mesh::rules_for(res.scale);
  const bool symmetric = !sensitive && mesh::point_symmetric(s);
  const mesh::SectionMesh mesh = mesh::mesh_section(s, m, sensitive, symmetric);
  const int n = static_cast<int>(mesh.nodes.size());
  out.conductors = nc;
  out.unknowns = n;
  if (symmetric) {
    out.ok = solve_symmetric(s, mesh, m, out);
    return out;
  }

  const Assembly as = assemble(s, mesh, m, n, sensitive);
  Eigen::MatrixXd rhs = Eigen::MatrixXd::Zero(n, nc);
  for (int i = 0; i < n; ++i) {
    const Segment& seg = mesh.segments[static_cast<size_t>(mesh.nodes[static_cast<size_t>(i)].segment)];
    if (seg.kind != Segment::interface) rhs(i, seg.conductor) = 1.0;
  }
  const Eigen::PartialPivLU<Eigen::MatrixXd> lu(as.a);
  const Eigen::MatrixXd charge = lu.solve(rhs);
  if (!charge.allFinite()) return out;
  const Eigen::MatrixXd free_weights = free_charge(mesh, as.field, as.field_row, nc, n);
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
    const Eigen::VectorXd y = lu.transpose().solve(cv);
    const Eigen::VectorXd ex = as.field * x;                      // dphi/dy at the field rows
    std::vector<double> dc(s.er.size(), 0.0);
    for (int i = 0; i < n; ++i) {
      const Node& node = mesh.nodes[static_cast<size_t>(i)];
      const Segment& seg = mesh.segments[static_cast<size_t>(node.segment)];
      const int fr = as.field_row[static_cast<size_t>(i)];
      const int above = mesh::layer_above(s, node.r().imag()), below = mesh::layer_below(s, node.r().imag());
      if (seg.kind == Segment::interface) {
        // d(row i)/d eps . x = -2 (d lambda / d eps) w dphi/dy; the row enters as -y_i times that.
        const double sum = seg.eps_above + seg.eps_below;
        const double common = 2.0 * node.weight * ex(fr) * y(i);
        dc[static_cast<size_t>(above)] += common * 2.0 * seg.eps_below / (sum * sum);
        dc[static_cast<size_t>(below)] -= common * 2.0 * seg.eps_above / (sum * sum);
        continue;
      }
      const double share = volts(seg.conductor) * x(i);
      if (seg.kind == Segment::face) {
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
  return out;
}

}  // namespace quill
