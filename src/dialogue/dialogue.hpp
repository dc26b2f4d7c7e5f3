#pragma once
/// The interactive dialogue: banner, FUNCTION menu, design, analysis settings,
/// report, OPERATION menu, until the user ends it.

#include "common/surroundings.hpp"

namespace quill {

/// Exit status when the console or the storage file could not be written.
inline constexpr int exit_write_failed = 4;

/// Runs the dialogue to its end. Returns 0 for every orderly end, 2 for a
/// stop of the input layer (text that is not a number, end of input, no
/// defaults file) and 4 when the console or a storage file could not be
/// written.
int run_dialogue(Surroundings& env);

}  // namespace quill
