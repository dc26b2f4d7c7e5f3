// Every mistake on the command line gets one line on standard error that
// names what is wrong, a documented non-zero status, and leaves no file behind.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/dialogue.hpp"
#include "support/session_files.hpp"

namespace quill {
namespace {

using testing_support::Dialogue;

std::string design_text() { return testing_support::five_section_design(); }

struct Case {
  std::vector<std::string> args;
  int status;
  std::string says;  ///< a piece of the one message line
};

const std::vector<std::string> kSynth = {"synthesize", "--symmetrical", "--flow", "4000", "--fhigh", "8000",
                                         "--coupling", "8.34", "--ripple", "0.3"};

std::vector<std::string> synth_with(std::vector<std::string> more) {
  std::vector<std::string> a = kSynth;
  a.insert(a.end(), more.begin(), more.end());
  return a;
}

std::vector<std::string> synth_replacing(const std::string& flag, const std::string& value) {
  std::vector<std::string> a = kSynth;
  for (size_t i = 0; i + 1 < a.size(); ++i)
    if (a[i] == flag) a[i + 1] = value;
  return a;
}

TEST(BadCommandLines, EachGetsOneLineAStatusAndNoFile) {
  const std::vector<Case> cases = {
      // The command line itself.
      {{"frobnicate"}, 2, "\"frobnicate\" is not a command"},
      {{"analyse", "design.dat", "--colour"}, 2, "--colour"},
      {{"analyse"}, 2, "FILE"},
      {{"analyse", "design.dat", "--loss"}, 2, "--loss"},
      {{"synthesize", "--flow", "1", "--fhigh", "2", "--coupling", "10", "--ripple", "0"}, 2, "--symmetrical"},
      {synth_with({"--asymmetrical"}), 2, "--asymmetrical"},
      // Numbers that are not numbers, or out of range.
      {{"analyse", "design.dat", "--loss", "0.5dB"}, 2, "\"0.5dB\" is not a number"},
      {{"analyse", "design.dat", "--loss", "nan"}, 2, "\"nan\" is not a number"},
      {{"analyse", "design.dat", "--start", "inf"}, 2, "\"inf\" is not a number"},
      {{"analyse", "design.dat", "--stop", "-infinity"}, 2, "is not a number"},
      {{"analyse", "design.dat", "--step", "1e39"}, 2, "beyond the range"},
      {{"analyse", "design.dat", "--step", ""}, 2, "is not a number"},
      {{"analyse", "design.dat", "--velocity-ratio", "1.2"}, 2, "--velocity-ratio must be above 0 and at most 1"},
      {{"analyse", "design.dat", "--velocity-ratio", "0"}, 2, "--velocity-ratio must be above 0"},
      {{"analyse", "design.dat", "--loss", "-0.5"}, 2, "--loss must be at least 0 dB per inch"},
      {{"analyse", "design.dat", "--format", "3"}, 2, "--format must be 1 or 2"},
      {{"analyse", "design.dat", "--format", "1.5"}, 2, "--format must be 1 or 2"},
      {{"analyse", "design.dat", "--start", "4000", "--stop", "500"}, 2, "has no points"},
      {{"analyse", "design.dat", "--start", "1", "--stop", "1e12", "--step", "1"},
       2,
       "has 999999995904 points, more than the 10000001 one sweep may have"},
      {{"dimensions", "design.dat", "--s", "0.3"}, 2, "must be below the ground-plane spacing"},
      {{"dimensions", "design.dat", "--b", "0"}, 2, "--b must be above 0"},
      {{"dimensions", "design.dat", "--centre", "middle"}, 2, "middle"},
      {synth_replacing("--fhigh", "4000"), 2, "must be above --flow"},
      {synth_replacing("--flow", "-4000"), 2, "--flow must be above 0"},
      {synth_replacing("--coupling", "2.9"), 2, "--coupling must be between 3 and 30 dB"},
      {synth_replacing("--coupling", "31"), 2, "--coupling must be between 3 and 30 dB"},
      {synth_replacing("--ripple", "0.005"), 2, "--ripple must be 0 (maximally flat) or between 0.01 and 1.5"},
      {synth_replacing("--ripple", "1.6"), 2, "--ripple must be between 0 and 1.5 dB"},
      {synth_with({"--sections", "4"}), 2, "--sections must be odd, from 1 to 15, for a symmetrical"},
      {synth_with({"--sections", "17"}), 2, "--sections must be between 1 and 15"},
      {synth_with({"--sections", "2.5"}), 2, "--sections must be odd"},
      {synth_with({"--flat-tolerance", "0"}), 2, "--flat-tolerance must be between 0.001 and 1.5"},
      {{"synthesize", "--asymmetrical", "--flow", "4000", "--fhigh", "8000", "--coupling", "10", "--ripple", "0.1",
        "--sections", "13"},
       2, "--sections must be from 2 to 12 for an asymmetrical"},
      {{"synthesize", "--asymmetrical", "--flow", "4000", "--fhigh", "8000", "--coupling", "10", "--ripple", "0.1",
        "--sections", "1"},
       2, "--sections must be from 2 to 12"},
      {synth_with({"--er", "0.5"}), 2, "--er must be between 1 and 100"},
      // The design file.
      {{"analyse", "missing.dat"}, 3, "missing.dat: no such design-data file"},
      {{"analyse", "folder"}, 3, "folder: is a folder"},
      {{"analyse", "/dev/null"}, 3, "/dev/null: is not a plain file"},
      // A plain file whose first read fails, whoever runs the test.
      {{"dimensions", "/proc/self/mem"}, 3, "/proc/self/mem: cannot be read: Input/output error"},
      {{"analyse", "bad.dat"}, 3, "bad.dat, line 7: error in entry \"Even-Mode Zoe\": \"71,56\" is not a number; fix it"},
      {{"dimensions", "short.dat"}, 3, "short.dat: the file ends before entry \"Step Frequency\" (line 17)"},
      // Outputs.
      {{"analyse", "design.dat", "--csv", "nowhere/x.csv"}, 2, "the folder"},
      {{"analyse", "design.dat", "--touchstone", "design.dat"}, 2, "is the design file being read"},
      {{"analyse", "design.dat", "--csv", "x.out", "--plot", "./x.out"}, 2, "already named by --csv"},
      {{"analyse", "design.dat", "--report", "folder"}, 2, "is a folder"},
      // A request no table meets is not a mistake, but it designs nothing.
      {{"synthesize", "--symmetrical", "--flow", "4000", "--fhigh", "100000", "--coupling", "8.34", "--ripple", "0.3",
        "--tables"},
       1,
       "exceeds N = 9"},
      {synth_replacing("--fhigh", "100000"), 1, "no symmetrical design of up to 15 sections keeps 8.34 dB"},
      {synth_replacing("--flow", "1e-30"), 1,
       "no symmetrical design covers 1e-30 to 8000 MHz: a band of 8e+33:1 is beyond what any number of quarter-wave "
       "sections couples over"},
      {{"synthesize", "--symmetrical", "--flow", "100", "--fhigh", "100000", "--coupling", "8.34", "--ripple", "0.3",
        "--equal-ripple"},
       1,
       "no symmetrical design of up to 15 sections keeps 8.34 dB within +/- 0.3 dB from 100 to 100000 MHz: "
       "15 sections reach +/- "},
  };
  std::string bad = design_text();
  bad.replace(bad.find("71.56"), 5, "71,56");
  const std::string full = design_text();
  const std::string cut = full.substr(0, full.find("250          step"));
  for (const Case& c : cases) {
    Dialogue dir;
    dir.file("design.dat", full).file("bad.dat", bad).file("short.dat", cut);
    std::filesystem::create_directory(dir.dir() / "folder");
    std::vector<std::string> args = c.args;
    // Every command that could write asks for every output it can.
    const bool analyse = args[0] == "analyse" && args.size() > 1 && args[1] != "design.dat";
    if (analyse) args.insert(args.end(), {"--touchstone", "t.s4p", "--csv", "t.csv", "--plot", "t.svg"});
    if (args[0] == "synthesize") args.insert(args.end(), {"--write-design", "w.dat", "--plot", "w.svg"});
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    SCOPED_TRACE(joined);
    const auto o = dir.command(args);
    EXPECT_EQ(o.status, c.status);
    EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
    EXPECT_EQ(o.err.rfind("quillomate", 0), 0u) << o.err;
    EXPECT_EQ(o.files.size(), 3u) << "a file was left behind";
  }
}

TEST(BadCommandLines, UnreadableDesignFileSaysWhy) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file: no unreadable file to try";
  Dialogue dir;
  dir.file("design.dat", design_text());
  ::chmod((dir.dir() / "design.dat").c_str(), 0);
  const auto o = dir.command({"analyse", "design.dat"});
  EXPECT_EQ(o.status, 3);
  EXPECT_NE(o.err.find("design.dat: cannot be read: Permission denied"), std::string::npos) << o.err;
}

TEST(BadCommandLines, HelpAndVersionGoToStandardOutput) {
  Dialogue dir;
  for (const std::vector<std::string> args :
       {std::vector<std::string>{"--help"}, {"analyse", "--help"}, {"dimensions", "--help"}, {"synthesize", "-h"}}) {
    const auto o = dir.command(args);
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.err, "");
    EXPECT_NE(o.out.find("Examples:"), std::string::npos) << args[0];
    EXPECT_NE(o.out.find("Usage: quillomate"), std::string::npos);
  }
  const auto v = dir.command({"--version"});
  EXPECT_EQ(v.status, 0);
  EXPECT_EQ(v.out, "quillomate 1.3\n");
}

}  // namespace
}  // namespace quill
