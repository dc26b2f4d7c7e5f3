// Output storage: the report as printed, kept whatever way the program ends.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "support/dialogue.hpp"

namespace quill {
namespace {

using testing_support::count;
using testing_support::Dialogue;
using testing_support::Outcome;
using testing_support::Lines;
using testing_support::operator+;

// Function 3 with the defaults file's design and storage turned on with `name`.
Lines typed_design_storing(const std::string& name) {
  return testing_support::typed_default_design() + testing_support::storing(name);
}

// The report part of the console: from the report's opening rule to its
// closing lines, which is what the storage file must hold.
std::string report_of(const std::string& out, size_t nth = 0) {
  const std::string title = "\n      " + std::string(72, '-') + "\n      Quillomate (v. 1.3)";
  size_t start = 0;
  for (size_t i = 0; i <= nth; ++i) start = out.find(title, i == 0 ? 0 : start + 1);
  const size_t end = out.find("\n\n      Coupler calculations completed.", start);
  return out.substr(start, end - start + 1);
}

TEST(Storage, HoldsTheReportExactlyAsPrinted) {
  Dialogue d;
  d.defaults();
  Outcome o = d.run(typed_design_storing("out.txt") + Lines{"4"});
  ASSERT_EQ(o.status, 0) << o.err;
  ASSERT_TRUE(o.files.count("out.txt"));
  EXPECT_EQ(o.files["out.txt"], report_of(o.out));
  EXPECT_NE(o.out.find("        Output Data stored in User filename: out.txt             \n"),
            std::string::npos);
}

TEST(Storage, BlankNameTakesTheDefaultsFileName) {
  Dialogue d;
  d.defaults();
  Outcome o = d.run(typed_design_storing("") + Lines{"4"});
  EXPECT_TRUE(o.files.count("Quillomate.TXT"));
}

TEST(Storage, ProtectedNamesAreDiverted) {
  for (const std::string name : {"Quillomate.DEF", "Quillomate.EXE", "Quillomate.DEF   "}) {
    Dialogue d;
    d.defaults();
    const std::string def_before = testing_support::kDefaults;
    Outcome o = d.run(typed_design_storing(name) + Lines{"4"});
    EXPECT_EQ(o.files["Quillomate.DEF"], def_before) << name;
    EXPECT_TRUE(o.files.count("Quillomate.XLS")) << name;
    EXPECT_NE(o.out.find("stored in User filename: Quillomate.XLS"), std::string::npos);
  }
  // Lower case and a leading blank are other names, used as typed.
  Dialogue d;
  d.defaults();
  Outcome o = d.run(typed_design_storing(" Quillomate.DEF") + Lines{"4"});
  EXPECT_TRUE(o.files.count(" Quillomate.DEF"));
}

TEST(Storage, TheDesignFileReadInThisRunIsNeverOverwritten) {
  Dialogue d;
  d.defaults();
  const std::string design = testing_support::kDefaults;
  d.file("my.dat", design);
  // Read the design, decline storage, then re-run storing under its name.
  Outcome o = d.run({"4", "my.dat", "", "", "", "", "1", "", "", "", "", "1", "my.dat", "4"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.files["my.dat"], design);
  EXPECT_TRUE(o.files.count("Quillomate.XLS"));
}

TEST(Storage, SameNameAppendsAnotherNameStartsANewFile) {
  Dialogue d;
  d.defaults();
  Outcome o = d.run(typed_design_storing("a.txt") +
                    Lines{"1", "", "", "", "", "1", "a.txt", "1", "", "", "", "", "1", "b.txt", "4"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.files["a.txt"], report_of(o.out, 0) + report_of(o.out, 1));
  EXPECT_EQ(o.files["b.txt"], report_of(o.out, 2));
}

TEST(Storage, StorageOffLeavesTheOpenFileUnchanged) {
  Dialogue d;
  d.defaults();
  Outcome o = d.run(typed_design_storing("a.txt") + Lines{"1", "", "", "", "", "", "4"});
  EXPECT_EQ(o.files["a.txt"], report_of(o.out, 0));
  EXPECT_EQ(count(o.out, "Output Data stored"), 1u);
}

TEST(Storage, AFileThatCannotBeOpenedEndsTheProgramWithNothingWritten) {
  Dialogue d;
  d.defaults();
  std::filesystem::create_directory(d.dir() / "folder");
  Outcome o = d.run(typed_design_storing("folder") + Lines{""});
  EXPECT_EQ(o.status, 0);
  EXPECT_NE(o.out.find("Storage: \n      Error exists in User`s Input Data filename:                     \n"
                       "      Fix entry for variable storage filename.    and try again.\n"),
            std::string::npos);
  EXPECT_EQ(o.out.find("Engineering Design Data For"), std::string::npos);  // no report
  EXPECT_EQ(o.files.size(), 1u);
}

TEST(Storage, ANameInAFolderThatDoesNotExistCannotBeOpened) {
  Dialogue d;
  d.defaults();
  Outcome o = d.run(typed_design_storing("nofolder/out.txt") + Lines{""});
  EXPECT_NE(o.out.find("Fix entry for variable storage filename."), std::string::npos);
  EXPECT_EQ(o.status, 0);
}

TEST(Storage, NamesReachingOutOfTheWorkingFolderAreRefused) {
  for (const std::string name : {"../escaped.txt", "/tmp/abs.txt", "sub/../x.txt"}) {
    Dialogue d;
    d.defaults();
    std::filesystem::create_directory(d.dir() / "sub");
    const auto outside = d.dir().parent_path() / "escaped.txt";
    std::filesystem::remove(outside);
    Outcome o = d.run(typed_design_storing(name) + Lines{""});
    EXPECT_NE(o.out.find("Fix entry for variable storage filename."), std::string::npos) << name;
    EXPECT_EQ(o.status, 0);
    EXPECT_FALSE(std::filesystem::exists(outside));
    EXPECT_FALSE(o.files.count("x.txt"));
  }
  // The defaults file's storage name is held to the same rule.
  Dialogue d;
  std::string def = testing_support::kDefaults;
  def.replace(def.find("Quillomate.TXT"), 14, "../escaped.txt");
  d.defaults(def);
  Outcome o = d.run(typed_design_storing("") + Lines{""});
  EXPECT_NE(o.out.find("Fix entry for variable storage filename."), std::string::npos);
}

TEST(Storage, AReadOnlyFileCannotBeOpened) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes through file permissions";
  Dialogue d;
  d.defaults().file("locked.txt", "keep me\n");
  ::chmod((d.dir() / "locked.txt").c_str(), 0444);
  Outcome o = d.run(typed_design_storing("locked.txt") + Lines{""});
  EXPECT_NE(o.out.find("storage filename."), std::string::npos);
  EXPECT_EQ(o.files["locked.txt"], "keep me\n");
}

TEST(Storage, EndOfInputAtTheNameShowsTheMessageAndStops) {
  Dialogue d;
  d.defaults();
  Lines l = typed_design_storing("x");
  l.pop_back();
  Outcome o = d.run(l);
  EXPECT_NE(o.out.find("Fix entry for variable storage filename."), std::string::npos);
  EXPECT_EQ(o.status, 2);
}

TEST(Storage, EveryLinePrintedBeforeAStopIsKept) {
  for (const Lines& ending : {Lines{"abc"}, Lines{}, Lines{"1", "", "", "x"}, Lines{"3", "0.25", "zz"}}) {
    Dialogue d;
    d.defaults();
    Outcome o = d.run(typed_design_storing("kept.txt") + ending);
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.files["kept.txt"], report_of(o.out));
  }
}

}  // namespace
}  // namespace quill
