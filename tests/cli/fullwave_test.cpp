// `quillomate fullwave`: the models and their README, only the ports the
// symmetries leave to drive; every mistake one line and a status; and
// openEMS missing, failing or stopped leaves the models and no result.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/dialogue.hpp"
#include "support/session_files.hpp"

namespace quill {
namespace {

namespace fs = std::filesystem;
using testing_support::Dialogue;

/// A homogeneous board with thin copper; mirror-stacked.
const char* const kBoard =
    "unit = \"mm\"\ncopper_thickness = 0.018\n"
    "[[layer]]\nthickness = 0.7\ner = 2.2\ntan_delta = 0.0009\n"
    "[[layer]]\nthickness = 0.2\ner = 2.2\ntan_delta = 0.0009\nstrips = true\n"
    "[[layer]]\nthickness = 0.7\ner = 2.2\ntan_delta = 0.0009\n";

/// One 10 dB section at 5 GHz.
const char* const kOneSection =
    "One 10 dB section\n1\n50\n2.2\n69.37\n5000\n3000\n7000\n250\n0.063\n0.0079\n";

/// Three sections around a 3 dB centre: too tight for this board.
const char* const kTight =
    "3 dB\n3\n50\n2.2\n60\n3000\n120.7\n3000\n60\n3000\n1000\n5000\n500\n0.063\n0.0079\n";

Dialogue folder() {
  Dialogue dir;
  dir.file("one.dat", kOneSection).file("tight.dat", kTight).file("board.toml", kBoard);
  return dir;
}

TEST(Fullwave, WritesAModelForEachPortTheSymmetriesLeaveAndAReadme) {
  struct Case {
    std::string design;
    bool all_ports;
    std::vector<std::string> ports;
  };
  const std::vector<Case> cases = {
      {"one.dat", false, {"port1"}},  // mirror-symmetric design, mirror-stacked board: one run
      {"one.dat", true, {"port1", "port2", "port3", "port4"}},
      {"five.dat", false, {"port1", "port3"}},  // asymmetrical: the board's flip alone
  };
  for (const Case& c : cases) {
    Dialogue dir = folder();
    dir.file("five.dat", testing_support::five_section_design());
    std::vector<std::string> args = {"fullwave", c.design, "--stackup", "board.toml", "--out", "model",
                                     "--mesh", "coarse"};
    if (c.all_ports) args.push_back("--all-ports");
    const auto o = dir.command(args);
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("Full-wave model of " + c.design), std::string::npos) << o.out;
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(dir.dir() / "model"))
      if (e.is_directory()) {
        found.push_back(e.path().filename());
        EXPECT_TRUE(fs::exists(e.path() / "model.xml"));
      }
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, c.ports);
    EXPECT_TRUE(fs::exists(dir.dir() / "model" / "README.txt"));
    EXPECT_FALSE(fs::exists(dir.dir() / "model" / "fullwave.s4p"));
  }
}

TEST(Fullwave, EveryMistakeIsOneLineAStatusAndNoModel) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string says;
  };
  const std::vector<Case> cases = {
      {{"fullwave", "one.dat", "--out", "model"}, 2, "needs --stackup"},
      {{"fullwave", "one.dat", "--stackup", "board.toml"}, 2, "needs --out"},
      {{"fullwave", "one.dat", "--stackup", "board.toml", "--out", "no/such/model"}, 2, "does not exist"},
      {{"fullwave", "one.dat", "--stackup", "board.toml", "--out", "board.toml"}, 2, "is a file"},
      {{"fullwave", "one.dat", "--stackup", "board.toml", "--out", "model", "--velocity-ratio", "0.9"}, 2,
       "--velocity-ratio"},
      {{"fullwave", "one.dat", "--stackup", "board.toml", "--out", "model", "--mesh", "rough"}, 2, "--mesh"},
      {{"fullwave", "one.dat", "--stackup", "board.toml", "--out", "model", "--threads", "1.5"}, 2, "--threads"},
      {{"fullwave", "one.dat", "--stackup", "board.toml", "--out", "model", "--side-walls", "0.5"}, 2,
       "--side-walls"},
      {{"fullwave", "one.dat", "--stackup", "board.toml", "--out", "model", "--breakout-length", "0.1"}, 2,
       "needs at least"},
      {{"fullwave", "tight.dat", "--stackup", "board.toml", "--out", "model"}, 2, "section 2"},
      {{"fullwave", "one.dat", "--stackup", "missing.toml", "--out", "model"}, 3, "missing.toml"},
      {{"fullwave", "missing.dat", "--stackup", "board.toml", "--out", "model"}, 3, "missing.dat"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[1] + " ... " + c.args.back());
    Dialogue dir = folder();
    const auto o = dir.command(c.args);
    EXPECT_EQ(o.status, c.status) << o.err;
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
    EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
    EXPECT_FALSE(fs::exists(dir.dir() / "model")) << "no model";
  }
}

