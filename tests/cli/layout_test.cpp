// `quillomate layout` and synthesize's artwork: the files asked for and no
// others, and for every mistake one line, its status and no file at all.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/dialogue.hpp"
#include "support/session_files.hpp"

namespace quill {
namespace {

using testing_support::Dialogue;

/// The core between prepregs of the example boards.
const char* const kBoard =
    "unit = \"mm\"\ncopper_thickness = 0.035\n"
    "[[layer]]\nthickness = 0.5\ner = 3.0\ntan_delta = 0.002\n"
    "[[layer]]\nthickness = 0.254\ner = 3.48\ntan_delta = 0.0037\nstrips = true\n"
    "[[layer]]\nthickness = 0.5\ner = 3.0\ntan_delta = 0.002\n";

/// Three sections around a 3 dB centre: too tight for that board's core.
const char* const kTight =
    "3 dB\n3\n50\n3.0\n60\n3000\n120.7\n3000\n60\n3000\n1000\n5000\n500\n0.05\n0.01\n";

TEST(Layout, WritesTheArtworkAskedForAndSaysWhereEverythingIs) {
  Dialogue dir;
  dir.file("coupler.dat", testing_support::five_section_design()).file("board.toml", kBoard);
  const auto o = dir.command({"layout", "coupler.dat", "--stackup", "board.toml", "--gerber", ".", "--dxf", "c.dxf",
                              "--svg", "c.svg", "--kicad", "c.kicad_mod"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  std::vector<std::string> names;
  for (const auto& [name, text] : o.files) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"board.toml", "c.dxf", "c.kicad_mod", "c.svg", "coupler-lower.gbr",
                                             "coupler-outline.gbr", "coupler-upper.gbr", "coupler.dat"}));
  for (int section = 1; section <= 5; ++section)
    EXPECT_NE(o.out.find("\n         " + std::to_string(section) + " "), std::string::npos) << o.out;
  for (const char* port : {"1   upper", "2   lower", "3   lower", "4   upper"})
    EXPECT_NE(o.out.find(port), std::string::npos) << port;
  EXPECT_NE(o.files.at("coupler-upper.gbr").find("%TF.FileFunction,Copper,L2,Inr*%"), std::string::npos);
  EXPECT_NE(o.files.at("coupler-lower.gbr").find("%TF.FileFunction,Copper,L3,Inr*%"), std::string::npos);
  EXPECT_NE(o.files.at("coupler-outline.gbr").find("%TF.FileFunction,Profile,NP*%"), std::string::npos);
}

TEST(Layout, EveryMistakeIsOneLineAndLeavesNoFile) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string says;
  };
  const std::vector<std::string> synth = {"synthesize", "--symmetrical", "--flow", "2000", "--fhigh", "4000",
                                          "--coupling", "3.01", "--ripple", "0.2"};
  auto with = [](std::vector<std::string> a, const std::vector<std::string>& more) {
    a.insert(a.end(), more.begin(), more.end());
    return a;
  };
  const std::vector<Case> cases = {
      {{"layout", "coupler.dat", "--dxf", "c.dxf"}, 2, "needs --stackup"},
      {{"layout", "tight.dat", "--stackup", "board.toml", "--dxf", "c.dxf"}, 2, "section 2 has no strips"},
      {{"layout", "coupler.dat", "--stackup", "board.toml", "--gerber", "no/such"}, 2, "does not exist"},
      {{"layout", "coupler.dat", "--stackup", "board.toml", "--svg", "no/such/c.svg"}, 2, "does not exist"},
      {{"layout", "coupler.dat", "--stackup", "board.toml", "--dxf", "board.toml"}, 2, "stack-up file"},
      {{"layout", "coupler.dat", "--stackup", "board.toml", "--breakout-length", "0.1", "--dxf", "c.dxf"}, 2,
       "needs at least"},
      {{"layout", "coupler.dat", "--stackup", "board.toml", "--port-spacing", "-1", "--dxf", "c.dxf"}, 2,
       "--port-spacing"},
      {{"layout", "coupler.dat", "--stackup", "missing.toml", "--dxf", "c.dxf"}, 3, "missing.toml"},
      {with(synth, {"--dxf", "c.dxf"}), 2, "need --stackup"},
      {with(synth, {"--stackup", "board.toml", "--write-design", "w.dat", "--kicad", "c.kicad_mod"}), 2,
       "no copper to draw"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " ... " + c.args.back());
    Dialogue dir;
    dir.file("coupler.dat", testing_support::five_section_design()).file("tight.dat", kTight)
        .file("board.toml", kBoard);
    const auto o = dir.command(c.args);
    EXPECT_EQ(o.status, c.status) << o.err;
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
    EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
    EXPECT_EQ(o.files.size(), 3u) << "only the inputs are left";
  }
}

}  // namespace
}  // namespace quill
