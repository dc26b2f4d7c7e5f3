#pragma once
/// Gerber X2 (extended RS-274X) files of a coupler's copper: one per strip
/// layer and one for the board's edge, each saying in its file attributes
/// what it is, the copper as G36/G37 regions. Coordinates are integers of a
/// millionth of the unit (1 nm in millimetres), so every edge is where the
/// layout puts it to well inside 0.1 um.

#include <string>

#include "artwork/artwork_info.hpp"
#include "layout/coupler_layout.hpp"

namespace quill {

struct GerberSet {
  std::string upper;    ///< the upper strip's layer: copper L2, inner
  std::string lower;    ///< the lower strip's layer: copper L3, inner
  std::string outline;  ///< the board's edge: profile, not plated
};

GerberSet gerber_files(const CouplerLayout& layout, const ArtworkInfo& info);

}  // namespace quill
