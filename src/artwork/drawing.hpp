#pragma once
/// A drawing of a coupler's copper for a person: the top view of both strip
/// layers in two colours with the centre line, section boundaries and port
/// labels; a table of the dimensions; and the board's cross-section to scale
/// with the strips of the most tightly coupled section drawn in it. SVG.

#include <string>

#include "artwork/artwork_info.hpp"
#include "common/stackup.hpp"
#include "layout/coupler_layout.hpp"

namespace quill {

std::string layout_drawing_svg(const CouplerLayout& layout, const Stackup& stack, const ArtworkInfo& info);

}  // namespace quill
