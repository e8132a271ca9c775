#include "browser/BrowserSearch.h"

#include "common/AsciiCase.h"
#include "common/Convert.h"

namespace {

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
    : Tree(Tree), Definition(Definition), Text(Text), IsCondition(ParseSearchCondition(Text, Condition)) {}

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
  for (;;) {
    if (!Tree.StepForward(Result.Path)) {
      // A From no longer shown is never met again.
      if (Result.Wrapped) return {};
      Result.Path = Tree.RootPath(0);
      Result.Wrapped = true;
      if (Result.Path.empty()) return {};
    }
    if (Matches(*Result.Path.back())) return Result;
    if (Result.Path.back()->SerialNo == Last) return {};
  }
}
