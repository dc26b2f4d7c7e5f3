#pragma once
/// What the program takes from the process it runs in: console streams, clock
/// and working directory come from the caller, so every front end can be run
/// in-process by tests with streams, a fixed clock and a folder of their own.

#include <filesystem>
#include <functional>
#include <istream>
#include <ostream>

#include "common/design.hpp"

namespace quill {

struct Surroundings {
  std::istream& in;                   ///< typed lines
  std::ostream& out;                  ///< the console (standard output)
  std::ostream& err;                  ///< messages about stops and mistakes (standard error)
  std::function<TimeStamp()> clock;   ///< local date and time
  std::filesystem::path workdir;      ///< where the defaults, design and storage files live
};

}  // namespace quill
