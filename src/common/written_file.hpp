#pragma once
/// A file being written, with every failure kept together with the system's
/// reason for it ("No space left on device"), so nothing can be reported as
/// written that was not.

#include <filesystem>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

#include "common/surroundings.hpp"

namespace quill {

/// The system's words for the failure just seen: strerror(errno), or a plain
/// "write failed" when the library left no reason.
std::string failure_reason(int error);

class WrittenFile {
 public:
  WrittenFile() = default;
  WrittenFile(const WrittenFile&) = delete;
  WrittenFile& operator=(const WrittenFile&) = delete;
  ~WrittenFile() { close(); }

  /// Creates or replaces `path`, through `opener` when one is given. False,
  /// with reason() set, when it cannot be opened.
  bool open(const std::filesystem::path& path, const OutputOpener& opener = {});
  bool is_open() const { return buffer_ != nullptr; }

  /// The stream to write through (a stream that swallows nothing and fails
  /// every write while no file is open).
  std::ostream& stream() { return stream_; }

  /// Pushes everything written to the file and says whether every byte went;
  /// the first failure's reason is kept.
  bool flush();
  /// Flushes and closes; false when anything failed since opening.
  bool close();
  bool failed() const { return failed_; }
  const std::string& reason() const { return reason_; }

 private:
  bool fail(int error);

  std::unique_ptr<std::streambuf> buffer_;
  std::ostream stream_{nullptr};
  bool failed_ = false;
  std::string reason_;
};

}  // namespace quill
