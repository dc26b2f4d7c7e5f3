#pragma once
/// The dimension report: the current design turned into offset
/// broadside-coupled strip widths and offsets, section by section.

#include <string>

#include "common/design.hpp"
#include "common/report_out.hpp"

namespace quill {

/// The physical choices of one dimensional pass.
struct DimensionChoice {
  float gps = 0;    ///< ground-plane spacing B, inches
  float s = 0;      ///< strip spacing S, inches
  int icenter = 2;  ///< 1: centre section with superposed strips; 2: offset strips throughout
};

/// Guidance Smax, inches: the strip spacing at which superposed strips have
/// exactly the even- and odd-mode impedances of the most tightly coupled
/// section (even mode `zoemax` ohms). Spacings above it cannot be built with
/// overlapping strips for that section.
float smax_guidance(float zoemax, float z0, float er, float gps);

/// Prints the whole dimension report: header, design data, section table,
/// strip table, plain Zo strip, maximum usable frequency and closing rule,
/// plus the storage line (with the 20-character name `fn`) while storing.
void print_dimension_report(ReportOut& out, const CouplerDesign& d, const DimensionChoice& c,
                            const TimeStamp& t, const std::string& fn);

}  // namespace quill
