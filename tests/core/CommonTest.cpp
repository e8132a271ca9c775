#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <limits>

#include "LogRecorder.h"
#include "common/AsciiCase.h"
#include "common/Convert.h"
#include "common/DateTime.h"
#include "common/FloatText.h"
#include "common/FormatSettings.h"
#include "common/TerminalProgress.h"

TEST(GeneralFloatText, UsesFixedNotationFromOneTenThousandthToFifteenIntegerDigits) {
  EXPECT_EQ(GeneralFloatText(25.5, '.'), "25.5");
  EXPECT_EQ(GeneralFloatText(0.0001, '.'), "0.0001");
  EXPECT_EQ(GeneralFloatText(-0.00012345, '.'), "-0.00012345");
  EXPECT_EQ(GeneralFloatText(100, '.'), "100");
  EXPECT_EQ(GeneralFloatText(999999999999999.0, '.'), "999999999999999");
  EXPECT_EQ(GeneralFloatText(-999.0, ','), "-999");
  EXPECT_EQ(GeneralFloatText(12.25, ','), "12,25");
}

TEST(GeneralFloatText, UsesScientificNotationOutsideThatRange) {
  EXPECT_EQ(GeneralFloatText(1E-5, '.'), "1E-5");
  EXPECT_EQ(GeneralFloatText(1.5E20, '.'), "1.5E20");
  EXPECT_EQ(GeneralFloatText(1E15, '.'), "1E15");
  EXPECT_EQ(GeneralFloatText(-2.5E-7, ','), "-2,5E-7");
  EXPECT_EQ(GeneralFloatText(1.7976931348623157E308, '.'), "1.79769313486232E308");
}

TEST(GeneralFloatText, RoundsToFifteenSignificantDigits) {
  EXPECT_EQ(GeneralFloatText(0.1 + 0.2, '.'), "0.3");
  EXPECT_EQ(GeneralFloatText(1.0 / 3.0, '.'), "0.333333333333333");
  EXPECT_EQ(GeneralFloatText(2.0 / 3.0, '.'), "0.666666666666667");
  // Rounding can carry into a new digit and change the notation.
  EXPECT_EQ(GeneralFloatText(9.99999999999999999E-5, '.'), "0.0001");
  EXPECT_EQ(GeneralFloatText(999999999999999.9, '.'), "1E15");
}

TEST(GeneralFloatText, WritesZeroAndInfinities) {
  EXPECT_EQ(GeneralFloatText(0.0, '.'), "0");
  EXPECT_EQ(GeneralFloatText(-0.0, '.'), "0");
  EXPECT_EQ(GeneralFloatText(std::numeric_limits<double>::infinity(), '.'), "INF");
  EXPECT_EQ(GeneralFloatText(-std::numeric_limits<double>::infinity(), '.'), "-INF");
}

TEST(GeneralFloatText, TakesTheSeparatorOfTheSettingsInUse) {
  const char Saved = FormatSettings().DecimalSeparator;
  FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(GeneralFloatText(0.5), "0,5");
  FormatSettings().DecimalSeparator = Saved;
}

TEST(GeneralFloatText, DoesNotDependOnTheProcessLocale) {
  const std::string Previous = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no decimal-comma locale";
  const std::string A = GeneralFloatText(12.25, '.'), B = GeneralFloatText(1.5E20, ',');
  std::setlocale(LC_ALL, Previous.c_str());
  EXPECT_EQ(A, "12.25");
  EXPECT_EQ(B, "1,5E20");
}

TEST(ShortestFloatChars, WritesWhatToCharsWrites) {
  const auto Reference = [](double Value) {
    char Text[32];
    return std::string(Text, std::to_chars(Text, Text + sizeof Text, Value).ptr);
  };
  const auto Written = [](double Value) {
    char Text[32];
    return std::string(Text, ShortestFloatChars(Text, Value));
  };
  // Where the exponent form is as short or shorter, and the integers' limits.
  for (const double Value : {0.0, -0.0, 0.5, -2.25, 1e-7, 99999.0, 100000.0, -100000.0, 120000.0, 100001.0, 1e15,
                             1e15 - 1, -1e15 + 1, 1e16 + 2, 123456789012345.0, 4503599627370497.0, 1e300})
    EXPECT_EQ(Written(Value), Reference(Value)) << Value;
  for (double Value = -2000000; Value <= 2000000; Value += 7) ASSERT_EQ(Written(Value), Reference(Value)) << Value;
  for (double Value = 1; Value < 1e17; Value *= 10) {
    EXPECT_EQ(Written(Value), Reference(Value)) << Value;
    EXPECT_EQ(Written(Value * 3 + 1), Reference(Value * 3 + 1)) << Value;
  }
}

