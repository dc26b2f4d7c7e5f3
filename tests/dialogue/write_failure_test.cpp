// Nothing the dialogue reports as done was left unwritten: a storage file
// that fails part-way is said on the console and the error stream, keeps what
// reached it, storage ends and the run ends with status 4; a console that
// fails stops the program at once with status 4.

#include <gtest/gtest.h>

#include <string>

#include "support/dialogue.hpp"
#include "support/failing_output.hpp"

namespace quill {
namespace {

using testing_support::Dialogue;
using testing_support::FailingConsole;
using testing_support::Lines;
using testing_support::OutputCapture;
using testing_support::operator+;

/// Function 3 with the defaults' design, a long sweep, format `format`,
/// storage in report.txt, then OPERATION 1 re-runs without storage, then
/// OPERATION 3 prints the dimension report, and the program ends.
Lines storing_run(const std::string& format) {
  return testing_support::typed_default_design() +
         Lines{"", "", "1000", "11000", "10", format, "1", "report.txt"} +  // settings, 1001 points
         Lines{"1", "2000", "3000", "500", "", ""} +                         // re-run, no storage
         Lines{"3", "", "", "", "3"};                                        // dimensions, exit
}

TEST(WriteFailure, StorageThatFillsUpIsReportedKeptAndEnded) {
  for (const std::string format : {"1", "2"})
    for (size_t limit : {size_t{0}, size_t{700}, size_t{30000}}) {
      SCOPED_TRACE("format " + format + ", storage full after " + std::to_string(limit) + " bytes");
      OutputCapture files;
      files.limit = limit;
      Dialogue dir;
      dir.defaults().outputs(files.opener());
      const auto o = dir.run(storing_run(format));
      EXPECT_EQ(o.status, 4);
      // One line on the error stream naming the file and the reason.
      EXPECT_EQ(o.err,
                "quillomate: cannot write the storage file report.txt: No space left on device; it holds "
                "only part of the report, and storage is off\n");
      // The console says so too, after a report that no longer claims to be stored.
      EXPECT_NE(o.out.find("      Output Data storage failed: report.txt: No space left on device.\n"
                           "      The file holds only part of the report; storage is now off.\n"),
                std::string::npos);
      EXPECT_EQ(o.out.find("Output Data stored in User filename"), std::string::npos);
      // What was stored stays: exactly the first bytes of the report.
      const std::string stored = files.text("report.txt");
      EXPECT_EQ(stored.size(), limit);
      const size_t report = o.out.find("\n      ------");
      ASSERT_NE(report, std::string::npos);
      EXPECT_EQ(o.out.compare(report, stored.size(), stored), 0);
      // The dialogue went on: the re-run and the dimension report were printed.
      EXPECT_NE(o.out.find("   3000.000"), std::string::npos);
      EXPECT_NE(o.out.find("Offset Broadside-Coupled Strip Transmission Lines"), std::string::npos);
    }
}

TEST(WriteFailure, StorageFailingInTheDimensionReportEndsStorageThere) {
  OutputCapture files;
  Dialogue dir;
  dir.defaults().outputs(files.opener());
  // The analysis report (about 4 kB) fits; the dimension report does not.
  files.limit = 5000;
  const auto o = dir.run(testing_support::typed_default_design() + testing_support::storing("dims.txt") +
                         Lines{"3", "", "", "", "1", "", "", "", "3"});
  EXPECT_EQ(o.status, 4);
  EXPECT_NE(o.err.find("cannot write the storage file dims.txt: No space left on device"), std::string::npos);
  EXPECT_EQ(files.text("dims.txt").size(), 5000u);
  // The repeated dimension report is shown but no longer stored or said to be.
  EXPECT_EQ(testing_support::count(o.out, "Strip Dimensions in Inches"), 2u);
  EXPECT_EQ(testing_support::count(o.out, "Output Data stored in User filename"), 1u) << o.out;
}

TEST(WriteFailure, ConsoleThatFailsStopsTheProgramAtOnce) {
  for (size_t limit : {size_t{0}, size_t{500}, size_t{5000}, size_t{40000}}) {
    SCOPED_TRACE("console full after " + std::to_string(limit) + " bytes");
    FailingConsole console(limit);
    Dialogue dir;
    dir.defaults().console(console.stream);
    const auto o = dir.run(storing_run("2"));
    EXPECT_EQ(o.status, 4);
    EXPECT_EQ(o.err, "quillomate: stopped: cannot write standard output: No space left on device\n");
    EXPECT_EQ(console.kept->size(), limit);
  }
}

TEST(WriteFailure, ConsoleFailingAtTheDefaultsFaultPause) {
  FailingConsole console(10);
  Dialogue dir;
  dir.file("Quillomate.DEF", "title\n51\n").console(console.stream);
  const auto o = dir.run({""});
  EXPECT_EQ(o.status, 4);
  EXPECT_NE(o.err.find("cannot write standard output"), std::string::npos);
}

}  // namespace
}  // namespace quill
