#pragma once
/// Function 4: a finished design read from a design-data file named at the
/// console, with the dialogue's messages for a file in fault.

#include <filesystem>
#include <string>

#include "console/console.hpp"
#include "files/design_data_file.hpp"

namespace quill {

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
