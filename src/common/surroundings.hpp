#pragma once
/// What the program takes from the process it runs in: console streams, clock
/// and working directory come from the caller, so every front end can be run
/// in-process by tests with streams, a fixed clock and a folder of their own.

#include <filesystem>
#include <functional>
#include <istream>
#include <memory>
#include <ostream>
#include <streambuf>

#include "common/design.hpp"

namespace quill {

/// Opens a file for writing and hands back the stream buffer to write it
/// through (null, with errno set, when it cannot be opened).
using OutputOpener = std::function<std::unique_ptr<std::streambuf>(const std::filesystem::path&)>;

struct Surroundings {
  std::istream& in;                   ///< typed lines
  std::ostream& out;                  ///< the console (standard output)
  std::ostream& err;                  ///< messages about stops and mistakes (standard error)
  std::function<TimeStamp()> clock;   ///< local date and time
  std::filesystem::path workdir;      ///< where the defaults, design and storage files live
  /// How output files are opened; unset, they are the real files. Tests hand
  /// out buffers that fail after so many bytes.
  OutputOpener open_output = {};
};

}  // namespace quill
