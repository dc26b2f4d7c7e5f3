#pragma once
/// The strips of a design in a board, as the table printed after the
/// dimension report and as comma-separated values for other tools.

#include <string>

#include "common/design.hpp"
#include "common/stackup.hpp"
#include "dimensions/stack_strips.hpp"

namespace quill {

/// What the board itself sets beside the sections: a lone feed strip of Zo
/// on each face, the coupler's length, and the lowest frequency at which a
/// higher-order mode can travel beside the widest copper (the sections'
/// strips or a feed). Lengths in metres; NaN where there is none (the length
/// of a design with a section the board cannot build).
struct BoardFigures {
  double feed_lower_m = 0, feed_upper_m = 0;
  double length_m = 0;
  double across_m = 0;       ///< the widest copper, from outer edge to outer edge
  double er_max = 1;         ///< the board's highest permittivity, which the limit takes
  double max_frequency_mhz = 0;
};
BoardFigures board_figures(const CouplerDesign& d, const Stackup& stack, const StackDesign& built);

/// Fixed-column text, at most 100 columns: the board, then per section the
/// width, offset and length in millimetres and inches with the field-solved
/// impedances; then its centre frequency, each mode's effective permittivity,
/// the velocity ratio and each mode's conductor and dielectric loss there;
/// then the board's figures (board_figures); then a line for every section
/// whose strips need a word.
std::string stack_table_text(const CouplerDesign& d, const Stackup& stack, const StackDesign& built);

/// One header line and one line per section, numbers in their shortest
/// round-trip form (they read back to the values the analysis is built
/// from), empty where there is no value: width, offset and the rest of a
/// section without strips.
std::string stack_table_csv(const StackDesign& built);

/// The board in one line: "core.toml: B 1.254 mm, S 0.254 mm, copper
/// 0.035 mm; layers 0.5 mm Er 3 tan 0.002 / ...", for report headers and
/// file comments.
std::string stack_summary(const Stackup& stack);

}  // namespace quill
