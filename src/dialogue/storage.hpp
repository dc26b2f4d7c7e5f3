#pragma once
/// The output-storage file: once opened it stays open for the rest of the run,
/// so later reports stored under the same name are appended to it.

#include <filesystem>
#include <memory>
#include <string>

#include "common/design.hpp"
#include "common/report_out.hpp"
#include "common/written_file.hpp"
#include "console/console.hpp"

namespace quill {

class Storage {
 public:
  /// Makes `fn` (20 characters, trailing blanks not part of the file name) the
  /// open storage file. The same name keeps the open file; another name closes
  /// it (its contents kept) and creates or replaces the new file. A name that
  /// is not a plain file name of the working folder is refused.
  bool open(const std::filesystem::path& workdir, const std::string& fn, const OutputOpener& opener = {});
  std::ostream& stream() { return file_->stream(); }
  /// Pushes everything written so far to the file; false when the file has
  /// failed.
  bool flush() { return file_->flush(); }
  /// Ends storage after a failure: the file is closed with what reached it,
  /// and a later storage request opens it anew.
  void abandon();
  /// True once a storage file has failed in this run.
  bool ever_failed() const { return ever_failed_; }

 private:
  bool ever_failed_ = false;
  std::unique_ptr<WrittenFile> file_ = std::make_unique<WrittenFile>();
  std::string name_;
};

/// Acts on how a report went out through `out`. A console that could not be
/// written stops the program (false; the message is on the error stream). A
/// storage file that could not be written is said on the console and the
/// error stream, keeps what reached it, and storage ends (`s.istore` = 0).
bool judge_report(const ReportOut& out, Console& con, Storage& storage, AnalysisSettings& s);

}  // namespace quill
