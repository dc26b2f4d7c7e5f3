#pragma once
/// A finished design read from a user-named design-data file: the defaults
/// file's layout without its last line. Odd-mode impedances are not in the
/// file: every section gets the one that matches it to Zo.

#include <filesystem>
#include <string>

#include "app/console.hpp"
#include "common/design.hpp"

namespace quill {

/// What a design-data file supplies besides the design itself.
struct FileDesign {
  CouplerDesign design;
  float fstart = 0, fstop = 0, deltaf = 0;  ///< analysis sweep, MHz
  float gpsuser = 0, suser = 0;             ///< B and S for the dimensions, inches
};

struct FileDesignRead {
  enum Status {
    ok,
    fault,  ///< a message has been shown: the program pauses and ends
    stop,   ///< input ended at the name question: the program stops
  } status = fault;
  FileDesign values;
};

/// Asks the file name into `fnuser` (20 characters) and reads the design.
FileDesignRead read_design_file(Console& con, const std::filesystem::path& workdir,
                                std::string& fnuser);

}  // namespace quill
