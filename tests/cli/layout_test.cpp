// `quillomate layout` and synthesize's artwork: the files asked for and no
// others, and for every mistake one line, its status and no file at all.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
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
      {{"layout", "tight.dat", "--stackup", "board.toml", "--dxf", "c.dxf"}, 2, "section 2 (Zoe 120.70 ohms, Zoo 20.71 ohms) cannot be built in board.toml: no strips at this S; they need S <= 0.0841 mm"},
      {{"layout", "coupler.dat", "--stackup", "board.toml", "--gerber", "no/such"}, 2, "does not exist"},
      {{"layout", "coupler.dat", "--stackup", "board.toml", "--svg", "no/such/c.svg"}, 2, "does not exist"},
      {{"layout", "coupler.dat", "--stackup", "board.toml", "--dxf", "board.toml"}, 2, "stack-up file"},
      {{"layout", "coupler.dat", "--stackup", "board.toml", "--breakout-length", "0.1", "--dxf", "c.dxf"}, 2,
       "needs at least"},
      {{"layout", "coupler.dat", "--stackup", "board.toml", "--port-spacing", "-1", "--dxf", "c.dxf"}, 2,
       "--port-spacing"},
      {{"layout", "coupler.dat", "--stackup", "missing.toml", "--dxf", "c.dxf"}, 3, "missing.toml"},
      {{"layout", "coupler.dat", "--stackup", "board.toml", "--corrections", "ends", "--dxf", "c.dxf"}, 2,
       "give --compensate too"},
      {{"layout", "coupler.dat", "--stackup", "board.toml", "--compensate", "--corrections", "ends,mitres", "--dxf",
        "c.dxf"}, 2, "\"mitres\" is none of ends, junctions, bends"},
      {with(synth, {"--dxf", "c.dxf"}), 2, "need --stackup"},
      {with(synth, {"--stackup", "board.toml", "--write-design", "w.dat", "--kicad", "c.kicad_mod"}), 2,
       ") cannot be built in board.toml: no strips at this S"},
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

TEST(Layout, EachCorrectionAloneMakesOnlyItsOwnChange) {
  // --compensate makes every correction; --corrections picks some, and each
  // picked says so in the summary and none other does.
  struct Case {
    std::string corrections;
    bool ends, junctions, bends, stubs, lengths;
  };
  const std::vector<Case> cases = {{"", true, true, true, true, true},
                                   {"ends", true, false, false, false, false},
                                   {"junctions", false, true, false, false, false},
                                   {"bends", false, false, true, false, false},
                                   {"bends,ends", true, false, true, false, false},
                                   {"stubs", false, false, false, true, false},
                                   {"lengths", false, false, false, false, true}};
  for (const Case& c : cases) {
    Dialogue dir;
    dir.file("coupler.dat", testing_support::five_section_design()).file("board.toml", kBoard);
    std::vector<std::string> args = {"layout", "coupler.dat", "--stackup", "board.toml", "--compensate"};
    if (!c.corrections.empty()) args.insert(args.end(), {"--corrections", c.corrections});
    const auto o = dir.command(args);
    SCOPED_TRACE(c.corrections);
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out.find("compensated: section") != std::string::npos, c.ends);
    EXPECT_EQ(o.out.find(" tapered over ") != std::string::npos, c.junctions);
    EXPECT_EQ(o.out.find("smooth breakouts:") != std::string::npos, c.bends);
    // Stubs stand, and lengths are trimmed, where the copper's model finds
    // them worth it, never unasked.
    if (!c.stubs) EXPECT_EQ(o.out.find("stub of"), std::string::npos);
    if (!c.lengths) EXPECT_EQ(o.out.find("lengths trimmed"), std::string::npos);
  }
}

/// Each port's y in the summary's port table.
std::map<int, double> port_ys(const std::string& summary) {
  std::map<int, double> ys;
  std::istringstream lines(summary);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream in(line);
    int port = 0;
    std::string strip;
    double x = 0, y = 0;
    if (in >> port >> strip >> x >> y && (strip == "upper" || strip == "lower")) ys[port] = y;
  }
  return ys;
}

/// The word after `words` in `text`.
std::string word_after(const std::string& text, const std::string& words) {
  const size_t at = text.find(words);
  if (at == std::string::npos) return "";
  std::istringstream in(text.substr(at + words.size()));
  std::string word;
  in >> word;
  return word;
}

TEST(Layout, APortSpacingOrBreakoutTheCopperCannotHonourIsRefusedNamingTheBoundThatWorks) {
  struct Case {
    std::vector<std::string> options;  ///< the first one's value is refused
    std::string bound;                 ///< "at least" or "at most"
    std::string unit;
  };
  const std::vector<Case> cases = {
      {{"--port-spacing", "0.1"}, "at least", "mm"},
      {{"--port-spacing", "0.004", "--inches"}, "at least", "in"},
      {{"--port-spacing", "1e6"}, "at most", "mm"},
      {{"--port-spacing", "40", "--inches"}, "at most", "in"},
      {{"--breakout-length", "1e9"}, "at most", "mm"},
      {{"--breakout-length", "2", "--port-spacing", "6"}, "at least", "mm"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options[0] + " " + c.options[1]);
    Dialogue dir;
    dir.file("coupler.dat", testing_support::five_section_design()).file("board.toml", kBoard);
    std::vector<std::string> args = {"layout", "coupler.dat", "--stackup", "board.toml", "--dxf", "c.dxf"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const auto refused = dir.command(args);
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
    EXPECT_EQ(refused.files.size(), 2u) << "no file written";
    const std::string bound = word_after(refused.err, c.bound + " ");
    EXPECT_NE(refused.err.find(c.bound + " " + bound + " " + c.unit), std::string::npos)
        << "the bound in the files' unit: " << refused.err;
    // The bound named is itself accepted, and drawn as the summary says.
    args[static_cast<size_t>(std::find(args.begin(), args.end(), c.options[0]) - args.begin()) + 1] = bound;
    const auto kept = dir.command(args);
    ASSERT_EQ(kept.status, 0) << kept.err;
    EXPECT_EQ(kept.out.find('*'), std::string::npos) << kept.out;
    const double value = std::stod(bound);
    if (c.options[0] == "--port-spacing") {
      const auto ys = port_ys(kept.out);
      ASSERT_EQ(ys.size(), 4u) << kept.out;
      // Each y is printed to the last of 4 (mm) or 5 (in) decimals.
      EXPECT_NEAR(ys.at(1) - ys.at(2), value, c.unit == "mm" ? 1.5e-4 : 1.5e-5) << "ports drawn as far apart as said";
      EXPECT_EQ(word_after(kept.out, "Ports "), bound);
    } else {
      EXPECT_EQ(word_after(kept.out, "Breakouts "), bound);
    }
  }
}

TEST(Layout, FeedsFarApartCoupleBelowWhatIsWorthANumberAndSaySo) {
  Dialogue dir;
  dir.file("coupler.dat", testing_support::five_section_design()).file("board.toml", kBoard);
  const auto o = dir.command(
      {"layout", "coupler.dat", "--stackup", "board.toml", "--port-spacing", "20", "--compensate", "--svg", "c.svg"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("they couple below -99 dB."), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("port spacing as given: the feeds couple below -99 dB"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("compensated: section 1 shortened by"), std::string::npos) << o.out;
  EXPECT_EQ(o.out.find('*'), std::string::npos) << o.out;
  EXPECT_NE(o.files.at("c.svg").find("Feeds couple below -99 dB"), std::string::npos);
  EXPECT_EQ(o.files.at("c.svg").find("inf"), std::string::npos);
}

}  // namespace
}  // namespace quill
