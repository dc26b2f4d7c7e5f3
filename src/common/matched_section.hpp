#pragma once
/// A matched section as a design-data file holds it: its even-mode impedance
/// in ohms, the odd mode's following as Zo^2/Zoe. Synthesis hands its designs
/// through the same rule, so that a design the program made is exactly the
/// design its file reads back as, bit for bit.

#include "common/design.hpp"

namespace quill {

/// The even-mode impedance in ohms to write for the normalised `zoe`: a float
/// that, divided by Zo as the reader divides it, gives `zoe` exactly when one
/// lies within a few units in the last place of the product.
float file_zoe_ohms(float zoe, float z0);

/// Sets the normalised impedances of `s` from an even-mode impedance in ohms,
/// as the reader of a design-data file does.
void set_matched_from_ohms(Section& s, float zoe_ohms, float z0);

/// Turns every section of `d` into the one its design-data file reads back
/// as (at most a unit in the last place of each impedance moves), and its
/// largest even-mode impedance into the reader's.
void hold_as_in_file(CouplerDesign& d);

}  // namespace quill
