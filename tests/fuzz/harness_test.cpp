// The fuzz harness must split any byte string into the files and typed lines
// the way its format says, keep every run inside its working folder and cut a
// run off once the console limit is reached.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fuzz/harness.hpp"
#include "support/dialogue.hpp"

namespace fs = std::filesystem;
using quill::fuzz::join_case;
using quill::fuzz::run_case;
using quill::fuzz::split_case;
using quill::fuzz::with_stack;

namespace {

// Lines up to the storage question of the default road, storage on.
std::string storing_as(const std::string& name, const std::string& step = "") {
  std::string typed = "1\n";
  for (int i = 0; i < 10; ++i) typed += "\n";
  typed += step + "\n";  // analysis step
  typed += "\n1\n" + name + "\n\n";
  return typed;
}

TEST(FuzzCaseFormat, SplitsIntoDefaultsDesignAndTypedLines) {
  const auto c = split_case("DEF\n=====\nDESIGN\n=====\n1\n2\n");
  EXPECT_EQ(c.defaults, "DEF\n");
  EXPECT_EQ(c.design, "DESIGN\n");
  EXPECT_EQ(c.typed, "1\n2\n");
  EXPECT_EQ(split_case(join_case("DEF\n", "DESIGN\n", "1\n2\n")).typed, "1\n2\n");
}

TEST(FuzzCaseFormat, FewerPartsFallBackOnTheExampleFiles) {
  const auto one = split_case("4\ndesign.dat\n");
  EXPECT_EQ(one.defaults, quill::testing_support::kDefaults);
  ASSERT_TRUE(one.design.has_value());
  EXPECT_EQ(one.design->find("Quillomate.TXT"), std::string::npos);  // no storage-name line
  EXPECT_EQ(one.typed, "4\ndesign.dat\n");

  const auto two = split_case("DESIGN\n=====\n4\n");
  EXPECT_EQ(two.defaults, quill::testing_support::kDefaults);
  EXPECT_EQ(two.design, "DESIGN\n");
  EXPECT_EQ(two.typed, "4\n");
}

TEST(FuzzCaseFormat, OnlyAWholeLineSeparatesAndTheThirdPartKeepsTheRest) {
  const auto inline_sep = split_case("x=====\n1\n");
  EXPECT_EQ(inline_sep.typed, "x=====\n1\n");

  const auto more = split_case("=====\n=====\n1\n=====\n2\n");
  EXPECT_FALSE(more.defaults.has_value());  // empty part: no file
  EXPECT_FALSE(more.design.has_value());
  EXPECT_EQ(more.typed, "1\n=====\n2\n");
}

TEST(FuzzCaseFormat, ALeadingStackPartIsTheStackFileAndTheRestACase) {
  const auto c = split_case(with_stack("unit = \"mm\"\n", join_case("DEF\n", "DESIGN\n", "$ dimensions design.dat\n")));
  EXPECT_EQ(c.stack, "unit = \"mm\"\n");
  EXPECT_EQ(c.defaults, "DEF\n");
  EXPECT_EQ(c.design, "DESIGN\n");
  EXPECT_EQ(c.args, (std::vector<std::string>{"dimensions", "design.dat"}));
  // Only as the first line does the marker bring a stack file; elsewhere it is plain text.
  EXPECT_FALSE(split_case("DEF\n=====\nDESIGN\n=====\n1\n").stack.has_value());
  const auto later = split_case("1\n===== stack.toml\nx\n");
  EXPECT_FALSE(later.stack.has_value());
  EXPECT_EQ(later.typed, "1\n===== stack.toml\nx\n");
  // An empty part is no file; a part without a separator after it takes the rest.
  const auto empty = split_case("===== stack.toml\n=====\n1\n");
  EXPECT_FALSE(empty.stack.has_value());
  EXPECT_EQ(empty.typed, "1\n");
  const auto all = split_case("===== stack.toml\nunit = 1\n=====x\n");
  EXPECT_EQ(all.stack, "unit = 1\n=====x\n");
  EXPECT_EQ(all.typed, "");
}

TEST(FuzzRun, NamesCannotLeaveTheWorkingFolder) {
  const fs::path dir = quill::fuzz::work_folder();
  const fs::path outside = dir.parent_path() / "qf-escape.txt";
  fs::remove(outside);
  const auto o = run_case(split_case(storing_as("../qf-escape.txt")));
  EXPECT_EQ(o.status, 0);  // the storage-file message and the pause
  EXPECT_FALSE(fs::exists(outside));
  fs::remove(outside);
}

TEST(FuzzRun, EachRunStartsInAnEmptiedFolder) {
  run_case(split_case(storing_as("first.txt")));
  const fs::path dir = quill::fuzz::work_folder();
  ASSERT_TRUE(fs::exists(dir / "first.txt"));
  run_case(split_case("DEF\n=====\n=====\n\n"));
  EXPECT_FALSE(fs::exists(dir / "first.txt"));
  EXPECT_FALSE(fs::exists(dir / "design.dat"));
  EXPECT_TRUE(fs::is_directory(dir / "reports"));
}

TEST(FuzzRun, TheStackPartIsWrittenAsStackToml) {
  // An ideal homogeneous board (quick to solve) for the example design's 10 dB.
  const std::string board =
      "unit = \"in\"\ncopper_thickness = 0\n[[layer]]\nthickness = 0.1\ner = 2.2\n"
      "[[layer]]\nthickness = 0.05\ner = 2.2\nstrips = true\n[[layer]]\nthickness = 0.1\ner = 2.2\n";
  const std::string command = "$ dimensions design.dat --stackup stack.toml --csv s.csv\n";
  EXPECT_EQ(run_case(split_case(with_stack(board, command))).status, 0);
  EXPECT_EQ(run_case(split_case(command)).status, 3);  // no stack part: no such file
}

TEST(FuzzSplit, LongWorkInABoardIsRefused) {
  const std::string nine = "T\n9\n50\n2.2\n";
  const std::string board = "[[layer]]\n[[layer]]\n[[layer]]\n";
  const std::string many = std::string(9 * 10, ' ') + "[[layer]]\n[[layer]]\n[[layer]]\n[[layer]]\n[[layer]]\n"
                           "[[layer]]\n[[layer]]\n[[layer]]\n[[layer]]\n";
  struct Row {
    std::string data;
    bool refused;
  };
  const std::vector<Row> rows = {
      {with_stack(board, "$ dimensions design.dat --stackup stack.toml\n"), false},  // the 3-section example
      {with_stack(board, nine + "=====\n$ dimensions design.dat --stackup stack.toml\n"), true},
      {nine + "=====\n$ dimensions design.dat --field-solve\n", false},  // no board: quick
      {with_stack(many, "$ analyse design.dat --stackup stack.toml\n"), true},
      {with_stack(board, "$ synthesize --flow 1 --fhigh 2 --stackup stack.toml\n"), true},
      {with_stack(board, "$ synthesize --flow 1 --fhigh 2 --sections 3 --stackup stack.toml\n"), false},
      {with_stack(board, "$ synthesize --flow 1 --fhigh 2 --sections 5 --stackup stack.toml\n"), true},
      {with_stack(board, "$ fullwave design.dat --stackup stack.toml --out m\n"), false},
      {with_stack(board, "$ fullwave design.dat --stackup stack.toml --out m --run\n"), true},
  };
  for (const Row& r : rows) EXPECT_EQ(split_case(r.data).refused, r.refused) << r.data;
}

TEST(FuzzRun, ALongSweepIsCutAtTheConsoleLimit) {
  // 2000 to 10000 MHz in 0.001 MHz steps: millions of lines.
  const auto o = run_case(split_case(storing_as("", "0.001")));
  EXPECT_EQ(o.status, -1);
  EXPECT_LE(o.console, quill::fuzz::kConsoleLimit);
  EXPECT_GT(o.console, quill::fuzz::kConsoleLimit / 2);  // sweep lines come in blocks
}

TEST(FuzzRun, StopsAndOrderlyEndsKeepTheirStatus) {
  EXPECT_EQ(run_case(split_case("abc\n")).status, 2);
  EXPECT_EQ(run_case(split_case("")).status, 2);                 // end of input
  EXPECT_EQ(run_case(split_case("=====\n=====\n\n")).status, 2);  // no defaults file
  EXPECT_EQ(run_case(split_case("2\n" + std::string(20, '\n') + "\n")).status, 0);
}

}  // namespace
