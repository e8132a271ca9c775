#include <gtest/gtest.h>

#include "LogRecorder.h"
#include "TempDir.h"
#include "common/FormatSettings.h"
#include "project/ProjectFile.h"

namespace {
TIniImage FromText(const std::string& Text) {
  TIniImage Image;
  Image.LoadFromText(Text);
  return Image;
}

TProjectSettings Sample() {
  TProjectSettings S;
  S.StructureFile = "C:\\data\\hk.structure";
  S.PacketFileA = "C:\\data\\run1.dat";
  S.Tracking = true;
  S.UpdateInterval = 5;
  S.UpdateOnFileChange = true;
  S.Notices = false;
  S.DataSeries = {{"HK.TEMP1", {}}};
  S.Alarms = {{{25.5, '>', "TEMP1", {}}, true}};
  return S;
}

std::vector<std::string> Captions(const std::vector<TDataSeries>& DataSeries) {
  std::vector<std::string> Result;
  for (const TDataSeries& Entry : DataSeries) Result.push_back(Entry.Caption);
  return Result;
}

std::vector<TProjectAlarm> NumberedAlarms(int Count) {
  std::vector<TProjectAlarm> Alarms;
  for (int K = 0; K < Count; ++K) Alarms.push_back({{K + 0.5, '<', "V" + std::to_string(K), {}}, K % 2 == 0});
  return Alarms;
}
}  // namespace

TEST(ProjectFile, WritesAFreshFileInKeyOrder) {
  TIniImage Image;
  WriteProjectSettings(Image, Sample());
  EXPECT_EQ(Image.Text(),
            "[VorexProject]\r\nStructureFile=C:\\data\\hk.structure\r\nPaketFileA=C:\\data\\run1.dat\r\n"
            "PaketFileB=\r\nTracking=1\r\nUpdateInterval=5\r\nUpdateOnFileChange=1\r\nNotices=0\r\nResync=0\r\n\r\n"
            "[DataSeries]\r\nCount=1\r\n0=HK.TEMP1\r\n\r\n[Alarms]\r\n"
            "Count=1\r\n\r\n[Alarm0]\r\nVarName=TEMP1\r\nOperator=>\r\nValue=25.5\r\nActive=1\r\n\r\n");
  EXPECT_EQ(AlarmCaption(Sample().Alarms[0].Alarm), "TEMP1 > 25.5");
}

TEST(ProjectFile, WritesEmptyListsAsCountZero) {
  TIniImage Image;
  WriteProjectSettings(Image, TProjectSettings());
  EXPECT_EQ(Image.Text(),
            "[VorexProject]\r\nStructureFile=\r\nPaketFileA=\r\nPaketFileB=\r\nTracking=0\r\nUpdateInterval=60\r\n"
            "UpdateOnFileChange=0\r\nNotices=1\r\nResync=0\r\n\r\n"
            "[DataSeries]\r\nCount=0\r\n\r\n[Alarms]\r\nCount=0\r\n\r\n");
}

TEST(ProjectFile, SavingFewerAlarmsLeavesTheOthersButReadsTheCount) {
  TProjectSettings Settings = Sample();
  Settings.Alarms = NumberedAlarms(5);
  TIniImage Image;
  WriteProjectSettings(Image, Settings);
  Settings.Alarms = NumberedAlarms(2);
  Settings.Alarms[1].Alarm.VarName = "Changed";
  WriteProjectSettings(Image, Settings);
  EXPECT_EQ(Image.SectionNames(), (std::vector<std::string>{"VorexProject", "DataSeries", "Alarms", "Alarm0", "Alarm1",
                                                            "Alarm2", "Alarm3", "Alarm4"}));
  EXPECT_EQ(ReadProjectSettings(Image, TProjectSettings()), Settings);
}

