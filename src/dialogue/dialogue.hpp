#pragma once
/// The interactive dialogue: banner, FUNCTION menu, design, analysis settings,
/// report, OPERATION menu, until the user ends it.

#include "common/surroundings.hpp"

namespace quill {

/// Runs the dialogue to its end. Returns 0 for every orderly end and 2 for a
/// stop of the input layer (text that is not a number, end of input, no
/// defaults file).
int run_dialogue(Surroundings& env);

}  // namespace quill
