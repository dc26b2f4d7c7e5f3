// Synthesis beyond the tables from the command line: the engine's design,
// written to a design file and read back by the program's own reader, keeps
// its coupling within C +/- R under the program's own float analysis.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/sweep.hpp"
#include "cli/option_table.hpp"
#include "common/number.hpp"
#include "files/design_data_file.hpp"
#include "generated_requests.hpp"
#include "support/dialogue.hpp"
#include "synthesis/synthesis_request.hpp"

namespace quill {
namespace {

using testing_support::Dialogue;

struct Request {
  const char* form;
  float flow, fhigh, level, ripple;
  std::vector<std::string> more;
};

/// The shortest text that reads back as `v`, so the command gets the very float.
std::string text(float v) { return shortest(v); }

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

/// The generated requests an engineer might type: ripple 0.01 to 1 dB, bands
/// up to 20:1, no section count; every other one moved to the nearest level
/// and ripple the tables hold, so the tables are tried for it.
std::vector<SynthesisRequest> typed_requests(size_t count) {
  const float levels[] = {3.01f, 6.02f, 8.34f, 10, 20};
  std::vector<SynthesisRequest> out;
  for (const RippleRequest& g : tools::generated_requests()) {
    if (g.sections != 0 || g.ripple_db < 0.01 || g.ripple_db > 1 || g.fhigh_mhz > 20 * g.flow_mhz) continue;
    SynthesisRequest r;
    r.kind = g.form == CouplerForm::symmetrical ? TableKind::symmetrical : TableKind::asymmetrical;
    r.flow = static_cast<float>(g.flow_mhz);
    r.fhigh = static_cast<float>(g.fhigh_mhz);
    r.level = static_cast<float>(g.level_db);
    r.ripple = static_cast<float>(g.ripple_db);
    if (out.size() % 2 == 1) {
      float nearest = levels[0];
      for (float l : levels)
        if (std::fabs(l - r.level) < std::fabs(nearest - r.level)) nearest = l;
      // The asymmetrical tables hold 15 dB where the symmetrical hold 8.34.
      r.level = r.kind == TableKind::asymmetrical && nearest == 8.34f ? 10 : nearest;
      r.ripple = std::min(0.6f, std::max(0.1f, std::round(r.ripple * 10) / 10));
    }
    out.push_back(r);
    if (out.size() == count) break;
  }
  return out;
}

TEST(EngineSynthesis, EveryReportedRippleIsTheOneAskedOrTheCommandSaysWhyNot) {
  int tables = 0, instead = 0, engine = 0, declined = 0;
  for (const SynthesisRequest& r : typed_requests(200)) {
    const Request typed{r.kind == TableKind::symmetrical ? "--symmetrical" : "--asymmetrical",
                        r.flow, r.fhigh, r.level, r.ripple, {}};
    const std::vector<std::string> a = args(typed, "d.dat");
    std::string joined;
    for (const auto& w : a) joined += w + " ";
    SCOPED_TRACE(joined);
    Dialogue dir;
    const auto o = dir.command(a);
    if (o.status == 1) {
      // Declined: the command names the ripple its largest design reaches.
      EXPECT_NE(o.err.find(" sections reach +/- "), std::string::npos) << o.err;
      EXPECT_TRUE(o.files.empty());
      ++declined;
      continue;
    }
    ASSERT_EQ(o.status, 0) << o.err;
    const size_t at = o.out.find("within +/-");
    ASSERT_NE(at, std::string::npos) << o.out;
    EXPECT_LE(std::stof(o.out.substr(at + 10)), r.ripple + 0.0005f) << o.out;
    // The design file holds exactly the design the engine made, Zoo and all.
    const SynthesisOutcome made = synthesize_request(r, options::request_names);
    ASSERT_EQ(made.status, SynthesisOutcome::designed);
    const CouplerDesign back = read_back(o.files.at("d.dat"));
    ASSERT_EQ(back.n, made.design.n);
    for (int i = 1; i <= back.n; ++i) {
      EXPECT_EQ(back.sec(i).zoe, made.design.sec(i).zoe) << "section " << i;
      EXPECT_EQ(back.sec(i).zoo, made.design.sec(i).zoo) << "section " << i;
    }
    EXPECT_EQ(o.out.find("Designed by the equal-ripple engine") != std::string::npos, !made.engine_instead.empty());
    (made.from_tables ? tables : made.engine_instead.empty() ? engine : instead)++;
  }
  // The sample tries every road.
  EXPECT_GT(tables, 5);
  EXPECT_GT(instead, 5);
  EXPECT_GT(engine, 50);
  EXPECT_GT(declined, 2);
  std::printf("200 requests: %d from the tables, %d by the engine instead of the tables, %d by the engine, "
              "%d declined\n", tables, instead, engine, declined);
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

TEST(EngineSynthesis, TablesWhereTheyMeetTheRequestTheEngineWhereTheyMissIt) {
  Dialogue dir;
  // The tables' 10 dB +/- 0.2 dB design meets its ripple: their design, no word.
  const auto met = dir.command(args({"--symmetrical", 4000, 8000, 10, 0.2f, {}}, "m.dat"));
  ASSERT_EQ(met.status, 0) << met.err;
  EXPECT_EQ(met.out.find("Designed by"), std::string::npos) << met.out;
  EXPECT_NE(met.out.find("     53.473 46.753"), std::string::npos) << met.out;
  // Their 8.34 dB +/- 0.3 dB row ripples 0.303 dB over 4 to 8 GHz: the engine
  // designs it, as --equal-ripple would, and the report says why; --tables
  // keeps the dialogue's row (54.835 / 88.649 / 54.835 ohms).
  const Request table{"--symmetrical", 4000, 8000, 8.34f, 0.3f, {}};
  Request engine = table, tables = table;
  engine.more = {"--equal-ripple"};
  tables.more = {"--tables"};
  const auto d = dir.command(args(table, "d.dat"));
  const auto e = dir.command(args(engine, "e.dat"));
  const auto t = dir.command(args(tables, "t.dat"));
  ASSERT_EQ(d.status, 0) << d.err;
  ASSERT_EQ(e.status, 0) << e.err;
  ASSERT_EQ(t.status, 0) << t.err;
  EXPECT_EQ(d.out.substr(0, d.out.find('\n') + 1),
            "        - Designed by the equal-ripple engine: the tables' 3-section design ripples +/- 0.303 dB over "
            "the band, more than the 0.30 dB asked.\n");
  EXPECT_EQ(d.files.at("d.dat"), e.files.at("e.dat"));
  EXPECT_NE(t.out.find("     54.835 45.591"), std::string::npos) << t.out;
  EXPECT_EQ(t.out.find("Designed by"), std::string::npos);
  EXPECT_NE(t.files.at("t.dat"), e.files.at("e.dat"));
  EXPECT_LE(float_deviation(read_back(e.files.at("e.dat")), 4000, 8000, 8.34f), 0.305f);
  // A band wider than the tables' nine sections reach: the engine's eleven.
  const auto wide = dir.command(args({"--symmetrical", 1000, 10000, 10, 0.2f, {}}, "w.dat"));
  ASSERT_EQ(wide.status, 0) << wide.err;
  EXPECT_NE(wide.out.find("- Designed by the equal-ripple engine: the band needs more than the tables' 9 sections.\n"
                          "        - Center Frequency =  5500.000 MHz; Bandwidth= Fhigh/Flow =10.00000.\n"
                          "        - Number of coupled sections needed: N =11 for your 10.00 dB coupler.\n"),
            std::string::npos)
      << wide.out;
  const auto refused = dir.command(args({"--symmetrical", 1000, 10000, 10, 0.2f, {"--tables"}}, "r.dat"));
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("exceeds N = 9"), std::string::npos) << refused.err;
}

}  // namespace
}  // namespace quill
