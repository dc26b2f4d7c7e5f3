#pragma once
/// The files a script reads and writes, with the command line's checks and
/// words: a design-data file and a stack-up file read, a design-data file
/// written completely or not at all. Plain C++; the bindings raise.

#include <filesystem>
#include <string>

#include "common/stackup.hpp"
#include "files/design_data_file.hpp"

namespace quill::py_front {

/// What went wrong with a file: a file that cannot be had (OSError, with the
/// system's error number when there is one) or one whose contents are wrong
/// (ValueError). The message is the command line's.
struct FileFault {
  enum Kind { none, system, contents } kind = none;
  int error = 0;  ///< errno for a system fault, 0 when the system gave none
  std::string message;
  explicit operator bool() const { return kind != none; }
};

struct DesignFileRead {
  FileFault fault;
  FileDesign values;
  std::string title;  ///< the file's first line
};

/// Reads the design-data file at `path`, named `named` in messages (as the
/// script gave it).
DesignFileRead read_design_file(const std::filesystem::path& path, const std::string& named);

struct StackFileRead {
  FileFault fault;
  Stackup stack;
};

/// Reads the stack-up file at `path`; the board is called `named` in reports.
StackFileRead read_stackup_file(const std::filesystem::path& path, const std::string& named);

/// Writes `text` to `path` by the command line's rule (common/output_place):
/// a regular file through a hidden companion file in its folder, renamed
/// into place when every byte has gone, so a failure leaves the old file (or
/// none) and no companion; a link's target the same way, the link kept; a
/// device or a named pipe in place; a folder, a socket or a block device
/// never.
FileFault write_whole_file(const std::filesystem::path& path, const std::string& named, const std::string& text);

}  // namespace quill::py_front
