#include <gtest/gtest.h>

#include <ctime>

#include "common/Convert.h"
#include "common/DateTime.h"
#include "common/FormatSettings.h"

namespace {
double At(int Year, int Month, int Day, int Hour = 0, int Minute = 0, int Second = 0) {
  return EncodeDateTime({Year, Month, Day, Hour, Minute, Second, 0});
}

int ThisYear() {
  const std::time_t Now = std::time(nullptr);
  return std::localtime(&Now)->tm_year + 1900;
}
}  // namespace

class DateTimeParse : public testing::Test {
 protected:
  void SetUp() override {
    FormatSettings().ShortDateFormat = "dd.MM.yyyy";
    FormatSettings().LongTimeFormat = "HH:mm:ss";
  }
  void TearDown() override { FormatSettings() = Saved; }

  // The parsed value, or -1 for a rejected text.
  static double Parsed(const std::string& Text) {
    double Value = -1;
    return TryStrToDateTime(Text, Value) ? Value : -1;
  }

  TFormatSettings Saved = FormatSettings();
};

TEST_F(DateTimeParse, ReadsDatesInTheOrderOfTheShortDateFormat) {
  EXPECT_EQ(Parsed("01.01.2003"), At(2003, 1, 1));
  EXPECT_EQ(Parsed("  29.2.2024 "), At(2024, 2, 29));
  EXPECT_EQ(Parsed("31/12-0003"), At(3, 12, 31));
  FormatSettings().ShortDateFormat = "M/d/yyyy";
  EXPECT_EQ(Parsed("1/31/2003"), At(2003, 1, 31));
  FormatSettings().ShortDateFormat = "yyyy-MM-dd";
  EXPECT_EQ(Parsed("2003-01-31"), At(2003, 1, 31));
  EXPECT_EQ(Parsed("01-31"), -1);  // the year may be left out only when it comes last
}

TEST_F(DateTimeParse, CompletesShortAndMissingYearsAroundTheCurrentOne) {
  const int Year = ThisYear();
  EXPECT_EQ(Parsed("5.6."), At(Year, 6, 5));
  EXPECT_EQ(Parsed("5.6"), At(Year, 6, 5));
  EXPECT_EQ(Parsed("5.6." + std::to_string((Year + 50) % 100)), At(Year + 50, 6, 5));
  EXPECT_EQ(Parsed("5.6." + std::to_string((Year + 51) % 100)), At(Year - 49, 6, 5));
  EXPECT_EQ(Parsed("5.6.7"), Parsed("5.6.07"));
  EXPECT_EQ(Parsed("5.6.0007"), At(7, 6, 5));
}

TEST_F(DateTimeParse, ReadsTimesWithOrWithoutAmPm) {
  EXPECT_EQ(Parsed("1.1.2003 12:30"), At(2003, 1, 1, 12, 30));
  EXPECT_EQ(Parsed("31.12.2003   23:59:59"), At(2003, 12, 31, 23, 59, 59));
  EXPECT_EQ(Parsed("1.1.2003 7"), At(2003, 1, 1, 7));
  EXPECT_EQ(Parsed("1.1.2003 12:05am"), At(2003, 1, 1, 0, 5));
  EXPECT_EQ(Parsed("1.1.2003 12 pM"), At(2003, 1, 1, 12));
  FormatSettings().ShortDateFormat = "M/d/yyyy";
  EXPECT_EQ(Parsed("1/31/2003 1:05:07 PM"), At(2003, 1, 31, 13, 5, 7));
  FormatSettings().LongTimeFormat = "HH.mm.ss";
  EXPECT_EQ(Parsed("1/31/2003 1.05"), At(2003, 1, 31, 1, 5));
}

TEST_F(DateTimeParse, RejectsEverythingElse) {
  for (const char* Text : {"30.02.2003",
                           "29.02.2003",
                           "0.1.2003",
                           "1.13.2003",
                           "1.1.0000",
                           "1.1.10000",
                           "001.1.2003",
                           "1.1.2003 24:00",
                           "1.1.2003 0:60",
                           "1.1.2003 1:2:60",
                           "1.1.2003 13 PM",
                           "1.1.2003 0 AM",
                           "1.1.2003 1:2:3:4",
                           "1.1.2003 12:",
                           "1.1.2003 123",
                           "1.1.2003 1 P",
                           "1.1.2003 1 AMX",
                           "1.1.2003x",
                           "1.1.2003 12:00 x",
                           "1..1.2003",
                           "1.1.2003.",
                           "1.1.1.1",
                           "1",
                           "1.1.2003T12",
                           "12:05",
                           "abc",
                           "",
                           "   "})
    EXPECT_EQ(Parsed(Text), -1) << Text;
  try {
    StrToDateTime("31.02.2003");
    ADD_FAILURE() << "accepted 31.02.2003";
  } catch (const EConvertError& Error) {
    EXPECT_STREQ(Error.what(), "'31.02.2003' is not a valid date and time");
  }
  EXPECT_EQ(StrToDateTime("01.01.2003"), At(2003, 1, 1));
}

TEST_F(DateTimeParse, ReadsTheIsoFormWhereTheSettingsDoNot) {
  for (const char* Format : {"dd.MM.yyyy", "M/d/yy"}) {
    FormatSettings().ShortDateFormat = Format;
    EXPECT_EQ(Parsed(" 2003-01-31 "), At(2003, 1, 31)) << Format;
    EXPECT_EQ(Parsed("2024-02-29  23:59:07"), At(2024, 2, 29, 23, 59, 7)) << Format;
    for (const char* Text : {"2003-1-31", "2003-02-30", "2003-01-31 12:00", "2003-01-31T12:00:00",
                             "2003-01-31 24:00:00", "0000-01-01", "2003-01-31x"})
      EXPECT_EQ(Parsed(Text), -1) << Format << " " << Text;
  }
  FormatSettings().ShortDateFormat = "yyyy-dd-MM";  // the settings come first
  EXPECT_EQ(Parsed("2003-01-02"), At(2003, 2, 1));
}
