// Reading answers: one line is one answer, and every failed test keeps the default.

#include "console/console.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <filesystem>
#include <sstream>

#include "common/line_reader.hpp"

namespace quill {
namespace {

struct Keyboard {
  explicit Keyboard(const std::string& typed) : in(typed), con(in, out, err) {}
  std::istringstream in;
  std::ostringstream out, err;
  Console con;
};

TEST(Console, PromptStaysOnItsLineAndNothingFollowsTheAnswer) {
  Keyboard k("12\n");
  EXPECT_EQ(k.con.askval("   N= "), 12.0f);
  EXPECT_EQ(k.out.str(), "   N= ");
}

TEST(Console, RealQuestionsKeepTheDefaultUnlessTheTestPasses) {
  Keyboard k("\n0\n-5\n7\n0.5\n1\n\n3\n");
  EXPECT_EQ(k.con.askreal("", 50, Accept::positive), 50.0f);       // blank
  EXPECT_EQ(k.con.askreal("", 50, Accept::positive), 50.0f);       // zero
  EXPECT_EQ(k.con.askreal("", 50, Accept::positive), 50.0f);       // negative
  EXPECT_EQ(k.con.askreal("", 50, Accept::positive), 7.0f);
  EXPECT_EQ(k.con.askreal("", 2.2f, Accept::at_least_one), 2.2f);  // Er below 1
  EXPECT_EQ(k.con.askreal("", 2.2f, Accept::at_least_one), 1.0f);
  EXPECT_EQ(k.con.askreal("", 0.05f, Accept::below_bound, 0.25f), 0.05f);
  EXPECT_EQ(k.con.askreal("", 0.05f, Accept::below_bound, 3.0f), 0.05f);  // S equal to B
}

TEST(Console, MenuAnswersAreRoundedAndRangeChecked) {
  const Menu function{1, 4, 1};
  Keyboard k("\n0\n-3\n5\n4.5\n1.5\n2.6\n3.49\n99999999999\n");
  for (int want : {1, 1, 1, 1, 1, 2, 3, 3, 1}) EXPECT_EQ(k.con.askopt("", function), want);
  const Menu operation{1, 3, 4};
  Keyboard o("0.5\n3.4\n-1\n");
  EXPECT_EQ(o.con.askopt("", operation), 1);
  EXPECT_EQ(o.con.askopt("", operation), 3);
  EXPECT_EQ(o.con.askopt("", operation), 4);
}

TEST(Console, NamesAreTwentyColumnsWithLeadingBlanksKept) {
  Keyboard k("abcdefghijklmnopqrstuvwxy\n  lead.txt\r\n\n");
  EXPECT_EQ(k.con.askname(""), "abcdefghijklmnopqrst");
  EXPECT_EQ(k.con.askname(""), "  lead.txt          ");
  EXPECT_EQ(k.con.askname(""), std::string(20, ' '));
  EXPECT_EQ(trimmed("  lead.txt          "), "  lead.txt");
}

TEST(Console, TextThatIsNotANumberStopsWithAMessage) {
  for (const char* typed : {"abc\n", "1.5+3\n", "\t5\n", "1E39\n", "E5\n"}) {
    Keyboard k(typed);
    EXPECT_FALSE(k.con.askopt("", Menu{1, 5, 3})) << typed;
    EXPECT_NE(k.err.str().find("bad real value"), std::string::npos) << typed;
  }
}

TEST(Console, EndOfInputStopsEveryKindOfQuestion) {
  Keyboard k("");
  EXPECT_FALSE(k.con.askval(""));
  EXPECT_FALSE(k.con.askopt("", Menu{1, 2, 1}));
  EXPECT_FALSE(k.con.askname(""));
  EXPECT_FALSE(k.con.pause());
  EXPECT_NE(k.err.str().find("input ended"), std::string::npos);
}

TEST(Console, ALastLineWithoutLineEndIsStillAnAnswer) {
  Keyboard k("7");
  EXPECT_EQ(k.con.askval(""), 7.0f);
  EXPECT_FALSE(k.con.askval(""));
}

TEST(LineReader, CarriageReturnsLongLinesAndNulBytes) {
  std::string huge(5'000'000, 'x');
  std::istringstream in("15\r\n" + huge + "\nnext\n" + std::string("a\0b", 3) + "\n\r\n");
  EXPECT_EQ(read_line(in).text, "15");
  Line l = read_line(in);
  EXPECT_EQ(l.status, Line::ok);
  EXPECT_EQ(l.text.size(), 80u);  // only the columns anyone reads are kept
  EXPECT_EQ(read_line(in).text, "next");
  EXPECT_EQ(read_line(in).text, std::string("a\0b", 3));
  EXPECT_EQ(read_line(in).text, "");  // a lone carriage return is a blank line
  EXPECT_EQ(read_line(in).status, Line::end);
}

TEST(LineReader, ADirectoryOpensButCannotBeRead) {
  std::ifstream dir(std::filesystem::temp_directory_path());
  if (!dir.is_open()) GTEST_SKIP() << "directories do not open as streams here";
  EXPECT_EQ(read_line(dir).status, Line::error);
}

}  // namespace
}  // namespace quill
