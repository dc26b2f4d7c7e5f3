#pragma once
/// A design's strips in a real board: each section's width and offset refined
/// until the board's field gives its even- and odd-mode impedances, then the
/// velocities, losses and length the board brings, and the design as built.
///
/// Each section is a quarter wave at its centre frequency for the mean of the
/// two modes' electrical lengths,
///   L = c / (4 f0) * 2 / (sqrt(eps_e) + sqrt(eps_o)),
/// and as built each mode keeps its own phase velocity: its electrical length
/// is 2 pi f sqrt(eps_m) L / c. Conductor loss grows as sqrt(f), dielectric
/// loss as f. Physical paths use c = 299 792 458 m/s.

#include <string>
#include <vector>

#include "common/design.hpp"
#include "common/stackup.hpp"
#include "dimensions/strip_refine.hpp"

namespace quill {

/// One section of a design in the board.
struct StackSection {
  SectionStrips strips;     ///< width, offset (inches), field impedances, why none
  double f0_mhz = 0;        ///< the section's centre frequency
  double eeff_even = 0, eeff_odd = 0;
  double velocity_ratio = 0;  ///< even-mode phase velocity over the odd mode's
  /// Losses at the section's centre frequency, dB per inch.
  double cond_even = 0, cond_odd = 0, diel_even = 0, diel_odd = 0;
  double length_in = 0;     ///< physical length
  double asymmetry = 0;     ///< (C11 - C22) / (C11 + C22) of its strips
  std::string note;         ///< the strips' note, and what the board adds to it
  bool built() const { return strips.found; }
};

struct StackDesign {
  std::vector<StackSection> sections;
  /// The first section without strips, 1-based; 0 when every section has them.
  int first_declined() const;
};

/// The one message for a design with a section the board cannot build, for
/// every command and the module: "section 4 (Zoe 246.83 ohms, Zoo 10.13
/// ohms) cannot be built in board.toml: " and why, with the largest strip
/// spacing that would build it or what else of the board would have to
/// change. Empty when every section is built.
std::string declined_message(const StackDesign& built, const Stackup& stack);

/// The board as the strip refinement sees it: the stack's field solution in
/// units of its B, and the stack with another strips-layer thickness (the
/// other layers kept) for the largest S a declined section could have.
StripBoard stack_board(const Stackup& stack);

/// Every section of `d` in `stack`; `icenter` 1 asks for superposed strips
/// in the centre section, as the dimension report does.
StackDesign refine_stack_design(const CouplerDesign& d, const Stackup& stack, int icenter);

/// Gives `d` the dielectric constant, to four decimals, whose quarter waves
/// add up to the board's length of its sections, and lays its sections out
/// again for it: the one Er a design-data file can hold of a layered board.
/// Only for a design whose every section was built.
void hold_board_length(CouplerDesign& d, const StackDesign& built);

/// The design as the board builds it, for the analysis: each section's
/// field-solved impedances (normalised to Zo), its physical length, each
/// mode's electrical length and attenuation at the design's centre
/// frequency (conductor and dielectric apart), its phase velocities as
/// fractions of c and its total loss in dB per inch at its centre frequency.
/// Only for a design whose every section was built.
CouplerDesign as_built(const CouplerDesign& d, const StackDesign& built);

}  // namespace quill
