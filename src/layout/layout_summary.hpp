#pragma once
/// The layout in words and numbers for standard output: every section's two
/// rectangles, every port's position, the feeds and what the breakouts add.

#include <string>

#include "layout/coupler_layout.hpp"

namespace quill {

/// A coupling as "-40.0 dB", or "below -99 dB" where it is weaker than
/// `faintest_coupling_db` (or none at all: minus infinity).
std::string coupling_words(double db);

/// Lengths in millimetres, or in inches with `inches`.
std::string layout_summary_text(const CouplerLayout& layout, bool inches);

}  // namespace quill
