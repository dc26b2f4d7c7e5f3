// Every output of the command line is checked: standard output and each file
// that fails part-way give one line naming it with the system's reason and
// status 4, never a success.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/dialogue.hpp"
#include "support/session_files.hpp"
#include "support/failing_output.hpp"

namespace quill {
namespace {

using testing_support::Dialogue;
using testing_support::FailingConsole;
using testing_support::OutputCapture;

std::string design_text() { return testing_support::five_section_design(); }

const std::vector<std::string> kSynthesis = {"synthesize", "--asymmetrical", "--flow", "2000", "--fhigh",
                                             "18000", "--coupling", "12.5", "--ripple", "0.3"};

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& more) {
  a.insert(a.end(), more.begin(), more.end());
  return a;
}

TEST(CliWriteFailure, EveryOutputFileThatFillsUpIsAFailure) {
  struct Case {
    std::vector<std::string> args;
    std::string file;
  };
  const std::vector<Case> cases = {
      {{"analyse", "design.dat", "--format", "1", "--report", "out.txt"}, "out.txt"},
      {{"analyse", "design.dat", "--format", "2", "--report", "out.txt"}, "out.txt"},
      {{"analyse", "design.dat", "-q", "--touchstone", "out.s4p"}, "out.s4p"},
      {{"analyse", "design.dat", "-q", "--csv", "out.csv"}, "out.csv"},
      {{"analyse", "design.dat", "-q", "--plot", "out.svg"}, "out.svg"},
      {with(kSynthesis, {"--write-design", "out.dat"}), "out.dat"},
      {with(kSynthesis, {"--touchstone", "out.s4p"}), "out.s4p"},
  };
  for (const Case& c : cases)
    for (size_t limit : {size_t{0}, size_t{100}, size_t{600}}) {
      SCOPED_TRACE(c.args[0] + " " + c.file + " full after " + std::to_string(limit));
      OutputCapture files;
      files.limit = limit;
      Dialogue dir;
      dir.file("design.dat", design_text()).outputs(files.opener());
      const auto o = dir.command(c.args);
      EXPECT_EQ(o.status, 4);
      const std::string path = (dir.dir() / c.file).string();
      EXPECT_EQ(o.err, "quillomate " + c.args[0] + ": cannot write " + path +
                           ": No space left on device; the file was removed\n");
      EXPECT_EQ(files.text(c.file).size(), limit);
    }
}

TEST(CliWriteFailure, StandardOutputThatFailsIsAFailure) {
  const std::vector<std::vector<std::string>> commands = {
      {"analyse", "design.dat", "--format", "1"},
      {"analyse", "design.dat"},
      {"dimensions", "design.dat"},
      {"dimensions", "design.dat", "--centre", "overlap"},
      kSynthesis,
      {"--help"},
      {"--version"},
  };
  for (const auto& args : commands)
    for (size_t limit : {size_t{0}, size_t{10}, size_t{300}}) {
      if (args[0] == "--version" && limit > 10) continue;  // "quillomate 1.3" fits
      SCOPED_TRACE(args[0] + " " + (args.size() > 1 ? args[1] : "") + ", console full after " +
                   std::to_string(limit));
      FailingConsole console(limit);
      Dialogue dir;
      dir.file("design.dat", design_text()).console(console.stream);
      const auto o = dir.command(args);
      EXPECT_EQ(o.status, 4);
      EXPECT_NE(o.err.find("cannot write standard output: No space left on device"), std::string::npos) << o.err;
      EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
    }
}

}  // namespace
}  // namespace quill
