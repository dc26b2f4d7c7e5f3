// Typed-in designs and designs read from a design-data file.

#include <gtest/gtest.h>

#include "support/dialogue.hpp"

namespace quill {
namespace {

using testing_support::count;
using testing_support::Dialogue;
using testing_support::kDefaults;
using testing_support::Outcome;
using testing_support::kBlankSettings;
using testing_support::Lines;

Lines concat(std::initializer_list<Lines> parts) {
  Lines all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST(TypedDesign, AllBlankTakesTheDefaultsFileDesign) {
  Dialogue d;
  d.defaults();
  Outcome o = d.run(concat({{"3", "", "", ""}, Lines(9, ""), kBlankSettings, {""}}));
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(count(o.out, "- Best Odd Mode: Zoo for Section  1 is:  36.039 Ohms\n"), 1u);
  EXPECT_EQ(count(o.out, "- Gives Coupling level in Section 1 of:  10.000 dB\n"), 1u);
  EXPECT_EQ(count(o.out, "- Center Frequency for Section 3, MHz = \n\n"), 1u);
  EXPECT_EQ(count(o.out, "     69.370 36.039  10.000  1.000  1.000  0.000  0.000  0.3318\n"), 3u);
  EXPECT_EQ(o.files.size(), 1u);  // storage off: nothing but the defaults file
}

TEST(TypedDesign, EvenModeImpedanceMustExceedZo) {
  Dialogue d;
  d.defaults();
  // Zoe equal to Zo, then below it, then a proper value.
  Outcome o = d.run(concat({{"3", "1", "", "", "50", "20", "60", "", ""}, kBlankSettings, {""}}));
  EXPECT_EQ(o.status, 0) << o.err;
  const std::string refusal =
      "\n     ERROR DETECTED: The Even-Mode Impedance: Zoe, must be larger then the\n"
      "                     System`s Impedance =  50.00 Ohms. Please re-enter Zoe.\n";
  EXPECT_EQ(count(o.out, refusal), 2u);
  EXPECT_EQ(count(o.out, "- Even Mode: Zoe of Section  1,  Ohms = "), 3u);
}

TEST(TypedDesign, ZoLargerThanTheDefaultZoeRefusesBlankAnswersUntilInputEnds) {
  Dialogue d;
  d.defaults();
  Outcome o = d.run({"3", "1", "100", "", "", "", ""});
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(count(o.out, "System`s Impedance = 100.00 Ohms"), 3u);
}

TEST(TypedDesign, SectionCountBeyondCapacityKeepsTheDefault) {
  Dialogue d;
  d.defaults();
  Outcome o = d.run(concat({{"3", "51", "", ""}, Lines(9, ""), kBlankSettings, {""}}));
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("Analysis is for a 3-Section"), std::string::npos);
}

TEST(TypedDesign, SectionsBeyondTheDefaultsFileRepeatItsLastSection) {
  Dialogue d;
  d.defaults();
  Outcome o = d.run(concat({{"3", "5", "", ""}, Lines(15, ""), kBlankSettings, {""}}));
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(count(o.out, "- Best Odd Mode: Zoo for Section  5 is:  36.039 Ohms"), 1u);
  EXPECT_EQ(count(o.out, "     69.370 36.039  10.000"), 5u);
}

TEST(TypedDesign, OddModeAsTypedEvenWhenNotMatched) {
  Dialogue d;
  d.defaults();
  // Section 1: Zoo above Zoe; section 2: Zoo equal to Zoe (normalised apart by rounding).
  Outcome o = d.run(concat({{"3", "2", "", "", "60", "80", "", "60", "60", ""}, kBlankSettings, {""}}));
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("     60.000 80.000  16.902"), std::string::npos);   // coupling of |Zoe - Zoo|
  EXPECT_NE(o.out.find("     60.000 60.000 143.934"), std::string::npos);
}

TEST(TypedDesign, TheLastSectionsCentreFrequencyIsTheDesigns) {
  Dialogue d;
  d.defaults();
  Outcome o = d.run(concat({{"3", "3", "", "", "", "", "1000", "", "", "1000", "", "", "2000"},
                            kBlankSettings, {""}}));
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("Center Frequency =   2000.000 MHz."), std::string::npos);
  EXPECT_EQ(count(o.out, "  0.000  0.000  1.9907\n"), 2u);  // twice as long as the third
  EXPECT_EQ(count(o.out, "  0.000  0.000  0.9954\n"), 1u);
}

const std::string kFile =
    "Two-section test design\n"
    "2            sections\n"
    "50           Zo\n"
    "2.2          Er\n"
    "50           Zoe 1 (equal to Zo)\n"
    "3000         f0 1\n"
    "80           Zoe 2\n"
    "3000         f0 2\n"
    "2500         start\n"
    "3500         stop\n"
    "500          step\n"
    "0.2          B\n"
    "0.04         S\n";

