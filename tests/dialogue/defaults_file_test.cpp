// The defaults file: every entry checked as read, the first fault named.

#include <gtest/gtest.h>

#include "support/dialogue.hpp"

namespace quill {
namespace {

using testing_support::Dialogue;
using testing_support::kDefaults;
using testing_support::Outcome;

// The defaults file with line `n` (1-based) replaced, or cut before it.
std::string with_line(int n, const std::string& text) {
  std::string out;
  int line = 1;
  size_t start = 0;
  for (size_t end; (end = kDefaults.find('\n', start)) != std::string::npos; start = end + 1, ++line)
    out += (line == n ? text : kDefaults.substr(start, end - start)) + "\n";
  return out;
}
std::string cut_before(int n) {
  size_t pos = 0;
  for (int line = 1; line < n; ++line) pos = kDefaults.find('\n', pos) + 1;
  return kDefaults.substr(0, pos);
}

const std::string kErrorHead = "      Error exists in Quillomate`s Default Data File (Quillomate.DEF).\n";
std::string error_for(const std::string& entry20) {
  return kErrorHead + "      Fix entry for variable " + entry20 + " and try again.\n";
}
std::string end_for(const std::string& entry20) {
  return "      `End of file` in Quillomate`s Default Data File (Quillomate.DEF).\n"
         "      Entry missing for variable: " + entry20 + "\n"
         "      Fix entry for this variable in Quillomate.DEF and try again.\n";
}

Outcome run_with(const std::string& def) {
  Dialogue d;
  d.defaults(def);
  return d.run({""});  // the pause after a fault
}

TEST(DefaultsFile, FaultsNameTheirEntryAndEndAfterThePause) {
  struct Case { std::string file; std::string message; };
  const Case cases[] = {
      {"", end_for("1st line.           ")},
      {with_line(2, ""), error_for("# of Sections: N.   ")},
      {with_line(2, "51"), error_for("# of Sections: N.   ")},
      {with_line(2, "0.4"), error_for("# of Sections: N.   ")},
      {with_line(3, "50 Ohm"), error_for("System Impedance: Zo")},
      {with_line(4, "0.99"), error_for("Dielectric Constant.")},
      {with_line(7, "49.99"), error_for("Even-Mode Zoe.      ")},
      {with_line(10, "-6000"), error_for("Center Frequency.   ")},
      {cut_before(11), end_for("Start Frequency.    ")},
      {with_line(12, "abc"), error_for("Stop Frequency.     ")},
      {with_line(13, "0"), error_for("Step Frequency.     ")},
      {with_line(14, ""), error_for("Ground Spacing:B.   ")},
      {with_line(15, "0.26"), error_for("Strip Spacing:S.    ")},
      {with_line(16, "   "), error_for("Storage Filename.   ")},
      {cut_before(16), end_for("Storage Filename.   ")},
      {with_line(11, "1E39"), error_for("Start Frequency.    ")},
  };
  for (const auto& c : cases) {
    Outcome o = run_with(c.file);
    EXPECT_EQ(o.out, c.message) << c.file;  // no banner after a fault
    EXPECT_EQ(o.status, 0);
  }
}

TEST(DefaultsFile, AcceptedEdgeValues) {
  // 2.5 sections round to 3; Zoe equal to Zo, S equal to B, a label from
  // column 14, CR-LF line ends and extra lines after the last entry are all fine.
  std::string def = with_line(2, "2.5");
  def = def.substr(0, def.find("69.37")) + "50           equal to Zo\n" +
        def.substr(def.find('\n', def.find("69.37")) + 1);
  std::string crlf;
  for (char c : with_line(15, "0.25") + "extra line\n") crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  for (const auto& file : {def, crlf}) {
    Dialogue d;
    d.defaults(file);
    // Function 4 with a blank file name: the quickest orderly way out.
    Outcome o = d.run({"4", "", ""});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("Program FUNCTION selected = "), std::string::npos);
    EXPECT_EQ(o.err, "");
  }
}

TEST(DefaultsFile, MissingOrUnreadableFileStopsBeforeAnyOutput) {
  Dialogue missing;
  Outcome o = missing.run({""});
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.out, "");
  EXPECT_NE(o.err.find("Quillomate.DEF"), std::string::npos);

  Dialogue directory;
  std::filesystem::create_directory(directory.dir() / "Quillomate.DEF");
  o = directory.run({""});
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.out, "");
}

TEST(DefaultsFile, EndOfInputAtThePauseStops) {
  Dialogue d;
  d.defaults(with_line(2, "51"));
  Outcome o = d.run({});
  EXPECT_EQ(o.out, error_for("# of Sections: N.   "));
  EXPECT_EQ(o.status, 2);
}

}  // namespace
}  // namespace quill
