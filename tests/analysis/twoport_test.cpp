#include "analysis/twoport.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "common/constants.hpp"

namespace quill {
namespace {

constexpr Abcd kIdentity = {1, 0, 0, 0, 0, 0, 1, 0};

/// A lossless matched line of electrical length theta: A = D = cos, B = C = j sin.
Abcd matched_line(float theta) {
  return {cosf(theta), 0, 0, sinf(theta), 0, sinf(theta), cosf(theta), 0};
}

TEST(ComplexProduct, PlainAndConjugated) {
  float x = 0;
  float y = 0;
  nmult(1, x, y, 3, 4, 3, 4);  // (3 + 4j)^2 = -7 + 24j
  EXPECT_EQ(x, -7.0f);
  EXPECT_EQ(y, 24.0f);
  nmult(2, x, y, 3, 4, 3, 4);  // |3 + 4j|^2
  EXPECT_EQ(x, 25.0f);
  EXPECT_EQ(y, 0.0f);
  nmult(2, x, y, 1, 2, 3, -1);  // (1 + 2j)(3 + 1j) = 1 + 7j
  EXPECT_EQ(x, 1.0f);
  EXPECT_EQ(y, 7.0f);
  // Any selector other than 2 is the plain product.
  nmult(0, x, y, 0, 1, 0, 1);
  EXPECT_EQ(x, -1.0f);
  EXPECT_EQ(y, 0.0f);
}

TEST(MatrixProduct, CopyAndIdentity) {
  const Abcd m = {0.5f, -1.25f, 2, 3, -4, 0.125f, 7, -8};
  Abcd copy{};
  eq(copy, m);
  EXPECT_EQ(copy, m);

  Abcd p{};
  mmult(p, m, kIdentity);
  EXPECT_EQ(p, m);
  mmult(p, kIdentity, m);
  EXPECT_EQ(p, m);
}

TEST(MatrixProduct, LeftFactorComesFirst) {
  // Two lines of different impedance do not commute: the order is visible in B.
  const Abcd a = {0, 0, 0, 2, 0, 0.5f, 0, 0};  // quarter wave, z = 2
  const Abcd b = {0, 0, 0, 1, 0, 1, 0, 0};     // quarter wave, z = 1
  Abcd ab{};
  Abcd ba{};
  mmult(ab, a, b);
  mmult(ba, b, a);
  // Two quarter waves make an impedance inverter pair: A = -z1/z2, D = -z2/z1.
  EXPECT_EQ(ab[0], -2.0f);
  EXPECT_EQ(ab[6], -0.5f);
  EXPECT_EQ(ba[0], -0.5f);
  EXPECT_EQ(ba[6], -2.0f);
}

TEST(MatrixProduct, LinesAddTheirLengths) {
  Abcd p{};
  mmult(p, matched_line(0.3f), matched_line(0.5f));
  const Abcd sum = matched_line(0.8f);
  for (size_t k = 0; k < 8; ++k) EXPECT_NEAR(p[k], sum[k], 1e-6f) << k;
}

TEST(Coefficients, IdentityIsATransparentTwoPort) {
  Complex tau{};
  Complex gamma{};
  taugam(tau, gamma, kIdentity);
  EXPECT_EQ(gamma[0], 0.0f);
  EXPECT_EQ(gamma[1], 0.0f);
  EXPECT_EQ(tau[0], 1.0f);
  EXPECT_EQ(tau[1], 0.0f);
}

TEST(Coefficients, MatchedLineOnlyDelays) {
  for (float theta : {0.2f, 1.0f, 2.5f, -0.7f}) {
    Complex tau{};
    Complex gamma{};
    taugam(tau, gamma, matched_line(theta));
    EXPECT_NEAR(gamma[0], 0.0f, 1e-7f);
    EXPECT_NEAR(gamma[1], 0.0f, 1e-7f);
    EXPECT_NEAR(tau[0], cosf(theta), 1e-6f);
    EXPECT_NEAR(tau[1], -sinf(theta), 1e-6f);
  }
}

TEST(Coefficients, MismatchedQuarterWaveConservesPower) {
  // A quarter wave of z = 2 between 1-ohm ends: gamma = (z^2 - 1)/(z^2 + 1) = 0.6.
  const Abcd q = {0, 0, 0, 2, 0, 0.5f, 0, 0};
  Complex tau{};
  Complex gamma{};
  taugam(tau, gamma, q);
  EXPECT_NEAR(gamma[0], 0.6f, 1e-6f);
  EXPECT_NEAR(gamma[1], 0.0f, 1e-7f);
  const float power = gamma[0] * gamma[0] + gamma[1] * gamma[1] + tau[0] * tau[0] +
                      tau[1] * tau[1];
  EXPECT_NEAR(power, 1.0f, 1e-6f);
}

TEST(ArcTangent, EveryQuadrantAndAxis) {
  EXPECT_EQ(atn2(0, -1), pi);  // +pi, never -pi
  EXPECT_EQ(atn2(0, 0), 0.0f);
  EXPECT_EQ(atn2(0, 5), 0.0f);
  EXPECT_EQ(atn2(-1, 0), -(pi / 2.0f));
  EXPECT_EQ(atn2(1, 0), pi / 2.0f);
  EXPECT_EQ(atn2(1, 1), atanf(1.0f));
  EXPECT_EQ(atn2(-1, 1), -atanf(1.0f));
  EXPECT_EQ(atn2(1, -1), pi - atanf(1.0f));  // 3 pi / 4
  EXPECT_NEAR(atn2(1, -1), 3.0f * pi / 4.0f, 1e-6f);
  EXPECT_EQ(atn2(-1, -1), atanf(1.0f) - pi);
  // -0 counts as zero: the negative real axis is +pi either way.
  EXPECT_EQ(atn2(-0.0f, -2), pi);
}

}  // namespace
}  // namespace quill
