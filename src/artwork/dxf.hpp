#pragma once
/// A DXF drawing of a coupler's copper for a CAD tool: layers UPPER_STRIP,
/// LOWER_STRIP and OUTLINE, each holding closed polylines only, in the
/// file's unit ($INSUNITS says which). Written with dxflib.

#include <string>

#include "artwork/artwork_info.hpp"
#include "layout/coupler_layout.hpp"

namespace quill {

std::string dxf_file(const CouplerLayout& layout, const ArtworkInfo& info);

}  // namespace quill
