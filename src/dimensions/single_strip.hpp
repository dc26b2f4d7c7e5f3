#pragma once
/// One strip alone in a board, at the lower or the upper strip's height (the
/// other strip absent): the feed that carries a port, and the widest copper
/// that sets where the board's first higher-order mode starts. Field-solved,
/// lengths in metres.

#include "common/stackup.hpp"

namespace quill {

/// Impedance in ohms of a strip `width_m` wide on the upper or lower face.
double single_strip_impedance(const Stackup& stack, double width_m, bool upper);

/// Width of a strip of impedance `zo` ohms on the upper or lower face; NaN
/// when no width from a thousandth to twenty ground-plane spacings has it.
double single_strip_width(const Stackup& stack, double zo, bool upper);

/// The width of a lone strip of `zo` ohms on each face, the feeds' width:
/// on a mirror-stacked board the two are one another's image, solved once.
struct FaceWidths {
  double lower_m = 0, upper_m = 0;
};
FaceWidths single_strip_widths(const Stackup& stack, double zo);

/// The lowest frequency, MHz, at which a mode other than the strips' own can
/// travel in the board beside copper `across_m` wide (from the outer edge of
/// one strip to the outer edge of the other): the first transverse resonance
/// across the strip and its fringing fields, c / (sqrt(Er) (2 w + pi B / 2)),
/// or the plates' own first mode, c / (2 B sqrt(Er)), whichever is lower,
/// with the board's highest Er so the limit errs on the safe side.
double higher_mode_limit_mhz(const Stackup& stack, double across_m);

}  // namespace quill
