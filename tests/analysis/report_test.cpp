#include "analysis/report.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "support/golden.hpp"
#include "test_designs.hpp"

namespace quill {
namespace {

using testing_support::golden_report;
using testing::entered;
using testing::reference_clock;
using testing::set_mode_options;
using testing::sweep;
using testing::Typed;

struct Printed {
  std::string console;
  std::string stored;
};

Printed report(const CouplerDesign& d, const AnalysisSettings& s) {
  std::ostringstream console;
  std::ostringstream file;
  ReportOut out(console, s.istore == 1 ? &file : nullptr);
  print_report(out, d, s, reference_clock());
  return {console.str(), file.str()};
}

std::string table(const CouplerDesign& d) {
  std::ostringstream console;
  ReportOut out(console, nullptr);
  print_design_table(out, d);
  return console.str();
}

/// Line `k` (0-based) of a text.
std::string line(const std::string& text, int k) {
  std::istringstream in(text);
  std::string l;
  for (int i = 0; i <= k; ++i) std::getline(in, l);
  return l;
}

CouplerDesign default_coupler() {
  CouplerDesign d = testing::synthesised({1.0967f, 1.77299f, 1.0967f}, 50, 2.2f, 4000, 8000);
  d.coupler = 8.34f;
  d.ripple = 0.3f;
  set_mode_options(d, 1, 1);
  return d;
}

CouplerDesign typed_pair() {
  CouplerDesign d = entered(3, 50, 2.2f, {{60, 0, 6000}, {90, 0, 4000}});
  set_mode_options(d, 3, 5);
  return d;
}

TEST(Report, DefaultSymmetricalCoupler) {
  const Printed p = report(default_coupler(), sweep(2000, 10000, 500, 2));
  EXPECT_EQ(p.console, golden_report("default-road", 0));
  EXPECT_EQ(p.stored, "");
}

TEST(Report, TypedDesignInBothFormatsWithStorage) {
  const CouplerDesign d = typed_pair();
  const Printed first = report(d, sweep(3000, 9000, 1000, 1, "report.txt"));
  EXPECT_EQ(first.console, golden_report("typed-storage-rerun", 0));
  EXPECT_EQ(first.stored, first.console);
  // A re-run analyses the same design, velocity and loss unchanged.
  const Printed again = report(d, sweep(5000, 7000, 500, 2, "report.txt"));
  EXPECT_EQ(again.console, golden_report("typed-storage-rerun", 1));
  EXPECT_EQ(again.stored, again.console);
}

TEST(Report, FiledFiveSectionDesign) {
  CouplerDesign d = entered(4, 50, 3.0f,
                            {{86.5f, 0, 2000}, {71.56f, 0, 2000}, {61.97f, 0, 2000},
                             {55.99f, 0, 2000}, {52.47f, 0, 2000}});
  set_mode_options(d, 1, 1);
  const Printed p = report(d, sweep(500, 4000, 250, 2, "dims.txt"));
  EXPECT_EQ(p.console, golden_report("file-design-dimensions", 0));
  EXPECT_EQ(p.stored, p.console);
}

TEST(Report, OnlySynthesisedDesignsShowTheirBand) {
  const std::string synth = report(default_coupler(), sweep(6000, 6000, 1, 2)).console;
  EXPECT_NE(synth.find("Operating frequency range:"), std::string::npos);
  const std::string typed = report(typed_pair(), sweep(6000, 6000, 1, 2)).console;
  EXPECT_EQ(typed.find("Operating frequency range:"), std::string::npos);
  // The introduction runs straight into the empty line and the table heading.
  EXPECT_EQ(line(typed, 9), "            Center Frequency =   4000.000 MHz.");
  EXPECT_EQ(line(typed, 10), "");
  EXPECT_EQ(line(typed, 11), "        Coupled    Impedances           Phase Velocity Loss,dB/Inch");
}

TEST(Report, ClosingLinesFollowStorage) {
  const std::string rule = "      " + std::string(72, '-') + "\n";
  const Printed off = report(default_coupler(), sweep(6000, 6000, 1, 2));
  ASSERT_GE(off.console.size(), rule.size());
  EXPECT_EQ(off.console.substr(off.console.size() - rule.size()), rule);

  const Printed on = report(default_coupler(), sweep(6000, 6000, 1, 2, "out.xls"));
  const std::string tail = rule + "        Output Data stored in User filename: out.xls" +
                           std::string(13, ' ') + "\n";
  EXPECT_EQ(on.console.substr(on.console.size() - tail.size()), tail);
  EXPECT_EQ(on.stored, on.console);
}

TEST(Report, EmptySweepKeepsHeadingsAndClosingLines) {
  const Printed reversed = report(default_coupler(), sweep(200, 100, 100, 2));
  const Printed one = report(default_coupler(), sweep(200, 100.5f, 100, 2));
  // The reversed range loses exactly the one data line of 69 columns.
  EXPECT_EQ(one.console.size() - reversed.console.size(), 70u);
  EXPECT_NE(reversed.console.find("*PHI4,Deg*from 90deg\n        ----"), std::string::npos);
  EXPECT_EQ(reversed.console.find("   200.000"), std::string::npos);
}

TEST(DesignTable, CouplingFromImpedances) {
  const std::string t = table(entered(3, 50, 2.2f, {{60, 40, 6000}}));
  EXPECT_EQ(line(t, 5),
            "           1     60.000 40.000  13.979  1.000  1.000  0.000  0.000  0.3318");
  // Odd mode above even mode: the coupling of the difference.
  const std::string swapped = table(entered(3, 50, 2.2f, {{40, 60, 6000}}));
  EXPECT_EQ(line(swapped, 5).substr(0, 38), "           1     40.000 60.000  13.979");
  EXPECT_FLOAT_EQ(section_coupling(60, 40), section_coupling(40, 60));
}

TEST(DesignTable, EqualImpedancesGiveInfiniteCoupling) {
  // Exactly equal in ohms: no coupling at all, too wide for its field.
  CouplerDesign d = entered(3, 50, 2.2f, {{60, 40, 6000}});
  d.sec(1).zoe = 1.0f;
  d.sec(1).zoo = 1.0f;
  EXPECT_EQ(line(table(d), 5).substr(0, 38), "           1     50.000 50.000 *******");
  // Typed as 60 and 60 ohms, the two normalisations round differently: a
  // very loose but finite coupling.
  const std::string typed = table(entered(3, 50, 2.2f, {{60, 60, 6000}}));
  EXPECT_EQ(line(typed, 5).substr(0, 38), "           1     60.000 60.000 143.934");
}

TEST(DesignTable, VelocityAndLossColumns) {
  CouplerDesign d = testing::synthesised({1.2f, 1.2f}, 50, 2.2f, 4000, 8000);
  set_mode_options(d, 5, 6);
  const std::string t = table(d);
  EXPECT_EQ(line(t, 5).substr(38), "  1.000  0.900  2.000  2.000  0.3318");
  EXPECT_EQ(line(t, 6).substr(38), "  1.000  0.900  2.000  2.000  0.3318");
  EXPECT_EQ(line(t, 7), "       In a dielectric with Er =  2.20, Total Length of Coupler =   0.6636");
}

TEST(DesignTable, TooWideValuesPrintAsterisks) {
  CouplerDesign d = entered(3, 50, 2.2f, {{60, 0, 6000}});
  d.total = 1000;
  d.f0 = 1e6f;
  EXPECT_EQ(line(table(d), 6).substr(66), "********");
  const std::string r = report(d, sweep(1, 0, 1, 2)).console;
  EXPECT_EQ(line(r, 9), "            Center Frequency = ********** MHz.");
}

TEST(TitleBlock, BlankPaddedDateAndTime) {
  std::ostringstream console;
  ReportOut out(console, nullptr);
  print_title_block(out, TimeStamp{2026, 12, 31, 23, 59, 58});
  EXPECT_EQ(console.str(),
            "\n      " + std::string(72, '-') +
                "\n      Quillomate (v. 1.3)                     Date:12/31/2026 at 23:59:58Hours\n");
}

}  // namespace
}  // namespace quill
