#pragma once
/// The output-storage file: once opened it stays open for the rest of the run,
/// so later reports stored under the same name are appended to it.

#include <filesystem>
#include <fstream>
#include <string>

namespace quill {

class Storage {
 public:
  /// Makes `fn` (20 characters, trailing blanks not part of the file name) the
  /// open storage file. The same name keeps the open file; another name closes
  /// it (its contents kept) and creates or replaces the new file. A name that
  /// is not a plain file name of the working folder is refused.
  bool open(const std::filesystem::path& workdir, const std::string& fn);
  std::ostream& stream() { return file_; }
  /// Pushes everything written so far to the file.
  void flush() { if (file_.is_open()) file_.flush(); }

 private:
  std::ofstream file_;
  std::string name_;
};

}  // namespace quill
