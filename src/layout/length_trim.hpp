#pragma once
/// Each section's straight copper made a little longer or shorter so that
/// the copper couples as the design does. What the breakouts and junctions
/// add is not a pure change of length: the feeds part with a tail of
/// coupling that a formula takes off the end sections only roughly, and
/// each step delays the modes unlike, so the copper's coupling tilts across
/// the band (weaker at its low edge, stronger at its high one). The copper
/// model tells by how much; searching each section's length on it (mirrored
/// sections alike, so a mirrored coupler stays mirrored) takes about half
/// of the tilt back (on the example boards the 3-section 10 dB coupler's
/// copper comes within 0.15 to 0.21 dB of the design's coupling, from 0.31
/// to 0.39 dB). Lengths only: the sections' cross-sections stay the
/// design's, so nothing is solved again.

#include <string>
#include <vector>

#include "layout/copper_lines.hpp"
#include "layout/coupler_layout.hpp"

namespace quill {

struct LengthTrim {
  std::vector<double> metres;  ///< to add to each section's straight copper
  /// The copper's largest departure from the design's coupling over the
  /// band, dB, as laid out and with the trims.
  double before_db = 0, after_db = 0;
  std::string error;  ///< why not, one sentence
};

/// The largest departure, dB, of the coupling of `layout`'s copper (its
/// stubs and the board's step delays with it) from the design's, over the
/// band the trims are sized on.
double coupling_departure_db(const CouplerDesign& d, const StackDesign& built, const Stackup& stack,
                             const CouplerLayout& layout, SolvedSections* solved = nullptr);

/// The trims of `layout`'s sections, from the copper model over the band
/// (a synthesised design's, else half to one and a half times f0). None
/// where they would better the coupling by less than a hundredth of a
/// decibel. No trim takes or adds more than a tenth of its section.
LengthTrim trim_lengths(const CouplerDesign& d, const StackDesign& built, const Stackup& stack,
                        const CouplerLayout& layout, SolvedSections* solved = nullptr);

}  // namespace quill
