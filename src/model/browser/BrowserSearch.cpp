#include "browser/BrowserSearch.h"

#include <algorithm>

#include "common/AsciiCase.h"
#include "common/Convert.h"

namespace {

// The BaseFrames a condition's columns are decoded for at once.
constexpr std::uint32_t SearchBlockFrames = 65536;

std::string TrimBlanks(const std::string& Text) {
  const std::size_t First = Text.find_first_not_of(' ');
  if (First == std::string::npos) return std::string();
  return Text.substr(First, Text.find_last_not_of(' ') - First + 1);
}

bool Meets(double Value, const TSearchCondition& Condition) {
  switch (Condition.Compare) {
    case TSearchCompare::Greater: return Value > Condition.Number;
    case TSearchCompare::Less: return Value < Condition.Number;
    case TSearchCompare::Equal: return Value == Condition.Number;
    case TSearchCompare::GreaterEqual: return Value >= Condition.Number;
    case TSearchCompare::LessEqual: return Value <= Condition.Number;
    case TSearchCompare::NotEqual: return Value != Condition.Number;
  }
  return false;
}

bool ParseSearchCondition(const std::string& Text, TSearchCondition& Condition) {
  const std::size_t At = Text.find_first_of("<>=!");
  if (At == std::string::npos) return false;
  const bool Double = At + 1 < Text.size() && Text[At + 1] == '=' && Text[At] != '=';
  if (Text[At] == '!' && !Double) return false;
  TSearchCondition Read;
  switch (Text[At]) {
    case '>': Read.Compare = Double ? TSearchCompare::GreaterEqual : TSearchCompare::Greater; break;
    case '<': Read.Compare = Double ? TSearchCompare::LessEqual : TSearchCompare::Less; break;
    case '!': Read.Compare = TSearchCompare::NotEqual; break;
    default: Read.Compare = TSearchCompare::Equal;
  }
  Read.Name = TrimBlanks(Text.substr(0, At));
  const std::string Number = Text.substr(At + (Double ? 2 : 1));
  if (Read.Name.empty() || !(TryStrToFloat(Number, Read.Number) || TryStrToFloat(Number, Read.Number, '.')))
    return false;
  Condition = Read;
  return true;
}

}  // namespace

TBrowserSearch::TBrowserSearch(const TBrowserTree& Tree, const TFramesDefinition& Definition, const std::string& Text)
    : Tree(Tree), Definition(Definition), Text(Text), IsCondition(ParseSearchCondition(Text, Condition)) {
  if (!IsCondition) return;
  // A qualified NAME ends in "." and the variable name.
  const std::string& Name = Condition.Name;
  for (std::size_t Row = 0; Row < Definition.Entries.size(); ++Row) {
    const TDefinitionEntry& Entry = Definition.Entries[Row];
    const std::size_t Length = Entry.VarName.size();
    const bool Named = SameTextIgnoringCase(Entry.VarName, Name) ||
                       (Name.size() > Length && Name[Name.size() - Length - 1] == '.' &&
                        SameTextIgnoringCase(Name.substr(Name.size() - Length), Entry.VarName));
    if (Named && (Entry.Kind == ekNumber || Entry.Kind == ekBoolean))
      ConditionRows.push_back(static_cast<std::int32_t>(Row));
  }
}

bool TBrowserSearch::MayMeet(TFrameId Frame) {
  const TData* Data = Tree.FrameTrees().Holder(Frame.Source);
  if (!Data || ConditionRows.empty()) return false;
  std::vector<std::uint8_t>& Known = Meeting[Frame.Source];
  if (Known.size() < Data->Index().size()) Known.resize(Data->Index().size(), Unknown);
  if (Frame.Frame >= Known.size()) return true;
  if (Known[Frame.Frame] == Unknown) {
    const std::uint32_t From = Frame.Frame / SearchBlockFrames * SearchBlockFrames;
    const auto To = static_cast<std::uint32_t>(std::min<std::size_t>(From + SearchBlockFrames, Known.size()));
    std::fill(Known.begin() + From, Known.begin() + To, Never);
    Data->ForEachValue(ConditionRows, From, To, [&](std::uint32_t Each, std::uint32_t, double Value) {
      if (Meets(Value, Condition)) Known[Each] = Maybe;
    });
  }
  return Known[Frame.Frame] == Maybe;
}

bool TBrowserSearch::Matches(const TDecodedNode& Node) {
  const auto Row = static_cast<std::size_t>(Node.DefIndex);
  if (Row >= Definition.Entries.size()) return false;
  const TEntryKind Kind = Definition.Entries[Row].Kind;
  if (IsCondition)
    return (Kind == ekNumber || Kind == ekBoolean) && NamesMatch(Node, Row) && Meets(Node.Value, Condition);
  return (Kind == ekNumber || Kind == ekBoolean || Kind == ekText) && NamesMatch(Node, Row);
}

bool TBrowserSearch::NamesMatch(const TDecodedNode& Node, std::size_t Row) {
  const TDecodedNode* Frame = Node.Parent();
  if (Known.empty() || Frame != KnownFrame) {
    KnownFrame = Frame;
    const std::string Prefix = Frame ? Definition.NodeQualifiedName(*Frame) + "." : std::string();
    KnownHere = Known.try_emplace(Prefix, Definition.Entries.size(), -1).first;
  }
  signed char& Result = KnownHere->second[Row];
  if (Result < 0) {
    const TDefinitionEntry& Entry = Definition.Entries[Row];
    // A variable's FrameIndex is its own row.
    const std::string Qualified = KnownHere->first + Entry.VarName;
    Result =
        IsCondition
            ? SameTextIgnoringCase(Entry.VarName, Condition.Name) || SameTextIgnoringCase(Qualified, Condition.Name)
            : ContainsTextIgnoringCase(Entry.VarName, Text) || ContainsTextIgnoringCase(Entry.DisplayName, Text) ||
                  ContainsTextIgnoringCase(Qualified, Text);
  }
  return Result > 0;
}

TSearchResult TBrowserSearch::Next(const TNodePath& From) {
  if (Tree.FrameCount() == 0) return {};
  TSearchResult Result{From.empty() ? Tree.RootPath(0) : From, false};
  if (Result.Path.empty()) return {};
  // Trees decoded again are other nodes: the last node is known by its number.
  const std::int64_t Last = Result.Path.back()->SerialNo;
  const std::int64_t LastRow = Tree.RowOf(Result.Path.Frame);
  // A condition passes over BaseFrames whose values cannot meet it without their trees.
  const auto PassOver = [this](TFrameId Frame) { return IsCondition && !MayMeet(Frame); };
  for (;;) {
    if (!Tree.StepForward(Result.Path, PassOver)) {
      // A From no longer shown is never met again.
      if (Result.Wrapped) return {};
      Result.Path = Tree.FirstRootFrom(0, PassOver);
      Result.Wrapped = true;
      if (Result.Path.empty()) return {};
    }
    // From's BaseFrame, passed over, lies behind.
    if (Result.Wrapped && LastRow >= 0 && Tree.RowOf(Result.Path.Frame) > LastRow) return {};
    if (Matches(*Result.Path.back())) return Result;
    if (Result.Path.back()->SerialNo == Last) return {};
  }
}
