// From probe files to the scattering matrix: a known pulse's spectrum, the
// waves on known feeds read back as the line and the matrix that made them,
// and the layout's symmetries filling in the columns no run drove.

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

TEST(PortWaves, ThreeVoltagesAndTwoCurrentsGiveTheLineAndItsWaves) {
  // Waves of every mix, from a pure outgoing one to a full standing wave's
  // neighbourhood, on lines lossless and lossy, short and long per step.
  struct Case {
    Cx gamma_step, impedance, out, in;
  };
  const std::vector<Case> cases = {
      {Cx(0, 0.1), 50.0, 1.0, 0.0},
      {Cx(0, 0.1), 50.0, 0.0, 1.0},
      {Cx(0.01, 0.3), Cx(48.0, 1.5), Cx(0.3, 0.4), Cx(-1.0, 0.2)},
      {Cx(0.0005, 0.05), Cx(75.0, -0.2), Cx(1.0, 0.0), Cx(0.0, 0.9)},
      {Cx(0.02, 1.2), Cx(30.0, 0.0), Cx(0.01, 0.0), Cx(0.0, 1.0)},
      {Cx(0.05, 0.0), Cx(50.0, 0.0), Cx(0.3, 0.0), Cx(1.0, 0.0)},  // all loss, no phase
      {Cx(-0.0002, 0.15), Cx(50.0, 0.3), Cx(0.1, 0.2), Cx(1.0, 0.0)},  // the mesh's slight gain
  };
  for (const Case& c : cases) {
    std::array<Cx, 3> v;
    std::array<Cx, 2> i;
    for (int p = 0; p < 3; ++p)
      v[static_cast<size_t>(p)] = c.out * std::exp(-c.gamma_step * (p - 1.0)) + c.in * std::exp(c.gamma_step * (p - 1.0));
    for (int p = 0; p < 2; ++p)
      i[static_cast<size_t>(p)] =
          (c.out * std::exp(-c.gamma_step * (p - 0.5)) - c.in * std::exp(c.gamma_step * (p - 0.5))) / c.impedance;
    const FeedLine line = feed_line(v, i);
    EXPECT_LT(std::abs(line.gamma_step - c.gamma_step), 1e-9 * std::abs(c.gamma_step)) << c.gamma_step;
    EXPECT_LT(std::abs(line.impedance - c.impedance), 1e-9 * std::abs(c.impedance)) << c.gamma_step;
    const FeedWaves w = feed_waves(v, line.gamma_step);
    EXPECT_LT(std::abs(w.out - c.out) + std::abs(w.in - c.in), 1e-9) << c.gamma_step;
  }
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
    // waves as the feeds' probes would see them with one port driven and the
    // rest terminated, read back.
    const std::vector<SMatrix> truth = circuit_matrices(d, f_mhz);
    // Each layer's feed a lossy line of its own impedance (the same on a
    // mirror-stacked board), the probes' middle plane steps beyond each
    // port plane, and terminations that send back a little of what reaches
    // them, as a lumped port does.
    const std::array<Cx, 2> gamma_step = {Cx(0.002, 0.21), c.across ? Cx(0.002, 0.21) : Cx(0.003, 0.26)};
    const std::array<Cx, 2> impedance = {Cx(49.3, 0.4), c.across ? Cx(49.3, 0.4) : Cx(51.2, -0.3)};
    const std::array<FeedPlace, 4> places = {{{true, 1.0, 6.5}, {false, 1.0, 6.5}, {false, 1.0, 6.5}, {true, 1.0, 6.5}}};
    const Cx termination = std::polar(0.05, 0.5);
    std::vector<std::vector<PortWaves>> runs;
    for (int e : driven) {
      std::array<FeedSpectra, 4> feeds;
      for (size_t f = 0; f < f_mhz.size(); ++f) {
        // The waves at the port planes: the source's, and what the other
        // terminations return of the waves they receive.
        std::array<Cx, 4> a{}, b{};
        for (int pass = 0; pass < 60; ++pass) {
          for (size_t j = 0; j < 4; ++j)
            a[j] = static_cast<int>(j) == e - 1 ? std::polar(0.3 + 0.1 * static_cast<double>(f), 0.7 * static_cast<double>(f))
                                                : termination * b[j];
          for (size_t i = 0; i < 4; ++i) {
            b[i] = 0.0;
            for (size_t j = 0; j < 4; ++j) b[i] += truth[f][i][j] * a[j];
          }
        }
        for (size_t j = 0; j < 4; ++j) {
          const size_t layer = places[j].upper ? 1 : 0;
          const Cx g = gamma_step[layer], z = impedance[layer], m = places[j].back;
          // Power waves at the port plane, as voltages at the middle plane.
          const Cx in = a[j] * std::sqrt(z) * std::exp(g * m), out = b[j] * std::sqrt(z) * std::exp(-g * m);
          for (int p = 0; p < 3; ++p) {
            const double at = p - 1.0;
            feeds[j].v[static_cast<size_t>(p)].push_back(out * std::exp(-g * at) + in * std::exp(g * at));
          }
          for (int p = 0; p < 2; ++p) {
            const double at = p - 0.5;
            feeds[j].i[static_cast<size_t>(p)].push_back((out * std::exp(-g * at) - in * std::exp(g * at)) / z);
          }
        }
      }
      runs.push_back(port_plane_waves(feeds, places));
    }
    const std::vector<SMatrix> s = scattering_matrices(sym, driven, runs);
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
