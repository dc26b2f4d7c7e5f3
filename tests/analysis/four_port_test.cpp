// The full scattering matrix against an independent double-precision
// simulation of the same five-section design, and the physics any coupler's
// matrix obeys: reciprocity, the swap symmetry of its two lines, passivity,
// and (lossless) conservation of power.

#include <gtest/gtest.h>

#include <complex>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/sweep.hpp"
#include "test_designs.hpp"

namespace quill {
namespace {

using testing::entered;
using cplx = std::complex<double>;
using Matrix = std::array<std::array<cplx, 4>, 4>;

Matrix matrix(const FourPort& f) {
  Matrix m;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] = {f.s[i][j][0], f.s[i][j][1]};
  return m;
}

/// The five sections of the reference files, from port 1, at 2000 MHz.
CouplerDesign reference_design() {
  return entered(4, 50, 3.0f,
                 {{86.5f, 0, 2000}, {71.56f, 0, 2000}, {61.97f, 0, 2000}, {55.99f, 0, 2000},
                  {52.47f, 0, 2000}});
}

/// Frequency and matrix of every point of a Touchstone 1.1 four-port file in
/// RI format, rows of S[i, 1..4].
std::vector<std::pair<double, Matrix>> read_s4p(const std::string& path) {
  std::ifstream in(path);
  std::vector<double> numbers;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '!' || line[0] == '#') continue;
    std::istringstream words(line);
    for (double v; words >> v;) numbers.push_back(v);
  }
  std::vector<std::pair<double, Matrix>> points;
  for (size_t at = 0; at + 33 <= numbers.size(); at += 33) {
    Matrix m;
    for (int k = 0; k < 16; ++k)
      m[k / 4][k % 4] = {numbers[at + 1 + 2 * k], numbers[at + 2 + 2 * k]};
    points.push_back({numbers[at], m});
  }
  return points;
}

void expect_matches_reference(const std::string& file, float ratio, float loss) {
  CouplerDesign d = reference_design();
  apply_velocity(d, ratio);
  apply_loss(d, loss);
  const auto points = read_s4p(std::string(QUILLOMATE_SOURCE_DIR) + "/tests/analysis/reference/" + file);
  ASSERT_EQ(points.size(), 15u) << file;
  double worst = 0;
  for (const auto& [freq, want] : points) {
    const Matrix got = matrix(four_port(d, static_cast<float>(freq)));
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) worst = std::max(worst, std::abs(got[i][j] - want[i][j]));
  }
  // Single precision against double: every entry to about 1e-5.
  EXPECT_LT(worst, 1e-5) << file;
  std::printf("%s: largest difference %.2e\n", file.c_str(), worst);
}

TEST(FourPort, AgreesWithAnIndependentSimulationOfTheReferenceDesign) {
  expect_matches_reference("asym5-lossless.s4p", 1.0f, 0.0f);
  expect_matches_reference("asym5-ratio095-loss05.s4p", 0.95f, 0.5f);
}

TEST(FourPort, ColumnOneIsTheReportsResponse) {
  CouplerDesign d = reference_design();
  apply_velocity(d, 0.925f);
  apply_loss(d, 1.0f);
  for (float f : {500.0f, 1234.5f, 2000.0f, 3999.0f}) {
    const FourPort s = four_port(d, f);
    const PortResponse r = port_response(d, f);
    for (int k = 0; k < 4; ++k) {
      const float re = s.s[k][0][0], im = s.s[k][0][1];
      EXPECT_EQ(sqrtf(re * re + im * im), r.port[k]) << "port " << k + 1 << " at " << f;
    }
  }
}

TEST(FourPort, IsReciprocalSymmetricInItsLinesAndPassive) {
  CouplerDesign d = reference_design();
  apply_velocity(d, 0.9f);
  apply_loss(d, 2.0f);
  for (float f = 250; f <= 6000; f += 250) {
    const Matrix s = matrix(four_port(d, f));
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(s[i][j], s[j][i]) << i << j;
        // Swapping the two lines maps ports 1 <-> 2 and 3 <-> 4.
        const int si = i ^ 1, sj = j ^ 1;
        EXPECT_EQ(s[i][j], s[si][sj]) << i << j;
      }
    // Passive: no column carries away more power than came in.
    for (int j = 0; j < 4; ++j) {
      double power = 0;
      for (int i = 0; i < 4; ++i) power += std::norm(s[i][j]);
      EXPECT_LE(power, 1.0 + 1e-5) << "column " << j + 1 << " at " << f;
      EXPECT_LT(power, 0.999) << "a lossy coupler loses power, column " << j + 1;
    }
  }
}

TEST(FourPort, LosslessMatrixIsUnitaryAndTheFarEndDiffersForAnAsymmetricDesign) {
  CouplerDesign d = reference_design();
  double far_difference = 0;
  for (float f = 300; f <= 3700; f += 100) {
    const Matrix s = matrix(four_port(d, f));
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) {
        cplx dot = 0;
        for (int k = 0; k < 4; ++k) dot += std::conj(s[k][i]) * s[k][j];
        EXPECT_NEAR(std::abs(dot - cplx(i == j ? 1 : 0)), 0, 2e-6) << i << j << " at " << f;
      }
    far_difference = std::max(far_difference, std::abs(s[3][3] - s[0][0]) + std::abs(s[2][3] - s[1][0]));
  }
  // Not a copy of the near end: the reversed cascade has other phases.
  EXPECT_GT(far_difference, 1e-3);
}

TEST(FourPort, MirrorSymmetricDesignLooksTheSameFromBothEnds) {
  CouplerDesign d = testing::synthesised({1.1016f, 1.3f, 2.05f, 1.3f, 1.1016f}, 50, 2.2f, 4000, 8000);
  for (float f = 3000; f <= 9000; f += 500) {
    const Matrix s = matrix(four_port(d, f));
    EXPECT_NEAR(std::abs(s[3][3] - s[0][0]), 0, 1e-6);
    EXPECT_NEAR(std::abs(s[2][3] - s[1][0]), 0, 1e-6);
  }
}

}  // namespace
}  // namespace quill
