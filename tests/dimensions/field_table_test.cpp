// The field-solved strip table as text and as comma-separated values.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "dimensions/field_table.hpp"

namespace quill {
namespace {

/// Three sections, the centre too tight for superposed strips at S/B 0.2.
CouplerDesign three_sections() {
  CouplerDesign d;
  d.n = 3;
  d.z0 = 50.0f;
  d.er = 1.0f;
  d.sec(1).zoe = d.sec(3).zoe = 1.1f;
  d.sec(2).zoe = 2.0f;
  for (int i = 1; i <= 3; ++i) d.sec(i).zoo = 1.0f / d.sec(i).zoe;
  return d;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

/// Fields of one CSV line; quoted fields may hold commas and doubled quotes.
std::vector<std::string> fields_of(const std::string& line) {
  std::vector<std::string> out(1);
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char ch = line[i];
    if (quoted) {
      if (ch == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        out.back().push_back('"');
        ++i;
      } else if (ch == '"') {
        quoted = false;
      } else {
        out.back().push_back(ch);
      }
    } else if (ch == '"') {
      quoted = true;
    } else if (ch == ',') {
      out.emplace_back();
    } else {
      out.back().push_back(ch);
    }
  }
  return out;
}

struct Tables : ::testing::Test {
  static void SetUpTestSuite() {
    design = three_sections();
    superposed = {0.25f, 0.05f, 1};
    strips = refine_design(design, superposed);
  }
  static CouplerDesign design;
  static DimensionChoice superposed;
  static DesignStrips strips;
};
CouplerDesign Tables::design;
DimensionChoice Tables::superposed;
DesignStrips Tables::strips;

TEST_F(Tables, TextIsHeadedRuledAndNarrow) {
  const std::string text = field_table_text(design, superposed, strips);
  const std::vector<std::string> lines = lines_of(text);
  ASSERT_GT(lines.size(), 20u);
  for (const std::string& line : lines) {
    EXPECT_LE(line.size(), 100u) << line;
    EXPECT_EQ(line.find('*'), std::string::npos) << line;  // no overflowing field
  }
  EXPECT_EQ(lines[1], "      " + std::string(72, '-'));
  EXPECT_EQ(lines.back(), "      " + std::string(72, '-'));
  EXPECT_NE(text.find("Field-Solved Strip Dimensions"), std::string::npos);
  EXPECT_NE(text.find("B = 0.2500 Inches   S = 0.0500 Inches"), std::string::npos);
  EXPECT_NE(text.find("Tight Coupling"), std::string::npos);
  EXPECT_NE(text.find("For Zo =  50.0 Ohms, field-solved strip width = "), std::string::npos);
  // Deterministic: the same design prints the same table.
  EXPECT_EQ(text, field_table_text(design, superposed));
}

TEST_F(Tables, RowsShowTheRefinedStripsAndTheMissingOnes) {
  const std::vector<std::string> lines = lines_of(field_table_text(design, superposed, strips));
  // Section 1's first row is its strips: width, offset and overlap, inches.
  size_t at = 0;
  while (at < lines.size() && lines[at].rfind("         1   ", 0) != 0) ++at;
  ASSERT_LT(at, lines.size());
  std::istringstream in(lines[at]);
  int section = 0;
  double w = 0, w0 = 0, overlap = 0;
  in >> section >> w >> w0 >> overlap;
  EXPECT_EQ(section, 1);
  EXPECT_NEAR(w, strips.sections[0].width_in, 5e-5);
  EXPECT_NEAR(w0, strips.sections[0].offset_in, 5e-5);
  EXPECT_NEAR(overlap, w - w0, 1.5e-4);
  EXPECT_NE(lines[at].find('|'), std::string::npos);
  // The centre: superposed strips asked for, too loosely coupled at this S.
  ASSERT_FALSE(strips.sections[1].found);
  const std::string text = field_table_text(design, superposed, strips);
  EXPECT_NE(text.find("         2   no strips at this S; largest S = "), std::string::npos);
  EXPECT_NE(text.find("Section  2: superposed strips reach"), std::string::npos);
  EXPECT_NE(text.find("  s\n"), std::string::npos);
}

TEST_F(Tables, SectionsNoStripsCanHaveSayWhy) {
  CouplerDesign d = design;
  d.sec(2).zoe = 0.8f;  // Zoe below Zo: not a coupled section
  DimensionChoice c = superposed;
  c.icenter = 2;
  const std::string text = field_table_text(d, c);
  EXPECT_NE(text.find("         2   no geometry: Zoe must exceed Zo"), std::string::npos) << text;
  EXPECT_NE(text.find("no closed-form solution"), std::string::npos);
  for (const std::string& line : lines_of(text)) EXPECT_LE(line.size(), 100u);
}

TEST_F(Tables, CsvHasOneRowPerSectionAndRoundTrips) {
  const std::string csv = field_table_csv(strips);
  const std::vector<std::string> lines = lines_of(csv);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].rfind("section,zoe_ohm,zoo_ohm,width_in,offset_in,width_mm,offset_mm,", 0), 0u);
  const std::vector<std::string> head = fields_of(lines[0]);
  EXPECT_EQ(head.back(), "note");
  auto column = [&head](const std::string& name) {
    for (size_t i = 0; i < head.size(); ++i) {
      if (head[i] == name) return i;
    }
    ADD_FAILURE() << name;
    return size_t{0};
  };
  for (size_t row = 1; row < lines.size(); ++row) {
    const std::vector<std::string> f = fields_of(lines[row]);
    ASSERT_EQ(f.size(), head.size()) << lines[row];
    const SectionStrips& r = strips.sections[row - 1];
    EXPECT_EQ(f[column("section")], std::to_string(row));
    EXPECT_EQ(f[column("note")], r.note);
    if (r.found) {
      // Shortest round-trip text reads back as the very same double.
      EXPECT_EQ(std::strtod(f[column("width_in")].c_str(), nullptr), r.width_in);
      EXPECT_EQ(std::strtod(f[column("offset_in")].c_str(), nullptr), r.offset_in);
      EXPECT_EQ(std::strtod(f[column("zoe_ohm")].c_str(), nullptr), r.zoe);
      EXPECT_NEAR(std::strtod(f[column("width_mm")].c_str(), nullptr), 25.4 * r.width_in, 1e-12);
      EXPECT_TRUE(f[column("largest_s_in")].empty());
    } else {
      for (const char* name : {"width_in", "offset_in", "width_mm", "offset_mm"}) {
        EXPECT_TRUE(f[column(name)].empty()) << name;
      }
      EXPECT_EQ(f[column("outcome")], "none");
      EXPECT_EQ(std::strtod(f[column("largest_s_in")].c_str(), nullptr), r.largest_s_in);
      EXPECT_FALSE(f[column("note")].empty());
    }
  }
  // A note with a comma survives quoting.
  EXPECT_EQ(fields_of(lines[1])[column("note")], "offset strips, no overlap");
}

}  // namespace
}  // namespace quill
