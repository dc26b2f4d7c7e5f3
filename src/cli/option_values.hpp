#pragma once
/// Turning the text of given options into checked values.

#include <optional>
#include <string>

#include "cli/cli_context.hpp"
#include "cli/commands.hpp"
#include "cli/real_option.hpp"
#include "common/design.hpp"

namespace quill {

/// The value of `opt`: its default (or `fallback`) when not given, else the
/// checked text. nullopt after a message (exit status 2).
std::optional<float> option_value(const CliContext& ctx, const RealOption& opt, const Given& text,
                                  std::optional<float> fallback = std::nullopt);

/// The analysis settings of a command: sweep (defaulting to `sweep`), velocity
/// ratio and loss applied to `d`. False after a message.
bool settings_from(const CliContext& ctx, const SweepArgs& a, const AnalysisSettings& sweep,
                   CouplerDesign& d, AnalysisSettings& s);

/// The sweep alone, for a design built in a board, whose velocities and
/// losses the board decides. False after a message.
bool sweep_from(const CliContext& ctx, const SweepArgs& a, const AnalysisSettings& sweep,
                AnalysisSettings& s);

}  // namespace quill
