#pragma once
/// The command line: `quillomate analyse`, `dimensions` and `synthesize`,
/// with --help for the program and each subcommand, and --version.

#include <string>
#include <vector>

#include "common/surroundings.hpp"

namespace quill {

/// Parses `args` (without the program name), runs the subcommand and returns
/// the exit status. Help and version go to standard output; each mistake is
/// one line on standard error.
int run_command_line(Surroundings& env, const std::vector<std::string>& args);

}  // namespace quill
