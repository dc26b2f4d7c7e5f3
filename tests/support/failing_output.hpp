#pragma once
// Outputs that fail part-way, as a full disk or a closed pipe does: a stream
// buffer that keeps what it is given and refuses everything past a byte
// limit (errno ENOSPC), and an opener that hands such buffers out by file name.

#include <cerrno>
#include <limits>
#include <map>
#include <memory>
#include <streambuf>
#include <string>

#include "common/surroundings.hpp"

namespace quill::testing_support {

class LimitedBuffer : public std::streambuf {
 public:
  LimitedBuffer(std::shared_ptr<std::string> kept, size_t limit) : kept_(std::move(kept)), limit_(limit) {}

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    const size_t room = limit_ - std::min(limit_, kept_->size());
    const size_t taken = std::min(room, static_cast<size_t>(n));
    kept_->append(s, taken);
    if (taken < static_cast<size_t>(n)) errno = ENOSPC;
    return static_cast<std::streamsize>(taken);
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
  }

 private:
  std::shared_ptr<std::string> kept_;
  size_t limit_;
};

/// Every file the program opens for writing, kept in memory; each takes at
/// most `limit` bytes.
struct OutputCapture {
  std::map<std::string, std::shared_ptr<std::string>> files;  ///< by file name
  size_t limit = std::numeric_limits<size_t>::max();

  OutputOpener opener() {
    return [this](const std::filesystem::path& path) -> std::unique_ptr<std::streambuf> {
      auto kept = std::make_shared<std::string>();
      files[path.filename().string()] = kept;
      return std::make_unique<LimitedBuffer>(kept, limit);
    };
  }
  std::string text(const std::string& name) const {
    auto it = files.find(name);
    return it == files.end() ? std::string() : *it->second;
  }
};

/// A console that takes `limit` bytes and then fails.
struct FailingConsole {
  std::shared_ptr<std::string> kept = std::make_shared<std::string>();
  LimitedBuffer buffer;
  std::ostream stream;
  explicit FailingConsole(size_t limit) : buffer(kept, limit), stream(&buffer) {}
};

}  // namespace quill::testing_support
