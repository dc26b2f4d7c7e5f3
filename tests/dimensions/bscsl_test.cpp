// Strip synthesis of single sections: the worked numbers of a 50-ohm line in
// Er 2.2 at S/B = 0.2, the boundaries of each solution, and the elliptic
// modulus inversion against the exact elliptic-integral ratio.

#include <gtest/gtest.h>

#include <cmath>

#include "dimensions/bscsl.hpp"

namespace quill {
namespace {

constexpr float zo = 50.0f;
constexpr float er = 2.2f;

Blk1 offset_call(float zoe, int& ierror) { return bscsl(zoe, zo, er, 0.2f, 1.0f, 0, ierror); }

TEST(BscslOffset, ModerateCouplingBothSolutionsAgree) {
  int ierror = -1;
  const Blk1 b = offset_call(80.0f, ierror);
  EXPECT_EQ(ierror, 0);
  EXPECT_NEAR(b.wbt, 0.625f, 0.001f);
  EXPECT_NEAR(b.wbl, 0.625f, 0.001f);
  EXPECT_NEAR(b.wb0t, 0.350f, 0.001f);
  EXPECT_NEAR(b.wb0l, 0.373f, 0.001f);
  EXPECT_NEAR(b.wbct, 0.27f, 0.005f);
  EXPECT_NEAR(b.wbcl, 0.25f, 0.005f);
  // The overlap fields are width minus offset of their own solution.
  EXPECT_FLOAT_EQ(b.wbct, b.wbt - b.wb0t);
  EXPECT_FLOAT_EQ(b.wb0l, b.wbl - b.wbcl);
}

TEST(BscslOffset, LooseSectionStripsDoNotOverlap) {
  int ierror = -1;
  const Blk1 b = offset_call(60.0f, ierror);
  EXPECT_EQ(ierror, 0);
  EXPECT_NEAR(b.wb0t, 0.81f, 0.005f);
  EXPECT_NEAR(b.wb0l, 0.84f, 0.005f);
  EXPECT_NEAR(b.wbt, 0.76f, 0.005f);
  EXPECT_NEAR(b.wbl, 0.74f, 0.005f);
  EXPECT_LT(b.wbct, 0.0f);  // a gap between the strip edges
  EXPECT_LT(b.wbcl, 0.0f);
}

TEST(BscslOffset, TightSectionHasNoOffsetSolution) {
  int ierror = 0;
  const Blk1 b = offset_call(100.0f, ierror);
  EXPECT_EQ(ierror, 1);
  EXPECT_EQ(b.wbt, 0.0f);
  EXPECT_EQ(b.wb0t, 0.0f);
  EXPECT_EQ(b.wbct, 0.0f);
  EXPECT_NEAR(b.wbl, 0.579f, 0.001f);
  EXPECT_NEAR(b.wb0l, 0.060f, 0.001f);
}

TEST(BscslOffset, LooseOffsetIsClampedAtZero) {
  int ierror = 0;
  const Blk1 b = offset_call(120.0f, ierror);
  EXPECT_NEAR(b.wbcl, 0.765f, 0.001f);
  EXPECT_NEAR(b.wbl, 0.576f, 0.001f);
  EXPECT_EQ(b.wb0l, 0.0f);
  EXPECT_FALSE(std::signbit(b.wb0l));
}

TEST(BscslOffset, TighterSectionsGetNarrowerAndLessOffsetStrips) {
  // Raising Zoe pulls the strips over each other: offset falls monotonically.
  int ierror = 0;
  float last_offset = 10.0f;
  for (float zoe = 55.0f; zoe <= 90.0f; zoe += 5.0f) {
    const Blk1 b = offset_call(zoe, ierror);
    ASSERT_EQ(ierror, 0) << zoe;
    EXPECT_LT(b.wb0t, last_offset) << zoe;
    last_offset = b.wb0t;
  }
}

TEST(BscslOffset, MappingParameterOfExactlyFourHasNoSolution) {
  // For S/B = 0.05 this even-mode impedance makes the odd-mode mapping
  // parameter evaluate to exactly 4.0f: the boundary itself has no solution.
  const float zoe = 0x1.321de2p+7f;  // 153.058365 ohms
  int ierror = 0;
  Blk1 b = bscsl(zoe, zo, er, 0.05f, 1.0f, 0, ierror);
  EXPECT_EQ(ierror, 1);
  EXPECT_EQ(b.wbt, 0.0f);
  EXPECT_EQ(b.wb0t, 0.0f);
  // One float lower the parameter lies above 4 and the solution exists.
  b = bscsl(std::nextafter(zoe, 0.0f), zo, er, 0.05f, 1.0f, 0, ierror);
  EXPECT_EQ(ierror, 0);
  EXPECT_GT(b.wbt, 0.0f);
}

TEST(BscslOffset, StatusIsResetBySuccess) {
  int ierror = 1;
  offset_call(80.0f, ierror);
  EXPECT_EQ(ierror, 0);
}

TEST(BscslTotalOverlap, SuperposedStripsWithoutOffset) {
  int ierror = 7;
  const Blk1 b = bscsl(100.0f, zo, er, 0.2f, 1.0f, 1, ierror);
  EXPECT_NEAR(b.wbt, 0.505f, 0.001f);
  EXPECT_EQ(b.wb0t, 0.0f);
  EXPECT_EQ(b.wbct, 0.0f);
  EXPECT_EQ(ierror, 7);  // the total-overlap path reports nothing

  // The loose solution does not depend on the tight path taken.
  int other = 0;
  const Blk1 o = bscsl(100.0f, zo, er, 0.2f, 1.0f, 0, other);
  EXPECT_EQ(b.wbl, o.wbl);
  EXPECT_EQ(b.wb0l, o.wb0l);
  EXPECT_EQ(b.wbcl, o.wbcl);
}

TEST(BscslTotalOverlap, SpacingBeyondModulusIsNotFinite) {
  // The modulus of a 100-ohm even mode in Er 2.2 is about 0.863: superposed
  // strips 0.9 B apart cannot be that tightly coupled, so no real width.
  int ierror = 0;
  const Blk1 b = bscsl(100.0f, zo, er, 0.9f, 1.0f, 1, ierror);
  EXPECT_FALSE(std::isfinite(b.wbt));
  EXPECT_EQ(b.wb0t, 0.0f);
}

TEST(BscslPlainStrip, NudgedEvenModeGivesTheZoStrip) {
  // 1.000001 in single precision is 1 + 8 ulp: just off the uncoupled case.
  EXPECT_EQ(1.000001f, 1.0f + 8.0f * std::ldexp(1.0f, -23));
  EXPECT_NE(1.000001f * zo, zo);
  int ierror = 0;
  const Blk1 b = bscsl(1.000001f * zo, zo, er, 0.05f, 0.25f, 0, ierror);
  const float inches = b.wbl * 0.25f;
  EXPECT_NEAR(inches, 0.198f, 0.0005f);
  EXPECT_NEAR(inches * 25.4f, 5.03f, 0.005f);
}

TEST(BscslDomain, UncoupledSectionIsNotFinite) {
  // Zoe = Zo: no coupling capacitance, the loose equations divide by zero.
  int ierror = 0;
  const Blk1 b = bscsl(zo, zo, er, 0.05f, 0.25f, 0, ierror);
  EXPECT_FALSE(std::isfinite(b.wbl));
  // The offset of a strip without a width is unknown, not zero.
  EXPECT_FALSE(std::isfinite(b.wb0l));
}

TEST(BscslDomain, StripsOnTheGroundPlanesAreNotFinite) {
  int ierror = 0;
  const Blk1 b = bscsl(70.0f, zo, er, 0.25f, 0.25f, 0, ierror);
  EXPECT_EQ(ierror, 1);  // rho * S/B >= 1 never has an offset solution
  EXPECT_FALSE(std::isfinite(b.wbl));
  EXPECT_FALSE(std::isfinite(b.wb0l));
}

TEST(BscslDomain, VeryTightLooseSolutionCancelsInSinglePrecision) {
  // 177-ohm centre section of a 3 dB coupler: sqrt(a0^2 + K) - a0 loses every
  // digit in single precision and the loose width is not finite.
  int ierror = 0;
  const Blk1 b = bscsl(177.0f, zo, er, 0.05f, 0.25f, 0, ierror);
  EXPECT_FALSE(std::isfinite(b.wbl));
}

/// Exact K(k)/K(k') from the arithmetic-geometric mean, as an outside reference.
double elliptic_ratio(double k) {
  auto kk = [](double m) {
    double a = 1.0, b = std::sqrt(1.0 - m * m);
    for (int i = 0; i < 30; ++i) {
      const double an = 0.5 * (a + b);
      b = std::sqrt(a * b);
      a = an;
    }
    return M_PI / (2.0 * a);
  };
  return kk(k) / kk(std::sqrt(1.0 - k * k));
}

TEST(Akinv, InvertsTheExactEllipticRatio) {
  // The logarithmic approximation is good to a few parts in 1e5 over the
  // moduli strip couplers use, on both sides of the self-dual ratio 1.
  for (double k : {0.05, 0.1, 0.281, 0.5, 0.7071, 0.8627, 0.95, 0.99}) {
    const float r = static_cast<float>(elliptic_ratio(k));
    EXPECT_NEAR(akinv(r), k, 5e-5 * (1.0 + 1.0 / k)) << "k = " << k;
  }
}

TEST(Akinv, ReciprocalRatioGivesTheComplementaryModulus) {
  // K(k)/K(k') = R  <=>  K(k')/K(k) = 1/R, so k(R)^2 + k(1/R)^2 = 1.
  for (float r : {0.3f, 0.596f, 0.9f, 1.271f, 2.0f}) {
    const float k = akinv(r), kp = akinv(1.0f / r);
    EXPECT_NEAR(k * k + kp * kp, 1.0f, 1e-5f) << r;
  }
  EXPECT_NEAR(akinv(1.0f), std::sqrt(0.5f), 1e-5f);
  EXPECT_NEAR(akinv(1.271f), 0.8627f, 1e-4f);
  EXPECT_NEAR(akinv(0.596f), 0.281f, 5e-4f);
}

}  // namespace
}  // namespace quill
