#include "analysis/sweep.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "common/fixed.hpp"
#include "test_designs.hpp"

namespace quill {
namespace {

using testing::set_mode_options;
using testing::sweep;
using testing::synthesised;

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

std::string sweep_text(const CouplerDesign& d, const AnalysisSettings& s) {
  std::ostringstream console;
  ReportOut out(console, nullptr);
  run_sweep(out, d, s);
  return console.str();
}

std::string fixed(float v, int w, int dec) {
  std::string s;
  put_real(s, v, w, dec);
  return s;
}

/// The 8.34 dB three-section coupler every default run designs.
CouplerDesign default_coupler() {
  CouplerDesign d = synthesised({1.0967f, 1.77299f, 1.0967f}, 50, 2.2f, 4000, 8000);
  set_mode_options(d, 1, 1);
  return d;
}

TEST(SweepPoints, RangeAndStep) {
  EXPECT_EQ(sweep_points(100, 200, 0.1f), 1001);  // quotient rounds to exactly 1000
  EXPECT_EQ(sweep_points(2000, 10000, 500), 17);
  EXPECT_EQ(sweep_points(300, 300, 50), 1);       // start = stop
  EXPECT_EQ(sweep_points(300, 400, 500), 1);      // step wider than the range
  EXPECT_EQ(sweep_points(200, 150, 100), 1);      // reversed, quotient -0.5
  EXPECT_EQ(sweep_points(200, 100, 100), 0);      // reversed, quotient -1
  EXPECT_EQ(sweep_points(200, 10, 100), 0);
}

TEST(SweepPoints, CountsBeyondThirtyTwoBitsGiveNoPoints) {
  // The largest float below 2^31 still counts, one more point than the quotient.
  EXPECT_EQ(sweep_points(0, 2147483520.0f, 1), 2147483521);
  EXPECT_EQ(sweep_points(0, 2147483648.0f, 1), 0);
  EXPECT_EQ(sweep_points(1, 1e10f, 1), 0);
  EXPECT_EQ(sweep_points(1e10f, 1, 1), 0);
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(sweep_points(1, inf, 1), 0);
  EXPECT_EQ(sweep_points(1, 2, 0), 0);       // division by zero: infinite
  EXPECT_EQ(sweep_points(1, 1, 0), 0);       // 0/0: not a number
  EXPECT_EQ(sweep_points(1, 2, 1e-38f), 0);  // overflows the quotient
}

TEST(Sweep, FrequenciesAccumulateInSinglePrecision) {
  const CouplerDesign d = default_coupler();
  const auto lines = lines_of(sweep_text(d, sweep(100, 200, 0.1f, 2)));
  ASSERT_EQ(lines.size(), 1001u);
  EXPECT_EQ(lines.front().substr(0, 17), "          100.000");
  EXPECT_EQ(lines.back().substr(0, 17), "          200.004");
}

TEST(Sweep, StepBelowResolutionStillEnds) {
  // 0.001 MHz cannot move 100000 MHz in single precision: the frequency
  // stands still, and the sweep still stops after its counted points
  // (1 / 0.001 rounds just below 1000 in single precision).
  const CouplerDesign d = default_coupler();
  EXPECT_EQ(sweep_points(100000, 100001, 0.001f), 1000);
  const auto lines = lines_of(sweep_text(d, sweep(100000, 100001, 0.001f, 2)));
  ASSERT_EQ(lines.size(), 1000u);
  EXPECT_EQ(lines.front(), lines.back());
  EXPECT_EQ(lines.back().substr(0, 17), "       100000.000");
}

TEST(Sweep, DegenerateRanges) {
  const CouplerDesign d = default_coupler();
  EXPECT_EQ(lines_of(sweep_text(d, sweep(5000, 5000, 100, 2))).size(), 1u);
  EXPECT_EQ(lines_of(sweep_text(d, sweep(200, 150, 100, 1))).size(), 1u);
  EXPECT_EQ(sweep_text(d, sweep(200, 100, 100, 2)), "");
  EXPECT_EQ(sweep_text(d, sweep(1, 1e10f, 1, 2)), "");
  const auto one = lines_of(sweep_text(d, sweep(5000, 5600, 1000, 2)));
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].substr(0, 17), "         5000.000");
}

