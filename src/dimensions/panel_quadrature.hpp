#pragma once
/// Quadrature on the straight panels of the layered cross-section solver.
///
/// A panel carries p Gauss-Legendre nodes in a parameter t on -1..1. A plain
/// panel is linear in t; a panel graded toward one end places its points at
/// u^q of its length (u = (t + 1) / 2), so that a charge density growing as a
/// power of the distance to a corner becomes smooth in t. Far from a target
/// the Gauss rule integrates the kernel; near it, product integration: the
/// logarithm and the Cauchy kernel are integrated exactly against the
/// polynomial through the nodes (moments in t, turned into weights by the
/// inverse transposed Vandermonde matrix of the nodes).

#include <complex>
#include <vector>

namespace quill::panels {

using Cplx = std::complex<double>;

/// Gauss-Legendre rule of p points on -1..1 and what product integration
/// needs of it. Built once per p.
struct GaussRule {
  int p = 0;
  std::vector<double> t;       ///< nodes, ascending
  std::vector<double> w;       ///< weights
  std::vector<double> vinv_t;  ///< (V^-1)^T row-major, V[j][m] = t_j^m
  std::vector<double> fine_t, fine_w;  ///< a finer rule for moments about distant points
};
GaussRule gauss_rule(int p);

/// A straight panel from the complex points a to a + d * length (|d| = 1).
/// q = 1 is a plain panel; q > 1 grades its nodes toward a.
struct Panel {
  Cplx a;
  Cplx d;
  double length = 0;
  int q = 1;

  /// Point at parameter t, and its offset from a.
  Cplx at(double t) const { return a + offset(t); }
  Cplx offset(double t) const;
  /// |dr/dt| at parameter t.
  double jacobian(double t) const;
};

/// Whether the Gauss rule integrates a kernel singular at the target over
/// `panel` well: the error falls as rho^(-2p) with rho the Bernstein
/// parameter of the target, so beyond `rho_far` it does. Targets are given by
/// `from_a`, their offset from the panel's point a, computed by the caller
/// to full precision even next to a corner.
bool gauss_suffices(const Panel& panel, Cplx from_a, double rho_far);

/// Product-integration weights of the target (offset `from_a` from the
/// panel's point a) against `panel`, per node j:
///   log[j]    integrates ln|target - r(t)| g(t) dt
///   cauchy[j] integrates g(t) / (target - r(t)) dt  (complex)
/// for g a polynomial of degree below p, g(t_j) given. Both are exact for
/// such g whatever the distance of the target. A target on the panel's own
/// line inside it gets the principal value of the Cauchy integral. Either
/// output may be null when it is not wanted.
void product_weights(const Panel& panel, Cplx from_a, const GaussRule& rule, double* log,
                     Cplx* cauchy);

}  // namespace quill::panels
