// Synthesis beyond the tables from the command line: the engine's design,
// written to a design file and read back by the program's own reader, keeps
// its coupling within C +/- R under the program's own float analysis.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/sweep.hpp"
#include "files/design_data_file.hpp"
#include "support/dialogue.hpp"

namespace quill {
namespace {

using testing_support::Dialogue;

struct Request {
  const char* form;
  float flow, fhigh, level, ripple;
  std::vector<std::string> more;
};

std::string text(float v) {
  std::ostringstream s;
  s << v;
  return s.str();
}

std::vector<std::string> args(const Request& r, const std::string& out) {
  std::vector<std::string> a = {"synthesize", r.form, "--flow", text(r.flow), "--fhigh", text(r.fhigh),
                                "--coupling", text(r.level), "--ripple", text(r.ripple), "--write-design", out};
  a.insert(a.end(), r.more.begin(), r.more.end());
  return a;
}

/// The largest |coupling - C| over the band under the program's float
/// analysis, on a grid of 2,001 points.
float float_deviation(const CouplerDesign& d, float flow, float fhigh, float level) {
  float worst = 0;
  for (int k = 0; k <= 2000; ++k) {
    const float f = flow + (fhigh - flow) * static_cast<float>(k) / 2000.0f;
    worst = std::max(worst, std::fabs(-port_response(d, f).cpld - level));
  }
  return worst;
}

CouplerDesign read_back(const std::string& file) {
  std::istringstream in(file);
  const DesignDataRead r = read_design_data(in);
  EXPECT_EQ(r.fault, EntryFile::none) << r.entry;
  return r.values.design;
}

TEST(EngineSynthesis, DesignsMeetTheirRippleAfterTheRoundTripThroughAFile) {
  const std::vector<Request> requests = {
      {"--symmetrical", 1000, 10000, 15, 0.25f, {}},
      {"--symmetrical", 2000, 6000, 12.5f, 0.05f, {}},
      {"--symmetrical", 500, 1500, 3, 0.5f, {}},
      {"--symmetrical", 4000, 8000, 8.34f, 0.3f, {"--equal-ripple"}},
      {"--asymmetrical", 2000, 18000, 12.5f, 0.3f, {}},
      {"--asymmetrical", 100, 1000, 27, 1.2f, {}},
      {"--asymmetrical", 3000, 4000, 6, 0.01f, {}},
      {"--symmetrical", 5000, 7000, 20, 0, {}},
      {"--asymmetrical", 5000, 9000, 10, 0, {"--flat-tolerance", "0.3"}},
  };
  for (const Request& r : requests) {
    SCOPED_TRACE(std::string(r.form) + " " + text(r.flow) + ".." + text(r.fhigh) + " C " + text(r.level) +
                 " R " + text(r.ripple));
    Dialogue dir;
    const auto o = dir.command(args(r, "d.dat"));
    ASSERT_EQ(o.status, 0) << o.err;
    const CouplerDesign d = read_back(o.files.at("d.dat"));
    const float allowed = r.ripple > 0 ? r.ripple : (r.more.empty() ? 0.1f : 0.3f);
    EXPECT_LE(float_deviation(d, r.flow, r.fhigh, r.level), allowed + 0.005f);
    // What the command says it reached is what the design does.
    const size_t at = o.out.find("within +/-");
    ASSERT_NE(at, std::string::npos) << o.out;
    const float said = std::stof(o.out.substr(at + 10));
    EXPECT_NEAR(said, float_deviation(d, r.flow, r.fhigh, r.level), 0.002f);
    EXPECT_LE(said, allowed + 0.0005f);
    if (std::string(r.form) == "--symmetrical")
      for (int i = 1; i <= d.n; ++i) EXPECT_EQ(d.sec(i).zoe, d.sec(d.n + 1 - i).zoe) << "mirror, section " << i;
    else
      for (int i = 2; i <= d.n; ++i) EXPECT_LT(d.sec(i).zoe, d.sec(i - 1).zoe) << "falling from port 1, " << i;
  }
}

TEST(EngineSynthesis, SmallestSectionCountUnlessOneIsGiven) {
  Dialogue dir;
  const Request wide{"--asymmetrical", 1000, 12000, 10.5f, 0.2f, {}};
  const auto smallest = dir.command(args(wide, "a.dat"));
  ASSERT_EQ(smallest.status, 0) << smallest.err;
  const int n = read_back(smallest.files.at("a.dat")).n;
  ASSERT_GT(n, 2);
  // One section fewer misses the ripple, and says by how much.
  Request fewer = wide;
  fewer.more = {"--sections", std::to_string(n - 1)};
  const auto short_one = dir.command(args(fewer, "b.dat"));
  ASSERT_EQ(short_one.status, 0) << short_one.err;
  EXPECT_EQ(read_back(short_one.files.at("b.dat")).n, n - 1);
  EXPECT_NE(short_one.out.find(": more than the 0.20 dB asked."), std::string::npos) << short_one.out;
  // More sections than needed ripple less.
  Request more = wide;
  more.more = {"--sections", std::to_string(n + 2)};
  const auto long_one = dir.command(args(more, "c.dat"));
  ASSERT_EQ(long_one.status, 0);
  const CouplerDesign d = read_back(long_one.files.at("c.dat"));
  EXPECT_LT(float_deviation(d, 1000, 12000, 10.5f), 0.2f);
}

TEST(EngineSynthesis, SameRequestSameBytes) {
  Dialogue dir;
  const Request r{"--symmetrical", 700, 9100, 17.5f, 0.15f, {"--plot", "p.svg", "--touchstone", "t.s4p"}};
  const auto first = dir.command(args(r, "one.dat"));
  const auto second = dir.command(args(r, "two.dat"));
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out, second.out);
  EXPECT_EQ(first.files.at("one.dat"), second.files.at("two.dat"));
}

TEST(EngineSynthesis, NoFitSaysWhatTheLargestCountReachesAndWritesNothing) {
  Dialogue dir;
  const Request r{"--asymmetrical", 100, 20000, 10, 0.05f, {"--plot", "p.svg"}};
  const auto o = dir.command(args(r, "d.dat"));
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("no asymmetrical design of up to 12 sections keeps 10 dB within +/- 0.05 dB from 100 to "
                       "20000 MHz: 12 sections reach +/- "),
            std::string::npos)
      << o.err;
  EXPECT_EQ(o.out, "");
  EXPECT_TRUE(o.files.empty());
}

TEST(EngineSynthesis, TableLevelsStayWithTheTablesUnlessTheEngineIsAsked) {
  Dialogue dir;
  const Request table{"--symmetrical", 4000, 8000, 8.34f, 0.3f, {}};
  Request engine = table;
  engine.more = {"--equal-ripple"};
  const auto t = dir.command(args(table, "t.dat"));
  const auto e = dir.command(args(engine, "e.dat"));
  ASSERT_EQ(t.status, 0);
  ASSERT_EQ(e.status, 0);
  // The table row is the dialogue's 54.835 / 88.649 / 54.835 ohm design.
  EXPECT_NE(t.out.find("     54.835 45.591"), std::string::npos) << t.out;
  EXPECT_NE(t.files.at("t.dat"), e.files.at("e.dat"));
  EXPECT_LE(float_deviation(read_back(e.files.at("e.dat")), 4000, 8000, 8.34f), 0.305f);
}

}  // namespace
}  // namespace quill
