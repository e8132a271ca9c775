#include <gtest/gtest.h>

#include <limits>

#include "LogRecorder.h"
#include "StructureText.h"
#include "TempDir.h"
#include "browser/BrowserTexts.h"
#include "common/FormatSettings.h"
#include "common/Rounding.h"
#include "structure/QuorinFramesDefinition.h"

namespace {

// 2007-04-01 00:00 in days since 1899-12-30.
constexpr double April1st2007 = 39173;

// Rows of every kind, the frames a BaseFrame caption looks into, and frames
// whose names do or do not begin with "Sc".
std::string TextsStructure() {
  return Lines({"[BaseFrame:280]",
                Row({"0", "1", "NUMBER", "N", "N*2", "\"Counter\""}),
                Row({"1", "0,1", "BOOLEAN", "B", "B", "\"Flag\""}),
                Row({"2", "2", "HEX", "H", "H"}),
                Row({"4", "1", "TIME", "TI", "TI/24", "\"Uptime\""}),
                Row({"5", "4", "TEXT", "T", "T", "\"Note\""}),
                Row({"-1", "0", "NUMBER", "C", "N&+1", "\"Computed\""}),
                Row({"10", "10", "SUBFRAME", "DataFieldHeader", "DataFieldHeader"}),
                Row({"20", "256", "SUBFRAME", "SUB_HKSC", "SUB_HKSC"}),
                "[DataFieldHeader:10]",
                Row({"0", "2", "NUMBER", "OBT", "OBT"}),
                Row({"-1", "0", "TIME", "OOBT", "OBT&/86400"}),
                "[HKFrame:256]",
                Row({"0", "1", "NUMBER", "HK_V1", "HK_V1"}),
                "[ScienceFrame:256]",
                Row({"0", "1", "NUMBER", "MODE", "MODE"}),
                Row({"2", "10", "SUBFRAME", "SUB_SC", "SUB_SC"}),
                "[SCIENCE:256]",
                "[Sc:256]",
                "[sc_lower:256]",
                "[S:256]",
                "[FirstFrame:10]",
                Row({"0", "1", "NUMBER", "X", "X"})});
}

// A definition loaded from text and decoded nodes built by hand against it.
struct TTexts {
  TTempDir Dir;
  std::vector<std::string> Messages;
  TNodePool Pool;
  std::unique_ptr<TQuorinFramesDefinition> Definition;

  explicit TTexts(const std::string& Structure = TextsStructure()) {
    TLogRecorder Quiet;
    Definition = std::make_unique<TQuorinFramesDefinition>(Dir.Write("d.structure", Structure), Messages);
  }

  std::int16_t RowOf(const std::string& Frame, const std::string& Var) const {
    for (std::size_t I = 0; I < Definition->Entries.size(); ++I) {
      const TDefinitionEntry& E = Definition->Entries[I];
      if (E.FrameName == Frame && E.VarName == Var && E.Kind != ekFrame) return static_cast<std::int16_t>(I);
    }
    ADD_FAILURE() << "no row " << Frame << "." << Var;
    return 0;
  }
  std::int16_t HeaderOf(const std::string& Frame) const {
    return static_cast<std::int16_t>(Definition->FindFrame(Frame));
  }

