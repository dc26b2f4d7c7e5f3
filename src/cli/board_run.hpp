#pragma once
/// What the commands share when a design is built in a board (--stackup):
/// reading the stack, refusing the options the board decides, checking the
/// design suits it, and building it.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/cli_context.hpp"
#include "cli/commands.hpp"
#include "common/design.hpp"
#include "common/stackup.hpp"
#include "dimensions/stack_strips.hpp"

namespace quill {

/// Options the board decides, given beside --stackup: one message naming the
/// first, status 2. True when none was given.
bool none_beside_board(const CliContext& ctx, const std::vector<std::pair<std::string_view, bool>>& given);

/// Checks that the field solver can take the design in `stack`: the strip
/// spacing S/B from 0.01 to 0.99 and every section's Zoe above Zo. False
/// after a message (status 2).
bool suits_board(const CliContext& ctx, const CouplerDesign& d, const Stackup& stack);

/// The board and the design file of a command that works on a design in a
/// board: the stack read first, then the design, then the design checked to
/// suit the board. Nothing after a message, with `status` set (2 or 3).
struct BoardDesign {
  Stackup stack;
  FileDesign file;
};
std::optional<BoardDesign> read_board_design(const CliContext& ctx, const std::string& stackup,
                                             const std::string& design, int& status);

/// Builds every section of `d` in `stack`. With `whole`, a section without
/// strips is a mistake (one message naming it, status 2): nothing can be
/// analysed or drawn then.
std::optional<StackDesign> build_in_board(const CliContext& ctx, const CouplerDesign& d,
                                          const Stackup& stack, int icenter, bool whole);

/// The report lines that name the board, and the outputs' board fields.
std::vector<std::string> board_notes(const Stackup& stack);

}  // namespace quill