TEST(StrToInt, AcceptsLeadingSpacesSignsAndHexadecimalPrefixes) {
  EXPECT_EQ(StrToInt("42"), 42);
  EXPECT_EQ(StrToInt("  -7"), -7);
  EXPECT_EQ(StrToInt("+3"), 3);
  EXPECT_EQ(StrToInt("$1F"), 31);
  EXPECT_EQ(StrToInt("x10"), 16);
  EXPECT_EQ(StrToInt("0XfF"), 255);
  EXPECT_EQ(StrToInt("-$10"), -16);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
}

TEST(StrToInt, RejectsEverythingElseWithTheConversionError) {
  for (const char* Text : {"", " ", "-", "$", "0x", "4 ", "4a", "1.5", "2147483648", "-2147483649", "$100000000",
                           "99999999999999999999", "0x80000000"}) {
    try {
      StrToInt(Text);
      ADD_FAILURE() << "accepted '" << Text << "'";
    } catch (const EConvertError& Error) {
      EXPECT_EQ(std::string(Error.what()), std::string("'") + Text + "' is not a valid integer value");
    }
  }
}

TEST(DateTime, EncodesAndDecodesCalendarDates) {
  EXPECT_EQ(EncodeDateTime({1899, 12, 30}), 0.0);
  EXPECT_EQ(EncodeDateTime({1900, 1, 1}), 2.0);
  EXPECT_EQ(EncodeDateTime({2007, 4, 3}), 39175.0);
  const TDateTimeParts P = DecodeDateTime(39175.0 + (14 * 3600 + 5 * 60 + 9) / 86400.0);
  EXPECT_EQ(P.Year, 2007);
  EXPECT_EQ(P.Month, 4);
  EXPECT_EQ(P.Day, 3);
  EXPECT_EQ(P.Hour, 14);
  EXPECT_EQ(P.Minute, 5);
  EXPECT_EQ(P.Second, 9);
  const TDateTimeParts Leap = DecodeDateTime(EncodeDateTime({2024, 2, 29, 23, 59, 59}));
  EXPECT_EQ(Leap.Month * 100 + Leap.Day, 229);
  EXPECT_EQ(Leap.Second, 59);
}

TEST(DateTime, TextLeavesOutAMidnightTime) {
  TFormatSettings& S = FormatSettings();
  const TFormatSettings Saved = S;
  S.ShortDateFormat = "dd.MM.yyyy";
  S.LongTimeFormat = "HH:mm:ss";
  EXPECT_EQ(DateTimeText(39175.0), "03.04.2007");
  EXPECT_EQ(DateTimeText(39175.5), "03.04.2007 12:00:00");
  EXPECT_EQ(DateText(39175.75), "03.04.2007");
  S.ShortDateFormat = "M/d/yy";
  S.LongTimeFormat = "h:mm:ss AP";
  EXPECT_EQ(DateTimeText(39175.0 + 13.5 / 24), "4/3/07 1:30:00 PM");
  EXPECT_EQ(FormatDateTime("yyyy-MM-dd'T'HH", 39175.25), "2007-04-03T06");
  S = Saved;
}

TEST(AddEntry, HandsValidLevelsToTheSinkAndDropsOthers) {
  TLogRecorder Log;
  AddEntry(llMessage, "m");
  AddEntry(llError, "e");
  AddEntry(7, "seven");
  AddEntry(-1, "negative");
  EXPECT_EQ(Log.Lines(), (std::vector<std::string>{"[Message] m", "[Error] e"}));
}

