// The exports carry every bit of the single-precision results: read back,
// each number is the very float the analysis computed.

#include <gtest/gtest.h>

#include <charconv>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/section_model.hpp"
#include "analysis/sweep.hpp"
#include "common/constants.hpp"
#include "exports/response_csv.hpp"
#include "exports/touchstone.hpp"
#include "analysis/test_designs.hpp"

namespace quill {
namespace {

/// An asymmetrical four-section design with loss and unequal mode velocities,
/// so no entry of the matrix is trivial.
CouplerDesign lossy_design() {
  CouplerDesign d = testing::synthesised({1.6f, 1.3f, 1.15f, 1.05f}, 50, 2.2f, 2000, 10000);
  d.ifunc = 2;
  d.coupler = 10;
  d.ripple = 0.3f;
  apply_velocity(d, 0.925f);
  apply_loss(d, 0.25f);
  return d;
}

std::vector<float> numbers(const std::string& text, char separator) {
  std::vector<float> out;
  std::string word;
  std::istringstream in(text);
  while (std::getline(in, word, separator)) {
    std::istringstream words(word);
    for (std::string w; words >> w;) {
      float v = 0;
      const auto res = std::from_chars(w.data(), w.data() + w.size(), v);
      EXPECT_EQ(res.ptr, w.data() + w.size()) << w;
      out.push_back(v);
    }
  }
  return out;
}

TEST(ExportText, TouchstonePointsReadBackToTheComputedFloats) {
  const CouplerDesign d = lossy_design();
  for (float f : {1000.0f, 5999.5f, 6000.0f, 12345.678f}) {
    const FourPort s = four_port(d, f);
    std::string text;
    append_touchstone_point(text, f, s);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4) << "one line per matrix row";
    const std::vector<float> v = numbers(text, '\n');
    ASSERT_EQ(v.size(), 33u);
    EXPECT_EQ(v[0], f);
    for (int k = 0; k < 16; ++k) {
      EXPECT_EQ(v[1 + 2 * k], s.s[k / 4][k % 4][0]);
      EXPECT_EQ(v[2 + 2 * k], s.s[k / 4][k % 4][1]);
    }
  }
}

TEST(ExportText, TouchstoneHeaderNamesDesignSettingsAndReference) {
  const std::string h = touchstone_header(lossy_design(), "test design");
  EXPECT_NE(h.find("! Quillomate four-port scattering parameters: test design\n"), std::string::npos);
  EXPECT_NE(h.find("asymmetrical 10 dB +/- 0.3 dB from 2000 to 10000 MHz"), std::string::npos);
  EXPECT_NE(h.find("80.000 / 31.250"), std::string::npos) << h;
  EXPECT_NE(h.find("phase velocity 0.925"), std::string::npos);
  EXPECT_NE(h.find("loss 0.25 dB per inch at 6000 MHz"), std::string::npos);
  // Every line before the option line is a comment; the option line ends it.
  std::istringstream lines(h);
  std::string line, last;
  while (std::getline(lines, line)) {
    if (!last.empty()) EXPECT_EQ(last[0], '!') << last;
    last = line;
  }
  EXPECT_EQ(last, "# MHZ S RI R 50");
}

TEST(ExportText, CsvRowsReadBackToTheReportsQuantities) {
  const CouplerDesign d = lossy_design();
  const std::string header = response_csv_header();
  const size_t columns = static_cast<size_t>(std::count(header.begin(), header.end(), ',')) + 1;
  EXPECT_EQ(header.rfind("frequency_mhz,", 0), 0u);
  for (float f : {1500.0f, 6000.0f, 9999.9f}) {
    const PortResponse r = port_response(d, f);
    std::string row;
    append_response_csv_row(row, f, r);
    const std::vector<float> v = numbers(row, ',');
    ASSERT_EQ(v.size(), columns);
    const std::vector<float> want = {f,         r.rl,      r.angle[0], r.cpld, r.angle[1], r.iso,
                                     r.angle[2], r.loss,   r.angle[3], r.vswr, r.phi,      r.error};
    EXPECT_EQ(v, want);
  }
}

}  // namespace
}  // namespace quill
