#pragma once
/// Two-dimensional electrostatics of conductors in a stack of dielectric
/// layers between two grounded planes, open at the sides: the capacitances a
/// board's cross-section has. Lengths are in units of the plane spacing B
/// (planes at y = 0 and y = 1). Double precision; the same input always gives
/// the same bits.
///
/// Method: boundary elements over the exact potential of a line charge
/// between the planes (so neither the planes nor the open sides need
/// elements). The unknowns are the total charge on each conductor's surface
/// and the polarisation charge on each interface between layers of unlike
/// permittivity, both at the Gauss nodes of straight panels (Nystrom). The
/// conductors hold their potentials; across an interface the normal
/// displacement is continuous. Panels are graded toward every corner and edge
/// by a power law whose exponent suits the field's singularity there, and
/// near-singular interactions are integrated exactly against the panel
/// polynomials. Interfaces are cut off where the field has decayed by 1e-4:
/// the polarisation beyond acts back on the conductors through as much decay
/// again.

#include <cstddef>
#include <vector>

namespace quill {

/// One conductor: a rectangle, or a sheet of no thickness when bottom == top.
/// A rectangle lies within one layer, its faces possibly on that layer's
/// boundaries; a sheet may lie on a boundary or within a layer.
struct SectionConductor {
  double left = 0, right = 0;
  double bottom = 0, top = 0;
};

/// Layers from the lower plane up: each one's upper boundary (ascending, the
/// last one 1) and relative permittivity.
struct LayeredSection {
  std::vector<double> tops;
  std::vector<double> er;
  std::vector<SectionConductor> conductors;
};

/// How finely the boundaries are resolved. `scale` 1 is the working
/// accuracy (about 1e-6 relative in capacitance for board dielectrics, 1e-5
/// at a contrast of ten); tests raise it to show convergence.
struct SectionResolution {
  double scale = 1.0;
};

/// A pattern of conductor potentials whose capacitance, v^T C v / |v|^2, is
/// wanted with its derivative by each layer's permittivity.
using ModeVolts = std::vector<double>;

/// What one solution gives.
struct SectionCharges {
  bool ok = false;
  int conductors = 0;
  /// Maxwell capacitance matrix over eps0, row-major: the free charge on
  /// conductor i with conductor j at potential 1 and the rest at 0.
  std::vector<double> c;
  /// Per mode asked for: its capacitance, and d(capacitance)/d(er) of each layer.
  std::vector<double> mode_c;
  std::vector<std::vector<double>> mode_dc;
  int unknowns = 0;  ///< size of the linear system, for the record
  double at(int i, int j) const { return c[static_cast<std::size_t>(i * conductors + j)]; }
};

/// Solves the cross-section. Not ok when the geometry is unusable: a
/// conductor outside the planes or without width, rectangles that overlap
/// or cross a layer boundary, layers not ascending or a permittivity below 1.
///
/// With `modes`, every layer boundary is meshed (even between equal
/// permittivities, where its charge is zero but its sensitivity is not) and
/// the derivatives come from one adjoint solution per mode: exact for the
/// discrete system, so eps_i dC/deps_i summed over the layers is C.
SectionCharges solve_section(const LayeredSection& s, SectionResolution res = {},
                             const std::vector<ModeVolts>& modes = {});

}  // namespace quill
