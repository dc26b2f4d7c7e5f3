#include "analysis/section_model.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "common/constants.hpp"
#include "test_designs.hpp"

namespace quill {
namespace {

using testing::Typed;

TEST(LineMatrix, LosslessQuarterWaveIsAnInverter) {
  Abcd m{};
  xline(1.5f, pi / 2.0f, 0, m);
  EXPECT_NEAR(m[0], 0.0f, 1e-7f);
  EXPECT_EQ(m[1], 0.0f);
  EXPECT_NEAR(m[2], 0.0f, 1e-7f);
  EXPECT_NEAR(m[3], 1.5f, 1e-6f);
  EXPECT_NEAR(m[4], 0.0f, 1e-7f);
  EXPECT_NEAR(m[5], 1.0f / 1.5f, 1e-6f);
  EXPECT_EQ(m[6], m[0]);
  EXPECT_EQ(m[7], m[1]);
}

TEST(LineMatrix, LosslessHalfWaveIsMinusIdentity) {
  Abcd m{};
  xline(0.7f, pi, 0, m);
  EXPECT_NEAR(m[0], -1.0f, 1e-6f);
  EXPECT_NEAR(m[3], 0.0f, 1e-6f);
  EXPECT_NEAR(m[5], 0.0f, 1e-6f);
  EXPECT_NEAR(m[6], -1.0f, 1e-6f);
}

TEST(LineMatrix, LossyLineIsReciprocal) {
  // cosh^2 - sinh^2 = 1 for the complex length: AD - BC = 1.
  Abcd m{};
  xline(1.3f, 0.9f, 0.2f, m);
  const float det_re = (m[0] * m[6] - m[1] * m[7]) - (m[2] * m[4] - m[3] * m[5]);
  const float det_im = (m[0] * m[7] + m[1] * m[6]) - (m[2] * m[5] + m[3] * m[4]);
  EXPECT_NEAR(det_re, 1.0f, 1e-6f);
  EXPECT_NEAR(det_im, 0.0f, 1e-6f);
  EXPECT_NEAR(m[0], coshf(0.2f) * cosf(0.9f), 1e-6f);
  EXPECT_NEAR(m[1], sinhf(0.2f) * sinf(0.9f), 1e-6f);
}

TEST(LineMatrix, SharedPartsGiveTheSameBits) {
  for (float sigma : {0.0f, 0.05f, 0.3f}) {
    Abcd direct{};
    Abcd parts{};
    xline(0.8f, 1.1f, sigma, direct);
    const float ep = expf(sigma);
    const float em = expf(-sigma);
    xline_parts(0.8f, sinf(1.1f), cosf(1.1f), 0.5f * (ep - em), 0.5f * (ep + em), parts);
    EXPECT_EQ(direct, parts);
  }
}

TEST(VelocitySetting, ShortensOnlyTheOddMode) {
  CouplerDesign d = testing::synthesised({1.5f, 2.0f}, 50, 2.2f, 4000, 8000);
  const float thetae = d.sec(1).thetae;
  apply_velocity(d, 0.9f);
  for (int i = 1; i <= 2; ++i) {
    EXPECT_EQ(d.sec(i).veloe, 1.0f);
    EXPECT_EQ(d.sec(i).veloo, 0.9f);
    EXPECT_EQ(d.sec(i).thetae, thetae);
    EXPECT_EQ(d.sec(i).thetao, thetae * 0.9f);
  }
  EXPECT_NEAR(thetae, pi / 2.0f, 1e-6f);
  // Sections beyond N are not part of the design and stay untouched.
  EXPECT_EQ(d.sec(3).veloo, 1.0f);
}

TEST(LossSetting, NepersFollowLength) {
  CouplerDesign d = testing::entered(3, 50, 2.2f, {{60, 0, 1000}, {60, 0, 1000}, {60, 0, 2000}});
  apply_loss(d, 1.0f);
  // Sections at half the centre frequency are twice as long and twice as lossy.
  EXPECT_FLOAT_EQ(d.sec(1).length, 2.0f * d.sec(3).length);
  EXPECT_FLOAT_EQ(d.sec(1).sigmae, 2.0f * d.sec(3).sigmae);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(d.sec(i).oeloss, 1.0f);
    EXPECT_EQ(d.sec(i).ooloss, 1.0f);
    EXPECT_EQ(d.sec(i).sigmao, d.sec(i).sigmae);
  }
  EXPECT_EQ(d.f0, 2000.0f);

  Section s;
  s.length = 1.5f;
  CouplerDesign one;
  one.n = 1;
  one.sec(1) = s;
  apply_loss(one, 1.0f);
  EXPECT_NEAR(one.sec(1).sigmae, 0.1727f, 1e-4f);
}

TEST(LossSetting, LosslessChoiceLeavesNoAttenuation) {
  CouplerDesign d = testing::synthesised({1.2f}, 50, 2.2f, 4000, 8000);
  apply_loss(d, 0.0f);
  EXPECT_EQ(d.sec(1).sigmae, 0.0f);
  EXPECT_EQ(d.sec(1).sigmao, 0.0f);
}

}  // namespace
}  // namespace quill