TEST(ProjectFile, WritesAddedPlotVariablesBesideTheirCaptionAndEmptiesThemWhenGone) {
  TProjectSettings Settings = Sample();
  Settings.DataSeries = {{"HK.TEMP1", {"HK.TEMP2", "SC.X"}}, {"B.Y", {}}};
  TIniImage Image;
  WriteProjectSettings(Image, Settings);
  EXPECT_NE(Image.Text().find("[DataSeries]\r\nCount=2\r\n0=HK.TEMP1\r\n0.Added=HK.TEMP2,SC.X\r\n1=B.Y\r\n\r\n"),
            std::string::npos)
      << Image.Text();
  EXPECT_EQ(ReadProjectSettings(Image, {}), Settings);
  Settings.DataSeries[0].Added.clear();
  WriteProjectSettings(Image, Settings);
  EXPECT_EQ(Image.ReadString("DataSeries", "0.Added", "?"), "");
  EXPECT_EQ(ReadProjectSettings(Image, {}), Settings);
}

TEST(ProjectFile, ReadsWithDefaultsAndWithoutCase) {
  TProjectSettings Current;
  Current.PacketFileA = "a.dat";
  Current.PacketFileB = "b.dat";
  Current.Tracking = true;
  const TIniImage Image = FromText(
      "[vorexproject]\nstructurefile=s.structure\npaketfileb=\ntracking=yes\nupdateinterval=0\n"
      "[dataseries]\ncount=3\n1=B.Y\n0=A.X\n"
      "[ALARMS]\nCOUNT=3\n[alarm0]\nvalue=-2\noperator=\nactive=0x1\n[ALARM2]\nVARNAME=P\nOPERATOR=<>\nvalue=x\n");
  TLogRecorder Log;
  const TProjectSettings Read = ReadProjectSettings(Image, Current);
  EXPECT_EQ(Log.Lines(), (std::vector<std::string>{
                             "[Warn] Cannot read number 'yes' of key Tracking in section VorexProject, using 1.",
                             "[Warn] Cannot read number 'x' of key Value in section Alarm2, using 0."}));
  EXPECT_EQ(Read.StructureFile, "s.structure");
  EXPECT_EQ(Read.PacketFileA, "a.dat");
  EXPECT_EQ(Read.PacketFileB, "");
  EXPECT_TRUE(Read.Tracking);
  EXPECT_EQ(Read.UpdateInterval, 1);
  EXPECT_EQ(Captions(Read.DataSeries), (std::vector<std::string>{"A.X", "B.Y", "Change me!"}));
  EXPECT_EQ(Read.Alarms,
            (std::vector<TProjectAlarm>{
                {{-2, '=', "Unknown", {}}, true}, {{0, '=', "Unknown", {}}, false}, {{0, '<', "P", {}}, false}}));

  Current.Tracking = false;
  EXPECT_FALSE(ReadProjectSettings(Image, Current).Tracking);
  const TProjectSettings Empty = ReadProjectSettings(FromText("[DataSeries]\nCount=-4\n[Alarms]\nCount=x\n"), Current);
  EXPECT_TRUE(Empty.DataSeries.empty() && Empty.Alarms.empty());
  EXPECT_EQ(Empty.StructureFile, "");
  EXPECT_EQ(Empty.PacketFileB, "b.dat");
  EXPECT_EQ(Empty.UpdateInterval, 60);
  EXPECT_FALSE(Empty.UpdateOnFileChange);
  EXPECT_TRUE(Empty.Notices);
  EXPECT_EQ(ReadProjectSettings(FromText("[VorexProject]\nUpdateInterval=999999\n"), Current).UpdateInterval, 86400);
}

TEST(ProjectFile, ReadsAValueWrittenWithEitherSeparator) {
  const TFormatSettings Saved = FormatSettings();
  FormatSettings().DecimalSeparator = ',';
  TProjectSettings Settings = Sample();
  TIniImage Image;
  WriteProjectSettings(Image, Settings);
  EXPECT_EQ(Image.ReadString("Alarm0", "Value", ""), "25,5");
  EXPECT_EQ(AlarmCaption(Settings.Alarms[0].Alarm), "TEMP1 > 25,5");
  EXPECT_EQ(ReadProjectSettings(Image, {}).Alarms[0].Alarm.Value, 25.5);
  FormatSettings().DecimalSeparator = '.';
  const double Value = ReadProjectSettings(Image, {}).Alarms[0].Alarm.Value;
  FormatSettings() = Saved;
  EXPECT_EQ(Value, 25.5);
}

