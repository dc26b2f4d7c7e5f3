#pragma once
/// A KiCad footprint (.kicad_mod, the KiCad 6 format) of a coupler: its
/// copper as filled polygons on the inner layers In1.Cu (upper strip) and
/// In2.Cu (lower strip), a pad at each port end numbered as the ports, so
/// that the coupler can be dropped into a board. KiCad footprints are in
/// millimetres whatever unit the other files use; their y axis points down.

#include <string>

#include "artwork/artwork_info.hpp"
#include "layout/coupler_layout.hpp"

namespace quill {

std::string kicad_footprint(const CouplerLayout& layout, const ArtworkInfo& info, const std::string& name);

}  // namespace quill
