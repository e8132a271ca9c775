// Reading a structure file into the definition table.
#include <algorithm>
#include <fstream>
#include <iterator>

#include "common/AsciiCase.h"
#include "common/Convert.h"
#include "common/Log.h"
#include "structure/ByteBit.h"
#include "structure/FieldSplitter.h"
#include "structure/FramesDefinition.h"
#include "structure/InstrumentNames.h"
#include "structure/SharedHashes.h"

namespace {

std::string Cut(std::string Text) {
  if (Text.size() > MaxEntryText) Text.resize(MaxEntryText);
  return Text;
}

void ReplaceAll(std::string& Text, const std::string& Pattern, const std::string& Replacement) {
  // Each template can double a text; the cap keeps hostile files bounded
  // (only the first 255 characters are stored anyway).
  constexpr std::size_t Cap = 1 << 16;
  std::string Out;
  std::size_t From = 0;
  for (std::size_t At; Out.size() <= Cap && (At = Text.find(Pattern, From)) != std::string::npos;) {
    Out.append(Text, From, At - From);
    Out += Replacement;
    From = At + Pattern.size();
  }
  if (From == 0) return;
  Out.append(Text, From);
  if (Out.size() > Cap) Out.resize(Cap);
  Text = std::move(Out);
}

struct TTemplate {
  std::string Name;
  std::string Body;
};

void ExpandTemplates(std::string& Transform, const std::string& VarName, const std::vector<TTemplate>& Templates) {
  const std::size_t Open = Transform.find('<');
  if (Open == std::string::npos) return;
  const std::size_t Close = Transform.find('>');
  const std::string Tag =
      Close == std::string::npos || Close < Open ? std::string() : Transform.substr(Open + 1, Close - Open - 1);
  const std::string Placeholder = "<" + Tag + ">";
  for (const TTemplate& T : Templates) {
    if (T.Name != Tag) continue;
    std::string Body = T.Body;
    ReplaceAll(Body, "VAR", VarName);
    ReplaceAll(Transform, Placeholder, Body);
  }
}

bool IsTemplatesSection(const std::string& SectionName) { return AsciiLower(SectionName) == "templates"; }

}  // namespace

TFramesDefinition::TFramesDefinition(const std::string& FileName, std::vector<std::string>& Messages)
    : Messages(Messages), SourceName(FileName) {
  AddEntry(llInfo, "Parsing " + FileName + " ...");
  std::ifstream File(FileName, std::ios::binary);
  std::string Content;
  if (File.is_open()) Content.assign(std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>());
  if (!File.is_open() || File.bad()) {
    AddEntry(llError, "Structurefile does not exist or cannot be opened! (" + FileName + ")");
    Loaded = false;
    return;
  }
  LoadFromText(Content);
}

TFramesDefinition::TFramesDefinition(const TStructureText& Source, std::vector<std::string>& Messages)
    : Messages(Messages), SourceName(Source.Name) {
  AddEntry(llInfo, "Parsing " + Source.Name + " ...");
  LoadFromText(Source.Text);
}

TFramesDefinition::TFramesDefinition(const TFramesDefinition& Other, std::vector<std::string>& Messages)
    : Loaded(Other.Loaded),
      Entries(Other.Entries),
      Messages(Messages),
      SourceName(Other.SourceName),
      FirstRowOfFrameName(Other.FirstRowOfFrameName),
      FirstRowOfFrameHash(Other.FirstRowOfFrameHash),
      FirstHeaderOfFrameHash(Other.FirstHeaderOfFrameHash),
      LastRowOfVariable(Other.LastRowOfVariable),
      FirstRowOfMode(Other.FirstRowOfMode),
      CompiledRows(Other.CompiledRows),
      FramePlans(Other.FramePlans),
      Deferrable(Other.Deferrable),
      Alone(Other.Alone),
      Deferred(Other.Deferred),
      AnyDeferred(Other.AnyDeferred),
      Skippable(Other.Skippable) {
  SizeLevels();
}

TFramesDefinition::~TFramesDefinition() = default;

std::unique_ptr<TFramesDefinition> TFramesDefinition::CopyFor(std::vector<std::string>&) const { return nullptr; }

std::size_t TFramesDefinition::AppendMessages(std::vector<std::string>& More) {
  const std::size_t First = MessageCount();
  std::vector<std::string>& Target = Holding ? Held : Messages;
  Target.insert(Target.end(), std::make_move_iterator(More.begin()), std::make_move_iterator(More.end()));
  More.clear();
  return First;
}

void TFramesDefinition::ReleaseMessages() {
  Holding = false;
  AppendMessages(Held);
}

