#pragma once
/// The boundary elements of a layered cross-section: conductor faces, sheets
/// and layer boundaries cut into panels, graded toward every corner and
/// edge, with the Gauss nodes that carry the unknown charges. Units of B.

#include <vector>

#include "dimensions/layered_section.hpp"
#include "dimensions/panel_quadrature.hpp"

namespace quill::mesh {

using panels::Cplx;

/// How the boundaries are cut into panels.
struct Rules {
  int nodes = 6;            ///< Gauss nodes per panel
  double growth = 2.0;      ///< plain panel length over its distance to the nearest corner
  double corner = 0.5;      ///< corner panel length over the corner's distance to other features
  double longest = 2.0;     ///< no panel longer than this (units of B)
  double rho_far = 4.0;     ///< Bernstein parameter beyond which the Gauss rule is used
  /// Interfaces end where the field has decayed by this much: their charge
  /// beyond acts back on the conductors through as much decay again.
  double tail = 1e-4;
};

/// The rules at resolution `scale` (1 the working one): panels shrink and
/// gain nodes as it grows.
Rules rules_for(double scale);

/// A corner of a rectangle or an edge of a sheet: where the charge density
/// is singular, and the power of the grading that smooths it there.
struct Feature {
  Cplx at;
  int grading = 3;
};

/// A straight piece of boundary, cut into panels.
struct Segment {
  Cplx from, to;
  int grade_from = 0, grade_to = 0;  ///< grading power at a singular end, 0 for none
  enum Kind { face, sheet, interface } kind = face;
  int conductor = -1;
  double eps_out = 1;          ///< face: the permittivity beside it
  int layer_out = -1;          ///< face: the layer beside it
  double eps_above = 1, eps_below = 1;  ///< sheet and interface
};

/// One unknown: the charge at a Gauss node.
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
  panels::Panel geom;
  int segment = 0;
  int first = 0;     ///< its first node
  bool horizontal = false;
  double y = 0;      ///< height, when horizontal
  Cplx mid;
};

struct SectionMesh {
  panels::GaussRule rule;
  std::vector<Segment> segments;
  std::vector<BoundaryPanel> panels;
  std::vector<Node> nodes;
  /// With a point-symmetric mesh, the number of nodes in its lower half:
  /// node half + j is the image of node j under (x, y) -> (-x, 1 - y). 0 otherwise.
  int half = 0;
};

/// Whether the section is its own image under (x, y) -> (-x, 1 - y), the two
/// conductors of a pair changing places: the mirror-stacked board of a
/// coupler, whose even and odd modes can then be solved apart at half size.
bool point_symmetric(const LayeredSection& s);

/// Cuts the section's boundaries. With `every_boundary`, layer boundaries
/// between equal permittivities are meshed too. With `symmetric` (for a
/// point-symmetric section), only the lower half is cut and the upper half
/// is its exact image.
SectionMesh mesh_section(const LayeredSection& s, const Rules& rules, bool every_boundary, bool symmetric);

/// The layer holding the points just above (or just below) height y.
int layer_above(const LayeredSection& s, double y);
int layer_below(const LayeredSection& s, double y);

}  // namespace quill::mesh