/// PATH for the run, restored after.
class PathFor {
 public:
  explicit PathFor(const fs::path& dir) : old_(getenv("PATH") ? getenv("PATH") : "") {
    setenv("PATH", dir.c_str(), 1);
  }
  ~PathFor() { setenv("PATH", old_.c_str(), 1); }

 private:
  std::string old_;
};

TEST(Fullwave, OpenemsMissingFailingOrStoppedLeavesTheModelsAndNoResult) {
  struct Case {
    std::string name;
    std::string script;  ///< the fake openEMS; none when empty
    std::string says;
  };
  const std::vector<Case> cases = {
      {"missing", "", "no openEMS on PATH"},
      {"failing", "#!/bin/sh\necho 'Timestep: 10 || Energy: ~1e-3 (-30.00dB)'\necho 'error: out of memory'\nexit 1\n",
       "exit status 1: error: out of memory"},
      {"stopped", "#!/bin/sh\nkill -INT $$\n", "signal 2"},
      {"silent", "#!/bin/sh\nexit 0\n", "no readable port_ut1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Dialogue dir = folder();
    const fs::path bin = dir.dir() / "bin";
    fs::create_directories(bin);
    if (!c.script.empty()) {
      std::ofstream(bin / "openEMS") << c.script;
      fs::permissions(bin / "openEMS", fs::perms::owner_all);
    }
    // Results of an earlier run of another model must not outlive this one.
    fs::create_directories(dir.dir() / "model");
    std::ofstream(dir.dir() / "model" / "fullwave.s4p") << "! stale\n";
    PathFor path(bin);
    const auto o = dir.command({"fullwave", "one.dat", "--stackup", "board.toml", "--out", "model", "--run",
                                "--mesh", "coarse"});
    EXPECT_EQ(o.status, 4);
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
    EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
    EXPECT_TRUE(fs::exists(dir.dir() / "model" / "port1" / "model.xml"));
    for (const char* result : {"fullwave.s4p", "compare.csv", "compare.svg"})
      EXPECT_FALSE(fs::exists(dir.dir() / "model" / result)) << result;
    if (c.name == "failing") EXPECT_NE(o.out.find("time step 10, energy -30.0 dB"), std::string::npos) << o.out;
  }
}

/// What openEMS would leave in `folder` with port 1 driven, had the coupler
/// the column `s` of S (real, the same at every frequency): each port's
/// voltage a + b and current (a - b) / Zo, split between its two halves,
/// for a Gaussian pulse a into port 1.
void hand_run(const fs::path& folder, const std::array<double, 4>& s) {
  for (int j = 1; j <= 4; ++j) {
    std::string u = "% t/s\tvoltage\n", i = "% t/s\tcurrent\n";
    for (int n = 0; n < 1000; ++n) {
      const double t = n * 1e-12, g = std::exp(-0.5 * std::pow((t - 200e-12) / 20e-12, 2));
      const double a = j == 1 ? g : 0.0, b = s[static_cast<size_t>(j - 1)] * g;
      char line[96];
      std::snprintf(line, sizeof line, "%.17g\t%.17g\n", t, a + b);
      u += line;
      std::snprintf(line, sizeof line, "%.17g\t%.17g\n", t, (a - b) / 50.0 / 2.0);
      i += line;
    }
    std::ofstream(folder / ("port_ut" + std::to_string(j))) << u;
    std::ofstream(folder / ("port_it" + std::to_string(j) + "_lower")) << i;
    std::ofstream(folder / ("port_it" + std::to_string(j) + "_upper")) << i;
  }
}

TEST(Fullwave, AHandRunIsCollectedByTheCommandTheReadmeGives) {
  Dialogue dir = folder();
  const auto written = dir.command({"fullwave", "one.dat", "--stackup", "board.toml", "--out", "model", "--mesh",
                                    "coarse", "--port-spacing", "3", "--compensate"});
  ASSERT_EQ(written.status, 0) << written.err;
  std::ifstream readme_file(dir.dir() / "model" / "README.txt");
  std::stringstream readme;
  readme << readme_file.rdbuf();
  for (const char* probe : {"port_utJ", "port_itJ_lower", "port_itJ_upper", "a = (U + Zo I) / 2", "Zo = 50 ohms"})
    EXPECT_NE(readme.str().find(probe), std::string::npos) << probe;
  // The command, word by word, as the README gives it.
  std::vector<std::string> collect;
  std::istringstream lines(readme.str());
  std::string line;
  while (std::getline(lines, line))
    if (line.find("--collect") != std::string::npos) {
      std::istringstream words(line);
      std::string word;
      words >> word;
      EXPECT_EQ(word, "quillomate");
      while (words >> word) collect.push_back(word);
    }
  ASSERT_FALSE(collect.empty()) << readme.str();

  // Options that would write another model, and models not yet run, are
  // refused and write nothing.
  std::vector<std::string> other = collect;
  *std::find(other.begin(), other.end(), "coarse") = "normal";
  const auto mismatch = dir.command(other);
  EXPECT_EQ(mismatch.status, 2);
  EXPECT_NE(mismatch.err.find("is not the model these options write"), std::string::npos) << mismatch.err;
  const auto unrun = dir.command(collect);
  EXPECT_EQ(unrun.status, 3);
  EXPECT_NE(unrun.err.find("no readable port_ut1"), std::string::npos) << unrun.err;
  std::vector<std::string> both = collect;
  both.push_back("--run");
  EXPECT_EQ(dir.command(both).status, 2);
  for (const char* result : {"fullwave.s4p", "compare.csv", "compare.svg"})
    EXPECT_FALSE(fs::exists(dir.dir() / "model" / result)) << result;

  // Run by hand, collected: the matrix the probes hold.
  hand_run(dir.dir() / "model" / "port1", {0.1, 0.3, 0.01, 0.9});
  const auto collected = dir.command(collect);
  ASSERT_EQ(collected.status, 0) << collected.err;
  EXPECT_NE(collected.out.find("Full-wave against the circuit model"), std::string::npos) << collected.out;
  EXPECT_TRUE(fs::exists(dir.dir() / "model" / "fullwave.s4p"));
  std::ifstream csv(dir.dir() / "model" / "compare.csv");
  std::string header, row;
  std::getline(csv, header);
  while (std::getline(csv, row) && row.rfind("5000,", 0) != 0) {
  }
  // Columns: frequency, then coupled, isolated, through and return, each
  // full-wave and circuit (a perfect circuit isolation is an empty cell).
  std::vector<std::string> cell;
  std::istringstream cells(row);
  for (std::string c; std::getline(cells, c, ',');) cell.push_back(c);
  ASSERT_GE(cell.size(), 8u) << row;
  const double coupled = std::stod(cell[1]), isolated = std::stod(cell[3]), through = std::stod(cell[5]),
               ret = std::stod(cell[7]);
  EXPECT_NEAR(coupled, 20 * std::log10(0.3), 1e-9);
  EXPECT_NEAR(isolated, -40.0, 1e-9);
  EXPECT_NEAR(through, 20 * std::log10(0.9), 1e-9);
  EXPECT_NEAR(ret, -20.0, 1e-9);
}

}  // namespace
}  // namespace quill
