#pragma once
/// The coupler's response with what its copper adds where it changes: at
/// each end, where the strips part for the feeds, and at each junction,
/// where one section's strips step to the next's. The ideal model joins
/// ideal lines at sharp planes; the copper stores extra charge and current
/// there, and the two modes see different amounts of it: their transmission
/// phases part and the isolated port hears it. Each is a small network per
/// mode, a shunt capacitance from each strip to ground between two halves of
/// a series inductance, in the even/odd chain of the design as its report
/// models it. Double precision: a new engine, not the report's arithmetic.

#include <array>
#include <complex>
#include <vector>

#include "common/design.hpp"

namespace quill {

/// What one mode sees at a plane: farads from each strip to ground, henries
/// in series with each strip.
struct ModeParasitic {
  double shunt_f = 0, series_h = 0;
};

struct Discontinuity {
  ModeParasitic even, odd;
};

/// The discontinuities of a coupler: both ends alike (the breakouts are
/// drawn alike), and one per junction, between sections k and k + 1.
struct Discontinuities {
  Discontinuity ends;
  std::vector<Discontinuity> junctions;
};

using CouplerMatrix = std::array<std::array<std::complex<double>, 4>, 4>;

/// The scattering matrix of `d` with `p` at `f_mhz`, ports numbered as the
/// report numbers them (1 input, 2 coupled, 3 isolated, 4 through), normalised
/// to Zo. With no discontinuities it is the report's own four-port, in double.
CouplerMatrix coupler_matrix(const CouplerDesign& d, const Discontinuities& p, double f_mhz);

/// A short uniform length of one mode's line: its impedance (ohms, each
/// strip's), its delay, and its attenuation at 1 GHz, the conductor's
/// growing as the square root of frequency, the dielectric's in proportion.
/// Or, with no delay, a lumped T where the line changes: half `series_h` in
/// series each side of `shunt_f` to ground (either may be negative: what a
/// plane moved along the line takes from one side and gives the other).
struct ModeLine {
  double z_ohm = 0, delay_s = 0;
  double cond_np = 0, diel_np = 0;
  double series_h = 0, shunt_f = 0;
};

/// Both modes' lines from the left port plane (ports 1 and 2) to the right
/// one (4 and 3): a coupler described piece by piece, whatever its copper.
struct ModeLines {
  std::vector<ModeLine> even, odd;
};

/// The scattering matrix of `lines` at `f_mhz`, normalised to `zo` ohms,
/// ports numbered as `coupler_matrix` numbers them.
CouplerMatrix mode_lines_matrix(const ModeLines& lines, double zo, double f_mhz);

/// The parasitics of the junctions (all alike, `same_junctions`, or each its
/// own) and, unless `ends_known`, of the ends, that bring `d`'s matrices
/// closest to `measured` at `f_mhz` by least squares over every entry of
/// the first and fourth columns. `start` holds the known ends and the first
/// guess. Returns the fit and its root-mean-square residual.
struct DiscontinuityFit {
  Discontinuities fitted;
  double rms = 0;
  int iterations = 0;
};
DiscontinuityFit fit_discontinuities(const CouplerDesign& d, const std::vector<double>& f_mhz,
                                     const std::vector<CouplerMatrix>& measured, const Discontinuities& start,
                                     bool ends_known, bool same_junctions);

}  // namespace quill
