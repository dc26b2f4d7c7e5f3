#pragma once
/// The layout in words and numbers for standard output: every section's two
/// rectangles, every port's position, the feeds and what the breakouts add.

#include <string>

#include "layout/coupler_layout.hpp"

namespace quill {

/// Lengths in millimetres, or in inches with `inches`.
std::string layout_summary_text(const CouplerLayout& layout, bool inches);

}  // namespace quill
