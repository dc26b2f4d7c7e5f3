// The design cycle, the OPERATION menus and the ways the program ends.

#include <gtest/gtest.h>

#include "support/dialogue.hpp"

namespace quill {
namespace {

using testing_support::count;
using testing_support::Dialogue;
using testing_support::Outcome;
using testing_support::Lines;
using testing_support::operator+;

// The defaults file's design typed in, every setting blank.
Lines typed_default_design() {
  return testing_support::typed_default_design() + testing_support::kBlankSettings;
}

TEST(Driver, OperationMenuAnswersThatEndTheProgram) {
  for (const std::string answer : {"", "4", "5", "-1", "99999999999"}) {
    Dialogue d;
    d.defaults();
    Lines l = typed_default_design();
    l.push_back(answer);
    Outcome o = d.run(l);
    EXPECT_EQ(o.status, 0) << answer;
    EXPECT_TRUE(o.out.size() > 21 && o.out.compare(o.out.size() - 21, 21, "OPERATION selected = ") == 0);
    EXPECT_EQ(o.files.size(), 1u) << "storage off leaves no file behind";
  }
}

TEST(Driver, ANewCycleTakesANewTimeStampWithoutReadingTheDefaultsAgain) {
  Dialogue d;
  d.defaults();
  Lines l = typed_default_design();
  l.push_back("2");
  Lines again = typed_default_design();
  l.insert(l.end(), again.begin(), again.end());
  l.push_back("");
  Outcome o = d.run(l);
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(count(o.out, "Program: Quillomate (v. 1.3)    Date: 7/ 5/2026\n"), 2u);
  EXPECT_EQ(count(o.out, "Date: 7/ 5/2026 at  9: 5: 3Hours"), 1u);
  EXPECT_EQ(count(o.out, "Date: 7/ 5/2026 at  9: 5: 4Hours"), 1u);
}

TEST(Driver, ReRunKeepsTheCyclesTimeStamp) {
  Dialogue d;
  d.defaults();
  Lines l = typed_default_design();
  l.insert(l.end(), {"0.5", "", "", "", "", "", "4"});
  Outcome o = d.run(l);
  EXPECT_EQ(count(o.out, "Date: 7/ 5/2026 at  9: 5: 3Hours"), 2u);
}

TEST(Driver, AnswerThatIsNotANumberStopsAtOnce) {
  Dialogue d;
  d.defaults();
  Outcome o = d.run({"abc", "1"});
  EXPECT_EQ(o.status, 2);
  EXPECT_TRUE(o.out.size() > 28 && o.out.compare(o.out.size() - 28, 28, "Program FUNCTION selected = ") == 0);
  EXPECT_NE(o.err.find("abc"), std::string::npos);
}

TEST(Driver, EndOfInputAtAnyQuestionStops) {
  const Lines full = typed_default_design();
  for (size_t cut = 0; cut <= full.size(); ++cut) {
    Dialogue d;
    d.defaults();
    Outcome o = d.run(Lines(full.begin(), full.begin() + static_cast<long>(cut)));
    EXPECT_EQ(o.status, 2) << "input ended after " << cut << " lines";
  }
}

}  // namespace
}  // namespace quill
