#pragma once
/// Electrical synthesis: band, coupling level and ripple in; the smallest
/// tabulated design that covers the band out, laid out at the band centre.

#include "console/console.hpp"
#include "common/design.hpp"
#include "synthesis/design_tables.hpp"

namespace quill {

struct SynthesisResult {
  enum Status {
    designed,  ///< `design` is complete
    too_wide,  ///< no tabulated section count covers the band; the error lines are shown
    stop,      ///< the input layer stopped the program
  } status = stop;
  CouplerDesign design;
};

/// Runs the dialogue of function 1 (symmetrical) or 2 (asymmetrical),
/// refilling `block1` with the table in use.
SynthesisResult synthesize(Console& con, int ifunc, const Defaults& defs, DesignTables& block1);

}  // namespace quill
