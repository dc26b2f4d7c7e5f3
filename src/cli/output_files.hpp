#pragma once
/// The files a command writes, by the one rule of common/output_place: a
/// regular file is written to a hidden companion file in the same folder
/// and renamed into place only when every byte has gone out, so a failed or
/// interrupted write never leaves a file that looks complete; a device or a
/// named pipe is written in place as a stream; `-` (or /dev/stdout) is
/// standard output.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/output_place.hpp"
#include "common/surroundings.hpp"

namespace quill {

/// One requested output: the option that named it and its path.
struct OutputRequest {
  std::string_view option;  ///< "--touchstone"
  std::filesystem::path path;
  /// The file's folder is made by the command (one level; its parent must be there).
  bool makes_folder = false;
};

/// True for "-" and for paths that name descriptor 1 (/dev/stdout): the
/// command's standard output.
bool names_standard_output(const std::filesystem::path& path);

/// Checks the requested outputs before any work is done: each folder exists
/// (or is one level from a folder that does, for one the command makes); none
/// is a folder, a socket or a block device, through links too; none is an
/// input file (the design, or the stack-up `stack`); no file is named twice;
/// standard output takes at most one output, and none while `stdout_carries`
/// (the report's words, "the report (-q keeps it off)") is not empty.
/// Returns one sentence describing the first problem.
std::optional<std::string> check_outputs(const std::vector<OutputRequest>& outputs,
                                         const std::filesystem::path& input,
                                         const std::filesystem::path& stack = {},
                                         std::string_view stdout_carries = "the report");

/// Checks a folder a command creates for its files (`--gerber DIR`): there
/// already as a folder, or to be made in a folder that exists. One sentence
/// when not.
std::optional<std::string> check_output_folder(std::string_view option, const std::string& given,
                                               const std::filesystem::path& folder);

/// Makes the folder `folder` when it is not there; true when it was made
/// (so a failure may take it away again). False in `ok`, with `error` set,
/// when it could not be.
bool make_output_folder(const std::filesystem::path& folder, bool& ok, std::string& error);

class OutputFile {
 public:
  /// `env` gives standard output and the surroundings' way of opening files
  /// (when set, a regular file's buffer comes from it, with no companion).
  OutputFile(std::filesystem::path path, Surroundings& env);
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  /// Creates the companion file, or opens the stream; false (and
  /// open_failure() set) when it cannot.
  bool open();
  /// Appends text and pushes it out; a failed write is remembered and
  /// reported by commit().
  void write(std::string_view text);
  std::ostream& stream() { return console_ ? console_file_.stream() : out_.stream(); }
  /// Flushes, closes and puts a file in place. False, with write_failure()
  /// set, when anything failed; a companion file is then removed.
  bool commit();
  /// Gives the output up unwritten: a companion file is removed.
  void discard();

  const std::filesystem::path& path() const { return path_; }
  /// The file put in place by commit() (a link's target), empty for a stream.
  std::filesystem::path target() const { return is_stream() ? std::filesystem::path() : out_.place().target; }
  bool failed() const { return console_ ? console_file_.failed() : out_.failed(); }
  /// Written in place as it goes (a device, a pipe, standard output): what
  /// went cannot be taken back.
  bool is_stream() const { return console_ || out_.is_stream(); }
  /// The output in messages: its path, or "standard output".
  std::string name() const;
  /// The system's reason for the failure.
  const std::string& reason() const { return console_ ? console_file_.reason() : out_.reason(); }
  /// "cannot create <name>: <reason>".
  std::string open_failure() const;
  /// "cannot write <name>: <reason>", and for a file "; the file was removed".
  std::string write_failure() const;

 private:
  std::filesystem::path path_;
  bool console_;
  WrittenFile console_file_;  ///< standard output, borrowed
  PlacedOutput out_;
};

}  // namespace quill
