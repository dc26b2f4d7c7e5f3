#pragma once
/// The rectilinear mesh of a full-wave model of the coupler, drawn by rules a
/// test can check:
/// - the third rule at every strip edge: a line a third of an edge cell
///   inside the copper and one two thirds outside, where the field's
///   singularity is best resolved;
/// - enough cells across the strip spacing S and across the copper;
/// - no cell longer than a twentieth of the wavelength in the densest
///   dielectric at the highest frequency;
/// - smooth grading: neighbouring cells differ by at most the grading ratio.
/// Lengths in metres: x along the coupler, y across, z up from the lower
/// ground plane.

#include <string>
#include <vector>

#include "common/stackup.hpp"
#include "fullwave/port_feeds.hpp"
#include "layout/coupler_layout.hpp"

namespace quill {

enum class MeshDensity { coarse, normal, fine };

struct MeshRules {
  int cells_across_gap = 4;     ///< across S, the strips' facing gap
  int cells_across_copper = 1;  ///< across the copper's thickness (when it has one)
  int cells_per_wavelength = 20;
  double grading = 1.5;         ///< largest ratio of neighbouring cells
  double edge_cell = 0;         ///< cell at a strip edge, metres (from the density)
  double side_walls = 3;        ///< side walls (the absorbers) this many B from the copper across
  double port_feed = default_port_feed_b;  ///< each feed's uniform run beyond its port plane, in B
};

/// The rules of a density for a board: the edge cell is a fraction of the
/// narrowest copper (a strip, a feed, or the neck where two sections' strips
/// overlap at their junction) or of the gap, whichever is less.
MeshRules mesh_rules(MeshDensity density, const CouplerLayout& layout, const Stackup& stack);

/// Cells of the absorbing layer (openEMS's PML) beyond each wall across and
/// along: a lateral wave leaves the model instead of ringing between walls.
constexpr int absorber_cells = 8;

struct FullwaveGrid {
  std::vector<double> x, y, z;  ///< ascending, the absorbing layers included
  /// The walls where the absorbing layers begin: the side walls' margin
  /// beyond the copper across, a ground-plane spacing beyond each feed's
  /// far end along. The ground planes are z = 0 and z = B.
  double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
  /// The feeds beyond the port planes, their probe planes on lines of this
  /// grid one cell apart.
  std::array<PortFeed, 4> feeds;
};

/// The longest cell the rules allow in `stack` up to `fmax_hz`: a
/// twentieth (or the rules' fraction) of the wavelength in its densest layer.
double largest_cell(const Stackup& stack, const MeshRules& rules, double fmax_hz);

/// The grid of the coupler's model up to `fmax_hz`.
FullwaveGrid fullwave_grid(const CouplerLayout& layout, const Stackup& stack, const MeshRules& rules,
                           double fmax_hz);


}  // namespace quill
