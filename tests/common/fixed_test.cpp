// The fixed-column rules every report relies on.

#include "common/fixed.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

namespace quill {
namespace {

std::string real(float v, int w, int d) {
  std::string s;
  put_real(s, v, w, d);
  return s;
}

TEST(FixedReal, LayoutExamples) {
  EXPECT_EQ(real(0.5f, 4, 3), ".500");        // no room for the leading zero
  EXPECT_EQ(real(0.5f, 5, 3), "0.500");       // room for it
  EXPECT_EQ(real(-0.5f, 5, 3), "-.500");
  EXPECT_EQ(real(13.979f, 8, 3), "  13.979");
  EXPECT_EQ(real(6000.0f, 10, 3), "  6000.000");
  EXPECT_EQ(real(0.1849f, 5, 4), ".1849");
  EXPECT_EQ(real(2.2f, 5, 2), " 2.20");
  EXPECT_EQ(real(2.0f, 8, 5), " 2.00000");
  EXPECT_EQ(real(10.0f, 8, 5), "10.00000");
}

TEST(FixedReal, NegativeValuesRoundingToZeroKeepTheirSign) {
  EXPECT_EQ(real(-0.0004f, 9, 3), "   -0.000");
  EXPECT_EQ(real(-0.0f, 9, 3), "   -0.000");
  EXPECT_EQ(real(0.0004f, 9, 3), "    0.000");
}

TEST(FixedReal, ValuesThatDoNotFitAndNonFiniteValuesPrintAsterisks) {
  EXPECT_EQ(real(1000000.0f, 10, 3), "**********");
  EXPECT_EQ(real(999999.9f, 10, 3), "999999.875");
  EXPECT_EQ(real(10.0f, 6, 4), "******");      // millimetres of 10 or more
  EXPECT_EQ(real(1.0f, 5, 4), "*****");        // the plain strip in inches
  EXPECT_EQ(real(100000.0f, 7, 1), "*******");
  EXPECT_EQ(real(std::numeric_limits<float>::infinity(), 7, 3), "*******");
  EXPECT_EQ(real(-std::numeric_limits<float>::infinity(), 7, 3), "*******");
  EXPECT_EQ(real(std::numeric_limits<float>::quiet_NaN(), 8, 4), "********");
  EXPECT_EQ(real(3.4e38f, 10, 3), "**********");
}

TEST(FixedReal, TiesRoundToEvenOnTheExactBinaryValue) {
  EXPECT_EQ(real(0.125f, 5, 2), " 0.12");   // exactly half: to even
  EXPECT_EQ(real(0.375f, 5, 2), " 0.38");
  EXPECT_EQ(real(2.675f, 5, 2), " 2.67");   // binary value lies below the half
  EXPECT_EQ(real(1.0005f, 6, 3), " 1.000"); // 1.00049996...
}

// The exact digits are those printf gives for the float's binary value, with
// the leading-zero and overflow rules applied on top.
TEST(FixedReal, AgreesWithPrintfAcrossRandomValues) {
  std::mt19937 gen(12345);
  std::uniform_int_distribution<uint32_t> bits;
  const int widths[][2] = {{10, 3}, {7, 3}, {8, 2}, {7, 1}, {5, 3}, {6, 4}, {8, 4}, {8, 5}, {9, 3}};
  for (int k = 0; k < 200000; ++k) {
    float v;
    const uint32_t b = bits(gen);
    std::memcpy(&v, &b, sizeof v);
    if (!std::isfinite(v)) continue;
    if (k % 2 == 0) v = std::ldexp(std::fmod(v, 1.0f), static_cast<int>(b % 24) - 8);  // field-sized values
    for (auto [w, d] : widths) {
      char buf[512];
      std::snprintf(buf, sizeof buf, "%.*f", d, static_cast<double>(v));
      std::string want = buf;
      if (static_cast<int>(want.size()) > w) {
        const size_t z = want[0] == '-' ? 1 : 0;
        if (want.compare(z, 2, "0.") == 0) want.erase(z, 1);
      }
      if (static_cast<int>(want.size()) > w) want = std::string(static_cast<size_t>(w), '*');
      want.insert(0, static_cast<size_t>(w) - want.size(), ' ');
      ASSERT_EQ(real(v, w, d), want) << v << " in %" << w << "." << d << "f";
    }
  }
}

TEST(FixedInt, RightAlignedOrAsterisks) {
  std::string s;
  put_int(s, 7, 2);
  put_int(s, 2026, 4);
  put_int(s, 123, 2);
  put_int(s, -5, 3);
  EXPECT_EQ(s, " 72026** -5");
}

TEST(FixedText, NameFieldIsTwentyColumnsWhateverItsLength) {
  EXPECT_EQ(Text().name("report.txt").str(), "report.txt          ");
  EXPECT_EQ(Text().name("abcdefghijklmnopqrstuvwxy").str(), "abcdefghijklmnopqrst");
  EXPECT_EQ(Text().sp(2).lit("a").nl().rep('-', 3).str(), "  a\n---");
}

}  // namespace
}  // namespace quill
