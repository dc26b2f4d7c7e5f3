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
#include <regex>
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
      {"silent", "#!/bin/sh\nexit 0\n", "no readable port_v1_1_lower"},
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

/// The first corner of the box after `name` in a model's text: x and y.
std::array<double, 4> probe_box(const std::string& model, const std::string& name) {
  const std::regex corner("Name=\"" + name + "\"[^>]*><Primitives><Box[^>]*><P1 X=\"([^\"]*)\" Y=\"([^\"]*)\" Z=\"[^\"]*\"/>"
                          "<P2 X=\"([^\"]*)\" Y=\"([^\"]*)\"");
  std::smatch m;
  if (!std::regex_search(model, m, corner)) return {};
  return {std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4])};
}

/// What openEMS would leave in `folder` with port 1 driven, had the coupler
/// the column `s` of S (real, the same at every frequency): on each feed a
/// line of real propagation constant per step (what a real pulse's constant
/// spectrum can show), the waves at its probes, placed as the folder's model
/// places them, those whose values at the port planes are a = 1 into port 1
/// and b = s out of each port, for a Gaussian pulse.
void hand_run(const fs::path& folder, const std::array<double, 4>& s) {
  std::ifstream in(folder / "model.xml");
  const std::string model((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const double g = 0.05, z = 50.0;
  for (int j = 1; j <= 4; ++j) {
    const std::string k = std::to_string(j);
    const double x1 = probe_box(model, "port_v" + k + "_1_lower")[0], x2 = probe_box(model, "port_v" + k + "_2_lower")[0];
    const double step = std::fabs(x2 - x1), facing = x2 > x1 ? 1.0 : -1.0;
    const std::array<double, 4> feed = probe_box(model, "feed" + k);
    const double plane = (facing > 0 ? feed[0] : feed[2]) + facing * (feed[3] - feed[1]);
    const double m = (x2 - plane) * facing / step;
    const double out = s[static_cast<size_t>(j - 1)] * std::exp(-g * m) * std::sqrt(z);
    const double into = (j == 1 ? 1.0 : 0.0) * std::exp(g * m) * std::sqrt(z);
    std::vector<std::pair<std::string, double>> probes;
    for (int p = 0; p < 3; ++p) {
      const double v = out * std::exp(-g * (p - 1)) + into * std::exp(g * (p - 1));
      probes.push_back({"port_v" + k + "_" + std::to_string(p + 1) + "_lower", v});
      probes.push_back({"port_v" + k + "_" + std::to_string(p + 1) + "_upper", v});
    }
    for (int p = 0; p < 2; ++p)
      probes.push_back({"port_i" + k + "_" + std::to_string(p + 1),
                        (out * std::exp(-g * (p - 0.5)) - into * std::exp(g * (p - 0.5))) / z});
    for (const auto& [name, value] : probes) {
      std::string text = "% t/s\tvalue\n";
      for (int n = 0; n < 1000; ++n) {
        const double t = n * 1e-12, pulse = std::exp(-0.5 * std::pow((t - 200e-12) / 20e-12, 2));
        char line[96];
        std::snprintf(line, sizeof line, "%.17g\t%.17g\n", t, value * pulse);
        text += line;
      }
      std::ofstream(folder / name) << text;
    }
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
  for (const char* probe : {"port_vJ_1_lower", "port_iJ_1", "S = B A^-1", "(1 - h) Vk_lower + h Vk_upper"})
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
  EXPECT_NE(unrun.err.find("no readable port_v1_1_lower"), std::string::npos) << unrun.err;
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
