#pragma once
/// Line-by-line reading of the keyboard and of the program's input files.

#include <istream>
#include <string>

namespace quill {

struct Line {
  enum Status { ok, end, error } status = end;
  std::string text;  ///< the line without its line end, cut to the kept length
};

/// Reads one line. Only the first `keep` characters are kept (no answer or
/// entry looks further), so a huge line costs no memory. A carriage return
/// ending the line is dropped, so CR-LF files read like LF files. `end` means
/// no more lines; `error` means the stream failed (a directory, a read fault).
Line read_line(std::istream& in, size_t keep = 80);

}  // namespace quill
