// Files and answers an engineer may throw at the program by accident: each
// gets its message or its default, never a crash, and nothing stored is lost.

#include <gtest/gtest.h>

#include <random>

#include "support/dialogue.hpp"

namespace quill {
namespace {

using testing_support::count;
using testing_support::Dialogue;
using testing_support::kDefaults;
using testing_support::Outcome;
using testing_support::Lines;
using testing_support::operator+;

std::string binary_bytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen() & 0xff);
  return s;
}

TEST(BadInput, BinaryAndHugeDefaultsFiles) {
  const std::string huge_title(20'000'000, 'x');
  for (const std::string& file : {binary_bytes(4096, 1), binary_bytes(100, 2), huge_title + "\n",
                                  "title\n" + std::string("3\0", 2) + "\n"}) {
    Dialogue d;
    d.defaults(file);
    Outcome o = d.run({""});
    EXPECT_EQ(o.status, 0);
    EXPECT_TRUE(o.out.find("Default Data File (Quillomate.DEF).\n") != std::string::npos) << o.out;
  }
}

TEST(BadInput, BinaryAndHugeDesignFiles) {
  for (const std::string& file : {binary_bytes(4096, 3), std::string(5'000'000, '7') + "\n"}) {
    Dialogue d;
    d.defaults().file("design.dat", file);
    Outcome o = d.run({"4", "design.dat", ""});
    EXPECT_EQ(o.status, 0);
    EXPECT_NE(o.out.find("in User`s Input Data filename: design.dat"), std::string::npos);
  }
}

TEST(BadInput, TypedAnswersOfEveryShape) {
  struct Case { std::string typed; int status; };
  const Case cases[] = {
      {"4\r\n\r\n\r\n", 0},               // CR-LF: function 4, a blank name, the pause
      {std::string("4\0", 2) + "\n", 2},    // a NUL byte is not part of a number
      {"\t4\n", 2},                         // nor is a tab
      {"4 \t\n", 2},
      {"1E39\n", 2},                         // beyond single precision
  };
  for (const auto& c : cases) {
    Dialogue d;
    d.defaults();
    EXPECT_EQ(d.run_raw(c.typed).status, c.status) << c.typed;
  }
  // A very long answer is read from its first 13 columns: thirteen fours are
  // no menu entry, so function 1 follows, whose questions then meet the end.
  Dialogue d;
  d.defaults();
  Outcome o = d.run_raw(std::string(10'000'000, '4') + "\n");
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.out.find("Lowest  Operating Frequency"), std::string::npos);
}

TEST(BadInput, ReportsStoredBeforeAFileFaultAreKept) {
  // Storage on for a typed design, then a new cycle reads a broken design file.
  Dialogue d;
  d.defaults().file("broken.dat", "title\n3\n50\nabc\n");
  Outcome o = d.run(testing_support::typed_default_design() + testing_support::storing("kept.txt") +
                    Lines{"2", "4", "broken.dat", ""});
  EXPECT_EQ(o.status, 0);
  EXPECT_NE(o.out.find("Fix entry for variable Dielectric Constant  and try again."), std::string::npos);
  ASSERT_TRUE(o.files.count("kept.txt"));
  EXPECT_EQ(count(o.files["kept.txt"], "Output Data stored in User filename: kept.txt"), 1u);
  EXPECT_NE(o.out.find(o.files["kept.txt"]), std::string::npos);
}

}  // namespace
}  // namespace quill
