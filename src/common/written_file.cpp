#include "common/written_file.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace quill {

std::string failure_reason(int error) { return error != 0 ? std::strerror(error) : "write failed"; }

DescriptorBuffer::~DescriptorBuffer() { close(); }

bool DescriptorBuffer::send(const char* s, size_t n) {
  while (n > 0 && error_ == 0) {
    const ssize_t done = ::write(fd_, s, n);
    if (done > 0) {
      s += done;
      n -= static_cast<size_t>(done);
    } else if (done == 0) {
      error_ = EIO;  // nothing taken and no reason given: do not spin
    } else if (errno != EINTR) {
      error_ = errno;
    }
  }
  // The stream above learns of the failure by a short count; errno tells it why.
  if (error_ != 0) errno = error_;
  return error_ == 0;
}

bool DescriptorBuffer::drain() {
  const size_t held = static_cast<size_t>(pptr() - pbase());
  setp(space_.data(), space_.data() + space_.size());
  return held == 0 || send(space_.data(), held);
}

DescriptorBuffer::int_type DescriptorBuffer::overflow(int_type c) {
  if (error_ != 0 || !drain()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

std::streamsize DescriptorBuffer::xsputn(const char* s, std::streamsize n) {
  if (error_ != 0) return 0;
  const size_t count = static_cast<size_t>(n);
  const size_t room = static_cast<size_t>(epptr() - pptr());
  if (count <= room) {
    std::memcpy(pptr(), s, count);
    pbump(static_cast<int>(count));
    return n;
  }
  // Larger than the room left: what is held goes first, then the block itself.
  if (!drain() || !send(s, count)) return 0;
  return n;
}

int DescriptorBuffer::sync() { return error_ == 0 && drain() ? 0 : -1; }

bool DescriptorBuffer::close() {
  if (fd_ < 0) return error_ == 0;
  if (error_ == 0) drain();
  if (owned_ && ::close(fd_) != 0 && error_ == 0) error_ = errno;
  fd_ = -1;
  return error_ == 0;
}

bool WrittenFile::fail(int error) {
  if (!failed_) {
    reason_ = failure_reason(error);
    error_ = error;
  }
  failed_ = true;
  return false;
}

int WrittenFile::buffer_error() const {
  // A descriptor keeps its own reason; any other buffer left it in errno.
  if (const auto* d = dynamic_cast<const DescriptorBuffer*>(buffer_.get()); d != nullptr && d->error() != 0)
    return d->error();
  return errno;
}

void WrittenFile::restart() {
  close();
  failed_ = false;
  error_ = 0;
  reason_.clear();
}

bool WrittenFile::open(const std::filesystem::path& path, const OutputOpener& opener) {
  restart();
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

void WrittenFile::adopt(int fd, bool owned) {
  restart();
  buffer_ = std::make_unique<DescriptorBuffer>(fd, owned);
  stream_.rdbuf(buffer_.get());
  stream_.clear();
}

void WrittenFile::borrow(std::ostream& stream) {
  restart();
  borrowed_ = &stream;
}

bool WrittenFile::flush() {
  if (borrowed_ == nullptr && !buffer_) return !failed_;
  std::ostream& out = borrowed_ != nullptr ? *borrowed_ : stream_;
  // A write that already failed left its reason with the buffer, or in errno.
  if (!out) return fail(buffer_error());
  errno = 0;
  out.flush();
  if (!out) return fail(buffer_error());
  return !failed_;
}

bool WrittenFile::close() {
  if (borrowed_ != nullptr) {
    flush();
    borrowed_ = nullptr;
    return !failed_;
  }
  if (!buffer_) return !failed_;
  flush();
  errno = 0;
  if (auto* file = dynamic_cast<std::filebuf*>(buffer_.get()); file != nullptr && file->close() == nullptr)
    fail(errno);
  if (auto* d = dynamic_cast<DescriptorBuffer*>(buffer_.get()); d != nullptr && !d->close()) fail(d->error());
  stream_.rdbuf(nullptr);
  buffer_.reset();
  return !failed_;
}

}  // namespace quill
