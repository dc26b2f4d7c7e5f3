#pragma once
/// The artwork files a command writes: planned with the other outputs before
/// any work, written together, and committed together, so that a failure
/// leaves none of them.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/analysis_run.hpp"
#include "cli/cli_context.hpp"
#include "cli/commands.hpp"
#include "cli/output_files.hpp"
#include "common/stackup.hpp"
#include "layout/coupler_layout.hpp"

namespace quill {

/// The output requests the artwork options name: the Gerber folder's three
/// files `<stem>-upper.gbr`, `<stem>-lower.gbr`, `<stem>-outline.gbr` (the
/// folder made when it is not there, in a folder that is), and the other
/// files as named.
std::vector<NamedOutput> artwork_requests(const ArtworkArgs& a, const std::string& stem);

/// The layout choices of the options, in metres; nullopt after a message.
std::optional<LayoutChoice> layout_choice(const CliContext& ctx, const ArtworkArgs& a);

/// Writes every artwork file asked for; returns the exit status, every
/// failure reported and nothing left behind.
int write_artwork(const CliContext& ctx, const ArtworkArgs& a, const std::vector<OutputRequest>& outputs,
                  const CouplerLayout& layout, const Stackup& stack, const std::string& design,
                  const std::string& name);

}  // namespace quill
