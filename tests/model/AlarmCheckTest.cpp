#include <gtest/gtest.h>

#include <cmath>

#include "LogRecorder.h"
#include "StructureText.h"
#include "TempDir.h"
#include "project/AlarmCheck.h"
#include "structure/QuorinFramesDefinition.h"

namespace {

// Two BaseFrames built by hand: TEMP (raw 5, value 50), a Sub node holding
// TEMP (value 7) and temp (value 99); the second BaseFrame has TEMP 8.
class AlarmWalk : public testing::Test {
 protected:
  void SetUp() override {
    TLogRecorder Quiet;
    Definition = std::make_unique<TQuorinFramesDefinition>(
        Dir.Write("d.structure",
                  Lines({"[BaseFrame:8]", Row({"0", "1", "NUMBER", "TEMP", "TEMP*10"}),
                         Row({"1", "4", "SUBFRAME", "Sub", "x"}), "[Sub:4]", Row({"0", "1", "NUMBER", "TEMP", "TEMP"}),
                         Row({"1", "1", "NUMBER", "temp", "temp"})})),
        Messages);
    ASSERT_TRUE(Definition->Loaded);
    const auto RowOf = [&](const std::string& Frame, const std::string& Name) {
      for (std::size_t I = 0; I < Definition->Entries.size(); ++I)
        if (Definition->Entries[I].FrameName == Frame && Definition->Entries[I].VarName == Name)
          return static_cast<std::int16_t>(I);
      ADD_FAILURE() << Frame << "." << Name;
      return std::int16_t{0};
    };
    const auto Node = [&](std::int16_t Row, double Raw, double Value) {
      TDecodedNode& N = *Pool.New();
      N.DefIndex = Row;
      N.RawValue = Raw;
      N.Value = Value;
      return &N;
    };
    TDecodedNode* Temp = Node(RowOf("BaseFrame", "TEMP"), 5, 50);
    TDecodedNode* Sub = Node(RowOf("BaseFrame", "Sub"), 0, 0);
    Sub->Child = Node(RowOf("Sub", "TEMP"), 7, 7);
    Sub->Child->Next = Node(RowOf("Sub", "temp"), 99, 99);
    Temp->Next = Sub;
    First = Node(Definition->FindFrame("BaseFrame"), 0, 0);
    First->Child = Temp;
    First->Next = Node(Definition->FindFrame("BaseFrame"), 0, 0);
    First->Next->Child = Node(RowOf("BaseFrame", "TEMP"), 8, 80);
  }

  // The values of the nodes that reach Level, through the columns the
  // alarm's rows take of both BaseFrames.
  std::vector<double> Fired(char Operator, double Threshold, const std::string& Name = "TEMP",
                            std::optional<double> Warning = {}, TAlarmLevel Level = TAlarmLevel::Alarm) {
    const TAlarmEntry Alarm{Threshold, Operator, Name, Warning};
    TFrameColumns Columns(Definition->Entries.size());
    const std::vector<std::int32_t> Rows = AlarmRows(Alarm, *Definition);
    for (const std::int32_t Row : Rows) Columns.Use(Row);
    for (const TDecodedNode* Root = First; Root; Root = Root->Next) Columns.Take(Root);
    std::vector<const TFrameColumn*> Taken;
    for (const std::int32_t Row : Rows) Taken.push_back(Columns.Column(Row));
    std::vector<double> Values;
    for (const TTriggeredNode& Node : TriggeredNodes(Alarm, Taken, From))
      if (Node.Level == Level) Values.push_back(Node.Value);
    return Values;
  }

  std::uint32_t From = 0;

  TTempDir Dir;
  std::vector<std::string> Messages;
  std::unique_ptr<TQuorinFramesDefinition> Definition;
  TNodePool Pool;
  TDecodedNode* First = nullptr;
};

TEST_F(AlarmWalk, ComparesTheTransformedValueOfEveryMatchingNodeInWalkOrder) {
  // Raw 5 is below 20, the value 50 is not.
  EXPECT_EQ(Fired('>', 20), (std::vector<double>{50, 80}));
  // A name in two frames fires in both.
  EXPECT_EQ(Fired('>', 6), (std::vector<double>{50, 7, 80}));
  EXPECT_EQ(Fired('<', 50), (std::vector<double>{7}));
  EXPECT_EQ(Fired('=', 80), (std::vector<double>{80}));
  EXPECT_TRUE(Fired('#', 0).empty());
  // Names match with case only.
  EXPECT_EQ(Fired('>', 0, "temp"), (std::vector<double>{99}));
  EXPECT_TRUE(Fired('>', 0, "Temp").empty());
  // Values past the warning level but short of the alarm are warnings, on either side.
  EXPECT_EQ(Fired('>', 60, "TEMP", 6, TAlarmLevel::Warning), (std::vector<double>{50, 7}));
  EXPECT_EQ(Fired('>', 60, "TEMP", 6), (std::vector<double>{80}));
  EXPECT_EQ(Fired('<', 10, "TEMP", 60, TAlarmLevel::Warning), (std::vector<double>{50}));
  EXPECT_EQ(Fired('<', 10, "TEMP", 60), (std::vector<double>{7}));
}

TEST_F(AlarmWalk, StartsAtTheGivenBaseFrame) {
  From = 1;
  EXPECT_EQ(Fired('>', 0), (std::vector<double>{80}));
}

TEST(AlarmTriggers, AValueThatIsNoNumberNeverTriggers) {
  const double NaN = std::nan("");
  for (char Operator : {'<', '=', '>'}) EXPECT_FALSE(AlarmTriggers({0, Operator, "X", {}}, NaN)) << Operator;
}

TEST(AlarmTexts, WriteBothNumbersWithTheSettingsInUse) {
  const TAlarmEntry Alarm{25.5, '>', "TEMP1", 20};
  EXPECT_EQ(AlarmCaption(Alarm), "TEMP1 > 25.5 (warning 20)");
  EXPECT_EQ(AlarmLogText(Alarm, 30.25), "Alarm triggered: TEMP1 > 25.5 with value: 30.25");
  EXPECT_EQ(AlarmLogText(Alarm, 22, TAlarmLevel::Warning), "Warning level reached: TEMP1 > 20 with value: 22");
  EXPECT_EQ(AlarmNoticeText(Alarm, 1E-5), "Alarm triggered: TEMP1 > 25.5\r\nWith value: 1E-5");
  EXPECT_EQ(AlarmNoticeText(Alarm, 30, 0, 7),
            "Alarm triggered: TEMP1 > 25.5\r\nWith value: 30\r\n(7 more hits in later updates)");
  EXPECT_EQ(AlarmNoticeText(Alarm, 30, 2, 1),
            "Alarm triggered: TEMP1 > 25.5\r\nWith value: 30\r\n(2 more hits in this update)\r\n"
            "(1 more hits in later updates)");
}

TEST_F(AlarmWalk, CollectsEachNameOnceWithoutRegardToCaseInOrderOfFirstAppearance) {
  std::vector<std::string> Names{"Other"};
  for (const TDecodedNode* Root = First; Root; Root = Root->Next) CollectVariableNames(*Root, *Definition, Names);
  EXPECT_EQ(Names, (std::vector<std::string>{"Other", "TEMP", "Sub", "BaseFrame"}));
}

}  // namespace