TEST(PortResponse, SingleMatchedSection) {
  CouplerDesign d = synthesised({1.5f}, 50, 2.2f, 4000, 8000);
  set_mode_options(d, 1, 1);

  const PortResponse at_f0 = port_response(d, d.f0);
  EXPECT_EQ(fixed(at_f0.vswr, 7, 3), "  1.000");
  EXPECT_EQ(fixed(at_f0.cpld, 7, 3), " -8.299");
  EXPECT_EQ(fixed(at_f0.iso, 8, 2), "  -90.00");
  EXPECT_EQ(fixed(at_f0.loss, 7, 3), " -0.695");
  EXPECT_EQ(fixed(at_f0.phi, 9, 2), "    90.00");
  EXPECT_NEAR(at_f0.error, 0.0f, 5e-4f);

  const PortResponse half = port_response(d, d.f0 / 2);
  EXPECT_EQ(fixed(half.cpld, 7, 3), "-10.976");
  EXPECT_EQ(fixed(half.iso, 8, 2), "  -90.00");
  EXPECT_EQ(fixed(half.phi, 9, 2), "    90.00");
}

TEST(PortResponse, UnequalVelocitiesSpoilTheMatch) {
  CouplerDesign d = synthesised({1.5f}, 50, 2.2f, 4000, 8000);
  set_mode_options(d, 5, 1);
  const PortResponse r = port_response(d, d.f0);
  EXPECT_EQ(fixed(r.vswr, 7, 3), "  1.057");
  EXPECT_NEAR(r.iso, -23.5f, 0.05f);
  EXPECT_NEAR(r.cpld, -8.37f, 0.005f);
}

TEST(PortResponse, CascadeOrderShowsInThePhases) {
  CouplerDesign ab = synthesised({1.2f, 2.0f}, 50, 2.2f, 4000, 8000);
  CouplerDesign ba = synthesised({2.0f, 1.2f}, 50, 2.2f, 4000, 8000);
  set_mode_options(ab, 1, 1);
  set_mode_options(ba, 1, 1);
  const float f = 0.8f * ab.f0;
  const PortResponse r1 = port_response(ab, f);
  const PortResponse r2 = port_response(ba, f);
  EXPECT_EQ(fixed(r1.cpld, 7, 3), " -6.281");
  EXPECT_EQ(fixed(r1.loss, 7, 3), " -1.166");
  EXPECT_EQ(fixed(r1.phi, 9, 2), "    29.62");
  EXPECT_EQ(fixed(r1.error, 9, 2), "   -60.38");
  EXPECT_EQ(fixed(r2.cpld, 7, 3), " -6.281");
  EXPECT_EQ(fixed(r2.loss, 7, 3), " -1.166");
  EXPECT_EQ(fixed(r2.phi, 9, 2), "   150.38");
  EXPECT_EQ(fixed(r2.error, 9, 2), "    60.38");
}

TEST(Quadrature, FoldsIntoHalfATurn) {
  float phi = 0;
  float error = 0;
  quadrature(135, -135, phi, error);  // 270 degrees apart
  EXPECT_EQ(phi, 90.0f);
  EXPECT_EQ(error, 0.0f);
  quadrature(90, -90, phi, error);    // opposite phases
  EXPECT_EQ(phi, 0.0f);
  EXPECT_EQ(error, -90.0f);
  quadrature(-30, 60, phi, error);
  EXPECT_EQ(phi, 90.0f);
  quadrature(179, -179.5f, phi, error);
  EXPECT_NEAR(phi, 178.5f, 1e-4f);
}

