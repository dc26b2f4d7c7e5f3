// The number grammar shared by typed answers and file entries.

#include "common/number.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace quill {
namespace {

TEST(ReadNumber, AcceptedForms) {
  EXPECT_EQ(read_number("15"), 15.0f);
  EXPECT_EQ(read_number("2.5"), 2.5f);
  EXPECT_EQ(read_number(".5"), 0.5f);
  EXPECT_EQ(read_number("5."), 5.0f);
  EXPECT_EQ(read_number("-3"), -3.0f);
  EXPECT_EQ(read_number("+3"), 3.0f);
  EXPECT_EQ(read_number("1E3"), 1000.0f);
  EXPECT_EQ(read_number("1e3"), 1000.0f);
  EXPECT_EQ(read_number("2d1"), 20.0f);
  EXPECT_EQ(read_number("2D-1"), 0.2f);
  EXPECT_EQ(read_number("1.5e+2"), 150.0f);
  EXPECT_EQ(read_number("69.37"), 69.37f);
}

TEST(ReadNumber, BlanksAnywhereAreIgnoredAndBlankReadsZero) {
  EXPECT_EQ(read_number("1 5"), 15.0f);
  EXPECT_EQ(read_number("1 2"), 12.0f);
  EXPECT_EQ(read_number(" - 1 . 5 "), -1.5f);
  EXPECT_EQ(read_number(""), 0.0f);
  EXPECT_EQ(read_number("   "), 0.0f);
}

TEST(ReadNumber, OnlyTheFirstThirteenColumnsCount) {
  EXPECT_EQ(read_number("1234567890123"), 1234567890123.0f);
  EXPECT_EQ(read_number("50           7"), 50.0f);        // digit in column 14
  EXPECT_EQ(read_number("50           Ohm"), 50.0f);      // label from column 14
  EXPECT_EQ(read_number("3            Number of sections"), 3.0f);
  EXPECT_FALSE(read_number("50 Ohm"));                     // label inside the field
}

TEST(ReadNumber, AnythingElseIsNotANumber) {
  for (const char* bad : {"abc", "1.2.3", "+", "-", ".", "1E", "E5", "1.5+3", "1e+", "\t5", "5\t",
                          "1,5", "0x10", "--1", "1e5.0"})
    EXPECT_FALSE(read_number(bad)) << bad;
  EXPECT_FALSE(read_number(std::string("1\0", 2)));
}

TEST(ReadNumber, SinglePrecisionRange) {
  EXPECT_FALSE(read_number("1E39"));                  // overflows: not a valid number
  EXPECT_FALSE(read_number("-1E39"));
  EXPECT_FALSE(read_number("1E999999999"));
  EXPECT_EQ(read_number("3.4028234E38"), 3.4028234e38f);
  EXPECT_EQ(read_number("1E-50"), 0.0f);              // below the smallest float
  EXPECT_EQ(read_number("1E-999999999"), 0.0f);
  EXPECT_EQ(read_number("1E-40"), 1e-40f);            // subnormal, still a value
  EXPECT_EQ(read_number("000000000001"), 1.0f);
  EXPECT_EQ(read_number("0.00000000001"), 1e-11f);
}

TEST(RoundChoice, HalvesAwayFromZero) {
  EXPECT_EQ(round_choice(2.5f), 3);
  EXPECT_EQ(round_choice(2.49f), 2);
  EXPECT_EQ(round_choice(-0.5f), -1);
  EXPECT_EQ(round_choice(0.4f), 0);
  EXPECT_EQ(round_choice(1.5f), 2);
  EXPECT_EQ(round_choice(0.49f), 0);
  EXPECT_EQ(round_choice(3.49f), 3);
}

TEST(RoundChoice, BeyondThirtyTwoBitsBecomesTheMostNegativeInteger) {
  EXPECT_EQ(round_choice(2147483520.0f), 2147483520);  // largest float below 2^31
  EXPECT_EQ(round_choice(2147483648.0f), INT_MIN);
  EXPECT_EQ(round_choice(-2147483648.0f), INT_MIN);
  EXPECT_EQ(round_choice(1e30f), INT_MIN);
  EXPECT_EQ(round_choice(-1e30f), INT_MIN);
  EXPECT_EQ(round_choice(NAN), INT_MIN);
}

}  // namespace
}  // namespace quill