void TFramesDefinition::LoadFromText(std::string_view Content) {
  Content = Content.substr(0, Content.find('\x1A'));

  std::vector<TTemplate> Templates;
  std::string Section;
  std::int64_t LineNo = 0;
  std::size_t LineStart = 0;
  while (LineStart < Content.size()) {
    std::size_t LineEnd = Content.find('\n', LineStart);
    if (LineEnd == std::string::npos) LineEnd = Content.size();
    std::string Line(Content.substr(LineStart, LineEnd - LineStart));
    LineStart = LineEnd + 1;
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    ++LineNo;

    const std::size_t Comment = Line.find(';');
    if (Comment != std::string::npos) Line.resize(Comment);
    const std::vector<std::string> Fields = SplitFields(Line, '\t');
    const std::size_t Count = Fields.size();
    const std::string N = std::to_string(LineNo);
    const std::string F = std::to_string(Count);
    const auto At = [&] { return Place(LineNo); };

    if (Count == 0) continue;
    if (Count == 1 && Fields[0].find('[') == std::string::npos) {
      AddEntry(llWarn, "Wrong amount of fields in line " + N + " (" + F + "), ignoring for Frame \"" +
                           ShownText(Section) + "\" !" + At());
      continue;
    }
    if (Count == 2 && IsTemplatesSection(Section)) {
      Templates.push_back({Fields[0], Fields[1]});
      AddEntry(llInfo, "Added Template: " + ShownText(Fields[0]) + " = " + ShownText(Fields[1]));
      continue;
    }
    if (Count != 1 && Count != 5 && Count != 6) {
      AddEntry(llWarn, "Wrong amount of fields in line " + N + " (" + F + "), ignoring!" + At());
      continue;
    }
    const auto TableFull = [this, &At] {
      if (Entries.size() < MaxDefinitionRows) return false;
      AddEntry(llError, "Too many entries in structure file, frame definition not loaded!" + At());
      Loaded = false;
      return true;
    };

    if (Count == 1) {
      const std::string& Field = Fields[0];
      const std::string Inner = Field.size() >= 2 ? Field.substr(1, Field.size() - 2) : std::string();
      Section = Inner;
      const std::vector<std::string> Parts = SplitFields(Inner, ':');
      if (Parts.size() < 2) {
        AddEntry(llError, "No framelength found in [" + ShownText(Inner) + "], frame definition not loaded!" + At());
        Loaded = false;
        return;
      }
      if (Parts.size() > 3) {
        AddEntry(llError, "Invalid definition of [" + ShownText(Inner) +
                              "], either [<name>:<length>] or [<mode>:<name>:<length>]!" + At());
        Loaded = false;
        return;
      }
      TDefinitionEntry Header;
      Header.Kind = ekFrame;
      Header.Line = static_cast<std::int32_t>(LineNo);
      if (Parts.size() == 3) Header.Mode = StrToInt(Parts[0]);
      const std::string& Name = Parts[Parts.size() - 2];
      const TBitPos Length = ParseBitPos(Parts.back());
      Header.ByteLen = Length.Byte;
      Header.BitLen = Length.Bit;
      Header.VarName = Cut(Name);
      Header.FrameName = IsTemplatesSection(Name) ? "Unknown frame" : Cut(Name);
      if (TableFull()) return;
      Entries.push_back(std::move(Header));
      Section = Name;
      continue;
    }

    TDefinitionEntry Row;
    Row.FrameName = Cut(Section);
    Row.Line = static_cast<std::int32_t>(LineNo);
    TBitPos Pos = ParseBitPos(Fields[0]);
    NormalizeBitPos(Pos);
    Row.BytePos = Pos.Byte;
    Row.BitPos = Pos.Bit;
    TBitPos Length = ParseBitPos(Fields[1]);
    NormalizeBitPos(Length);
    Row.ByteLen = Length.Byte;
    Row.BitLen = Length.Bit;
    Row.VarName = Cut(Fields[3]);
    Row.Transform = Cut(Dequote(Fields[4]));
    ExpandTemplates(Row.Transform, Fields[3], Templates);
    Row.Transform = Cut(std::move(Row.Transform));
    Row.IsIdentity = Row.Transform == Row.VarName;
    Row.DisplayName = Cut(Count == 6 ? Dequote(Fields[5]) : Fields[3]);
    const std::string Type = AsciiUpper(Fields[2]);
    if (Type == "NUMBER") Row.Kind = ekNumber;
    else if (Type == "BOOLEAN") Row.Kind = ekBoolean;
    else if (Type == "SUBFRAME") Row.Kind = ekSubframe;
    else if (Type == "TEXT") Row.Kind = ekText;
    else if (Type == "TIME") Row.IsTime = true;
    else if (Type == "HEX") Row.IsHex = true;
    else {
      AddEntry(llWarn, "Wrong variable type (" + ShownText(Type) + ") in line " + N + ", ignoring!" + At());
      continue;
    }
    if (TableFull()) return;
    Entries.push_back(std::move(Row));
  }
  FinishLoad();
}

void TFramesDefinition::FinishLoad() {
  for (std::size_t I = 0; I < Entries.size(); ++I) {
    TDefinitionEntry& E = Entries[I];
    const auto Row = static_cast<std::int32_t>(I);
    E.FrameHash = DJBHash(E.FrameName);
    E.NameHash = DJBHash(E.VarName);
    E.ValueHash = DJBHash(E.VarName + "&");
    FirstRowOfFrameName.emplace(E.FrameName, Row);
    FirstRowOfFrameHash.emplace(E.FrameHash, Row);
    LastRowOfVariable[std::uint64_t{E.FrameHash} << 32 | E.NameHash] = Row;
    FirstRowOfMode.emplace(E.Mode, Row);
    if (E.Kind == ekFrame) FirstHeaderOfFrameHash.emplace(E.FrameHash, Row);
  }
  ReportSharedHashes(Entries);
  CompileRows();
}

