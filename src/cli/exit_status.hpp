#pragma once
/// Exit statuses of the command line, documented in the README and the man
/// page. The dialogue ends with 0, or 2 when its input layer stops it.

namespace quill {

enum ExitStatus : int {
  exit_ok = 0,
  exit_no_design = 1,     ///< no design covers the band (the request itself is sound)
  exit_usage = 2,         ///< a bad command line: unknown option, bad or out-of-range value
  exit_input_file = 3,    ///< the design-data file is missing, unreadable or has an entry in error
  exit_output_failed = 4, ///< standard output or an output file could not be written
};

}  // namespace quill
