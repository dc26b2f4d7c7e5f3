#pragma once
/// Equal-ripple (minimax) coupler design on a dense frequency grid.

#include "coupling_model.hpp"

namespace tablegen {

/// What a row has to meet: the section layout, the coupling level and the
/// band, given as its half width about f0 in units of f0 (the coupling of a
/// commensurate-line coupler is symmetrical about f0, so half the band is
/// enough to judge it).
struct Band {
  bool symmetrical;   ///< mirror-symmetric sections, only (n + 1)/2 of them free
  int n;              ///< number of sections
  double level;       ///< coupling level, dB
  double half_width;  ///< band is f0 (1 - half_width) .. f0 (1 + half_width)
};

/// A design and the largest deviation of its coupling from the level on the band.
struct Design {
  Impedances zoe{};
  double deviation = 0;
};

/// Largest |coupling - level| over the band, dB.
double max_deviation(const Band& band, const Impedances& zoe);

/// Smallest and largest coupling over the band, dB.
void coupling_extremes(const Band& band, const Impedances& zoe, double& lo, double& hi);

/// The impedances that minimise the largest deviation over the band, from a
/// starting design of the right layout (mirror symmetry is imposed here).
Design minimax(const Band& band, const Impedances& start);

/// Minimax design of the centre section alone, the outer sections held.
Design minimax_centre(const Band& band, const Impedances& start);

/// The band half width at which the minimax deviation equals `ripple`,
/// searched from a guess, with its design.
Design design_for_ripple(Band& band, double ripple, const Impedances& start);

}  // namespace tablegen