TEST(ShownText, EscapesControlBytesAndCutsAfter200Characters) {
  EXPECT_EQ(ShownText(std::string("a\0\t\x1F\x7F \\ \xC2\xB0\xFF", 11)), "a\\x00\\x09\\x1F\\x7F \\ \xC2\xB0\xFF");
  EXPECT_EQ(ShownText(std::string(200, 'x')), std::string(200, 'x'));
  EXPECT_EQ(ShownText(std::string(201, 'x')), std::string(200, 'x') + "...");
  // Neither an escape nor a UTF-8 character is cut in two.
  EXPECT_EQ(ShownText(std::string(198, 'x') + "\x01"), std::string(198, 'x') + "...");
  EXPECT_EQ(ShownText(std::string(199, 'x') + "\xC2\xB0"), std::string(199, 'x') + "...");
}

TEST(AsciiCase, FoldsTheCaseOfAsciiLettersOnly) {
  EXPECT_EQ(AsciiLower("Mode_7 [X]@`\xC4\xE4"), "mode_7 [x]@`\xC4\xE4");
  EXPECT_EQ(AsciiUpper("Mode_7 [x]@`\xC4\xE4"), "MODE_7 [X]@`\xC4\xE4");
  struct TRow {
    const char* A;
    const char* B;
    bool Same;
  };
  for (const TRow& Row : std::vector<TRow>{{"HKFrame.hk_v1", "hkframe.HK_V1", true},
                                           {"", "", true},
                                           {"Mode 7", "MODE 7", true},
                                           {"K", "K ", false},
                                           {"ab", "abc", false},
                                           {"HK_V1", "HK-V1", false},
                                           {"@", "`", false},  // only letters have a case
                                           {"[", "{", false},
                                           {"\xC4", "\xE4", false},  // bytes beyond ASCII match only themselves
                                           {"\xC4", "\xC4", true}})
    EXPECT_EQ(SameTextIgnoringCase(Row.A, Row.B), Row.Same) << Row.A << " " << Row.B;
}

TEST(ProgressLine, FillsTheBarAndTellsRateAndTimeLeftFromThePassSoFar) {
  const struct {
    TProgressFigures Figures;
    int Width;
    std::string Line;
  } Cases[] = {{{0, 0, 1000, 0, 0}, 80, "[                            ]   0%  0 BaseFrames  ?/s  ? left"},
               {{0, 250, 1000, 1200, 3}, 80, "[#######                     ]  25%  1200 BaseFrames  400/s  0:09 left"},
               // From where the pass began: a later pass over the rest of a file.
               {{600, 800, 1000, 50, 2}, 62, "[#####     ]  50%  50 BaseFrames  25/s  0:02 left"},
               {{0, 1000, 1000, 9, 2}, 70, "[##################] 100%  9 BaseFrames  5/s  0:00 left"},
               {{0, 1, 3601, 7, 1}, 62, "[          ]   0%  7 BaseFrames  7/s  1:00:00 left"},
               {{0, 500, 1000, 10, 1}, 40, " 50%  10 BaseFrames  10/s  0:01 left"},
               {{0, 500, 1000, 10, 1}, 20, " 50%  10 BaseFrames"},
               {{0, 2000, 1000, 10, 1}, 62, "[##########] 100%  10 BaseFrames  10/s  0:00 left"}};
  for (const auto& C : Cases) EXPECT_EQ(ProgressLine(C.Figures, C.Width), C.Line) << C.Line;
}

TEST(TerminalProgress, DrawsOnlyForPassesOverMoreThan100MBAndEndsItsLine) {
  std::string Text;
  TTerminalProgress Progress([&Text](std::string_view Part) { Text += Part; }, 20);
  for (const std::int64_t Maximum : {std::int64_t{100'000'000}, std::int64_t{250'000'000}}) {
    Progress.SetMaximum(Maximum);
    Progress.ShowProgress();
    Progress.SetPosition(50'000'000);
    Progress.SetCounter("1");
    Progress.SetPosition(Maximum);
    Progress.SetCounter("12");
    Progress.ClearLine();
    Progress.SetCounter("123");
    Progress.HideProgress();
  }
  EXPECT_EQ(Text, "\r  0%  1 BaseFrames \r100%  12 BaseFrames\r                   \r\r100%  123 BaseFrame\n");
}
