#pragma once
/// A finished design typed in section by section at the console.

#include <optional>

#include "console/console.hpp"
#include "common/design.hpp"

namespace quill {

/// Asks N, Zo, Er and every section's Zoe, Zoo and centre frequency, offering
/// the defaults file's values. nullopt when the input layer stopped.
std::optional<CouplerDesign> enter_design(Console& con, const Defaults& defs);

}  // namespace quill