TEST(ProjectFile, LooksLikeOneWithAProjectSectionAndNoNulByte) {
  for (const auto& [Text, Looks] :
       std::vector<std::pair<std::string, bool>>{{"[VorexProject]\n", true},
                                                 {"junk\n[alarms]\ncount=1\n", true},
                                                 {"[DataSeries]\n", true},
                                                 {"", false},
                                                 {"[BaseFrame:280]\nVorexProject=1\n", false},
                                                 {std::string("[VorexProject]\nTracking=1\0", 26), false}})
    EXPECT_EQ(LooksLikeProjectFile(FromText(Text)), Looks) << Text;
}

TEST(ProjectFile, LoadsOnlyPresentEntriesOfAHugeCount) {
  TLogRecorder Log;
  const TIniImage Image = FromText(
      "[DataSeries]\nCount=2147483647\n7=Seven\nx=no\n-1=no\n07=no\n1=One\n"
      "[Alarms]\nCount=100001\n[Alarm100001]\nVarName=Beyond\n[alarm9]\nVarName=Nine\n[Alarm3]\n[Alarm03]\n");
  const TProjectSettings Read = ReadProjectSettings(Image, {});
  EXPECT_EQ(Captions(Read.DataSeries), (std::vector<std::string>{"One", "Seven"}));
  EXPECT_EQ(Read.Alarms, (std::vector<TProjectAlarm>{{{0, '=', "Unknown", {}}, false}, {{0, '=', "Nine", {}}, false}}));
  EXPECT_EQ(
      Log.Lines(),
      (std::vector<std::string>{
          "[Warn] Count 2147483647 in section [DataSeries] is too large; loading only the entries the file holds.",
          "[Warn] Count 100001 in section [Alarms] is too large; loading only the entries the file holds."}));

  Log.Clear();
  ReadProjectSettings(FromText("[DataSeries]\nCount=100000\n"), {});
  EXPECT_TRUE(Log.Entries.empty());
}

TEST(ProjectFile, RoundTripsThroughAFileKeepingOtherContent) {
  const TTempDir Dir;
  const std::string Path = Dir.Write("p.vorex", "[Extra]\nKeep=me\n[VorexProject]\nStructureFile=old\nMore=1\n");
  TProjectSettings Settings = Sample();
  Settings.DataSeries = {{"A.X", {}}, {"B.Y", {}}};
  Settings.Alarms = NumberedAlarms(3);
  Settings.Alarms[1].Alarm.Warning = 2.5;
  Settings.Resync = true;
  TIniImage Image;
  Image.LoadFromFile(Path);
  WriteProjectSettings(Image, Settings);
  Image.SaveToFile(Path);

  TIniImage Loaded;
  Loaded.LoadFromFile(Path);
  EXPECT_EQ(ReadProjectSettings(Loaded, {}), Settings);
  EXPECT_EQ(Loaded.ReadString("Extra", "Keep", ""), "me");
  EXPECT_EQ(Loaded.SectionKeys("VorexProject"),
            (std::vector<std::string>{"StructureFile", "More", "PaketFileA", "PaketFileB", "Tracking", "UpdateInterval",
                                      "UpdateOnFileChange", "Notices", "Resync"}));
  // Switched off, the option and the warning level stay off when read back.
  Settings.Resync = false;
  Settings.Alarms[1].Alarm.Warning.reset();
  WriteProjectSettings(Loaded, Settings);
  EXPECT_EQ(ReadProjectSettings(Loaded, {}), Settings);
}