TEST(PortResponse, MatchedSymmetricCouplerKeepsIsolationAndQuadrature) {
  const CouplerDesign d = default_coupler();
  for (float f = 500; f < 20000; f += 377) {
    const PortResponse r = port_response(d, f);
    EXPECT_EQ(r.iso, -90.0f) << f;
    EXPECT_EQ(fixed(r.vswr, 7, 3), "  1.000") << f;
    EXPECT_NEAR(r.phi, 90.0f, 0.005f) << f;
  }
}

TEST(PortResponse, LosslessCouplerConservesPower) {
  // Even with unequal mode velocities, nothing is dissipated.
  CouplerDesign d = synthesised({1.3f, 2.4f, 1.3f}, 50, 2.2f, 4000, 8000);
  set_mode_options(d, 4, 1);
  for (float f = 1000; f < 12000; f += 733) {
    const PortResponse r = port_response(d, f);
    float power = 0;
    for (float p : r.port) power += p * p;
    EXPECT_NEAR(power, 1.0f, 2e-5f) << f;
  }
}

TEST(PortResponse, LossyCouplerDissipates) {
  CouplerDesign lossless = default_coupler();
  CouplerDesign lossy = synthesised({1.0967f, 1.77299f, 1.0967f}, 50, 2.2f, 4000, 8000);
  set_mode_options(lossy, 1, 6);
  for (float f : {2000.0f, 6000.0f, 9000.0f}) {
    const PortResponse a = port_response(lossless, f);
    const PortResponse b = port_response(lossy, f);
    EXPECT_LT(b.loss, a.loss) << f;
    float power = 0;
    for (float p : b.port) power += p * p;
    EXPECT_LT(power, 0.99f) << f;
  }
}

TEST(PortResponse, MirrorSymmetryAboutCentre) {
  const CouplerDesign d = default_coupler();
  for (float x : {500.0f, 1500.0f, 2750.0f, 4000.0f}) {
    const PortResponse lo = port_response(d, d.f0 - x);
    const PortResponse hi = port_response(d, d.f0 + x);
    EXPECT_NEAR(lo.cpld, hi.cpld, 2e-4f) << x;
    EXPECT_NEAR(lo.loss, hi.loss, 2e-4f) << x;
  }
}

TEST(PortResponse, PerfectIsolationReadsAsFloorNotInfinity) {
  // At f0 a lossless quarter-wave coupler's isolated wave is exactly zero or
  // tiny: either way it prints at the -90 dB floor, never as asterisks.
  const CouplerDesign d = default_coupler();
  const PortResponse r = port_response(d, d.f0);
  EXPECT_TRUE(std::isfinite(r.rl));
  EXPECT_EQ(r.iso, -90.0f);
  EXPECT_GE(r.port[2], 1e-10f);
}

TEST(DataLine, ColumnsOfBothFormats) {
  PortResponse r;
  r.vswr = 1.25f;
  r.rl = -19.0849f;
  r.cpld = -8.3401f;
  r.iso = -33.456f;
  r.loss = -0.7051f;
  r.phi = 89.5f;
  r.error = -0.5f;
  r.angle = {12.5f, -170.95f, 180.0f, -0.004f};
  std::string two;
  append_data_line(two, 2, 6000, r);
  EXPECT_EQ(two, "         6000.000   1.250   -8.340  -33.46   -0.705    89.50   -0.500\n");
  std::string one;
  append_data_line(one, 1, 6000, r);
  EXPECT_EQ(one, "        6000.000  -19.1   12.50  -8.340 -170.95   -33.46 180.00 -0.705   -0.00\n");
  // Lines are appended, never replaced.
  const size_t first = one.size();
  append_data_line(one, 1, 1e7f, r);
  EXPECT_EQ(one.substr(first, 23), "      **********  -19.1");
}

TEST(DataLine, TooWideValuesPrintAsterisks) {
  PortResponse r;
  r.vswr = 12345.0f;
  r.cpld = -90;
  r.iso = -90;
  std::string line;
  append_data_line(line, 2, 1e7f, r);
  EXPECT_EQ(line.substr(0, 25), "       ********** *******");
}

}  // namespace
}  // namespace quill
