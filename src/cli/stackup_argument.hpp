#pragma once
/// A stack-up file named on the command line, read with the checks of
/// files/stackup_file.hpp.

#include <optional>
#include <string>

#include "cli/cli_context.hpp"
#include "common/stackup.hpp"

namespace quill {

/// Reads the stack-up file `file`. A file that cannot be read (missing, a
/// folder, not a plain file, a read error) gives status 3, as a design-data
/// file does; a file whose contents are wrong, or that is far too large to be
/// a stack-up, gives status 2. On failure the one-line message has been
/// written; on success `status` is 0.
std::optional<Stackup> read_stackup_argument(const CliContext& ctx, const std::string& file, int& status);

}  // namespace quill
