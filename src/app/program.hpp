#pragma once
/// The whole program as a procedure over its surroundings: console streams,
/// clock and working directory come from the caller, the exit status goes back.

#include <filesystem>
#include <functional>
#include <istream>
#include <ostream>

#include "common/design.hpp"

namespace quill {

struct Surroundings {
  std::istream& in;                   ///< typed lines
  std::ostream& out;                  ///< the console
  std::ostream& err;                  ///< stop messages of the input layer
  std::function<TimeStamp()> clock;   ///< local date and time
  std::filesystem::path workdir;      ///< where the defaults, design and storage files live
};

/// Runs the dialogue to its end. Returns 0 for every orderly end and 2 for a
/// stop of the input layer (text that is not a number, end of input, no
/// defaults file).
int run_program(Surroundings& env);

}  // namespace quill
