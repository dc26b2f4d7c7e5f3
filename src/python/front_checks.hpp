#pragma once
/// The checks the command line makes before the field solvers and the board
/// run, for the same values handed over as numbers, in its words with the
/// module's parameters for its options. Each gives the message of the first
/// fault, or nullopt.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/design.hpp"
#include "common/stackup.hpp"
#include "dimensions/dimension_report.hpp"
#include "dimensions/stack_strips.hpp"

namespace quill::py_front {

/// Parameters the board decides, given beside a stack-up: names the first.
std::optional<std::string> beside_board_fault(const std::vector<std::pair<std::string_view, bool>>& given);

/// S below B, both in inches.
std::optional<std::string> spacing_fault(float b, float s);

/// What the ideal board's field solution takes: S/B from 0.01 to 0.99 and
/// every section's Zoe above Zo.
std::optional<std::string> field_solve_fault(const CouplerDesign& d, const DimensionChoice& c);

/// What the stack-up's field solution takes: its S/B from 0.01 to 0.99 and
/// every section's Zoe above Zo.
std::optional<std::string> board_fault(const CouplerDesign& d, const Stackup& stack);

/// A section the board cannot build, where the design's response is asked for.
std::optional<std::string> declined_fault(const StackDesign& built, const Stackup& stack);

}  // namespace quill::py_front
