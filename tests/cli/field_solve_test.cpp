// `quillomate dimensions --field-solve`: the dialogue's report, then the
// field-solved strips; the CSV names every column a tool needs, leaves width
// and offset empty where no geometry exists, and says why.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/dialogue.hpp"
#include "support/session_files.hpp"

namespace quill {
namespace {

using testing_support::Dialogue;

std::string design_text() { return testing_support::five_section_design(); }

/// A one-section 3 dB design (Zoe 120.7 ohms in a 50 ohm system) in air.
const char* const kTight =
    "3 dB section\n1\n50\n1.0\n120.7\n3000\n1000\n5000\n500\n0.25\n0.02\n";

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> out;
  std::string field;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') quoted = !quoted;
    else if (c == ',' && !quoted) out.push_back(std::move(field)), field.clear();
    else field += c;
  }
  out.push_back(field);
  return out;
}

TEST(FieldSolve, ReportThenFieldTableThenCsv) {
  Dialogue dir;
  dir.file("design.dat", design_text());
  const auto plain = dir.command({"dimensions", "design.dat"});
  const auto solved = dir.command({"dimensions", "design.dat", "--field-solve", "--csv", "strips.csv"});
  ASSERT_EQ(solved.status, 0) << solved.err;
  // The dialogue's report comes first, unchanged; the field table follows.
  EXPECT_EQ(solved.out.compare(0, plain.out.size(), plain.out), 0);
  EXPECT_NE(solved.out.find("Field-Solved Strip Dimensions", plain.out.size()), std::string::npos);
  EXPECT_EQ(solved.out.find("*"), std::string::npos) << "no field overflows";

  std::istringstream csv(solved.files.at("strips.csv"));
  std::string line;
  std::getline(csv, line);
  const auto header = split(line);
  for (const char* column : {"section", "zoe_ohm", "zoo_ohm", "width_in", "offset_in", "width_mm", "offset_mm", "note"})
    EXPECT_NE(std::find(header.begin(), header.end(), column), header.end()) << column;
  const auto at = [&](const char* name) {
    return static_cast<size_t>(std::find(header.begin(), header.end(), name) - header.begin());
  };
  int rows = 0;
  while (std::getline(csv, line)) {
    const auto f = split(line);
    ASSERT_EQ(f.size(), header.size()) << line;
    ++rows;
    EXPECT_EQ(f[at("section")], std::to_string(rows));
    // Millimetres are the inches times 25.4.
    EXPECT_NEAR(std::stod(f[at("width_mm")]), 25.4 * std::stod(f[at("width_in")]), 1e-9);
    EXPECT_NEAR(std::stod(f[at("offset_mm")]), 25.4 * std::stod(f[at("offset_in")]), 1e-9);
  }
  EXPECT_EQ(rows, 5);
}

TEST(FieldSolve, NoGeometrySaysWhyAndTheLargestSpacing) {
  Dialogue dir;
  dir.file("tight.dat", kTight);
  // At S/B 0.3 no overlapping strips couple 3 dB.
  const auto o = dir.command({"dimensions", "tight.dat", "--s", "0.075", "--field-solve", "--csv", "t.csv"});
  ASSERT_EQ(o.status, 0) << o.err;
  std::istringstream csv(o.files.at("t.csv"));
  std::string head, row;
  std::getline(csv, head);
  std::getline(csv, row);
  const auto h = split(head), f = split(row);
  const auto at = [&](const char* name) {
    return static_cast<size_t>(std::find(h.begin(), h.end(), name) - h.begin());
  };
  EXPECT_EQ(f[at("width_in")], "");
  EXPECT_EQ(f[at("offset_in")], "");
  EXPECT_NE(f[at("note")], "");
  EXPECT_LT(std::stod(f[at("largest_s_in")]), 0.075);
  EXPECT_GT(std::stod(f[at("largest_s_in")]), 0.0);
  // At the spacing it names the strips exist.
  std::ostringstream s;
  s << std::stod(f[at("largest_s_in")]) * 0.98;
  const auto closer = dir.command({"dimensions", "tight.dat", "--s", s.str(), "--field-solve", "--csv", "u.csv"});
  ASSERT_EQ(closer.status, 0);
  std::istringstream csv2(closer.files.at("u.csv"));
  std::getline(csv2, head);
  std::getline(csv2, row);
  EXPECT_NE(split(row)[at("width_in")], "");
}

TEST(FieldSolve, BadInputIsOneLineAndNoFile) {
  Dialogue dir;
  dir.file("design.dat", design_text());
  // A section whose Zoe equals Zo: no coupled strips have it.
  std::string uncoupled = design_text();
  uncoupled.replace(uncoupled.find("52.47"), 5, "50   ");
  dir.file("flat.dat", uncoupled);
  struct Case {
    std::vector<std::string> args;
    std::string says;
  };
  for (const Case& c : {Case{{"dimensions", "flat.dat", "--field-solve", "--csv", "x.csv"}, "section 5 has Zoe 50 ohms"},
                        Case{{"dimensions", "design.dat", "--csv", "x.csv"}, "--csv needs --field-solve"},
                        Case{{"dimensions", "design.dat", "--field-solve", "--s", "0.3", "--csv", "x.csv"},
                             "must be below the ground-plane spacing"},
                        Case{{"dimensions", "design.dat", "--field-solve", "--b", "-1", "--csv", "x.csv"},
                             "--b must be above 0"},
                        Case{{"dimensions", "design.dat", "--field-solve", "--s", "0", "--csv", "x.csv"},
                             "--s must be above 0"},
                        Case{{"dimensions", "design.dat", "--field-solve", "--b", "2000", "--s", "0.1"},
                             "--field-solve takes S/B from 0.01 to 0.99; S/B here is 0.00005"},
                        Case{{"dimensions", "design.dat", "--field-solve", "--b", "0.25", "--s", "0.2499"},
                             "--field-solve takes S/B from 0.01 to 0.99"}}) {
    const auto o = dir.command(c.args);
    EXPECT_EQ(o.status, 2) << c.says;
    EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
    EXPECT_EQ(o.files.count("x.csv"), 0u) << c.says;
  }
}

}  // namespace
}  // namespace quill
