// The command line is a second front end over the dialogue's engine: for the
// same design and choices it prints exactly the dialogue's reports, and what
// it writes reads back to the same design.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "files/design_data_file.hpp"
#include "synthesis/table_synthesis.hpp"
#include "support/dialogue.hpp"
#include "support/session_files.hpp"

namespace quill {
namespace {

using testing_support::Dialogue;
using testing_support::Lines;
using testing_support::operator+;

using testing_support::session_file;

/// A working folder holding the defaults file and one session's design file.
Dialogue folder_with(const std::string& session) {
  Dialogue d;
  d.defaults().file("design.dat", session_file(session, "design.dat"));
  return d;
}

// Menu entries and the values the command line takes for them.
const char* const kRatios[] = {"1", "0.975", "0.95", "0.925", "0.9"};
const char* const kLosses[] = {"0", "0.125", "0.25", "0.5", "1", "2"};

TEST(FrontEnds, AnalyseReportIsTheDialoguesReport) {
  for (const std::string session : {"file-design-dimensions", "file-format1-rerun"})
    for (int itype : {1, 3, 5})
      for (int iloss : {1, 4, 6})
        for (int format : {1, 2}) {
          Dialogue dir = folder_with(session);
          const auto dialogue = dir.run({"4", "design.dat", std::to_string(itype), std::to_string(iloss),
                                         std::to_string(format), "", "4"});
          const auto cli = dir.command({"analyse", "design.dat", "--velocity-ratio", kRatios[itype - 1],
                                        "--loss", kLosses[iloss - 1], "--format", std::to_string(format),
                                        "--report", "report.txt"});
          SCOPED_TRACE(session + " itype " + std::to_string(itype) + " iloss " + std::to_string(iloss) +
                       " format " + std::to_string(format));
          ASSERT_EQ(cli.status, 0) << cli.err;
          EXPECT_EQ(cli.err, "");
          ASSERT_GT(cli.out.size(), 1000u);
          // The report, from its opening rule to its closing one, as the
          // dialogue printed it; below it the band's figures.
          const std::string report = testing_support::printed_report(cli.out);
          EXPECT_NE(dialogue.out.find(report), std::string::npos);
          EXPECT_EQ(cli.out.substr(0, 8), "\n      -");
          EXPECT_EQ(cli.files.at("report.txt"), report);
          EXPECT_NE(cli.out.find("- Over the sweep, "), std::string::npos);
          EXPECT_NE(cli.out.find("          directivity "), std::string::npos);
          EXPECT_NE(cli.out.find(", isolation "), std::string::npos);
        }
}

TEST(FrontEnds, DimensionsReportIsTheDialoguesReport) {
  struct Case {
    int itype, iloss;
    std::string b, s, centre;
  };
  for (const Case& c : {Case{1, 1, "", "", "offset"}, Case{3, 5, "0.25", "0.05", "overlap"},
                        Case{5, 2, "0.5", "0.02", "offset"}}) {
    Dialogue dir = folder_with("file-design-dimensions");
    const auto dialogue =
        dir.run({"4", "design.dat", std::to_string(c.itype), std::to_string(c.iloss), "", "", "3", c.b, c.s,
                 c.centre == "overlap" ? "1" : "2", "3"});
    std::vector<std::string> args = {"dimensions", "design.dat", "--centre", c.centre,
                                     "--velocity-ratio", kRatios[c.itype - 1], "--loss", kLosses[c.iloss - 1]};
    if (!c.b.empty()) args.insert(args.end(), {"--b", c.b, "--s", c.s});
    const auto cli = dir.command(args);
    SCOPED_TRACE("B " + c.b + " S " + c.s + " " + c.centre);
    ASSERT_EQ(cli.status, 0) << cli.err;
    ASSERT_GT(cli.out.size(), 1000u);
    EXPECT_NE(dialogue.out.find(cli.out), std::string::npos);
  }
}

TEST(FrontEnds, SynthesisIsTheDialoguesDesignAndItsFileReadsBack) {
  struct Case {
    const char* form;
    const char* flow;
    const char* fhigh;
    const char* coupling;
    const char* ripple;
    int function, icoup, m;
  };
  for (const Case& c : {Case{"--symmetrical", "4000", "8000", "8.34", "0.3", 1, 3, 4},
                        Case{"--symmetrical", "4000", "6000", "3.01", "0", 1, 1, 1},
                        Case{"--symmetrical", "500", "700", "20", "0.6", 1, 5, 7},
                        Case{"--asymmetrical", "2000", "12000", "10", "0.5", 2, 3, 6},
                        Case{"--asymmetrical", "1000", "3000", "15", "0.7", 2, 4, 8}}) {
    SCOPED_TRACE(std::string(c.form) + " " + c.flow + ".." + c.fhigh + " C " + c.coupling + " R " + c.ripple);
    Dialogue dir;
    dir.defaults();
    const auto dialogue =
        dir.run(Lines{std::to_string(c.function), c.flow, c.fhigh, std::to_string(c.icoup), std::to_string(c.m),
                      "75", "3.5"} + testing_support::kBlankSettings + Lines{"4"});
    const auto cli = dir.command({"synthesize", c.form, "--flow", c.flow, "--fhigh", c.fhigh, "--coupling",
                                 c.coupling, "--ripple", c.ripple, "--zo", "75", "--er", "3.5", "--tables",
                                 "--write-design", "out.dat"});
    ASSERT_EQ(cli.status, 0) << cli.err;
    // Band line, section count and design table, each as the dialogue printed it.
    std::istringstream lines(cli.out);
    for (std::string line; std::getline(lines, line);)
      if (line.find("- Coupling over the band:") == std::string::npos)  // the command line's own
        EXPECT_NE(dialogue.out.find(line + "\n"), std::string::npos) << line;

    // The written file reads back to the same sections.
    std::istringstream file(cli.files.at("out.dat"));
    const DesignDataRead back = read_design_data(file);
    ASSERT_EQ(back.fault, EntryFile::none) << back.entry;
    const CouplerDesign& d = back.values.design;
    EXPECT_EQ(d.z0, 75.0f);
    EXPECT_EQ(d.er, 3.5f);
    EXPECT_GT(back.values.fstop, back.values.fstart);
    const auto analysed = dir.command({"analyse", "out.dat"});
    ASSERT_EQ(analysed.status, 0) << analysed.err;
    // The dialogue's function 4 reads it too, to the same report.
    const auto function4 = dir.run({"4", "out.dat", "", "", "", "", "4"});
    ASSERT_EQ(function4.status, 0) << function4.err;
    EXPECT_NE(function4.out.find(testing_support::printed_report(analysed.out)), std::string::npos);
    // Each section's even-mode impedance comes back to the bit; the design
    // table of the analysis shows the same rows.
    const size_t table = cli.out.find("        ------- -------");
    const size_t rows_end = cli.out.find("       In a dielectric");
    ASSERT_NE(table, std::string::npos);
    EXPECT_NE(analysed.out.find(cli.out.substr(table, rows_end - table)), std::string::npos);
  }
}

TEST(FrontEnds, DesignFileRoundTripKeepsEveryNormalisedImpedance) {
  // Awkward Zo values, where Zoe * Zo / Zo is not always Zoe in floats.
  for (const char* zo : {"50", "47.3", "0.001", "123456.7"}) {
    Dialogue dir;
    const auto cli = dir.command({"synthesize", "--asymmetrical", "--flow", "1000", "--fhigh", "9000",
                                  "--coupling", "6.02", "--ripple", "0.2", "--zo", zo, "--tables", "--write-design",
                                  "x.dat"});
    ASSERT_EQ(cli.status, 0) << cli.err;
    std::istringstream file(cli.files.at("x.dat"));
    const DesignDataRead back = read_design_data(file);
    ASSERT_EQ(back.fault, EntryFile::none) << zo << " " << back.entry;
    // The same table row as a fresh synthesis of the dialogue's tables.
    DesignTables block1;
    CouplerDesign want;
    set_band(want, TableKind::asymmetrical, 1000, 9000);
    ASSERT_TRUE(choose_table_row(want, block1, 2, 3).found);
    lay_out_table_design(want, block1, back.values.design.z0, 2.2f);
    ASSERT_EQ(back.values.design.n, want.n);
    for (int i = 1; i <= want.n; ++i) {
      EXPECT_EQ(back.values.design.sec(i).zoe, want.sec(i).zoe) << zo << " section " << i;
      EXPECT_NEAR(back.values.design.sec(i).zoo, want.sec(i).zoo, 4e-7f * want.sec(i).zoo);
      EXPECT_EQ(back.values.design.sec(i).length, want.sec(i).length);
    }
  }
}

}  // namespace
}  // namespace quill
