// The one rule every front end writes by: what each kind of path is taken
// for, and a companion file that is never reached through a trap.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/output_place.hpp"

namespace quill {
namespace {

namespace fs = std::filesystem;

class Folder {
 public:
  Folder() : dir_(fs::temp_directory_path() / ("quillomate-place-" + std::to_string(::getpid()))) {
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "sub");
  }
  ~Folder() { fs::remove_all(dir_); }
  fs::path operator/(const std::string& name) const { return dir_ / name; }

 private:
  fs::path dir_;
};

std::string read(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

TEST(OutputPlace, EachKindOfPathIsTakenForWhatItIs) {
  Folder f;
  std::ofstream(f / "file") << "x";
  ASSERT_EQ(::mkfifo((f / "pipe").c_str(), 0600), 0);
  fs::create_symlink("file", f / "link");
  fs::create_symlink(f / "link", f / "link-to-link");
  fs::create_symlink("sub/new", f / "dangling");
  fs::create_symlink("sub", f / "link-to-folder");
  fs::create_symlink("loop-b", f / "loop-a");
  fs::create_symlink("loop-a", f / "loop-b");
  // A descriptor of this process, and one number past it that is not open.
  const int open_fd = ::dup(2);
  const int closed_fd = ::dup(2);
  ::close(closed_fd);
  struct Case {
    fs::path path;
    OutputPlace::Kind kind;
    fs::path target;  ///< a file's or a stream's; the descriptor's number as text
    int error = 0;
  };
  const std::vector<Case> cases = {
      {f / "file", OutputPlace::file, f / "file"},
      {f / "new", OutputPlace::file, f / "new"},
      {f / "link", OutputPlace::file, f / "file"},
      {f / "link-to-link", OutputPlace::file, f / "file"},
      {f / "dangling", OutputPlace::file, f / "sub/new"},
      {f / "pipe", OutputPlace::stream, f / "pipe"},
      {"/dev/stdout", OutputPlace::descriptor, "1"},
      {"/dev/fd/" + std::to_string(open_fd), OutputPlace::descriptor, std::to_string(open_fd)},
      {"/proc/self/fd/2", OutputPlace::descriptor, "2"},
      {"/proc/" + std::to_string(::getpid()) + "/fd/" + std::to_string(open_fd), OutputPlace::descriptor,
       std::to_string(open_fd)},
      {"/dev/fd/" + std::to_string(closed_fd), OutputPlace::refused, {}, EBADF},
      {f / "sub", OutputPlace::refused, {}, EISDIR},
      {f / "link-to-folder", OutputPlace::refused, {}, EISDIR},
      {f / "no/new", OutputPlace::refused, {}, ENOENT},
      {f / "file/new", OutputPlace::refused, {}, ENOTDIR},
      {f / "loop-a", OutputPlace::refused, {}, ELOOP},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.string());
    const OutputPlace p = place_output(c.path);
    EXPECT_EQ(p.kind, c.kind);
    if (c.kind == OutputPlace::descriptor) {
      EXPECT_EQ(std::to_string(p.fd), c.target.string());
    } else if (c.kind == OutputPlace::refused) {
      EXPECT_EQ(p.error, c.error) << p.why;
    } else {
      EXPECT_EQ(p.target.lexically_normal(), c.target.lexically_normal());
    }
  }
  ::close(open_fd);
  // Two spellings of one file, or of one file still to be made, are one place.
  EXPECT_EQ(identity_of(place_output(f / "link")), identity_of(place_output(f / "file")));
  EXPECT_EQ(identity_of(place_output(f / "dangling")), identity_of(place_output(f / "sub/../sub/new")));
  EXPECT_FALSE(identity_of(place_output(f / "new")) == identity_of(place_output(f / "sub/new")));
}

TEST(OutputPlace, ACompanionIsNeverReachedThroughALink) {
  // A link planted at the companion's name would send the bytes elsewhere
  // (for a process run as root, anywhere): the companion is made afresh.
  Folder f;
  std::ofstream(f / "victim") << "kept\n";
  const fs::path companion = f / (".out.partial-" + std::to_string(::getpid()));
  fs::create_symlink(f / "victim", companion);
  PlacedOutput out(place_output(f / "out"));
  ASSERT_TRUE(out.open()) << out.reason();
  out.stream() << "written\n";
  ASSERT_TRUE(out.commit()) << out.reason();
  EXPECT_EQ(read(f / "victim"), "kept\n");
  EXPECT_EQ(read(f / "out"), "written\n");
  EXPECT_FALSE(fs::exists(fs::symlink_status(companion)));
  // Given up, a companion goes and the old file stays.
  PlacedOutput dropped(place_output(f / "out"));
  ASSERT_TRUE(dropped.open());
  dropped.stream() << "not wanted\n";
  dropped.discard();
  EXPECT_EQ(read(f / "out"), "written\n");
  EXPECT_FALSE(fs::exists(fs::symlink_status(companion)));
}

}  // namespace
}  // namespace quill
