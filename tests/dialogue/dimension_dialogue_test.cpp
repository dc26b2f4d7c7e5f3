// The dimensional dialogue: spacings with their defaults, the centre-section
// question, and its own menu.

#include "dialogue/dimension_dialogue.hpp"

#include <gtest/gtest.h>

#include "support/failing_output.hpp"

#include <cmath>
#include <sstream>

namespace quill {
namespace {

// A 3-section 10 dB coupler typed in at 6000 MHz (Zo 50, Er 2.2).
CouplerDesign typed_design(int ifunc = 3, int n = 3) {
  CouplerDesign d;
  d.ifunc = ifunc;
  d.n = n;
  d.z0 = 50;
  d.er = 2.2f;
  d.f0 = 6000;
  d.zoemax = 69.37f;
  for (int i = 1; i <= n; ++i) {
    Section& s = d.sec(i);
    s.zoe = 69.37f / 50;
    s.zoo = 50 * 50 / 69.37f * (1.0f / 50);
    s.length = 0.25f * (speed / 6000) / std::sqrt(2.2f);
    d.total += s.length;
  }
  return d;
}

struct Outcome {
  Flow flow;
  std::string out;
  std::string stored;
};

Outcome dimensions(const CouplerDesign& d, const std::string& typed, bool storing = false) {
  std::istringstream in(typed);
  std::ostringstream out, err;
  Console con(in, out, err);
  const TimeStamp t{2026, 7, 5, 9, 5, 3};
  testing_support::OutputCapture files;
  Storage storage;
  AnalysisSettings settings;
  settings.fn = "dims.txt            ";
  settings.istore = storing ? 1 : 0;
  if (storing) storage.open(".", settings.fn, files.opener());
  const DimensionContext ctx{d, 0.25f, 0.05f, t, storage, settings};
  Flow f = run_dimensions(con, ctx);
  return {f, out.str(), files.text("dims.txt")};
}

size_t count(const std::string& hay, const std::string& needle) {
  size_t n = 0;
  for (size_t p = hay.find(needle); p != std::string::npos; p = hay.find(needle, p + 1)) ++n;
  return n;
}

TEST(DimensionDialogue, BlankZeroAndNegativeSpacingsKeepTheDefaults) {
  for (const char* b : {"", "0", "-1"}) {
    Outcome o = dimensions(typed_design(), std::string(b) + "\n\n\n\n");
    EXPECT_NE(o.out.find("B = 0.2500 Inches"), std::string::npos) << b;
    EXPECT_NE(o.out.find("S = 0.0500 Inches"), std::string::npos) << b;
    EXPECT_EQ(o.flow, Flow::end);
  }
}

TEST(DimensionDialogue, StripSpacingMustLieBetweenTheGroundPlanes) {
  Outcome equal = dimensions(typed_design(), "0.3\n0.3\n\n\n");
  EXPECT_NE(equal.out.find("S = 0.0500 Inches"), std::string::npos);
  Outcome typed = dimensions(typed_design(), "0.3\n0.08\n\n\n");
  EXPECT_NE(typed.out.find("S = 0.0800 Inches"), std::string::npos);
  // A B below the default S keeps that S: the strips then leave the equations'
  // domain and print as asterisks, the report otherwise intact.
  Outcome narrow = dimensions(typed_design(), "0.04\n\n\n\n");
  EXPECT_NE(narrow.out.find("S = 0.0500 Inches"), std::string::npos);
  EXPECT_NE(narrow.out.find("strip width = ***** inches (******** mm)."), std::string::npos);
  EXPECT_NE(narrow.out.find("launch of higher-order modes."), std::string::npos);
}

TEST(DimensionDialogue, CentreQuestionOnlyForCouplersThatMayBeSymmetrical) {
  Outcome asym = dimensions(typed_design(2), "\n\n\n");
  EXPECT_EQ(asym.out.find("Select overlap design"), std::string::npos);
  Outcome typed = dimensions(typed_design(3), "\n\n\n\n");
  EXPECT_NE(typed.out.find("Select desired overlap design from above list = "), std::string::npos);
}

TEST(DimensionDialogue, TotalOverlapGoesToTheMiddleSection) {
  // Even N: section N div 2 + 1, here 3 of 4, gets superposed strips.
  Outcome o = dimensions(typed_design(3, 4), "\n\n1\n\n");
  const size_t table = o.out.find("      -------  ------");
  ASSERT_NE(table, std::string::npos);
  std::istringstream rows(o.out.substr(o.out.find('\n', table) + 1));
  std::string row[4];
  for (auto& r : row) std::getline(rows, r);
  // Columns 24 to 29 hold the tight-coupling offset in inches.
  EXPECT_EQ(row[2].substr(0, 10), "         3");
  EXPECT_EQ(row[2].substr(23, 6), "0.0000");
  EXPECT_NE(row[1].substr(23, 6), "0.0000");  // the others keep their offsets
  EXPECT_NE(row[3].substr(23, 6), "0.0000");
}

TEST(DimensionDialogue, MenuRepeatsWithTheSameDefaultsAndTimeStamp) {
  Outcome o = dimensions(typed_design(), "0.3\n0.06\n\n1\n\n\n\n2\n");
  EXPECT_EQ(o.flow, Flow::go);  // a new design cycle
  EXPECT_EQ(count(o.out, "Date: 7/ 5/2026 at  9: 5: 3Hours"), 2u);
  EXPECT_NE(o.out.find("B = 0.3000 Inches"), std::string::npos);
  EXPECT_NE(o.out.find("B = 0.2500 Inches"), std::string::npos);  // defaults, not the last answers
  EXPECT_EQ(count(o.out, " 1. Change dimensional parameters & re-synthesize.\n"), 2u);
}

TEST(DimensionDialogue, MenuAnswersThatEnd) {
  for (const char* answer : {"", "3", "0", "4", "-2"})
    EXPECT_EQ(dimensions(typed_design(), std::string("\n\n\n") + answer + "\n").flow, Flow::end) << answer;
  EXPECT_EQ(dimensions(typed_design(), "\n\nabc\n").flow, Flow::stop);
  EXPECT_EQ(dimensions(typed_design(), "\n\n\n").flow, Flow::stop);  // input ends at the menu
}

TEST(DimensionDialogue, ReportIsStoredWhileStorageIsOn) {
  Outcome o = dimensions(typed_design(), "\n\n\n\n", true);
  ASSERT_FALSE(o.stored.empty());
  EXPECT_NE(o.out.find(o.stored), std::string::npos);  // the same text as on the console
  EXPECT_NE(o.stored.find("Output Data stored in User filename: dims.txt            \n"),
            std::string::npos);
  EXPECT_EQ(o.stored.find("Select next OPERATION"), std::string::npos);  // menus stay on the console
}

}  // namespace
}  // namespace quill
