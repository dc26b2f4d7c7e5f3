#pragma once
/// Files that belong together (a layer set, a model and its README, results
/// that describe one run): each written whole to its companion file, and
/// put in place only when every one of them was; a failure keeps none.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli_context.hpp"

namespace quill {

using FileText = std::pair<std::filesystem::path, std::string>;

/// Writes `files` together. On a failure: one message naming the file and
/// the system's reason, then `none_kept` ("no artwork file was kept"), and
/// status 4.
int write_all_or_none(const CliContext& ctx, const std::vector<FileText>& files, const std::string& none_kept);

}  // namespace quill
