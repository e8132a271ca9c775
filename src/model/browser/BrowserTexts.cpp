#include "browser/BrowserTexts.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "common/DateTime.h"
#include "common/FloatText.h"
#include "common/FormatSettings.h"
#include "common/Rounding.h"
#include "structure/InstrumentNames.h"

namespace {

std::string FrameNameOfRow(const TFramesDefinition& Definition, std::int32_t Index) {
  const TDefinitionEntry* Row = Definition.RowAt(Index);
  return Row ? Row->FrameName : std::string();
}

const TDecodedNode* FirstChildNamed(const TFramesDefinition& Definition, const TDecodedNode& Node,
                                    const char* VarName) {
  for (const TDecodedNode* Child = Node.Child; Child; Child = Child->Next)
    if (Definition.NodeVarName(*Child) == VarName) return Child;
  return nullptr;
}

bool IsBaseFrame(const TDefinitionEntry& Row) { return Row.FrameName == BaseFrameName && Row.Kind == ekFrame; }

std::string BaseFrameText(const TFramesDefinition& Definition, const TDecodedNode& Node, double StartTime,
                          const std::string& FileMark) {
  const std::int32_t Length = Definition.GetFrameLength(BaseFrameName);
  std::string Text = std::to_string(Length > 0 ? Node.Position / Length : 0) + ". BF";
  if (!FileMark.empty()) Text += " (" + FileMark + ")";
  Text += ", ";
  if (const TDecodedNode* Header = FirstChildNamed(Definition, Node, DataFieldHeaderName))
    if (const TDecodedNode* Oobt = FirstChildNamed(Definition, *Header, OobtName))
      Text += " " + FormatDateTime("dd.MM.yy HH:mm:ss", StartTime + Oobt->Value) + " , ";
  if (const TDecodedNode* Sub = FirstChildNamed(Definition, Node, SubHkscName)) {
    if (FrameNameOfRow(Definition, Sub->FrameIndex).compare(0, 2, "Sc") != 0) {
      Text += "HKFrames";
    } else if (const TDecodedNode* Science = FirstChildNamed(Definition, *Sub, SubScName)) {
      Text += "SCFrame -> " + FrameNameOfRow(Definition, Science->FrameIndex);
    }
  }
  return Text;
}

// floor(Value) and the time of day "hh:nn:ss:z".
std::string TimeValueText(double Value) {
  if (!std::isfinite(Value)) return GeneralFloatText(Value);
  char Day[400];
  // Adding 0 turns a negative zero into 0.
  std::snprintf(Day, sizeof Day, "%.0f", std::floor(Value) + 0.0);
  const TDateTimeParts Parts = DecodeDateTime(Value);
  char Time[32];
  std::snprintf(Time, sizeof Time, "%02d:%02d:%02d:%d", Parts.Hour, Parts.Minute, Parts.Second, Parts.MilliSecond);
  return std::string(Day) + " " + Time;
}

// "#0.###": at most three decimals, trailing zeros dropped.
std::string ShortNumberText(double Value) {
  if (!std::isfinite(Value)) return GeneralFloatText(Value);
  char Buffer[400];
  const auto End = std::to_chars(Buffer, Buffer + sizeof Buffer, Value, std::chars_format::fixed, 3).ptr;
  std::string Text(Buffer, End);
  while (Text.back() == '0') Text.pop_back();
  if (Text.back() == '.') Text.pop_back();
  if (Text == "-0") Text = "0";
  const std::size_t Point = Text.find('.');
  if (Point != std::string::npos) Text[Point] = FormatSettings().DecimalSeparator;
  return Text;
}

}  // namespace

std::string HexWordText(double Value) {
  char Buffer[24];
  std::snprintf(Buffer, sizeof Buffer, "0x%04llX", static_cast<unsigned long long>(RoundHalfEven(Value)));
  return Buffer;
}

std::string NodeNameText(const TFramesDefinition& Definition, const TDecodedNode& Node, double StartTime,
                         const std::string& FileMark) {
  const TDefinitionEntry* Row = Definition.RowAt(Node.DefIndex);
  if (!Row) return std::string();
  if (IsBaseFrame(*Row)) return BaseFrameText(Definition, Node, StartTime, FileMark);
  if (Row->Kind == ekSubframe) return FrameNameOfRow(Definition, Node.FrameIndex);
  return Row->DisplayName;
}

std::vector<std::string> PacketFileMarks(const std::string& FileA, const std::string& FileB) {
  const std::string NameA = std::filesystem::path(FileA).filename().string();
  const std::string NameB = std::filesystem::path(FileB).filename().string();
  if (NameA == NameB) return {FileA, FileB};
  return {NameA, NameB};
}

std::string NodeValueText(const TFramesDefinition& Definition, const TDecodedNode& Node) {
  const TDefinitionEntry* Row = Definition.RowAt(Node.DefIndex);
  if (!Row) return std::string();
  switch (Row->Kind) {
    case ekBoolean: return Node.RawValue > 0 ? "True" : "False";
    case ekSubframe:
    case ekFrame: return std::string();
    case ekText: return "Message...";
    case ekNumber: break;
  }
  if (Row->IsTime) return TimeValueText(Node.Value);
  if (Row->IsHex) return HexWordText(Node.Value);
  return ShortNumberText(Node.Value);
}

std::string NodeHintText(const TFramesDefinition& Definition, const TDecodedNode& Node,
                         const std::vector<std::string>& Messages) {
  const TDefinitionEntry* Row = Definition.RowAt(Node.DefIndex);
  if (!Row) return std::string();
  const std::string Name = "Variable Name:  " + Row->VarName + "\r\n";
  switch (Row->Kind) {
    case ekBoolean: return Name + "Boolean Value:  " + GeneralFloatText(Node.RawValue);
    case ekText: {
      const std::int64_t Index = RoundHalfEven(Node.RawValue);
      const bool Known = Index >= 0 && static_cast<std::uint64_t>(Index) < Messages.size();
      return Name + "Message:  " + (Known ? Messages[static_cast<std::size_t>(Index)] : std::string());
    }
    case ekSubframe:
    case ekFrame: return std::string();
    case ekNumber: break;
  }
  return Name + "Transformation Function:  " + Row->Transform + "\r\n" +
         "Value before transformation:  " + GeneralFloatText(Node.RawValue) + "\r\n" +
         "Value after transformation:  " + GeneralFloatText(Node.Value) + "\r\n" +
         "Absolute position:  " + std::to_string(Node.Position) + "\r\n" +
         "Hexadecimal of original:  " + HexWordText(Node.RawValue);
}

TNodeStyle NodeStyle(const TFramesDefinition& Definition, const TDecodedNode& Node) {
  const TDefinitionEntry* Row = Definition.RowAt(Node.DefIndex);
  if (!Row) return TNodeStyle::Normal;
  if (Row->Kind == ekSubframe || Row->Kind == ekFrame) return TNodeStyle::Bold;
  return Row->BytePos == -1 ? TNodeStyle::Computed : TNodeStyle::Normal;
}
