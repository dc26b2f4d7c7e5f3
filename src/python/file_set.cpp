#include "python/file_set.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quill::py_front {

namespace fs = std::filesystem;

namespace {

/// Writes `text` whole to a new file at `path`; 0 or the system's error number.
int write_new(const fs::path& path, const std::string& text) {
  // Plain system calls, so each failure keeps its error number for Python's error classes.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  int error = 0;
  for (std::size_t done = 0; done < text.size() && error == 0;) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n == 0) {
      error = EIO;  // nothing taken and no reason given: do not spin
    } else if (errno != EINTR) {
      error = errno;
    }
  }
  if (::close(fd) != 0 && error == 0) error = errno;
  return error;
}

}  // namespace

FileFault write_together(const std::vector<FileText>& files, const std::string& none_kept) {
  std::vector<fs::path> partials;
  std::error_code ec;
  auto give_up = [&](int error, const std::string& what) {
    for (const fs::path& p : partials) fs::remove(p, ec);
    const char* reason = std::strerror(error != 0 ? error : EIO);
    return FileFault{FileFault::system, error, what + ": " + reason + "; " + none_kept};
  };
  for (const auto& [path, text] : files) {
    if (fs::is_directory(path, ec)) return give_up(EISDIR, "cannot create " + path.string());
    // Hidden beside it, named after it and this process.
    std::string hidden = path.filename().string();
    hidden.insert(hidden.begin(), '.');
    hidden += ".partial-" + std::to_string(::getpid());
    const fs::path partial = path.parent_path() / hidden;
    if (const int error = write_new(partial, text); error != 0) {
      const bool made = fs::exists(partial, ec);
      if (made) partials.push_back(partial);
      return give_up(error, (made ? "cannot write " : "cannot create ") + path.string());
    }
    partials.push_back(partial);
  }
  // Every file is whole: put them in place. A rename that fails takes the
  // ones already in place with it.
  for (std::size_t k = 0; k < files.size(); ++k) {
    fs::rename(partials[k], files[k].first, ec);
    if (!ec) continue;
    const int error = ec.value();
    for (std::size_t done = 0; done < k; ++done) fs::remove(files[done].first, ec);
    partials.erase(partials.begin(), partials.begin() + static_cast<std::ptrdiff_t>(k));
    return give_up(error, "cannot write " + files[k].first.string());
  }
  return {};
}

}  // namespace quill::py_front