  TDecodedNode* Var(const std::string& Frame, const std::string& Name, double Value = 0, double Raw = 0) {
    TDecodedNode* N = Pool.New();
    N->DefIndex = N->FrameIndex = RowOf(Frame, Name);
    N->Value = Value;
    N->RawValue = Raw;
    return N;
  }
  // A sub-frame node of row Frame.Name decoded with the frame Selected.
  TDecodedNode* Sub(const std::string& Frame, const std::string& Name, const std::string& Selected,
                    std::initializer_list<TDecodedNode*> Children = {}) {
    TDecodedNode* N = Pool.New();
    N->DefIndex = RowOf(Frame, Name);
    N->FrameIndex = HeaderOf(Selected);
    Link(N, Children, N);
    return N;
  }
  // A BaseFrame root; the nodes of its own list have no parent.
  TDecodedNode* Root(std::int32_t Position, std::initializer_list<TDecodedNode*> Children = {}) {
    TDecodedNode* N = Pool.New();
    N->DefIndex = HeaderOf("BaseFrame");
    N->Position = Position;
    Link(N, Children, nullptr);
    return N;
  }
  static void Link(TDecodedNode* Node, std::initializer_list<TDecodedNode*> Children, TDecodedNode* Parent) {
    TDecodedNode* Last = nullptr;
    for (TDecodedNode* Child : Children) {
      (Last ? Last->Next : Node->Child) = Child;
      Child->SetParent(Parent);
      Last = Child;
    }
  }

  // A DataFieldHeader whose OOBT is Days.
  TDecodedNode* Header(double Days) {
    return Sub("BaseFrame", "DataFieldHeader", "DataFieldHeader",
               {Var("DataFieldHeader", "OBT"), Var("DataFieldHeader", "OOBT", Days)});
  }

  std::string Name(const TDecodedNode* Node, double StartTime = April1st2007) const {
    return NodeNameText(*Definition, *Node, StartTime);
  }
  std::string Value(const TDecodedNode* Node) const { return NodeValueText(*Definition, *Node); }
  std::string Hint(const TDecodedNode* Node) const { return NodeHintText(*Definition, *Node, Messages); }
};

// Swaps in other locale settings for the life of the object.
class TLocaleSettings {
 public:
  explicit TLocaleSettings(char DecimalSeparator) : Saved(FormatSettings()) {
    FormatSettings().DecimalSeparator = DecimalSeparator;
    FormatSettings().ShortDateFormat = "M/d/yyyy";
    FormatSettings().LongTimeFormat = "h:mm:ss AP";
  }
  ~TLocaleSettings() { FormatSettings() = Saved; }
  TLocaleSettings(const TLocaleSettings&) = delete;
  TLocaleSettings& operator=(const TLocaleSettings&) = delete;

 private:
  TFormatSettings Saved;
};

}  // namespace

TEST(RoundHalfEven, RoundsHalvesToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
  EXPECT_EQ(RoundHalfEven(-1.5), -2);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
  EXPECT_EQ(RoundHalfEven(2.5001), 3);
  EXPECT_EQ(RoundHalfEven(-2.5001), -3);
  EXPECT_EQ(RoundHalfEven(65535.0), 65535);
}

