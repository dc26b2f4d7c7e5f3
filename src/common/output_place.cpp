#include "common/output_place.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

namespace quill {

namespace fs = std::filesystem;

namespace {

/// Links followed at most, as the system itself allows (ELOOP past it).
constexpr int kMostLinks = 40;

/// The descriptor number of `rest` ("3"), when it is one.
std::optional<int> number_of(const std::string& rest) {
  if (rest.empty() || rest.size() > 9) return std::nullopt;
  int n = 0;
  for (char c : rest) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

/// The process's own descriptor a path names: /dev/stdout, /dev/fd/3,
/// /proc/self/fd/3. Opening such a path anew would start a file at its
/// beginning again; written through the descriptor it goes on where the
/// shell's redirection left it.
std::optional<int> descriptor_named(const fs::path& path) {
  std::error_code ec;
  const std::string p = fs::absolute(path, ec).lexically_normal().string();
  if (p == "/dev/stdin") return 0;
  if (p == "/dev/stdout") return 1;
  if (p == "/dev/stderr") return 2;
  const std::string pid = "/proc/" + std::to_string(::getpid()) + "/fd/";
  for (const std::string& folder : {std::string("/dev/fd/"), std::string("/proc/self/fd/"),
                                    std::string("/proc/thread-self/fd/"), pid})
    if (p.size() > folder.size() && p.compare(0, folder.size(), folder) == 0) return number_of(p.substr(folder.size()));
  return std::nullopt;
}

OutputPlace refusal(std::string why, int error) {
  OutputPlace p;
  p.kind = OutputPlace::refused;
  p.why = std::move(why);
  p.error = error;
  return p;
}

/// A file still to be made at `target`: its folder must be there. `via`
/// names the link that led here, if one did.
OutputPlace new_file(const fs::path& target, const fs::path& via) {
  const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    const bool there = fs::exists(folder, ec);
    const std::string what = folder.string() + (there ? " is not a folder" : " does not exist");
    const int error = there ? ENOTDIR : ENOENT;
    if (via.empty()) return refusal("the folder " + what, error);
    return refusal("links to " + target.string() + ", whose folder " + what, error);
  }
  OutputPlace p;
  p.target = target;
  return p;
}

}  // namespace

OutputPlace place_output(const fs::path& path) {
  fs::path p = path;
  fs::path via;  // the last link followed
  for (int links = 0;; ++links) {
    if (auto fd = descriptor_named(p)) {
      if (::fcntl(*fd, F_GETFD) < 0)
        return refusal("names descriptor " + std::to_string(*fd) + ", which is not open", EBADF);
      OutputPlace d;
      d.kind = OutputPlace::descriptor;
      d.target = p;
      d.fd = *fd;
      return d;
    }
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0) {
      if (errno == ENOENT || errno == ENOTDIR) return new_file(p, via);
      // Anything else (a folder that cannot be searched) is the system's to
      // say when the file is created.
      OutputPlace f;
      f.target = p;
      return f;
    }
    if (S_ISLNK(st.st_mode)) {
      if (links == kMostLinks) return refusal("has too many levels of symbolic links", ELOOP);
      std::error_code ec;
      const fs::path to = fs::read_symlink(p, ec);
      if (ec) return refusal("is a link that cannot be read: " + ec.message(), ec.value());
      via = p;
      p = to.is_absolute() ? to : p.parent_path() / to;
      continue;
    }
    OutputPlace o;
    o.target = p;
    if (S_ISREG(st.st_mode)) return o;
    if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) {
      o.kind = OutputPlace::stream;
      return o;
    }
    const std::string linked = via.empty() ? std::string() : "links to " + p.string() + ", which ";
    if (S_ISDIR(st.st_mode)) return refusal(linked + "is a folder", EISDIR);
    if (S_ISSOCK(st.st_mode)) return refusal(linked + "is a socket", ENXIO);
    if (S_ISBLK(st.st_mode)) return refusal(linked + "is a block device (a disk): not written", EPERM);
    return refusal(linked + "is not a file", EPERM);
  }
}

PlaceIdentity identity_of(const fs::path& path) {
  PlaceIdentity id;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    id.exists = true;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    return id;
  }
  std::error_code ec;
  const fs::path whole = fs::weakly_canonical(fs::absolute(path, ec), ec);
  id.path = (ec ? path.lexically_normal() : whole).string();
  return id;
}

PlaceIdentity identity_of(const OutputPlace& place) {
  if (place.kind == OutputPlace::descriptor) {
    PlaceIdentity id;
    struct stat st {};
    if (::fstat(place.fd, &st) == 0) {
      id.exists = true;
      id.device = st.st_dev;
      id.inode = st.st_ino;
    } else {
      id.path = "/dev/fd/" + std::to_string(place.fd);
    }
    return id;
  }
  return identity_of(place.target);
}

PlacedOutput::PlacedOutput(OutputPlace place, OutputOpener opener)
    : place_(std::move(place)), opener_(std::move(opener)) {}

PlacedOutput::~PlacedOutput() { discard(); }

bool PlacedOutput::open_companion() {
  const fs::path& target = place_.target;
  std::string hidden = ".";
  hidden += target.filename().string();
  hidden += ".partial-";
  hidden += std::to_string(::getpid());
  partial_ = target.parent_path() / hidden;
  // A companion of this name is a leftover of an earlier process that had
  // this number, or a trap: either way it goes, and the new one is made
  // afresh, never through a link.
  ::unlink(partial_.c_str());
  const int fd = ::open(partial_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return file_.fail(errno);
  made_ = true;
  // A file replaced keeps its owner and permissions, as far as this process may give them.
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    [[maybe_unused]] const int owner = ::fchown(fd, st.st_uid, st.st_gid);
    [[maybe_unused]] const int mode = ::fchmod(fd, st.st_mode & 0777);
  }
  file_.adopt(fd, true);
  return true;
}

bool PlacedOutput::open() {
  switch (place_.kind) {
    case OutputPlace::file:
      if (opener_) return file_.open(place_.target, opener_);
      return open_companion();
    case OutputPlace::stream: {
      // No O_CREAT: a node that went away is not made a plain file.
      const int fd = ::open(place_.target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
      if (fd < 0) return file_.fail(errno);
      file_.adopt(fd, true);
      return true;
    }
    case OutputPlace::descriptor: {
      const int fd = ::fcntl(place_.fd, F_DUPFD_CLOEXEC, 3);
      if (fd < 0) return file_.fail(errno);
      file_.adopt(fd, true);
      return true;
    }
    case OutputPlace::refused:
      break;
  }
  return file_.fail(place_.error);
}

bool PlacedOutput::commit() {
  if (!file_.close()) {
    discard();
    return false;
  }
  if (!made_) return true;
  if (::rename(partial_.c_str(), place_.target.c_str()) != 0) {
    file_.fail(errno);
    discard();
    return false;
  }
  made_ = false;
  return true;
}

void PlacedOutput::discard() {
  file_.close();
  if (made_) ::unlink(partial_.c_str());
  made_ = false;
}

}  // namespace quill
