#include <gtest/gtest.h>

#include <clocale>
#include <limits>

#include "common/FloatText.h"

TEST(FixedScientificText, WritesSignDigitsAndAFourDigitExponent) {
  EXPECT_EQ(FixedScientificText(12.5), " 1.25000000000000E+0001");
  EXPECT_EQ(FixedScientificText(-999.0), "-9.99000000000000E+0002");
  EXPECT_EQ(FixedScientificText(1.0), " 1.00000000000000E+0000");
  EXPECT_EQ(FixedScientificText(-2.5E-7), "-2.50000000000000E-0007");
  EXPECT_EQ(FixedScientificText(291.0), " 2.91000000000000E+0002");
  EXPECT_EQ(FixedScientificText(1.7976931348623157E308), " 1.79769313486232E+0308");
  EXPECT_EQ(FixedScientificText(std::numeric_limits<double>::denorm_min()), " 4.94065645841247E-0324");
}

TEST(FixedScientificText, RoundsToFifteenSignificantDigits) {
  EXPECT_EQ(FixedScientificText(1.0 / 3.0), " 3.33333333333333E-0001");
  EXPECT_EQ(FixedScientificText(-2.0 / 3.0), "-6.66666666666667E-0001");
  EXPECT_EQ(FixedScientificText(0.1 + 0.2), " 3.00000000000000E-0001");
  EXPECT_EQ(FixedScientificText(123456789012345678.0), " 1.23456789012346E+0017");
  // Rounding can carry into the exponent.
  EXPECT_EQ(FixedScientificText(9.9999999999999995), " 1.00000000000000E+0001");
  EXPECT_EQ(FixedScientificText(-9.99999999999999999E-5), "-1.00000000000000E-0004");
}

TEST(FixedScientificText, WritesBothZerosWithABlankAndNamesNonFiniteValues) {
  EXPECT_EQ(FixedScientificText(0.0), " 0.00000000000000E+0000");
  EXPECT_EQ(FixedScientificText(-0.0), " 0.00000000000000E+0000");
  EXPECT_EQ(FixedScientificText(std::numeric_limits<double>::quiet_NaN()), "NAN");
  EXPECT_EQ(FixedScientificText(std::numeric_limits<double>::infinity()), "INF");
  EXPECT_EQ(FixedScientificText(-std::numeric_limits<double>::infinity()), "-INF");
}

TEST(FixedScientificText, AppendsToText) {
  std::string Text = "1;";
  AppendFixedScientificText(Text, 12.5);
  AppendFixedScientificText(Text, -0.5);
  EXPECT_EQ(Text, "1; 1.25000000000000E+0001-5.00000000000000E-0001");
}

TEST(FixedScientificText, DoesNotDependOnTheProcessLocale) {
  const std::string Previous = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no decimal-comma locale";
  const std::string Text = FixedScientificText(-12.25);
  std::setlocale(LC_ALL, Previous.c_str());
  EXPECT_EQ(Text, "-1.22500000000000E+0001");
}
