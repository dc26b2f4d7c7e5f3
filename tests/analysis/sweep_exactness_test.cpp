/// The sweep shares sines, exponentials and lane arithmetic between sections
/// for speed. None of that may move a printed digit: here every response is
/// checked bit for bit against the plain step-by-step procedure built from the
/// toolkit routines themselves.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

#include "analysis/section_model.hpp"
#include "analysis/sweep.hpp"
#include "analysis/twoport.hpp"
#include "common/constants.hpp"
#include "test_designs.hpp"

namespace quill {
namespace {

using testing::entered;
using testing::set_mode_options;
using testing::synthesised;

/// One analysis point exactly as the procedure reads: xline per mode and
/// section, cascade through a scratch matrix, taugam, the four port waves.
PortResponse plain_response(const CouplerDesign& d, float freq) {
  Abcd abcd{};
  Abcd abcdoe{};
  Abcd abcdoo{};
  Abcd tempoe{};
  Abcd tempoo{};
  for (int i = 1; i <= d.n; ++i) {
    const Section& s = d.sec(i);
    xline(s.zoe, s.thetae * (freq / d.f0), s.sigmae * sqrtf(freq / d.f0), abcd);
    if (i == 1) {
      eq(abcdoe, abcd);
    } else {
      mmult(tempoe, abcdoe, abcd);
      eq(abcdoe, tempoe);
    }
    xline(s.zoo, s.thetao * (freq / d.f0), s.sigmao * sqrtf(freq / d.f0), abcd);
    if (i == 1) {
      eq(abcdoo, abcd);
    } else {
      mmult(tempoo, abcdoo, abcd);
      eq(abcdoo, tempoo);
    }
  }
  Complex tauoe{}, goe{}, tauoo{}, goo{};
  taugam(tauoe, goe, abcdoe);
  taugam(tauoo, goo, abcdoo);
  const Abcd a = {0.5f * (goe[0] + goo[0]),     0.5f * (goe[1] + goo[1]),
                  0.5f * (goe[0] - goo[0]),     0.5f * (goe[1] - goo[1]),
                  0.5f * (tauoe[0] - tauoo[0]), 0.5f * (tauoe[1] - tauoo[1]),
                  0.5f * (tauoe[0] + tauoo[0]), 0.5f * (tauoe[1] + tauoo[1])};
  PortResponse r;
  for (int k = 0; k < 4; ++k) {
    r.port[k] = sqrtf(a[2 * k] * a[2 * k] + a[2 * k + 1] * a[2 * k + 1]);
    if (r.port[k] == 0) r.port[k] = 1e-10f;
    r.angle[k] = atn2(a[2 * k + 1], a[2 * k]) * (180.0f / pi);
  }
  r.vswr = (1 + r.port[0]) / (1 - r.port[0]);
  r.rl = 20 * log10f(r.port[0]);
  r.cpld = 20 * log10f(r.port[1]);
  r.iso = 20 * log10f(r.port[2]);
  r.loss = 20 * log10f(r.port[3]);
  r.phi = fabsf(r.angle[1] - r.angle[3]);
  r.phi = r.phi - 180 * truncf(r.phi / 180);
  r.error = r.phi - 90;
  if (r.cpld < -90) r.cpld = -90;
  if (r.iso < -90) r.iso = -90;
  return r;
}

std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

void expect_same_bits(const CouplerDesign& d, float freq) {
  const PortResponse want = plain_response(d, freq);
  const PortResponse got = port_response(d, freq);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(bits(got.port[k]), bits(want.port[k])) << "port " << k << " at " << freq;
    EXPECT_EQ(bits(got.angle[k]), bits(want.angle[k])) << "angle " << k << " at " << freq;
  }
  EXPECT_EQ(bits(got.vswr), bits(want.vswr)) << freq;
  EXPECT_EQ(bits(got.rl), bits(want.rl)) << freq;
  EXPECT_EQ(bits(got.cpld), bits(want.cpld)) << freq;
  EXPECT_EQ(bits(got.iso), bits(want.iso)) << freq;
  EXPECT_EQ(bits(got.loss), bits(want.loss)) << freq;
  EXPECT_EQ(bits(got.phi), bits(want.phi)) << freq;
  EXPECT_EQ(bits(got.error), bits(want.error)) << freq;
}

void sweep_all(const CouplerDesign& d) {
  for (float f = 1.0f; f < 4.0f * d.f0; f = f * 1.0173f + 3.0f) expect_same_bits(d, f);
  for (float f : {d.f0, 2 * d.f0, 0.5f * d.f0, 0.8f * d.f0, 1e-3f, 1e6f}) expect_same_bits(d, f);
}

TEST(SweepExactness, LosslessSymmetricalCoupler) {
  CouplerDesign d = synthesised({1.0967f, 1.77299f, 1.0967f}, 50, 2.2f, 4000, 8000);
  set_mode_options(d, 1, 1);
  sweep_all(d);
}

TEST(SweepExactness, TypedSectionsWithVelocityAndLoss) {
  CouplerDesign d = entered(3, 50, 2.2f, {{60, 0, 6000}, {90, 0, 4000}, {55, 70, 3000}});
  set_mode_options(d, 3, 5);
  sweep_all(d);
}

TEST(SweepExactness, FiftyMixedSections) {
  CouplerDesign d = synthesised({1.2f}, 50, 3.0f, 1000, 3000);
  d.n = 50;
  for (int i = 1; i <= 50; ++i) {
    // Every section different, a few with odd above even impedance, lengths
    // spread over a decade, so no two share a sine or an exponential.
    Section& s = d.sec(i);
    s.zoe = 1.01f + 0.037f * static_cast<float>((i * 7) % 23);
    s.zoo = i % 9 == 0 ? s.zoe * 1.1f : 1.0f / s.zoe;
    s.length = 0.2f + 0.031f * static_cast<float>(i);
    s.thetae = pi / 2 * (0.5f + 0.02f * static_cast<float>(i));
    s.thetao = s.thetae;
  }
  set_mode_options(d, 5, 6);
  sweep_all(d);
}

TEST(SweepExactness, RepeatedSectionsShareWork) {
  // Identical sections in a row exercise the shared sine and exponential.
  CouplerDesign d = synthesised({1.3f, 1.3f, 1.3f, 2.1f, 1.3f, 1.3f, 1.3f}, 75, 4.5f, 900, 2700);
  set_mode_options(d, 2, 3);
  sweep_all(d);
}

}  // namespace
}  // namespace quill
