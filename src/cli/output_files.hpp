#pragma once
/// The files a command writes. Each is written to a hidden companion file in
/// the same folder and renamed into place only when every byte has gone out,
/// so a failed or interrupted write never leaves a file that looks complete.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/surroundings.hpp"
#include "common/written_file.hpp"

namespace quill {

/// One requested output: the option that named it and its path.
struct OutputRequest {
  std::string_view option;  ///< "--touchstone"
  std::filesystem::path path;
};

/// Checks the requested outputs before any work is done: each folder exists,
/// no output is a folder, none is an input file (the design, or the stack-up
/// `stack`), and no file is named twice. Returns one sentence describing the
/// first problem.
std::optional<std::string> check_outputs(const std::vector<OutputRequest>& outputs,
                                         const std::filesystem::path& input,
                                         const std::filesystem::path& stack = {});

class OutputFile {
 public:
  /// `opener`, when set, is the surroundings' way of opening files: its
  /// buffer is then written directly, without a companion file.
  explicit OutputFile(std::filesystem::path path, OutputOpener opener = {});
  ~OutputFile();  ///< removes the companion file unless the output was committed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  /// Creates the companion file; false (and error() set) when it cannot be.
  bool open();
  /// Appends text and pushes it out; a failed write is remembered and
  /// reported by commit().
  void write(std::string_view text);
  std::ostream& stream() { return file_.stream(); }
  /// Flushes, closes and renames into place. False, with error() set, when
  /// anything failed; the companion file is then removed.
  bool commit();

  const std::filesystem::path& path() const { return path_; }
  bool failed() const { return file_.failed(); }
  /// "<path>: <system's reason>".
  const std::string& error() const { return error_; }

 private:
  std::filesystem::path path_;
  std::filesystem::path partial_;
  OutputOpener opener_;
  WrittenFile file_;
  std::string error_;
  bool committed_ = false;
};

}  // namespace quill
