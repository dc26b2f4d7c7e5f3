#pragma once
/// Touchstone 1.1 four-port files (.s4p) of an analysed design: the full
/// scattering matrix at every sweep point, real and imaginary parts, rows of
/// S[i, 1..4], normalised to the design's Zo, frequencies in MHz. Circuit
/// simulators and Python's scikit-rf read them as they are.

#include <string>
#include <string_view>

#include "analysis/sweep.hpp"
#include "common/design.hpp"

namespace quill {

/// The `!` comment lines naming the design and the settings, and the option
/// line. `source` names where the design came from (a file name, or a
/// synthesis request). A design built in a board names the board in `board`
/// instead of the analysis settings, which the board decided.
std::string touchstone_header(const CouplerDesign& d, std::string_view source,
                              std::string_view board = {});

/// Appends one frequency's four lines. Every number is written with the
/// shortest text that reads back as the same float, so nothing of the single
/// precision result is rounded away.
void append_touchstone_point(std::string& out, float freq, const FourPort& s);

}  // namespace quill