TEST(DesignFile, ReadsTheDesignItsSweepAndSpacings) {
  Dialogue d;
  d.defaults().file("two.dat", kFile);
  Outcome o = d.run({"4", "two.dat", "", "", "", "", "4"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("\n      Attempting to read User Data File: two.dat             .....Completed.\n"
                       "        - Number of sections in your Coupler: N =  2\n"),
            std::string::npos);
  EXPECT_EQ(o.out.find("Enter Frequency Range"), std::string::npos);  // the file gives the sweep
  EXPECT_EQ(count(o.out, "         2500.000"), 1u);
  EXPECT_EQ(count(o.out, "         3500.000"), 1u);
  EXPECT_NE(o.out.find("     50.000 50.000 "), std::string::npos);  // Zoe equal to Zo accepted
}

TEST(DesignFile, ReRunOffersTheDefaultsFileSweepNotTheFiles) {
  Dialogue d;
  d.defaults().file("two.dat", kFile);
  Outcome o = d.run({"4", "two.dat", "", "", "", "", "1", "", "", "", "", "", "4"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(count(o.out, "Enter Frequency Range"), 1u);
  EXPECT_EQ(count(o.out, "        10000.000"), 1u);
}

TEST(DesignFile, TheDefaultsFileReadsAsADesignFile) {
  Dialogue d;
  d.defaults();
  Outcome o = d.run({"4", "Quillomate.DEF", "", "", "", "", "4"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("N =  3\n"), std::string::npos);
}

TEST(DesignFile, FaultsShowTheirMessageAndEndAfterThePause) {
  struct Case { std::string name, content, message; };
  const std::string err = "\n      Error exists in User`s Input Data filename: ";
  const std::string eof = "\n      `End of file` in User`s Input Data filename: ";
  auto cut = [](int lines) {
    size_t pos = 0;
    for (int i = 0; i < lines; ++i) pos = kFile.find('\n', pos) + 1;
    return kFile.substr(0, pos);
  };
  std::string bad_s = kFile;
  bad_s.replace(bad_s.find("0.04"), 4, "0.21");
  const Case cases[] = {
      {"", "", eof + std::string(20, ' ') + "\n      Entry missing for variable: User filename       \n"},
      {"nothere.dat", "", err + "nothere.dat         \n      Fix entry for variable User filename        and try again.\n"},
      {"empty.dat", "", eof + "empty.dat           \n      Entry missing for variable: 1st line.           \n"},
      {"short.dat", cut(5), eof + "short.dat           \n      Entry missing for variable: Center Frequency    \n"},
      {"bad.dat", bad_s, err + "bad.dat             \n      Fix entry for variable Strip Spacing: S.    and try again.\n"},
  };
  for (const auto& c : cases) {
    Dialogue d;
    d.defaults();
    if (c.name != "nothere.dat" && !c.name.empty()) d.file(c.name, c.content);
    Outcome o = d.run({"4", c.name, ""});
    EXPECT_NE(o.out.find(c.message), std::string::npos) << c.name << "\n" << o.out;
    EXPECT_EQ(o.status, 0);
  }
}

TEST(DesignFile, OnlyPlainFilesOfTheWorkingFolderAreRead) {
  // Another folder's file, a device that never ends a line, and a path through
  // a subfolder all count as names that cannot be opened.
  for (const std::string name : {"../two.dat", "/dev/zero", "sub/two.dat"}) {
    Dialogue d;
    d.defaults().file("two.dat", kFile);
    std::filesystem::create_directory(d.dir() / "sub");
    std::ofstream(d.dir() / "sub" / "two.dat") << kFile;
    Outcome o = d.run({"4", name, ""});
    EXPECT_NE(o.out.find("Fix entry for variable User filename        and try again.\n"),
              std::string::npos) << name;
    EXPECT_EQ(o.status, 0);
  }
}

TEST(DesignFile, ADirectoryCannotBeOpenedAndEndOfInputStops) {
  Dialogue d;
  d.defaults();
  std::filesystem::create_directory(d.dir() / "folder");
  Outcome o = d.run({"4", "folder", ""});
  EXPECT_NE(o.out.find("Fix entry for variable User filename        and try again.\n"), std::string::npos);
  EXPECT_EQ(o.out.find("Attempting"), std::string::npos);
  EXPECT_EQ(o.status, 0);

  Dialogue eof;
  eof.defaults();
  o = eof.run({"4"});
  EXPECT_NE(o.out.find("Error exists in User`s Input Data filename:"), std::string::npos);
  EXPECT_EQ(o.status, 2);
}

}  // namespace
}  // namespace quill
