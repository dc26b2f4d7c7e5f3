#pragma once
/// The synthesis engine's yardstick: lossless even/odd-mode model of a matched
/// commensurate-line coupler (zoo = 1/zoe) in double precision.

#include <array>

namespace quill {

/// The engine designs at most this many sections.
inline constexpr int max_ripple_sections = 15;

/// Normalised even-mode impedances, section 1 at port 1; entries past the
/// section count are unused.
using SectionImpedances = std::array<double, max_ripple_sections>;

/// Coupling (-20 log10 of the coupled wave) in dB of n sections, each a
/// quarter wave at f0, at frequency ratio f/f0.
double coupling_db(const SectionImpedances& zoe, int n, double ratio);

/// The coupling's extremes over a band f0 (1 - half_width) .. f0 (1 + half_width)
/// and its largest departure from a level.
struct CouplingSwing {
  double min_db = 0;
  double max_db = 0;
  double deviation_db = 0;  ///< max |coupling - level|
};

/// Swing over the band on a fine grid, each inner extreme refined by a
/// golden-section search, so the figure is that of the continuous response.
CouplingSwing coupling_swing(const SectionImpedances& zoe, int n, double level_db, double half_width);

}  // namespace quill
