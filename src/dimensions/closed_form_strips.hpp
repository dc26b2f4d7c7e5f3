#pragma once
/// The closed-form strips of the dimension report, section by section, with
/// the plain Zo strip and the highest frequency before higher-order modes:
/// the numbers the report prints, for front ends that hand them on as values.

#include <vector>

#include "common/design.hpp"
#include "dimensions/dimension_report.hpp"

namespace quill {

/// One section's strips, inches, as the report's columns: a width or offset
/// the equations do not give reads 0 (tight) or NaN (loose).
struct ClosedFormRow {
  float tight_width = 0, tight_offset = 0;
  float loose_width = 0, loose_offset = 0;
};

struct ClosedFormStrips {
  std::vector<ClosedFormRow> sections;  ///< section 1 first
  float zo_width = 0;                   ///< a single strip of impedance Zo at the strips' height, inches
  /// Highest frequency before the widest loose strip may launch
  /// higher-order modes, MHz; NaN when no section has a loose width.
  float max_frequency = 0;
};

/// The strips of `d` for the choices `c`; the centre section n/2 + 1 takes
/// superposed strips when `c.icenter` is 1.
ClosedFormStrips closed_form_strips(const CouplerDesign& d, const DimensionChoice& c);

}  // namespace quill
