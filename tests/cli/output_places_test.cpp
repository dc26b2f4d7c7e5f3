// Outputs never destroy what is not theirs. Every command that writes puts the
// same bytes in every place a path can name: a new or an old regular file (its
// permissions kept), a link's target here or in another folder (the link
// kept), a named pipe read as it is written, standard output; a device node
// stays a device; a folder or a socket is refused before any work is done;
// and no companion file is ever left behind.

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/dialogue.hpp"
#include "support/failing_output.hpp"
#include "support/session_files.hpp"

namespace quill {
namespace {

namespace fs = std::filesystem;
using testing_support::Dialogue;
using testing_support::Outcome;

/// The core between prepregs of the example boards.
const char* const kBoard =
    "unit = \"mm\"\ncopper_thickness = 0.035\n"
    "[[layer]]\nthickness = 0.5\ner = 3.0\ntan_delta = 0.002\n"
    "[[layer]]\nthickness = 0.254\ner = 3.48\ntan_delta = 0.0037\nstrips = true\n"
    "[[layer]]\nthickness = 0.5\ner = 3.0\ntan_delta = 0.002\n";

/// One 10 dB section: the board's field solution of one section keeps the
/// commands that solve it quick.
const char* const kOneSection = "One 10 dB section\n1\n50\n2.2\n69.37\n5000\n3000\n7000\n250\n0.063\n0.0079\n";

/// A command that writes one output; "@" stands for its path.
struct Writer {
  std::vector<std::string> args;
  bool prints = true;  ///< prints a report on standard output
  std::string option() const {
    for (size_t k = 1; k < args.size(); ++k)
      if (args[k] == "@") return args[k - 1];
    return {};
  }
  std::vector<std::string> at(const std::string& path) const {
    std::vector<std::string> a = args;
    for (std::string& s : a)
      if (s == "@") s = path;
    return a;
  }
};

const std::vector<std::string> kSynthesis = {"synthesize", "--symmetrical", "--flow", "4000", "--fhigh",
                                             "8000", "--coupling", "10", "--ripple", "0.2"};

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& more) {
  a.insert(a.end(), more.begin(), more.end());
  return a;
}

/// Every command that writes a file, each kind of file once.
const std::vector<Writer>& writers() {
  static const std::vector<Writer> w = {
      {{"analyse", "design.dat", "-q", "--touchstone", "@"}, false},
      {{"analyse", "design.dat", "-q", "--csv", "@"}, false},
      {{"analyse", "design.dat", "-q", "--plot", "@"}, false},
      {{"analyse", "design.dat", "-q", "--report", "@"}, false},
      {{"dimensions", "one.dat", "--stackup", "board.toml", "--csv", "@"}},
      {with(kSynthesis, {"--write-design", "@"})},
      {with(kSynthesis, {"--csv", "@"})},
      {{"layout", "one.dat", "--stackup", "board.toml", "--svg", "@"}},
  };
  return w;
}

std::string read(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

/// Hidden companion files left anywhere under `dir`.
std::vector<std::string> companions(const fs::path& dir) {
  std::vector<std::string> left;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.path().filename().string().find(".partial-") != std::string::npos) left.push_back(e.path().string());
  return left;
}

/// The working folder of one run: the inputs, and a folder beside it.
struct Work {
  Dialogue dir;
  Work() {
    dir.file("design.dat", testing_support::five_section_design()).file("one.dat", kOneSection);
    dir.file("board.toml", kBoard);
    fs::create_directory(dir.dir() / "other");
  }
  fs::path operator/(const std::string& name) const { return dir.dir() / name; }
};

/// Reads a named pipe on its own thread while the program writes it. The
/// pipe is open for reading before the program runs (so its writer never
/// waits), and a program that never writes it cannot hang the test.
class PipeReader {
 public:
  explicit PipeReader(const fs::path& fifo) : fd_(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {
    thread_ = std::thread([this] {
      char block[4096];
      while (fd_ >= 0) {
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, 50);
        if (ready == 0 && stop_) break;
        if (ready <= 0) continue;
        const ssize_t n = ::read(fd_, block, sizeof block);
        if (n > 0) {
          text_.append(block, static_cast<size_t>(n));
        } else if (n == 0) {
          break;  // the writer came and went
        }
      }
    });
  }
  /// What came through, once the program has returned.
  std::string finish() {
    stop_ = true;
    thread_.join();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    return text_;
  }
  ~PipeReader() {
    if (thread_.joinable()) finish();
  }