void TFramesDefinition::CompileRows() {
  CompiledRows.clear();
  CompiledRows.reserve(Entries.size());
  FramePlans.clear();
  std::unordered_map<std::uint32_t, std::int32_t> PlanOfFrameHash;
  for (const TDefinitionEntry& E : Entries) {
    const bool Transforms = E.Kind == ekNumber && !E.IsIdentity;
    TCompiledRow& Compiled = CompiledRows.emplace_back(E.VarName, Transforms ? E.Transform : std::string());
    const auto [Plan, NewPlan] = PlanOfFrameHash.try_emplace(E.FrameHash, static_cast<std::int32_t>(FramePlans.size()));
    if (NewPlan) FramePlans.emplace_back();
    Compiled.Plan = Plan->second;
    auto& SlotOfHash = FramePlans[static_cast<std::size_t>(Compiled.Plan)].SlotOfHash;
    const auto SlotOf = [&SlotOfHash](std::uint32_t Hash) {
      return SlotOfHash.try_emplace(Hash, static_cast<std::int32_t>(SlotOfHash.size())).first->second;
    };
    const auto SlotsOf = [&SlotOf](const TVariableName& Name) {
      return TNameSlots{SlotOf(Name.Hash), SlotOf(Name.StrippedHash), SlotOf(Name.ValueHash)};
    };
    Compiled.Slots = SlotsOf(Compiled.Name);
    Compiled.NodeRawSlot = SlotOf(E.NameHash);
    Compiled.NodeValueSlot = SlotOf(E.ValueHash);
    for (const std::string& Name : Compiled.Transform.Names()) {
      TAskedName& Asked = Compiled.TransformNames.emplace_back(Name);
      Asked.Slots = SlotsOf(Asked.Name);
      Asked.Row = FindVariableRow(E.FrameHash, Asked.Name.StrippedHash);
    }
    TBitPos Length{E.ByteLen, E.BitLen};
    Compiled.Position = {E.BytePos, E.BitPos};
    NormalizeBitPos(Compiled.Position);
    NormalizeBitPos(Length);
    const std::int64_t Bits = std::int64_t{8} * Length.Byte + Length.Bit;
    Compiled.Bits = static_cast<std::int32_t>(Bits);
    // A header row's length is the frame length, which a pass may adjust.
    Compiled.FastRead = E.Kind != ekFrame && Bits >= 0 && Bits <= 16 && Compiled.Position.Bit >= 0;
  }
  FindDeferrableRows();
  SizeLevels();
}

void TFramesDefinition::SizeLevels() {
  std::size_t Slots = 0;
  for (const TFramePlan& Plan : FramePlans) Slots = std::max(Slots, Plan.SlotOfHash.size());
  for (TFrameValues& Level : Levels) {
    Level = TFrameValues{};
    Level.Values.assign(Slots, 0);
    Level.Present.assign(Slots, scNone);
  }
}

std::int32_t TFramesDefinition::FindFrame(const std::string& Name) const {
  const auto It = FirstRowOfFrameName.find(Name);
  if (It != FirstRowOfFrameName.end()) return It->second;
  if (Name != NoRuleFoundName) AddEntry(llError, "Unknown frame: " + Name);
  return 0;
}

bool TFramesDefinition::HasRow(const std::string* FrameName, const std::string& VarName) const {
  for (const TDefinitionEntry& Row : Entries)
    if (Row.VarName == VarName && (!FrameName || Row.FrameName == *FrameName)) return true;
  return false;
}

std::int32_t TFramesDefinition::FindHeader(const std::string& Name) const {
  const auto It = FirstHeaderOfFrameHash.find(DJBHash(Name));
  return It == FirstHeaderOfFrameHash.end() ? -1 : It->second;
}

std::int32_t TFramesDefinition::GetFrameLength(const std::string& Name) const {
  const std::int32_t Row = FindHeader(Name);
  return Row < 0 ? 0 : Entries[static_cast<std::size_t>(Row)].ByteLen;
}

void TFramesDefinition::SetFrameLength(const std::string& Name, std::int32_t Length) {
  const std::int32_t Row = FindHeader(Name);
  if (Row >= 0) Entries[static_cast<std::size_t>(Row)].ByteLen = Length;
}

std::int32_t TFramesDefinition::FindVariableRow(std::uint32_t FrameHash, std::uint32_t NameHash) const {
  const auto It = LastRowOfVariable.find(std::uint64_t{FrameHash} << 32 | NameHash);
  return It == LastRowOfVariable.end() ? -1 : It->second;
}

std::int32_t TFramesDefinition::FindModeRow(std::int32_t Mode) const {
  const auto It = FirstRowOfMode.find(Mode);
  return It == FirstRowOfMode.end() ? -1 : It->second;
}
