#pragma once
/// A file being written, with every failure kept together with the system's
/// reason for it ("No space left on device"), so nothing can be reported as
/// written that was not.

#include <array>
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

/// A stream buffer over an open file descriptor. Every write goes to the
/// system whole (a short write is continued, an interrupted one retried);
/// the first failure's error number is kept and writes stop there.
class DescriptorBuffer : public std::streambuf {
 public:
  /// `owned`: the descriptor is closed with the buffer.
  DescriptorBuffer(int fd, bool owned) : fd_(fd), owned_(owned) { setp(space_.data(), space_.data() + space_.size()); }
  ~DescriptorBuffer() override;
  DescriptorBuffer(const DescriptorBuffer&) = delete;
  DescriptorBuffer& operator=(const DescriptorBuffer&) = delete;

  /// Pushes out what is held and closes an owned descriptor; false when
  /// anything failed (error() says why).
  bool close();
  int fd() const { return fd_; }
  /// The first failure's error number, 0 while none.
  int error() const { return error_; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  bool drain();
  bool send(const char* s, size_t n);

  int fd_;
  bool owned_;
  int error_ = 0;
  std::array<char, 1 << 16> space_{};
};

class WrittenFile {
 public:
  WrittenFile() = default;
  WrittenFile(const WrittenFile&) = delete;
  WrittenFile& operator=(const WrittenFile&) = delete;
  ~WrittenFile() { close(); }

  /// Creates or replaces `path`, through `opener` when one is given. False,
  /// with reason() set, when it cannot be opened.
  bool open(const std::filesystem::path& path, const OutputOpener& opener = {});
  /// Writes through the open descriptor `fd`, closed at close() when `owned`.
  void adopt(int fd, bool owned);
  /// Writes through the caller's stream (standard output); it stays open.
  void borrow(std::ostream& stream);
  bool is_open() const { return buffer_ != nullptr || borrowed_ != nullptr; }

  /// The stream to write through (a stream that swallows nothing and fails
  /// every write while no file is open).
  std::ostream& stream() { return borrowed_ != nullptr ? *borrowed_ : stream_; }

  /// Pushes everything written to the file and says whether every byte went;
  /// the first failure's reason is kept.
  bool flush();
  /// Flushes and closes; false when anything failed since opening.
  bool close();
  bool failed() const { return failed_; }
  const std::string& reason() const { return reason_; }
  /// The system's error number for the first failure (0 when it gave none).
  int error() const { return error_; }
  /// Records a failure seen outside the stream (a rename, say).
  bool fail(int error);

 private:
  /// Closes what was open and forgets its failure, for a new output.
  void restart();
  int buffer_error() const;

  std::unique_ptr<std::streambuf> buffer_;
  std::ostream stream_{nullptr};
  std::ostream* borrowed_ = nullptr;
  bool failed_ = false;
  int error_ = 0;
  std::string reason_;
};

}  // namespace quill