TEST(RoundHalfEven, SaturatesBeyondSixtyFourBitsAndGivesZeroForNaN) {
  EXPECT_EQ(RoundHalfEven(1E300), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(RoundHalfEven(-1E300), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(RoundHalfEven(std::numeric_limits<double>::infinity()), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(RoundHalfEven(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(HexWordText, WritesTheNearestIntegerInUpperCaseHexOfAtLeastFourDigits) {
  EXPECT_EQ(HexWordText(255), "0x00FF");
  EXPECT_EQ(HexWordText(0), "0x0000");
  EXPECT_EQ(HexWordText(2748), "0x0ABC");
  EXPECT_EQ(HexWordText(65535), "0xFFFF");
  EXPECT_EQ(HexWordText(0x12345), "0x12345");
  EXPECT_EQ(HexWordText(10.5), "0x000A");
  EXPECT_EQ(HexWordText(11.5), "0x000C");
  EXPECT_EQ(HexWordText(10.51), "0x000B");
}

TEST(HexWordText, NegativeValuesGiveTheSixteenDigitsOfTheirSixtyFourBitForm) {
  EXPECT_EQ(HexWordText(-1), "0xFFFFFFFFFFFFFFFF");
  EXPECT_EQ(HexWordText(-256), "0xFFFFFFFFFFFFFF00");
  EXPECT_EQ(HexWordText(-999), "0xFFFFFFFFFFFFFC19");
  EXPECT_EQ(HexWordText(-2.5), "0xFFFFFFFFFFFFFFFE");
  // Rounds to zero, which has no sign.
  EXPECT_EQ(HexWordText(-0.5), "0x0000");
}

TEST(NodeValueText, BooleansAreTrueOnlyForAPositiveRawValue) {
  TTexts T;
  EXPECT_EQ(T.Value(T.Var("BaseFrame", "B", 1, 0)), "False");
  EXPECT_EQ(T.Value(T.Var("BaseFrame", "B", 0, 0.5)), "True");
  EXPECT_EQ(T.Value(T.Var("BaseFrame", "B", 1, 1)), "True");
  EXPECT_EQ(T.Value(T.Var("BaseFrame", "B", 1, -1)), "False");
}

TEST(NodeValueText, HexVariablesShowTheirTransformedValueAsAHexWord) {
  TTexts T;
  EXPECT_EQ(T.Value(T.Var("BaseFrame", "H", 10.5, 3)), "0x000A");
  EXPECT_EQ(T.Value(T.Var("BaseFrame", "H", 11.5, 3)), "0x000C");
  EXPECT_EQ(T.Value(T.Var("BaseFrame", "H", 255, 3)), "0x00FF");
  EXPECT_EQ(T.Value(T.Var("BaseFrame", "H", -1, 3)), "0xFFFFFFFFFFFFFFFF");
}

TEST(NodeValueText, TimeVariablesShowWholeDaysAndTheTimeOfDayWithMilliseconds) {
  TTexts T;
  EXPECT_EQ(T.Value(T.Var("BaseFrame", "TI", 0.25, 6)), "0 06:00:00:0");
  EXPECT_EQ(T.Value(T.Var("BaseFrame", "TI", 2.5)), "2 12:00:00:0");
  EXPECT_EQ(T.Value(T.Var("BaseFrame", "TI", 400.75)), "400 18:00:00:0");
  EXPECT_EQ(T.Value(T.Var("BaseFrame", "TI", 3723.045 / 86400)), "0 01:02:03:45");
  EXPECT_EQ(T.Value(T.Var("BaseFrame", "TI", 1 + 59.5 / 86400)), "1 00:00:59:500");
  // Before day 0 the day counts down and the time of day still counts up.
  EXPECT_EQ(T.Value(T.Var("BaseFrame", "TI", -0.25)), "-1 06:00:00:0");
  EXPECT_EQ(T.Value(T.Var("BaseFrame", "TI", -999)), "-999 00:00:00:0");
  // A transform giving negative zero still is day 0.
  EXPECT_EQ(T.Value(T.Var("BaseFrame", "TI", -0.0)), "0 00:00:00:0");
}

TEST(NodeValueText, NumbersShowAtMostThreeDecimalsWithoutTrailingZeros) {
  TTexts T;
  const auto Number = [&](double Value) { return T.Value(T.Var("BaseFrame", "N", Value, 7)); };
  EXPECT_EQ(Number(12.34567), "12.346");
  EXPECT_EQ(Number(3), "3");
  EXPECT_EQ(Number(0.5), "0.5");
  EXPECT_EQ(Number(0.1 + 0.2), "0.3");
  EXPECT_EQ(Number(-0.25), "-0.25");
  EXPECT_EQ(Number(0.0004), "0");
  EXPECT_EQ(Number(-999), "-999");
  EXPECT_EQ(Number(1234567.1), "1234567.1");
  EXPECT_EQ(Number(2.9996), "3");
  // A computed variable is a number like any other.
  EXPECT_EQ(T.Value(T.Var("BaseFrame", "C", 1.125)), "1.125");
}

TEST(NodeValueText, FramesAndSubframesAreEmptyAndTextsReadMessage) {
  TTexts T;
  EXPECT_EQ(T.Value(T.Root(0)), "");
  EXPECT_EQ(T.Value(T.Sub("BaseFrame", "SUB_HKSC", "HKFrame")), "");
  EXPECT_EQ(T.Value(T.Var("BaseFrame", "T", -999, 0)), "Message...");
}

TEST(NodeTexts, UseTheDecimalSeparatorOfTheSettings) {
  TTexts T;
  TLocaleSettings Comma(',');
  EXPECT_EQ(T.Value(T.Var("BaseFrame", "N", 12.34567)), "12,346");
  EXPECT_EQ(T.Value(T.Var("BaseFrame", "N", 3)), "3");
  EXPECT_EQ(T.Value(T.Var("BaseFrame", "H", 10.5)), "0x000A");
  EXPECT_EQ(T.Value(T.Var("BaseFrame", "TI", 0.25)), "0 06:00:00:0");
  EXPECT_EQ(T.Hint(T.Var("BaseFrame", "B", 0.5, 0.5)), "Variable Name:  B\r\nBoolean Value:  0,5");
  TDecodedNode* N = T.Var("BaseFrame", "N", 21.25, 10.5);
  N->Position = 7;
  EXPECT_EQ(T.Hint(N),
            "Variable Name:  N\r\n"
            "Transformation Function:  N*2\r\n"
            "Value before transformation:  10,5\r\n"
            "Value after transformation:  21,25\r\n"
            "Absolute position:  7\r\n"
            "Hexadecimal of original:  0x000A");
}

TEST(NodeNameText, VariablesShowTheirDisplayNameAndSubframesTheirSelectedFrame) {
  TTexts T;
  EXPECT_EQ(T.Name(T.Var("BaseFrame", "N")), "Counter");
  EXPECT_EQ(T.Name(T.Var("BaseFrame", "H")), "H");
  EXPECT_EQ(T.Name(T.Var("BaseFrame", "C")), "Computed");
  EXPECT_EQ(T.Name(T.Var("HKFrame", "HK_V1")), "HK_V1");
  EXPECT_EQ(T.Name(T.Sub("BaseFrame", "SUB_HKSC", "ScienceFrame")), "ScienceFrame");
  EXPECT_EQ(T.Name(T.Sub("ScienceFrame", "SUB_SC", "FirstFrame")), "FirstFrame");
}

TEST(BaseFrameCaption, NumbersTheBaseFrameByItsPositionDivTheBaseFrameLength) {
  TTexts T;
  EXPECT_EQ(T.Name(T.Root(5600)), "20. BF, ");
  EXPECT_EQ(T.Name(T.Root(0)), "0. BF, ");
  EXPECT_EQ(T.Name(T.Root(5879)), "20. BF, ");
  EXPECT_EQ(T.Name(T.Root(5880, {T.Var("BaseFrame", "N")})), "21. BF, ");
}

TEST(BaseFrameCaption, AddsTheDateOfStartTimePlusOobtDays) {
  TTexts T;
  // 2 days and 14:05:09 after the start.
  const double Oobt = 2 + (14 * 3600 + 5 * 60 + 9) / 86400.0;
  EXPECT_EQ(T.Name(T.Root(3360, {T.Var("BaseFrame", "N"), T.Header(Oobt)})), "12. BF,  03.04.07 14:05:09 , ");
  // Midnight keeps its time; a start time with a time of day adds up.
  EXPECT_EQ(T.Name(T.Root(0, {T.Header(1)})), "0. BF,  02.04.07 00:00:00 , ");
  EXPECT_EQ(T.Name(T.Root(0, {T.Header(0.75)}), April1st2007 + 0.5), "0. BF,  02.04.07 06:00:00 , ");
}

TEST(BaseFrameCaption, NamesThePacketFileAfterTheNumberWhenMarked) {
  TTexts T;
  EXPECT_EQ(NodeNameText(*T.Definition, *T.Root(280, {T.Header(1)}), April1st2007, "b.dat"),
            "1. BF (b.dat),  02.04.07 00:00:00 , ");
  // Only BaseFrames carry the mark.
  EXPECT_EQ(NodeNameText(*T.Definition, *T.Var("HKFrame", "HK_V1"), April1st2007, "b.dat"), "HK_V1");
  EXPECT_EQ(PacketFileMarks("/data/run1.dat", "run2.dat"), (std::vector<std::string>{"run1.dat", "run2.dat"}));
  EXPECT_EQ(PacketFileMarks("/a/run.dat", "/b/run.dat"), (std::vector<std::string>{"/a/run.dat", "/b/run.dat"}));
}

TEST(BaseFrameCaption, KeepsItsDateFormatWhateverTheLocaleSettings) {
  TTexts T;
  TLocaleSettings Other(',');
  EXPECT_EQ(T.Name(T.Root(280, {T.Header(2.75)})), "1. BF,  03.04.07 18:00:00 , ");
}

TEST(BaseFrameCaption, LeavesTheDateOutWithoutDataFieldHeaderOrOobt) {
  TTexts T;
  // A DataFieldHeader without OOBT.
  EXPECT_EQ(
      T.Name(T.Root(0, {T.Sub("BaseFrame", "DataFieldHeader", "DataFieldHeader", {T.Var("DataFieldHeader", "OBT")})})),
      "0. BF, ");
  // OOBT directly below the BaseFrame.
  EXPECT_EQ(T.Name(T.Root(0, {T.Var("DataFieldHeader", "OOBT", 2)})), "0. BF, ");
  // Only the first DataFieldHeader is looked into.
  EXPECT_EQ(
      T.Name(T.Root(0, {T.Sub("BaseFrame", "DataFieldHeader", "DataFieldHeader", {T.Var("DataFieldHeader", "OBT")}),
                        T.Header(2)})),
      "0. BF, ");
}

TEST(BaseFrameCaption, NamesTheScienceFrameBelowASubframeWhoseFrameBeginsWithSc) {
  TTexts T;
  TDecodedNode* Root =
      T.Root(5600, {T.Header(2.5), T.Sub("BaseFrame", "SUB_HKSC", "ScienceFrame",
                                         {T.Var("ScienceFrame", "MODE", 7),
                                          T.Sub("ScienceFrame", "SUB_SC", "FirstFrame", {T.Var("FirstFrame", "X")})})});
  EXPECT_EQ(T.Name(Root), "20. BF,  03.04.07 12:00:00 , SCFrame -> FirstFrame");
  EXPECT_EQ(T.Name(T.Root(0, {T.Sub("BaseFrame", "SUB_HKSC", "Sc", {T.Sub("ScienceFrame", "SUB_SC", "HKFrame")})})),
            "0. BF, SCFrame -> HKFrame");
}

TEST(BaseFrameCaption, EndsAfterTheDateWhenAnScFrameHasNoSubSc) {
  TTexts T;
  EXPECT_EQ(T.Name(T.Root(5600, {T.Header(2.5),
                                 T.Sub("BaseFrame", "SUB_HKSC", "ScienceFrame", {T.Var("ScienceFrame", "MODE", 7)})})),
            "20. BF,  03.04.07 12:00:00 , ");
  EXPECT_EQ(T.Name(T.Root(0, {T.Sub("BaseFrame", "SUB_HKSC", "ScienceFrame")})), "0. BF, ");
}

TEST(BaseFrameCaption, ReadsHKFramesUnlessTheSelectedFrameBeginsWithExactlySc) {
  TTexts T;
  const auto Caption = [&](const std::string& Selected) {
    // A SUB_SC below a frame not beginning with "Sc" is not looked at.
    return T.Name(T.Root(
        0, {T.Header(2.5), T.Sub("BaseFrame", "SUB_HKSC", Selected, {T.Sub("ScienceFrame", "SUB_SC", "FirstFrame")})}));
  };
  EXPECT_EQ(Caption("SCIENCE"), "0. BF,  03.04.07 12:00:00 , HKFrames");
  EXPECT_EQ(Caption("sc_lower"), "0. BF,  03.04.07 12:00:00 , HKFrames");
  EXPECT_EQ(Caption("HKFrame"), "0. BF,  03.04.07 12:00:00 , HKFrames");
  EXPECT_EQ(Caption("S"), "0. BF,  03.04.07 12:00:00 , HKFrames");
  EXPECT_EQ(T.Name(T.Root(0, {T.Sub("BaseFrame", "SUB_HKSC", "HKFrame")})), "0. BF, HKFrames");
}

TEST(BaseFrameCaption, DescribesDecodedBaseFrames) {
  TTexts T(
      Lines({"[BaseFrame:6]", Row({"0", "1", "NUMBER", "HK_SCIENCE_SWITCH", "HK_SCIENCE_SWITCH"}),
             Row({"1", "1", "SUBFRAME", "DataFieldHeader", "DataFieldHeader"}),
             Row({"2", "4", "SUBFRAME", "SUB_HKSC", "SUB_HKSC"}), "[DataFieldHeader:1]",
             Row({"0", "1", "TIME", "OOBT", "OOBT/4"}), "[HKFrame:4]", Row({"0", "1", "NUMBER", "HK_V1", "HK_V1"}),
             "[ScienceFrame:4]", Row({"0", "1", "NUMBER", "MODE", "MODE"}),
             Row({"1", "1", "SUBFRAME", "SUB_SC", "SUB_SC"}), "[FirstFrame:1]", Row({"0", "1", "NUMBER", "X", "X"})}));
  TMemoryStream Image;
  // A science BaseFrame in mode 7 at OOBT 2.5 days, then a housekeeping one
  // at 1 day; a spare byte for the 16-bit reads at the end.
  Image.Bytes = {0, 10, 7, 3, 0, 0, 1, 4, 9, 0, 0, 0, 0};
  std::vector<std::string> Captions;
  for (std::int32_t At = 0; At < 12; At += 6) {
    TLogRecorder Quiet;
    Image.Position = At;
    TDecodedNode* Root = T.Root(At);
    Root->Child = T.Definition->DecodeFrame(Image, "BaseFrame", T.Pool);
    Captions.push_back(T.Name(Root));
  }
  EXPECT_EQ(Captions, (std::vector<std::string>{"0. BF,  03.04.07 12:00:00 , SCFrame -> FirstFrame",
                                                "1. BF,  02.04.07 00:00:00 , HKFrames"}));
}

TEST(NodeHintText, NumbersListSixLabelledLines) {
  TTexts T;
  TDecodedNode* N = T.Var("BaseFrame", "N", 0.1 + 0.2, 10.5);
  N->Position = 1234;
  EXPECT_EQ(T.Hint(N),
            "Variable Name:  N\r\n"
            "Transformation Function:  N*2\r\n"
            "Value before transformation:  10.5\r\n"
            "Value after transformation:  0.3\r\n"
            "Absolute position:  1234\r\n"
            "Hexadecimal of original:  0x000A");
}

TEST(NodeHintText, TimeHexAndComputedVariablesHaveTheNumberHint) {
  TTexts T;
  TDecodedNode* Time = T.Var("BaseFrame", "TI", 1E-5, 11.5);
  Time->Position = 4;
  EXPECT_EQ(T.Hint(Time),
            "Variable Name:  TI\r\n"
            "Transformation Function:  TI/24\r\n"
            "Value before transformation:  11.5\r\n"
            "Value after transformation:  1E-5\r\n"
            "Absolute position:  4\r\n"
            "Hexadecimal of original:  0x000C");
  TDecodedNode* Hex = T.Var("BaseFrame", "H", 1.5E20, 255);
  Hex->Position = 2;
  EXPECT_EQ(T.Hint(Hex),
            "Variable Name:  H\r\n"
            "Transformation Function:  H\r\n"
            "Value before transformation:  255\r\n"
            "Value after transformation:  1.5E20\r\n"
            "Absolute position:  2\r\n"
            "Hexadecimal of original:  0x00FF");
  TDecodedNode* Computed = T.Var("BaseFrame", "C", 25.5, -999);
  Computed->Position = -1;
  EXPECT_EQ(T.Hint(Computed),
            "Variable Name:  C\r\n"
            "Transformation Function:  N&+1\r\n"
            "Value before transformation:  -999\r\n"
            "Value after transformation:  25.5\r\n"
            "Absolute position:  -1\r\n"
            "Hexadecimal of original:  0xFFFFFFFFFFFFFC19");
}

TEST(NodeHintText, BooleansShowTheirRawValue) {
  TTexts T;
  EXPECT_EQ(T.Hint(T.Var("BaseFrame", "B", 1, 1)), "Variable Name:  B\r\nBoolean Value:  1");
  EXPECT_EQ(T.Hint(T.Var("BaseFrame", "B", 7, 0.5)), "Variable Name:  B\r\nBoolean Value:  0.5");
}

TEST(NodeHintText, TextsShowTheMessageAtTheNearestIndexHalvesToEven) {
  TTexts T;
  T.Messages = {"zero", "one", "two", "three"};
  EXPECT_EQ(T.Hint(T.Var("BaseFrame", "T", -999, 3)), "Variable Name:  T\r\nMessage:  three");
  EXPECT_EQ(T.Hint(T.Var("BaseFrame", "T", -999, 2.5)), "Variable Name:  T\r\nMessage:  two");
  EXPECT_EQ(T.Hint(T.Var("BaseFrame", "T", -999, 1.5)), "Variable Name:  T\r\nMessage:  two");
  EXPECT_EQ(T.Hint(T.Var("BaseFrame", "T", -999, 0.4)), "Variable Name:  T\r\nMessage:  zero");
  // An index outside the list shows no message.
  EXPECT_EQ(T.Hint(T.Var("BaseFrame", "T", -999, 4)), "Variable Name:  T\r\nMessage:  ");
  EXPECT_EQ(T.Hint(T.Var("BaseFrame", "T", -999, -1)), "Variable Name:  T\r\nMessage:  ");
}

TEST(NodeHintText, FramesAndSubframesHaveNone) {
  TTexts T;
  EXPECT_EQ(T.Hint(T.Root(0)), "");
  EXPECT_EQ(T.Hint(T.Sub("BaseFrame", "SUB_HKSC", "HKFrame")), "");
}

TEST(NodeStyle, FramesAreBoldComputedVariablesColouredAndTheRestNormal) {
  TTexts T;
  EXPECT_EQ(NodeStyle(*T.Definition, *T.Root(0)), TNodeStyle::Bold);
  EXPECT_EQ(NodeStyle(*T.Definition, *T.Sub("BaseFrame", "SUB_HKSC", "HKFrame")), TNodeStyle::Bold);
  EXPECT_EQ(NodeStyle(*T.Definition, *T.Var("BaseFrame", "C")), TNodeStyle::Computed);
  EXPECT_EQ(NodeStyle(*T.Definition, *T.Var("DataFieldHeader", "OOBT")), TNodeStyle::Computed);
  EXPECT_EQ(NodeStyle(*T.Definition, *T.Var("BaseFrame", "N")), TNodeStyle::Normal);
  EXPECT_EQ(NodeStyle(*T.Definition, *T.Var("BaseFrame", "B")), TNodeStyle::Normal);
  EXPECT_EQ(NodeStyle(*T.Definition, *T.Var("BaseFrame", "T")), TNodeStyle::Normal);
  // Only a position of exactly -1 marks a computed variable.
  T.Definition->Entries[static_cast<std::size_t>(T.RowOf("BaseFrame", "C"))].BytePos = -2;
  EXPECT_EQ(NodeStyle(*T.Definition, *T.Var("BaseFrame", "C")), TNodeStyle::Normal);
}
