#pragma once
/// The whole program as a procedure over its surroundings: with no arguments
/// the interactive dialogue, with arguments the command line.

#include <string>
#include <vector>

#include "common/surroundings.hpp"

namespace quill {

/// Runs the program with its command-line arguments (without the program
/// name) and returns the exit status.
int run_program(Surroundings& env, const std::vector<std::string>& args = {});

}  // namespace quill