 private:
  int fd_;
  std::atomic<bool> stop_{false};
  std::string text_;
  std::thread thread_;
};

/// The output of `w` written to a new regular file: what every other place
/// must receive.
std::string reference(const Writer& w) {
  Work work;
  const Outcome o = work.dir.command(w.at("ref.out"));
  EXPECT_EQ(o.status, 0) << o.err;
  return read(work / "ref.out");
}

/// Equal bytes, or where they first differ (the files run to kilobytes).
testing::AssertionResult same_bytes(const std::string& got, const std::string& want) {
  if (got == want) return testing::AssertionSuccess();
  size_t at = 0;
  while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
  return testing::AssertionFailure() << got.size() << " bytes where " << want.size()
                                     << " were due, first apart at byte " << at << ": \"" << got.substr(at, 40)
                                     << "\" for \"" << want.substr(at, 40) << "\"";
}

bool is_link_to(const fs::path& link, const fs::path& target) {
  std::error_code ec;
  return fs::is_symlink(fs::symlink_status(link, ec)) && fs::read_symlink(link, ec) == target;
}

struct stat stat_of(const fs::path& p) {
  struct stat st {};
  ::lstat(p.c_str(), &st);
  return st;
}

TEST(OutputPlaces, EveryWriterPutsTheSameBytesInEveryPlace) {
  // Each place: how to prepare it in the folder, the path to give, and what
  // the run must have done, given the reference bytes.
  struct Place {
    std::string name;
    std::function<std::string(Work&)> prepare;  ///< returns the path to give
    std::function<void(Work&, const Outcome&, const std::string&)> check;
  };
  const std::string old = "an earlier file\n";
  std::vector<Place> places = {
      {"a new file", [](Work&) { return "new.out"; },
       [](Work& w, const Outcome& o, const std::string& ref) {
         EXPECT_EQ(o.status, 0) << o.err;
         EXPECT_TRUE(same_bytes(read(w / "new.out"), ref));
       }},
      {"an old file, read-only to others",
       [&old](Work& w) {
         std::ofstream(w / "old.out") << old;
         fs::permissions(w / "old.out", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
         return "old.out";
       },
       [](Work& w, const Outcome& o, const std::string& ref) {
         EXPECT_EQ(o.status, 0) << o.err;
         EXPECT_TRUE(same_bytes(read(w / "old.out"), ref));
         EXPECT_EQ(stat_of(w / "old.out").st_mode & 0777, 0640u);
       }},
      {"a link to a file beside it",
       [&old](Work& w) {
         std::ofstream(w / "real.out") << old;
         fs::create_symlink("real.out", w / "link.out");
         return "link.out";
       },
       [](Work& w, const Outcome& o, const std::string& ref) {
         EXPECT_EQ(o.status, 0) << o.err;
         EXPECT_TRUE(is_link_to(w / "link.out", "real.out"));
         EXPECT_TRUE(same_bytes(read(w / "real.out"), ref));
       }},
      {"a link into another folder",
       [&old](Work& w) {
         std::ofstream(w / "other" / "real.out") << old;
         fs::create_symlink(w / "other" / "real.out", w / "link.out");
         return "link.out";
       },
       [](Work& w, const Outcome& o, const std::string& ref) {
         EXPECT_EQ(o.status, 0) << o.err;
         EXPECT_TRUE(is_link_to(w / "link.out", w / "other" / "real.out"));
         EXPECT_TRUE(same_bytes(read(w / "other" / "real.out"), ref));
       }},
      {"a link to a file still to be made",
       [](Work& w) {
         fs::create_symlink("other/made.out", w / "link.out");
         return "link.out";
       },
       [](Work& w, const Outcome& o, const std::string& ref) {
         EXPECT_EQ(o.status, 0) << o.err;
         EXPECT_TRUE(is_link_to(w / "link.out", "other/made.out"));
         EXPECT_TRUE(same_bytes(read(w / "other" / "made.out"), ref));
       }},
      {"a named pipe",
       [](Work& w) {
         EXPECT_EQ(::mkfifo((w / "pipe").c_str(), 0600), 0) << std::strerror(errno);
         return "pipe";
       },
       nullptr},  // read by a thread: below
      {"standard output as -", [](Work&) { return "-"; }, nullptr},
      // As /dev/stdout names it, through a link of the test's own: a fault
      // here must never reach the system's /dev/stdout.
      {"standard output through a link to /proc/self/fd/1",
       [](Work& w) {
         fs::create_symlink("/proc/self/fd/1", w / "stdout");
         return "stdout";
       },
       nullptr},
  };
  for (const Writer& w : writers()) {
    const std::string ref = reference(w);
    ASSERT_FALSE(ref.empty());
    for (const Place& p : places) {
      SCOPED_TRACE(w.args[0] + " " + w.option() + " to " + p.name);
      Work work;
      const std::string path = p.prepare(work);
      if (p.name == "a named pipe") {
        PipeReader reader(work / path);
        const Outcome o = work.dir.command(w.at(path));
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_TRUE(same_bytes(reader.finish(), ref));
        EXPECT_TRUE(S_ISFIFO(stat_of(work / path).st_mode));
      } else if (p.check) {
        const Outcome o = work.dir.command(w.at(path));
        p.check(work, o, ref);
        EXPECT_EQ(o.err, "");
      } else {
        // Standard output takes an export when nothing else is printed there.
        const Outcome o = work.dir.command(w.at(path));
        if (w.prints) {
          EXPECT_EQ(o.status, 2);
          EXPECT_EQ(o.err, "quillomate " + w.args[0] + ": " + w.option() + " " +
                               (path == "-" ? path : (work / path).string()) +
                               ": standard output already carries the report\n");
          EXPECT_EQ(o.out, "");
        } else {
          EXPECT_EQ(o.status, 0) << o.err;
          EXPECT_TRUE(same_bytes(o.out, ref));
        }
      }
      EXPECT_EQ(companions(work.dir.dir()), std::vector<std::string>{});
    }
  }
}

/// Binds a Unix socket at `path`; the descriptor, closed by the caller.
int bound_socket(const fs::path& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
  EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0) << std::strerror(errno);
  return fd;
}

TEST(OutputPlaces, WhatIsNoFileIsRefusedBeforeAnyWork) {
  struct Place {
    std::function<std::string(Work&)> prepare;
    std::string why;  ///< after "<option> <path>: "
  };
  int sock = -1;
  const std::vector<Place> places = {
      {[](Work& w) {
         fs::create_directory(w / "folder");
         return "folder";
       },
       "is a folder"},
      {[&sock](Work& w) {
         sock = bound_socket(w / "sock");
         return "sock";
       },
       "is a socket"},
      {[](Work& w) {
         fs::create_symlink("other", w / "link");
         return "link";
       },
       "links to {}other, which is a folder"},
      {[](Work& w) {
         fs::create_symlink("nowhere/x.out", w / "link");
         return "link";
       },
       "links to {}nowhere/x.out, whose folder {}nowhere does not exist"},
  };
  for (const Writer& w : writers())
    for (const Place& p : places) {
      Work work;
      const std::string path = p.prepare(work);
      SCOPED_TRACE(w.args[0] + " " + w.option() + " " + path);
      const auto before = fs::symlink_status(work / path).type();
      const Outcome o = work.dir.command(w.at(path));
      if (sock >= 0) ::close(sock);
      sock = -1;
      std::string why = p.why;
      for (size_t at; (at = why.find("{}")) != std::string::npos;) why.replace(at, 2, (work / "").string());
      EXPECT_EQ(o.status, 2);
      EXPECT_EQ(o.err,
                "quillomate " + w.args[0] + ": " + w.option() + " " + (work / path).string() + ": " + why + "\n");
      // Checked before any work: nothing printed, nothing written, nothing replaced.
      EXPECT_EQ(o.out, "");
      EXPECT_EQ(fs::symlink_status(work / path).type(), before);
      EXPECT_EQ(o.files.size(), 3u);
      EXPECT_FALSE(fs::exists(work / "other" / "x.out"));
    }
}

TEST(OutputPlaces, PrivateDeviceNodesStayDevices) {
  // Made with mknod in the test's own folder: never the system's /dev/full.
  Work probe;
  if (::mknod((probe / "probe").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
    GTEST_SKIP() << "mknod needs root (" << std::strerror(errno) << "): device nodes are not checked here";
  for (const Writer& w : writers()) {
    for (const unsigned minor : {3u, 7u}) {  // null, full
      Work work;
      const fs::path node = work / "node";
      ASSERT_EQ(::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, minor)), 0);
      SCOPED_TRACE(w.args[0] + " " + w.option() + " to a node of minor " + std::to_string(minor));
      const Outcome o = work.dir.command(w.at("node"));
      if (minor == 3) {
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_EQ(o.err, "");
      } else {
        EXPECT_EQ(o.status, 4);
        // A layout's files are a set: the message says none was kept.
        EXPECT_EQ(o.err, "quillomate " + w.args[0] + ": cannot write " + node.string() + ": " + std::strerror(ENOSPC) +
                             (w.args[0] == "layout" ? "; no artwork file was kept" : "") + "\n");
      }
      const struct stat st = stat_of(node);
      EXPECT_TRUE(S_ISCHR(st.st_mode));
      EXPECT_EQ(::major(st.st_rdev), 1u);
      EXPECT_EQ(::minor(st.st_rdev), minor);
      EXPECT_EQ(companions(work.dir.dir()), std::vector<std::string>{});
    }
  }
  // A stream among files written together: the files are whole before it is
  // written and put in place after, so a full device keeps none of them.
  Work work;
  ASSERT_EQ(::mknod((work / "full").c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
  const Outcome o = work.dir.command(
      {"layout", "one.dat", "--stackup", "board.toml", "--gerber", "gerbers", "--svg", "c.svg", "--dxf", "full"});
  EXPECT_EQ(o.status, 4);
  EXPECT_EQ(o.err, "quillomate layout: cannot write " + (work / "full").string() + ": " + std::strerror(ENOSPC) +
                       "; no artwork file was kept\n");
  EXPECT_FALSE(fs::exists(work / "c.svg"));
  EXPECT_FALSE(fs::exists(work / "gerbers"));
  EXPECT_EQ(companions(work.dir.dir()), std::vector<std::string>{});
}

TEST(OutputPlaces, StandardOutputTakesOneOutputAndNothingElse) {
  struct Case {
    std::vector<std::string> args;
    std::string says;  ///< empty: the run succeeds
  };
  const std::vector<Case> cases = {
      {{"analyse", "design.dat", "--csv", "-"},
       "--csv -: standard output already carries the report (-q keeps it off)"},
      {{"analyse", "design.dat", "-q", "--csv", "-", "--touchstone", "stdout"},
       "--csv -: standard output is already taken by --touchstone"},
      {{"analyse", "design.dat", "-q", "--report", "-", "--plot", "-"},
       "--plot -: standard output is already taken by --report"},
      {{"layout", "design.dat", "--stackup", "board.toml", "--gerber", "-"},
       "--gerber -: names standard output, but the files go into a folder"},
      {{"analyse", "design.dat", "-q", "--report", "-"}, ""},
  };
  for (const Case& c : cases) {
    Work work;
    fs::create_symlink("/proc/self/fd/1", work / "stdout");  // /dev/stdout, of the test's own
    const Outcome o = work.dir.command(c.args);
    SCOPED_TRACE(o.err);
    if (c.says.empty()) {
      EXPECT_EQ(o.status, 0);
      // The report given as an output is the report the command prints.
      EXPECT_TRUE(same_bytes(o.out, testing_support::printed_report(work.dir.command({"analyse", "design.dat"}).out)));
    } else {
      EXPECT_EQ(o.status, 2);
      EXPECT_EQ(o.err, "quillomate " + c.args[0] + ": " + c.says + "\n");
      EXPECT_EQ(o.out, "");
    }
  }
}

TEST(OutputPlaces, OutputsAndInputsAreToldApartThroughLinks) {
  Work work;
  fs::create_symlink("design.dat", work / "design-link");
  fs::create_symlink("board.toml", work / "board-link");
  std::ofstream(work / "real.csv") << "x\n";
  fs::create_symlink(work / "real.csv", work / "other" / "csv-link");
  const std::string d = (work / "").string();
  struct Case {
    std::vector<std::string> args;
    std::string says;
  };
  const std::vector<Case> cases = {
      {{"analyse", "design.dat", "-q", "--csv", "design-link"},
       "--csv " + d + "design-link: is the design file being read"},
      {{"dimensions", "design.dat", "--stackup", "board.toml", "--csv", "board-link"},
       "--csv " + d + "board-link: is the stack-up file being read"},
      {{"analyse", "design.dat", "-q", "--touchstone", "real.csv", "--csv", "other/csv-link"},
       "--csv " + d + "other/csv-link: already named by --touchstone"},
      {{"analyse", "design.dat", "-q", "--touchstone", "other/../real.csv", "--csv", "./real.csv"},
       "--csv " + d + "./real.csv: already named by --touchstone"},
      {{"analyse", "design.dat", "-q", "--touchstone", "new.csv", "--csv", "other/../new.csv"},
       "--csv " + d + "other/../new.csv: already named by --touchstone"},
  };
  for (const Case& c : cases) {
    const Outcome o = work.dir.command(c.args);
    EXPECT_EQ(o.status, 2) << o.err;
    EXPECT_EQ(o.err, "quillomate " + c.args[0] + ": " + c.says + "\n");
    EXPECT_EQ(read(work / "real.csv"), "x\n");
    EXPECT_FALSE(fs::exists(work / "new.csv"));
  }
}

TEST(OutputPlaces, AnExportThatFailsLeavesTheOthersWhole) {
  // One export on a full disk, the others not: each is whole or not at all,
  // on its own, and the sweep goes on for those still taking it.
  const std::vector<std::string> args = {"analyse", "design.dat", "-q", "--step", "1", "--touchstone", "a.s4p",
                                         "--csv",   "b.csv",      "--plot", "c.svg"};
  Work whole;
  const Outcome ref = whole.dir.command(args);
  ASSERT_EQ(ref.status, 0) << ref.err;
  for (const std::string failing : {"a.s4p", "b.csv", "c.svg"}) {
    Work work;
    testing_support::OutputCapture files;
    work.dir.outputs([&files, failing](const fs::path& p) -> std::unique_ptr<std::streambuf> {
      auto kept = std::make_shared<std::string>();
      files.files[p.filename().string()] = kept;
      return std::make_unique<testing_support::LimitedBuffer>(
          kept, p.filename() == failing ? 1000 : std::numeric_limits<size_t>::max());
    });
    const Outcome o = work.dir.command(args);
    SCOPED_TRACE(failing);
    EXPECT_EQ(o.status, 4);
    EXPECT_EQ(o.err, "quillomate analyse: cannot write " + (work / failing).string() + ": " +
                         std::strerror(ENOSPC) + "; the file was removed\n");
    for (const std::string other : {"a.s4p", "b.csv", "c.svg"})
      if (other != failing) {
        EXPECT_TRUE(same_bytes(files.text(other), ref.files.at(other))) << other;
      }
  }
}

TEST(OutputPlaces, TheGerberFolderIsMadeWhereItsParentIs) {
  const std::vector<std::string> layout = {"layout", "one.dat", "--stackup", "board.toml"};
  {
    Work work;
    const Outcome o = work.dir.command(with(layout, {"--gerber", "other/gerbers"}));
    EXPECT_EQ(o.status, 0) << o.err;
    for (const char* layer : {"upper", "lower", "outline"})
      EXPECT_TRUE(fs::is_regular_file(work / "other" / "gerbers" / (std::string("one-") + layer + ".gbr")));
  }
  struct Case {
    std::string folder, says;
  };
  const std::vector<Case> refused = {
      {"no/gerbers", "the folder {}no does not exist"},
      {"design.dat", "is not a folder"},
  };
  for (const Case& c : refused) {
    Work work;
    const Outcome o = work.dir.command(with(layout, {"--gerber", c.folder}));
    std::string says = c.says;
    if (auto at = says.find("{}"); at != std::string::npos) says.replace(at, 2, (work / "").string());
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.err, "quillomate layout: --gerber " + c.folder + ": " + says + "\n");
    EXPECT_EQ(o.out, "");
  }
  // A set that fails takes the folder it made with it, and only that one.
  for (const std::string folder : {"made", "other"}) {
    Work work;
    testing_support::OutputCapture files;
    files.limit = 10;
    work.dir.outputs(files.opener());
    const Outcome o = work.dir.command(with(layout, {"--gerber", folder}));
    EXPECT_EQ(o.status, 4);
    EXPECT_NE(o.err.find("no artwork file was kept"), std::string::npos) << o.err;
    EXPECT_EQ(fs::exists(work / folder), folder == "other");
  }
}

}  // namespace
}  // namespace quill
