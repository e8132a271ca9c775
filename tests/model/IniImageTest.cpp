#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "LogRecorder.h"
#include "TempDir.h"
#include "common/Convert.h"
#include "common/FormatSettings.h"
#include "project/IniImage.h"

namespace {
TIniImage FromText(const std::string& Text) {
  TIniImage Image;
  Image.LoadFromText(Text);
  return Image;
}
}  // namespace

TEST(IniImage, ReadsLinesOfAnyEndingTrimmedWithoutCommentsAndLeadingLines) {
  const TIniImage Image = FromText(
      "\xEF\xBB\xBF"
      "orphan=1\n; note\r\n  [ First ]\t\r\n"
      "\x01 Key = some value \x1F\rbare line\n\n=empty key\r\n[Second]\nA=1=2");
  EXPECT_EQ(Image.ReadString("First", "Key", "-"), "some value");
  EXPECT_EQ(Image.ReadString("First", "", "-"), "empty key");
  EXPECT_EQ(Image.ReadString("Second", "A", "-"), "1=2");
  EXPECT_FALSE(Image.ValueExists("First", "bare line"));
  EXPECT_FALSE(Image.SectionExists("orphan"));
  EXPECT_EQ(Image.Text(),
            "[First]\r\nKey=some value\r\nbare line\r\n=empty key\r\n\r\n"
            "[Second]\r\nA=1=2\r\n\r\n");
}

TEST(IniImage, LooksUpWithoutCaseAndTakesTheLastOfDuplicates) {
  TIniImage Image = FromText("[Main]\nX=1\nx=2\nY=old\n[Other]\nZ=z\n[MAIN]\nX=3\nX=4\nW=w\n");
  EXPECT_EQ(Image.ReadString("main", "x", "-"), "4");
  EXPECT_EQ(Image.ReadString("Main", "Y", "-"), "-");  // hidden by the later [MAIN]
  EXPECT_TRUE(Image.ValueExists("mAiN", "w"));
  EXPECT_EQ(Image.SectionNames(), (std::vector<std::string>{"Main", "Other"}));
  EXPECT_EQ(Image.SectionKeys("main"), (std::vector<std::string>{"X", "W"}));

  Image.WriteString("Main", "x", "5");
  EXPECT_EQ(Image.Text(),
            "[Main]\r\nX=1\r\nx=2\r\nY=old\r\n\r\n[Other]\r\nZ=z\r\n\r\n"
            "[MAIN]\r\nX=3\r\nX=5\r\nW=w\r\n\r\n");
}

TEST(IniImage, ReplacesValuesWhereTheyStandAndAppendsNewOnes) {
  TIniImage Image = FromText("[A]\nOne=1\nkept line\nTwo=2\n[B]\nUnknown=u\n");
  Image.WriteString("a", "ONE", "first");
  Image.WriteString("A", "Three", "3");
  Image.WriteInteger("C", "Int", -12);
  Image.WriteBool("C", "Flag", true);
  Image.WriteFloat("C", "Float", 0.25);
  EXPECT_EQ(Image.Text(),
            "[A]\r\nOne=first\r\nkept line\r\nTwo=2\r\nThree=3\r\n\r\n"
            "[B]\r\nUnknown=u\r\n\r\n"
            "[C]\r\nInt=-12\r\nFlag=1\r\nFloat=0.25\r\n\r\n");
  EXPECT_EQ(Image.ReadInteger("A", "Three", 0), 3);
}

TEST(IniImage, ReadsIntegersInDecimalOrHexadecimalAndNothingElse) {
  const TIniImage Image = FromText(
      "[N]\nA=-2147483648\nB=+2147483647\nC=0x7FFFFFFF\nD=0Xff\nE=007\n"
      "F=2147483648\nG=0x80000000\nH=yes\nI=12a\nJ=1.5\nK=\nL=0x\nM=-0x1\nN= \nO=0x000000010\nP=-\n");
  EXPECT_EQ(Image.ReadInteger("N", "A", 1), -2147483647 - 1);
  EXPECT_EQ(Image.ReadInteger("N", "B", 1), 2147483647);
  EXPECT_EQ(Image.ReadInteger("N", "C", 1), 0x7FFFFFFF);
  EXPECT_EQ(Image.ReadInteger("N", "D", 1), 255);
  EXPECT_EQ(Image.ReadInteger("N", "E", 1), 7);
  EXPECT_EQ(Image.ReadInteger("N", "O", 1), 16);  // leading zeros do not count against the range
  TLogRecorder Log;
  for (const char* Key : {"F", "G", "H", "I", "J", "K", "L", "M", "N", "P", "missing"})
    EXPECT_EQ(Image.ReadInteger("N", Key, 99), 99) << Key;
  EXPECT_EQ(Log.Entries.size(), 10u);  // all but the missing key
  EXPECT_TRUE(Image.ReadBool("N", "D", false));
  EXPECT_FALSE(Image.ReadBool("N", "H", false));
  EXPECT_TRUE(Image.ReadBool("N", "H", true));
  EXPECT_EQ(Log.Lines().back(), "[Warn] Cannot read number 'yes' of key H in section N, using 1.");
}

