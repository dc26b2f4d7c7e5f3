#pragma once
/// What every subcommand works with: the program's surroundings, its own
/// name for messages, and the way it reports a mistake.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "common/surroundings.hpp"
#include "files/design_data_file.hpp"

namespace quill {

struct CliContext {
  Surroundings& env;
  std::string command;  ///< "analyse", "dimensions", "synthesize"

  /// Writes "quillomate <command>: <message>" as one line on standard error
  /// and returns `status`, so a command can end with `return ctx.fail(...)`.
  int fail(int status, std::string_view message) const;

  /// A path as given on the command line, relative to the working folder.
  std::filesystem::path path(const std::string& text) const;

  /// Pushes standard output out and says whether every byte went; on failure
  /// the message has been written.
  bool stdout_written() const;
};

/// Reads the design-data file `file` as function 4 does, with the same
/// checks. On failure the one-line message has been written and `status`
/// holds the exit status.
std::optional<FileDesign> read_design_argument(const CliContext& ctx, const std::string& file,
                                               int& status);

}  // namespace quill
