#pragma once
/// What joins neighbouring sections' straight copper, and each strip's
/// edges along the coupler through them. Lengths in metres.

#include <vector>

#include "layout/coupler_layout.hpp"

namespace quill {

/// Steps across smaller than this are left square under smooth junctions:
/// a taper as short is no shape at all (a tenth of a micrometre, below
/// what the artwork's readers resolve).
inline constexpr double least_taper = 1e-7;

/// What joins sections k and k + 1 of `sections` (their widths and offsets
/// as designed): a jog where their strips do not overlap across, else, with
/// `smooth`, a taper `taper_length` times as long as the larger change of
/// an edge across (1: no edge slants more than 45 degrees), else a square
/// step. Each junction's
/// x1 - x0 is its length along x, to be placed; its path, the length of
/// its centre line, comes half out of each neighbour.
std::vector<Junction> shape_junctions(const std::vector<SectionCopper>& sections, bool smooth,
                                      double taper_length = 1.0);

/// One edge of a strip along the coupler, left to right: the upper strip's
/// or the lower's, its top (toward +y) or its bottom; sections placed and
/// junctions with them. A jog's slanted strip meets each section's edges
/// in mitre joints. Empty where a section is too short for the jogs at its
/// ends (its edge would run backwards).
std::vector<Point> coupler_edge(const std::vector<SectionCopper>& sections, const std::vector<Junction>& junctions,
                                bool upper, bool top);

}  // namespace quill
