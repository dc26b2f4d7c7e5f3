#pragma once
/// The symmetries of a coupler's layout that spare full-wave runs. A run
/// drives one port and measures one column of S; an image of the structure
/// that maps ports onto ports gives the column of the image port for free:
/// S[s(i)][s(j)] = S[i][j].
/// - Mirror along the coupler (x to -x about its middle), ports 1<->4 and
///   2<->3: holds when the design is mirror-symmetric (section i the same as
///   section n + 1 - i), whatever the board; both breakouts are drawn alike.
/// - Flip across (y to -y, z to B - z), ports 1<->2 and 4<->3: holds when the
///   board is mirror-stacked (the layers the same read from either plane):
///   the lower strip is then the upper one's image, feeds included.

#include <vector>

#include "common/stackup.hpp"
#include "fullwave/port_waves.hpp"
#include "layout/coupler_layout.hpp"

namespace quill {

struct LayoutSymmetry {
  bool along = false;   ///< mirror along the coupler
  bool across = false;  ///< flip across it
};

LayoutSymmetry layout_symmetry(const CouplerLayout& layout, const Stackup& stack);

/// The ports to drive (1 to 4), the fewest whose columns and their images
/// give all of S; every port with `every`.
std::vector<int> driven_ports(const LayoutSymmetry& symmetry, bool every);

/// The scattering matrix at each frequency from the waves at the port planes
/// of each driven run (in the order of `driven`) and, for each port not
/// driven, the image of a driven run: four excitations, A their incoming
/// waves and B their outgoing ones, column by column, and S = B A^-1. The
/// ports not driven need not be matched: what their terminations send back
/// is in A.
std::vector<SMatrix> scattering_matrices(const LayoutSymmetry& symmetry, const std::vector<int>& driven,
                                         const std::vector<std::vector<PortWaves>>& runs);

}  // namespace quill
