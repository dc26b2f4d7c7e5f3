// From probe files to the scattering matrix: a known pulse's spectrum, the
// waves of known ports read back as the matrix that made them, and the
// layout's symmetries filling in the columns no run drove.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "fullwave/fullwave_report.hpp"
#include "fullwave/port_symmetry.hpp"
#include "fullwave/port_waves.hpp"
#include "support/quarter_wave_design.hpp"

namespace quill {
namespace {

constexpr double mm = 1e-3;

TEST(PortWaves, ProbeFilesReadAndTheirSpectraAreTheSignalsTransforms) {
  // A Gaussian pulse, as openEMS writes it: its transform is known exactly.
  const double sigma = 50e-12, t0 = 400e-12, dt = 0.5e-12;
  std::string text = "% time-domain voltage probe\n% t/s\tvoltage\n";
  for (int k = 0; k < 2000; ++k) {
    const double t = k * dt;
    char line[64];
    std::snprintf(line, sizeof line, "%.17g\t%.17g\n", t, std::exp(-0.5 * std::pow((t - t0) / sigma, 2)));
    text += line;
  }
  const auto probe = read_probe(text);
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->t.size(), 2000u);
  const std::vector<double> f = {1e9, 3e9, 5e9};
  const std::vector<Cx> got = spectrum(*probe, f);
  for (size_t k = 0; k < f.size(); ++k) {
    const double w = 2 * std::numbers::pi * f[k];
    const Cx want = sigma * std::sqrt(2 * std::numbers::pi) * std::exp(-0.5 * std::pow(w * sigma, 2)) *
                    std::polar(1.0, -w * t0);
    EXPECT_LT(std::abs(got[k] - want), 1e-4 * std::abs(want) + 1e-16) << f[k];
  }
  for (const char* bad : {"", "% only a comment\n", "0 1\n", "0 1\n1e-12 x\n", "0 1\n1e-12\n"})
    EXPECT_FALSE(read_probe(bad)) << '"' << bad << '"';
}

CouplerDesign design(const std::vector<float>& zoe) {
  return testing_support::quarter_wave_design(zoe, 2.2f, 4000.0f);
}

Stackup board(double below_mm, double above_mm) {
  Stackup s;
  s.name = "board.toml";
  s.layers = {{below_mm * mm, 2.2, 0.001, false}, {0.2 * mm, 2.2, 0.001, true}, {above_mm * mm, 2.2, 0.001, false}};
  s.strips_layer = 1;
  s.copper_m = 0.018 * mm;
  return s;
}

TEST(PortWaves, DrivenColumnsAndTheLayoutsImagesGiveBackTheWholeMatrix) {
  struct Case {
    std::vector<float> zoe;
    double below_mm, above_mm;
    bool along, across;
    size_t runs;
  };
  const std::vector<Case> cases = {
      {{1.2f, 1.6f, 1.2f}, 0.7, 0.7, true, true, 1},    // mirror both ways: one run
      {{1.6f, 1.25f, 1.1f}, 0.7, 0.7, false, true, 2},  // asymmetrical design
      {{1.2f, 1.6f, 1.2f}, 0.5, 0.9, true, false, 2},   // planes not alike
      {{1.6f, 1.25f, 1.1f}, 0.5, 0.9, false, false, 4},
  };
  const std::vector<double> f_mhz = {2000, 3500, 4000, 6000};
  for (const Case& c : cases) {
    const CouplerDesign d = design(c.zoe);
    const Stackup stack = board(c.below_mm, c.above_mm);
    std::string error;
    const auto layout = lay_out_coupler(d, refine_stack_design(d, stack, 2), stack, {}, error);
    ASSERT_TRUE(layout) << error;
    const LayoutSymmetry sym = layout_symmetry(*layout, stack);
    EXPECT_EQ(sym.along, c.along);
    EXPECT_EQ(sym.across, c.across);
    const std::vector<int> driven = driven_ports(sym, false);
    EXPECT_EQ(driven.size(), c.runs);
    EXPECT_EQ(driven_ports(sym, true).size(), 4u);

    // A matrix with the layout's symmetries (the circuit model's), its port
    // waves as probes would see them with one port driven by a pulse and the
    // rest matched, read back.
    const std::vector<SMatrix> truth = circuit_matrices(d, f_mhz);
    std::vector<SMatrix> s(f_mhz.size());
    const double zo = 50.0;
    for (int e : driven) {
      std::array<PortSpectra, 4> ports;
      for (size_t f = 0; f < f_mhz.size(); ++f) {
        const Cx a = std::polar(0.3 + 0.1 * static_cast<double>(f), 0.7 * static_cast<double>(f));
        for (size_t j = 0; j < 4; ++j) {
          const Cx in = static_cast<int>(j) == e - 1 ? a : 0.0, out = truth[f][j][static_cast<size_t>(e - 1)] * a;
          ports[j].u.push_back(in + out);
          ports[j].i.push_back((in - out) / zo);
        }
      }
      fill_column(ports, e - 1, zo, s);
    }
    complete_by_symmetry(sym, driven, s);
    double worst = 0;
    for (size_t f = 0; f < f_mhz.size(); ++f)
      for (size_t i = 0; i < 4; ++i)
        for (size_t j = 0; j < 4; ++j) worst = std::max(worst, std::abs(s[f][i][j] - truth[f][i][j]));
    // The circuit model works in single precision: its images agree to that.
    EXPECT_LT(worst, 1e-6) << c.runs << " runs";
  }
}

}  // namespace
}  // namespace quill
