#include "common/written_file.hpp"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace quill {

std::string failure_reason(int error) { return error != 0 ? std::strerror(error) : "write failed"; }

bool WrittenFile::fail(int error) {
  if (!failed_) reason_ = failure_reason(error);
  failed_ = true;
  return false;
}

bool WrittenFile::open(const std::filesystem::path& path, const OutputOpener& opener) {
  close();
  failed_ = false;
  reason_.clear();
  errno = 0;
  if (opener) {
    buffer_ = opener(path);
  } else {
    auto file = std::make_unique<std::filebuf>();
    if (file->open(path, std::ios::out | std::ios::trunc | std::ios::binary) != nullptr) buffer_ = std::move(file);
  }
  if (!buffer_) return fail(errno != 0 ? errno : ENOENT);
  stream_.rdbuf(buffer_.get());
  stream_.clear();
  return true;
}

bool WrittenFile::flush() {
  if (!buffer_) return !failed_;
  // A write that already failed left its reason in errno.
  if (!stream_) return fail(errno);
  errno = 0;
  stream_.flush();
  if (!stream_) return fail(errno);
  return !failed_;
}

bool WrittenFile::close() {
  if (!buffer_) return !failed_;
  flush();
  errno = 0;
  if (auto* file = dynamic_cast<std::filebuf*>(buffer_.get()); file != nullptr && file->close() == nullptr)
    fail(errno);
  stream_.rdbuf(nullptr);
  buffer_.reset();
  return !failed_;
}

}  // namespace quill
