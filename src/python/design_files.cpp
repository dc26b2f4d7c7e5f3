#include "python/design_files.hpp"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "common/line_reader.hpp"
#include "common/name_field.hpp"
#include "common/output_place.hpp"
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
  // The command line's rule: a regular file through a companion renamed into
  // place, a device or a pipe in place, a folder or a socket never.
  PlacedOutput out(place_output(path));
  const OutputPlace& place = out.place();
  if (place.kind == OutputPlace::refused) {
    // A missing folder is the system's own complaint, as open() gives it.
    if (place.error == ENOENT || place.error == ENOTDIR)
      return system_fault(place.error, "cannot create " + named + ": " + reason(place.error));
    return system_fault(place.error, named + ": " + place.why);
  }
  if (!out.open()) return system_fault(out.error(), "cannot create " + named + ": " + reason(out.error()));
  out.stream() << text;
  if (out.commit()) return {};
  return system_fault(out.error(), "cannot write " + named + ": " + reason(out.error()) +
                                       (out.is_stream() ? "" : "; the file was removed"));
}

}  // namespace quill::py_front
