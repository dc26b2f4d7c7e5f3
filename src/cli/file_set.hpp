#pragma once
/// Files that belong together (a layer set, a model and its README, results
/// that describe one run): each written whole to its companion file, and
/// put in place only when every one of them was; a failure keeps none. A
/// stream among them (a device, a pipe, standard output) cannot be taken
/// back: it is written once every regular file of the set is whole in its
/// companion and before any is put in place, so a stream that fails keeps
/// none of the files, and a set that fails before it sends it nothing.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli_context.hpp"
#include "common/output_set.hpp"

namespace quill {


/// Writes `files` together. On a failure: one message naming the file and
/// the system's reason, then `none_kept` ("no artwork file was kept"), and
/// status 4.
int write_all_or_none(const CliContext& ctx, const std::vector<FileText>& files, const std::string& none_kept);

/// Writes one file whole, or not at all; a failure is one message naming it
/// with the system's reason, and status 4.
int write_whole(const CliContext& ctx, const std::filesystem::path& path, const std::string& text);

}  // namespace quill
