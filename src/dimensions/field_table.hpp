#pragma once
/// The field-solved strip table printed after the dimension report, and the
/// same results as comma-separated values for other tools.

#include <string>

#include "common/design.hpp"
#include "dimensions/dimension_report.hpp"
#include "dimensions/strip_refine.hpp"

namespace quill {

/// Refines every section of `d` for the choices `c` (B, S, centre option).
DesignStrips refine_design(const CouplerDesign& d, const DimensionChoice& c);

/// Fixed-column table, at most 100 columns: per section the field-solved
/// width, offset and overlap in inches and millimetres, then the impedances
/// the field solver finds for the tight and the loose closed-form geometry
/// with their errors, the plain Zo strip, and a line for every section whose
/// strips need a word (none at this S, or not the superposed ones asked for).
std::string field_table_text(const CouplerDesign& d, const DimensionChoice& c,
                             const DesignStrips& strips);
std::string field_table_text(const CouplerDesign& d, const DimensionChoice& c);

/// One header line and one line per section; numbers in their shortest
/// round-trip form, empty where there is no value (width and offset of a
/// section without strips), the reason in `note`.
std::string field_table_csv(const DesignStrips& strips);
std::string field_table_csv(const CouplerDesign& d, const DimensionChoice& c);

}  // namespace quill