class IniImageReadFloat : public testing::Test {
 protected:
  void TearDown() override { FormatSettings() = Saved; }
  TFormatSettings Saved = FormatSettings();
};

TEST_F(IniImageReadFloat, TakesEitherSeparatorAndWarnsOfOtherTexts) {
  TLogRecorder Log;
  const TIniImage Image = FromText("[F]\nPoint=25.5\nComma=25,5\nExp=-1.5E+3\nBad=1e\nBoth=1,5.5\n");
  EXPECT_EQ(Image.ReadFloat("F", "Point", 7), 25.5);
  EXPECT_EQ(Image.ReadFloat("F", "Comma", 7), 25.5);
  EXPECT_EQ(Image.ReadFloat("F", "Exp", 7), -1500);
  EXPECT_EQ(Image.ReadFloat("F", "Bad", 7.5), 7.5);
  FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(Image.ReadFloat("F", "Point", 7), 25.5);
  EXPECT_EQ(Image.ReadFloat("F", "Comma", 7), 25.5);
  EXPECT_EQ(Image.ReadFloat("F", "Both", 7), 7);
  EXPECT_EQ(Image.ReadFloat("F", "missing", 7), 7);
  EXPECT_EQ(Log.Lines(),
            (std::vector<std::string>{"[Warn] Cannot read number '1e' of key Bad in section F, using 7.5.",
                                      "[Warn] Cannot read number '1,5.5' of key Both in section F, using 7."}));
}

TEST_F(IniImageReadFloat, ConvertsTheNumberSyntaxOnly) {
  double Value = 0;
  for (const auto& [Text, Expected] : std::vector<std::pair<std::string, double>>{
           {" +3 ", 3}, {"5.", 5}, {".5", 0.5}, {"2e-3", 0.002}, {"1e-400", 0}, {"-0.125E1", -1.25}})
    EXPECT_TRUE(TryStrToFloat(Text, Value) && Value == Expected) << Text;
  for (const char* Text : {"", " ", ".", "-", "1e", "1e+", "1 5", "0x10", "inf", "nan", "1e309", "1.5.", "1,5"}) {
    Value = 42;
    EXPECT_FALSE(TryStrToFloat(Text, Value)) << Text;
    EXPECT_EQ(Value, 42) << Text;
  }
  EXPECT_EQ(StrToFloat("12.25"), 12.25);
  try {
    StrToFloat("12,25");
    ADD_FAILURE() << "accepted 12,25";
  } catch (const EConvertError& Error) {
    EXPECT_STREQ(Error.what(), "'12,25' is not a valid floating point value");
  }
}

TEST_F(IniImageReadFloat, DoesNotDependOnTheProcessLocale) {
  const std::string Previous = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no decimal-comma locale";
  double Point = 0, Comma = 0;
  const bool PointRead = TryStrToFloat("1.5", Point), CommaRead = TryStrToFloat("1,5", Comma);
  std::setlocale(LC_ALL, Previous.c_str());
  EXPECT_TRUE(PointRead);
  EXPECT_EQ(Point, 1.5);
  EXPECT_FALSE(CommaRead);
}

TEST(IniImage, SavesAndLoadsFiles) {
  const TTempDir Dir;
  TIniImage Image = FromText("[S]\nK=v\n");
  Image.SaveToFile(Dir.File("a.ini"));
  std::ifstream In(Dir.File("a.ini"), std::ios::binary);
  std::stringstream Content;
  Content << In.rdbuf();
  EXPECT_EQ(Content.str(), "[S]\r\nK=v\r\n\r\n");

  TIniImage Loaded;
  Loaded.LoadFromFile(Dir.File("a.ini"));
  EXPECT_EQ(Loaded.ReadString("S", "K", "-"), "v");
  Loaded.LoadFromFile(Dir.File("missing.ini"));
  EXPECT_EQ(Loaded.Text(), "");
}

TEST(IniImage, ReportsFilesItCannotReadOrWrite) {
  const TTempDir Dir;
  TIniImage Image = FromText("[S]\nK=v\n");
  const std::string Folder = Dir.Path.string();
  try {
    Image.LoadFromFile(Folder);
    ADD_FAILURE() << "read a folder";
  } catch (const EFileError& Error) {
    EXPECT_EQ(std::string(Error.what()), "Cannot open file \"" + Folder + "\".");
  }
  EXPECT_EQ(Image.ReadString("S", "K", "-"), "v");
  const std::string Target = Dir.File("no/such/folder.ini");
  try {
    Image.SaveToFile(Target);
    ADD_FAILURE() << "wrote into a missing folder";
  } catch (const EFileError& Error) {
    EXPECT_EQ(std::string(Error.what()), "Cannot create file \"" + Target + "\".");
  }
}
