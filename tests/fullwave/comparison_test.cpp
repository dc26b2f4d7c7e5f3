// The comparison's CSV and summary where a wave is exactly zero (a perfect
// circuit model's isolation or match): every cell a number a CSV reader
// takes, or empty; no "inf" or "nan" anywhere.

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "fullwave/fullwave_report.hpp"

namespace quill {
namespace {

std::vector<std::string> cells(const std::string& line) {
  std::vector<std::string> out;
  std::string cell;
  std::istringstream in(line);
  while (std::getline(in, cell, ',')) out.push_back(cell);
  if (!line.empty() && line.back() == ',') out.push_back("");
  return out;
}

TEST(Comparison, ALevelOfExactlyZeroIsAnEmptyCellAndNoInfinity) {
  Comparison c;
  c.f_mhz = {3000, 4000, 5000};
  c.band_lo_mhz = 3000;
  c.band_hi_mhz = 5000;
  for (size_t k = 0; k < c.f_mhz.size(); ++k) {
    SMatrix full{}, circuit{};
    full[0][0] = {0.05, 0.01};
    full[1][0] = {0.0, -0.31};
    full[2][0] = {0.01, 0.002};
    full[3][0] = {0.94, 0.0};
    circuit = full;
    circuit[2][0] = 0.0;  // perfect isolation
    if (k == 1) circuit[0][0] = 0.0;  // and a perfect match at one frequency
    c.fullwave.push_back(full);
    c.circuit.push_back(circuit);
  }
  const std::string csv = comparison_csv(c);
  std::istringstream lines(csv);
  std::string line;
  std::getline(lines, line);
  const std::vector<std::string> header = cells(line);
  int rows = 0, empty = 0;
  while (std::getline(lines, line)) {
    ++rows;
    const std::vector<std::string> row = cells(line);
    ASSERT_EQ(row.size(), header.size()) << line;
    for (size_t j = 0; j < row.size(); ++j) {
      if (row[j].empty()) {
        ++empty;
        EXPECT_TRUE(header[j] == "isolated_db_circuit" || header[j] == "return_db_circuit") << header[j];
        continue;
      }
      double v = 0;
      const auto r = std::from_chars(row[j].data(), row[j].data() + row[j].size(), v);
      EXPECT_TRUE(r.ec == std::errc() && r.ptr == row[j].data() + row[j].size() && std::isfinite(v))
          << header[j] << ": " << row[j];
    }
  }
  EXPECT_EQ(rows, 3);
  EXPECT_EQ(empty, 4) << "three isolations and one match";
  const std::string summary = summary_text(band_summary(c, 4000), c);
  EXPECT_EQ(summary.find("inf"), std::string::npos) << summary;
  EXPECT_EQ(summary.find("nan"), std::string::npos) << summary;
  EXPECT_NE(summary.find("directivity at least 29.66 dB (circuit unbounded)"), std::string::npos) << summary;
  EXPECT_NE(summary.find("return loss at least 25.85 dB (circuit 25.85 dB)"), std::string::npos) << summary;
}

}  // namespace
}  // namespace quill
