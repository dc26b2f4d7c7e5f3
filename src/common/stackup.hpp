#pragma once
/// The board a coupler is etched in: dielectric layers between two ground
/// planes, listed from the lower plane up, with the coupled strips on the two
/// faces of one of them. Lengths are kept in metres whatever unit the stack
/// file used, so the physics (skin depth, losses) needs no conversions.

#include <optional>
#include <string>
#include <vector>

namespace quill {

/// Metres in an inch, exactly.
inline constexpr double metres_per_inch = 0.0254;

/// Conductivity of annealed copper, S/m: the default of strips and planes.
inline constexpr double copper_conductivity = 5.8e7;

struct StackLayer {
  double thickness_m = 0;
  double er = 1;
  double tan_delta = 0;
  bool strips = false;  ///< the coupled strips lie on this layer's lower and upper faces
};

/// How much a step in the coupled strips delays each mode, per ground-plane
/// spacing of line and unit of |ln(Z_a / Z_b)|: at the ends, where the
/// strips meet the feeds, and at the junctions between sections. A full-wave
/// model of a coupler in the board measures them (tools/extract_discontinuities).
struct StepKappas {
  double end_even = 0, end_odd = 0, junction_even = 0, junction_odd = 0;
};

struct Stackup {
  std::string name;              ///< the file as the user named it, for reports
  std::string unit = "mm";       ///< the unit the file gave its lengths in
  std::vector<StackLayer> layers;  ///< from the lower ground plane up
  int strips_layer = -1;         ///< index of the layer between the strips
  double copper_m = 0;           ///< thickness of the coupled strips; 0 = ideal sheets
  double conductivity = copper_conductivity;  ///< S/m, strips and ground planes
  /// The steps' delays measured in this board, if its file gives them.
  std::optional<StepKappas> step_kappas;

  /// Ground-plane spacing B: the sum of the layer thicknesses.
  double b_m() const {
    double b = 0;
    for (const StackLayer& l : layers) b += l.thickness_m;
    return b;
  }
  /// Strip spacing S: the thickness of the strips layer.
  double s_m() const { return layers[static_cast<size_t>(strips_layer)].thickness_m; }
  /// The same read from either plane, thicknesses and permittivities (with
  /// `losses`, the loss tangents too): the two strips then see mirror images
  /// of one field.
  bool mirror_stacked(bool losses = false) const {
    const size_t n = layers.size();
    if (static_cast<size_t>(strips_layer) * 2 + 1 != n) return false;
    for (size_t k = 0; k < n; ++k) {
      const StackLayer &a = layers[k], &b = layers[n - 1 - k];
      if (a.thickness_m != b.thickness_m || a.er != b.er || (losses && a.tan_delta != b.tan_delta)) return false;
    }
    return true;
  }
};

}  // namespace quill
