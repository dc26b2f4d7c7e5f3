#include "python/design_files.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "common/line_reader.hpp"
#include "common/name_field.hpp"
#include "files/stackup_file.hpp"

namespace quill::py_front {

namespace fs = std::filesystem;

namespace {

/// A stack-up is a few dozen lines; reading stops a byte past this, as the
/// command line's does.
constexpr std::size_t kMostStackBytes = 1u << 20;

FileFault system_fault(int error, std::string message) {
  return {FileFault::system, error, std::move(message)};
}

FileFault contents_fault(std::string message) { return {FileFault::contents, 0, std::move(message)}; }

std::string reason(int error) { return std::strerror(error != 0 ? error : EIO); }

/// Opens a plain file for reading; `kind` names it in messages
/// ("design-data file"). A fault says why it cannot be read.
FileFault open_plain(const fs::path& path, const std::string& named, const char* kind, std::ifstream& in) {
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (!fs::exists(st)) return system_fault(ENOENT, named + ": no such " + kind);
  if (fs::is_directory(st)) return system_fault(EISDIR, named + ": is a folder, not a " + kind);
  // A device or a pipe may never end: only plain files are read.
  if (!fs::is_regular_file(st)) return system_fault(0, named + ": is not a plain file");
  errno = 0;
  in.open(path, std::ios::binary);
  if (!in.is_open()) {
    const int e = errno != 0 ? errno : EIO;
    return system_fault(e, named + ": cannot be read: " + reason(e));
  }
  return {};
}

}  // namespace

DesignFileRead read_design_file(const fs::path& path, const std::string& named) {
  DesignFileRead r;
  std::ifstream in;
  if ((r.fault = open_plain(path, named, "design-data file", in))) return r;
  errno = 0;
  DesignDataRead read = read_design_data(in);
  const int read_error = errno;
  if (read.fault != EntryFile::none) {
    const std::string message = design_data_fault(read, named, read_error);
    r.fault = read.fault == EntryFile::unreadable ? system_fault(read_error != 0 ? read_error : EIO, message)
                                                  : contents_fault(message);
    return r;
  }
  r.values = std::move(read.values);
  // The title line, which the reader skips, goes back out when the design is written.
  in.clear();
  in.seekg(0);
  r.title = read_line(in, 4096).text;
  return r;
}

StackFileRead read_stackup_file(const fs::path& path, const std::string& named) {
  StackFileRead r;
  std::ifstream in;
  if ((r.fault = open_plain(path, named, "stack-up file", in))) return r;
  std::string text(kMostStackBytes + 1, '\0');
  errno = 0;
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in.bad()) {
    const int e = errno != 0 ? errno : EIO;
    r.fault = system_fault(e, named + ": cannot be read: " + reason(e));
    return r;
  }
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > kMostStackBytes) {
    r.fault = contents_fault(named + ": is larger than 1 MiB; a stack-up file is a few dozen lines");
    return r;
  }
  StackupRead read = read_stackup_text(text, named);
  if (!read.ok) {
    r.fault = contents_fault(read.message);
    return r;
  }
  r.stack = std::move(read.stackup);
  return r;
}

FileFault write_whole_file(const fs::path& path, const std::string& named, const std::string& text) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) return system_fault(EISDIR, named + ": is a folder");
  const fs::path partial =
      path.parent_path() / ("." + path.filename().string() + ".partial-" + std::to_string(::getpid()));
  // Plain system calls, so each failure keeps its error number for Python's error classes.
  const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    const int e = errno;
    return system_fault(e, "cannot create " + named + ": " + reason(e));
  }
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
  if (error == 0) {
    fs::rename(partial, path, ec);
    if (!ec) return {};
    error = ec.value();
  }
  fs::remove(partial, ec);
  return system_fault(error, "cannot write " + named + ": " + reason(error) + "; the file was removed");
}

}  // namespace quill::py_front
