#include "browser/BrowserTree.h"

#include <algorithm>
#include <limits>

#include "common/AsciiCase.h"

namespace {

// The first node of the list and the lists below, in pre-order, of a row Rows marks.
const TDecodedNode* FirstOfRows(const TDecodedNode* List, const std::vector<char>& Rows) {
  for (const TDecodedNode* Node = List; Node; Node = Node->Next) {
    const auto Row = static_cast<std::size_t>(Node->DefIndex);
    if (Row < Rows.size() && Rows[Row]) return Node;
    if (const TDecodedNode* Found = FirstOfRows(Node->Child, Rows)) return Found;
  }
  return nullptr;
}

// Top-down merge sort: the first n div 2 items and the rest are sorted, then
// merged, taking the second run's item only when Compare gives +1.
template <class T, class TCompare>
void SplitMergeSort(std::vector<T>& Items, std::size_t Begin, std::size_t End, std::vector<T>& Buffer,
                    const TCompare& Compare) {
  const std::size_t Count = End - Begin;
  if (Count < 2) return;
  const std::size_t Middle = Begin + Count / 2;
  SplitMergeSort(Items, Begin, Middle, Buffer, Compare);
  SplitMergeSort(Items, Middle, End, Buffer, Compare);
  Buffer.clear();
  std::size_t A = Begin, B = Middle;
  while (A < Middle && B < End) Buffer.push_back(Compare(Items[A], Items[B]) > 0 ? Items[B++] : Items[A++]);
  while (A < Middle) Buffer.push_back(Items[A++]);
  while (B < End) Buffer.push_back(Items[B++]);
  std::copy(Buffer.begin(), Buffer.end(), Items.begin() + static_cast<std::ptrdiff_t>(Begin));
}

// Extends Path to the last node of Node's subtree in pre-order.
void AppendLastDescendant(const TDecodedNode* Node, std::vector<const TDecodedNode*>& Path) {
  while (Node->Child) {
    Node = Node->Child;
    while (Node->Next) Node = Node->Next;
    Path.push_back(Node);
  }
}

}  // namespace

TBrowserTree::TNewFrames TBrowserTree::TakeNewFrames(int Source, const TData& Data) {
  if (Source < 0 || Source >= MaxBrowserSources) return {};
  if (Trees.SetHolder(Source, Data)) KeyColumns[static_cast<std::size_t>(Source)] = {};
  std::int32_t& Shown = ShownFrames[static_cast<std::size_t>(Source)];
  const std::span<const TFrameRecord> Index = Data.Index();
  if (Index.size() <= static_cast<std::size_t>(Shown)) return {};
  TNewFrames New{static_cast<std::uint32_t>(Shown), Index.subspan(static_cast<std::size_t>(Shown))};
  Shown = static_cast<std::int32_t>(Index.size());
  return New;
}

void TBrowserTree::Append(int Source, const TNewFrames& New) {
  const std::size_t From = Top.size();
  // A first fill takes the room it needs and a quarter more for tracking: a
  // tick that doubled the rows of a long file would stall the window.
  if (Top.empty()) Top.reserve(New.Records.size() + New.Records.size() / 4);
  for (std::size_t I = 0; I < New.Records.size(); ++I) {
    const TFrameRecord& Record = New.Records[I];
    TTopNode Node{};
    Node.Frame = New.First + static_cast<std::uint32_t>(I);
    Node.Shape = Record.Shape;
    Node.Nodes = Record.Nodes;
    Node.Source = static_cast<std::uint8_t>(Source);
    Node.HasChildren = Record.Nodes > 1;
    if (Record.Shape >= 0) ShapeFacts.try_emplace(ShapeKey(Node));
    UpdateKey(Node);
    Top.push_back(Node);
    Nodes += Record.Nodes;
  }
  if (Unchecked == 0) FirstUnchecked = From;
  Unchecked += New.Records.size();
  IndexRows(From);
}

void TBrowserTree::Clear() {
  Top.clear();
  Unchecked = 0;
  FirstUnchecked = 0;
  for (std::vector<std::int32_t>& Source : Rows) Source.clear();
  ShapeFacts.clear();
  Nodes = 0;
}

TBrowserTree::TShapeFacts* TBrowserTree::FactsOf(const TTopNode& Node) {
  if (Node.Shape < 0) return nullptr;
  const auto Found = ShapeFacts.find(ShapeKey(Node));
  return Found == ShapeFacts.end() ? nullptr : &Found->second;
}

std::int64_t TBrowserTree::RowOf(TFrameId Id) const {
  const std::vector<std::int32_t>& Source = Rows[Id.Source];
  return Id.Frame < Source.size() ? Source[Id.Frame] : -1;
}

void TBrowserTree::IndexRows(std::size_t From) {
  for (std::size_t Row = From; Row < Top.size(); ++Row) {
    std::vector<std::int32_t>& Source = Rows[Top[Row].Source];
    if (Source.size() <= Top[Row].Frame) Source.resize(Top[Row].Frame + std::size_t{1}, -1);
    Source[Top[Row].Frame] = static_cast<std::int32_t>(Row);
  }
}

void TBrowserTree::SetSortKey(const std::string& SortKey) {
  Key = SortKey;
  KeyRows.assign(Definition.Entries.size(), 0);
  if (!Key.empty())
    for (std::size_t Row = 0; Row < Definition.Entries.size(); ++Row)
      KeyRows[Row] = Definition.Entries[Row].FrameName + "." + Definition.Entries[Row].VarName == Key;
  for (auto& [Shape, Facts] : ShapeFacts) Facts.Keyless = false;
  for (TKeyColumn& Column : KeyColumns) Column = {};
  FillKeyColumns();
  for (TTopNode& Node : Top) UpdateKey(Node);
}

void TBrowserTree::FillKeyColumns() {
  std::vector<std::int32_t> Rows;
  for (std::size_t Row = 0; Row < KeyRows.size(); ++Row) {
    if (!KeyRows[Row]) continue;
    // A sub-frame comes before its contents here, but after them in the
    // columns; its BaseFrames' trees tell.
    const TEntryKind Kind = Definition.Entries[Row].Kind;
    if (Kind == ekSubframe || Kind == ekFrame) return;
    Rows.push_back(static_cast<std::int32_t>(Row));
  }
  if (Rows.empty()) return;
  for (std::size_t Source = 0; Source < KeyColumns.size(); ++Source) {
    const TData* Data = Trees.Holder(static_cast<int>(Source));
    if (!Data) continue;
    const auto Frames = static_cast<std::uint32_t>(Data->Index().size());
    TKeyColumn& Column = KeyColumns[Source];
    Column.State.assign(Frames, TKeyColumn::Keyless);
    Column.Values.assign(Frames, 0);
    // Leaves come in the same order in both: the key is the first one.
    std::vector<std::uint32_t> KeyPlace(Frames, std::numeric_limits<std::uint32_t>::max());
    Data->ForEachValue(Rows, 0, Frames, [&](std::uint32_t Frame, std::uint32_t Place, double Value) {
      if (Place >= KeyPlace[Frame]) return;
      KeyPlace[Frame] = Place;
      Column.State[Frame] = TKeyColumn::Keyed;
      Column.Values[Frame] = Value;
    });
  }
}

void TBrowserTree::UpdateKey(TTopNode& Top) {
  Top.HasKey = false;
  if (Key.empty()) return;
  TKeyColumn& Column = KeyColumns[Top.Source];
  if (Column.State.size() <= Top.Frame) {
    const std::size_t Frames =
        std::max<std::size_t>(Top.Frame + std::size_t{1}, Trees.Holder(Top.Source)->Index().size());
    Column.State.resize(Frames, TKeyColumn::Unknown);
    Column.Values.resize(Frames);
  }
  std::uint8_t& State = Column.State[Top.Frame];
  if (State == TKeyColumn::Unknown) State = FindKey(Top, Column.Values[Top.Frame]);
  Top.HasKey = State == TKeyColumn::Keyed;
  Top.Key = Column.Values[Top.Frame];
}

std::uint8_t TBrowserTree::FindKey(const TTopNode& Top, double& Value) {
  TShapeFacts* Facts = FactsOf(Top);
  if (Facts && Facts->Keyless) return TKeyColumn::Keyless;
  const TDecodedNode* Tree = Trees.Peek({Top.Frame, Top.Source});
  // Asked again next time: the tree may be had then.
  if (!Tree) return TKeyColumn::Unknown;
  if (const TDecodedNode* Found = FirstOfRows(Tree->Child, KeyRows)) {
    Value = Found->Value;
    return TKeyColumn::Keyed;
  }
  if (Facts) Facts->Keyless = true;
  return TKeyColumn::Keyless;
}

void TBrowserTree::Sort() {
  // BaseFrames without the key follow the sorted ones, in their order.
  const auto Keyed = std::stable_partition(Top.begin(), Top.end(), [](const TTopNode& Node) { return Node.HasKey; });
  std::vector<TTopNode> Buffer;
  Buffer.reserve(Top.size());
  SplitMergeSort(Top, 0, static_cast<std::size_t>(Keyed - Top.begin()), Buffer,
                 [](const TTopNode& A, const TTopNode& B) { return A.Key < B.Key ? -1 : 1; });
  // Unchecked rows may have moved anywhere.
  FirstUnchecked = 0;
  IndexRows(0);
}

void TBrowserTree::SetFilters(const std::vector<std::string>& FilterIn, const std::vector<std::string>& FilterOut) {
  In = FilterIn;
  Out = FilterOut;
  for (auto& [Shape, Facts] : ShapeFacts) Facts.Excluded.reset();
  for (TTopNode& Node : Top) Node.Checked = false;
  Unchecked = Top.size();
  FirstUnchecked = 0;
}

std::vector<std::size_t> TBrowserTree::ExcludedRows() {
  std::vector<std::size_t> Excluded;
  // A tick's few new rows are not worth a walk over every row.
  if (Unchecked == 0) return Excluded;
  for (std::size_t Row = FirstUnchecked; Row < Top.size(); ++Row) {
    TTopNode& Node = Top[Row];
    if (Node.Checked) continue;
    if (FilteredOut(Node)) Excluded.push_back(Row);
    else Node.Checked = true;
  }
  Unchecked = Excluded.size();
  FirstUnchecked = Excluded.empty() ? Top.size() : Excluded.front();
  return Excluded;
}

bool TBrowserTree::FilteredOut(const TTopNode& Node) {
  // Filter out wins: a BaseFrame with a filter-out name goes whatever else it holds.
  const auto Judge = [&] {
    const TDecodedNode* Tree = Trees.Peek({Node.Frame, Node.Source});
    if (!Tree) return false;
    return (!Out.empty() && ContainsName(*Tree, Out)) || (!In.empty() && !ContainsName(*Tree, In));
  };
  // BaseFrames of one shape hold the same names.
  TShapeFacts* Facts = FactsOf(Node);
  if (!Facts) return Judge();
  if (!Facts->Excluded) Facts->Excluded = Judge();
  return *Facts->Excluded;
}

bool TBrowserTree::RemoveRows(const std::vector<std::size_t>& Excluded) {
  if (Excluded.empty()) return false;
  std::vector<TTopNode> Kept;
  Kept.reserve(Top.size() - Excluded.size());
  auto Next = Excluded.begin();
  for (std::size_t Row = 0; Row < Top.size(); ++Row) {
    if (Next != Excluded.end() && *Next == Row) {
      ++Next;
      if (!Top[Row].Checked) --Unchecked;
      Nodes -= Top[Row].Nodes;
      Rows[Top[Row].Source][Top[Row].Frame] = -1;
    } else {
      Kept.push_back(Top[Row]);
    }
  }
  Top = std::move(Kept);
  FirstUnchecked = 0;
  IndexRows(0);
  return true;
}

bool TBrowserTree::ContainsName(const TDecodedNode& Root, const std::vector<std::string>& Lines) const {
  const std::string Name = Definition.NodeQualifiedName(Root);
  for (const std::string& Line : Lines)
    if (SameTextIgnoringCase(Line, Name)) return true;
  if (!Root.Child) return false;
  return NamesMatch(Root.Child, Root.Child->Parent() ? Name + "." : std::string(), Lines);
}

// Qualified names are built along the walk: the prefix of a list is its
// parent's qualified name and a dot, or nothing for the lists without parent.
bool TBrowserTree::NamesMatch(const TDecodedNode* List, const std::string& Prefix,
                              const std::vector<std::string>& Lines) const {
  for (const TDecodedNode* Node = List; Node; Node = Node->Next) {
    const auto Row = static_cast<std::size_t>(Node->FrameIndex);
    const std::string Name = Prefix + (Row < Definition.Entries.size() ? Definition.Entries[Row].VarName : "");
    for (const std::string& Line : Lines)
      if (SameTextIgnoringCase(Line, Name)) return true;
    if (!Node->Child) continue;
    const TDecodedNode* Parent = Node->Child->Parent();
    const std::string ChildPrefix = !Parent          ? std::string()
                                    : Parent == Node ? Name + "."
                                                     : Definition.NodeQualifiedName(*Parent) + ".";
    if (NamesMatch(Node->Child, ChildPrefix, Lines)) return true;
  }
  return false;
}

bool TNodePath::operator==(const TNodePath& Other) const {
  if (empty() || Other.empty()) return empty() && Other.empty();
  return Frame == Other.Frame &&
         std::ranges::equal(Nodes, Other.Nodes, {}, &TDecodedNode::SerialNo, &TDecodedNode::SerialNo);
}

TNodePath TBrowserTree::RootPath(std::size_t Row) const {
  TNodePath Path{FrameId(Row), Frame(Row), {}};
  if (Path.Tree) Path.Nodes.push_back(Path.Tree.get());
  return Path;
}

TNodePath TBrowserTree::FirstRootFrom(std::size_t Row, const std::function<bool(TFrameId)>& PassOver) const {
  // BaseFrames that cannot be decoded again are passed over.
  for (; Row < Top.size(); ++Row) {
    if (PassOver && PassOver(FrameId(Row))) continue;
    TNodePath Root = RootPath(Row);
    if (!Root.empty()) return Root;
  }
  return {};
}

bool TBrowserTree::StepForward(TNodePath& Path, const std::function<bool(TFrameId)>& PassOver) const {
  if (Path.back()->Child) {
    Path.Nodes.push_back(Path.back()->Child);
    return true;
  }
  while (Path.size() > 1) {
    if (Path.back()->Next) {
      Path.Nodes.back() = Path.back()->Next;
      return true;
    }
    Path.Nodes.pop_back();
  }
  const std::int64_t Row = RowOf(Path.Frame);
  TNodePath Root = Row >= 0 ? FirstRootFrom(static_cast<std::size_t>(Row) + 1, PassOver) : TNodePath();
  if (Root.empty()) return false;
  Path = std::move(Root);
  return true;
}

bool TBrowserTree::StepBack(TNodePath& Path) const {
  if (Path.size() == 1) {
    for (std::int64_t Row = RowOf(Path.Frame) - 1; Row >= 0; --Row) {
      TNodePath Root = RootPath(static_cast<std::size_t>(Row));
      if (Root.empty()) continue;
      Path = std::move(Root);
      AppendLastDescendant(Path.front(), Path.Nodes);
      return true;
    }
    return false;
  }
  const TDecodedNode* Node = Path.back();
  const TDecodedNode* Previous = nullptr;
  for (const TDecodedNode* Sibling = Path[Path.size() - 2]->Child; Sibling && Sibling != Node; Sibling = Sibling->Next)
    Previous = Sibling;
  Path.Nodes.pop_back();
  if (Previous) {
    Path.Nodes.push_back(Previous);
    AppendLastDescendant(Previous, Path.Nodes);
  }
  return true;
}

TNodePath TBrowserTree::NextWithName(TNodePath From, const std::string& VarName) const {
  if (From.empty()) return {};
  while (StepForward(From))
    if (Definition.NodeVarName(*From.back()) == VarName) return From;
  return {};
}

TNodePath TBrowserTree::PreviousWithName(TNodePath From, const std::string& VarName) const {
  if (From.empty()) return {};
  while (StepBack(From))
    if (Definition.NodeVarName(*From.back()) == VarName) return From;
  return {};
}

namespace {

// Extends Path by the nodes from Node down to the one with that serial number; false when none is below Node.
bool FindBelow(const TDecodedNode* Node, std::int64_t SerialNo, std::vector<const TDecodedNode*>& Path) {
  Path.push_back(Node);
  if (Node->SerialNo == SerialNo) return true;
  for (const TDecodedNode* Child = Node->Child; Child; Child = Child->Next)
    if (FindBelow(Child, SerialNo, Path)) return true;
  Path.pop_back();
  return false;
}

}  // namespace

TNodePath TBrowserTree::FindSerial(std::int64_t SerialNo) const {
  const auto FindIn = [&](std::size_t Row) {
    TNodePath Path{FrameId(Row), Frame(Row), {}};
    if (!Path.Tree || !FindBelow(Path.Tree.get(), SerialNo, Path.Nodes)) Path.Nodes.clear();
    return Path;
  };
  // A BaseFrame's nodes carry the running numbers from its record's first one
  // on, below its file's limit; numbers moved above every limit lie in a
  // BaseFrame whose running numbers reach its limit.
  const bool Moved = SerialNo >= MovedSerialBase;
  for (std::size_t Row = 0; Row < Top.size(); ++Row) {
    const TFrameRecord* Record = Trees.Record(FrameId(Row));
    if (!Record) continue;
    const std::int64_t Limit = Trees.Holder(Top[Row].Source)->SerialLimit;
    const std::int64_t End = Record->FirstSerial + Record->Nodes;
    if (Moved) {
      if (End <= Limit) continue;
      if (TNodePath Path = FindIn(Row); !Path.empty()) return Path;
    } else if (Record->FirstSerial <= SerialNo && SerialNo < std::min(End, Limit)) {
      return FindIn(Row);
    }
  }
  return {};
}

std::int64_t TBrowserTree::NeighbourFrame(int Source, std::int64_t Start, bool After) const {
  std::int64_t Nearest = -1;
  for (std::size_t Row = 0; Row < Top.size(); ++Row) {
    if (Top[Row].Source != Source) continue;
    const TFrameRecord* Record = Trees.Record(FrameId(Row));
    if (!Record) continue;
    const std::int64_t Position = Record->Position;
    if (After ? Position <= Start : Position >= Start) continue;
    if (Nearest < 0 || (After ? Position < Nearest : Position > Nearest)) Nearest = Position;
  }
  return Nearest;
}

std::string SortKeyOfTypedName(const TFramesDefinition& Definition, const std::string& Typed) {
  const TDefinitionEntry* Plain = nullptr;
  for (const TDefinitionEntry& Row : Definition.Entries) {
    if (Row.Kind != ekNumber) continue;
    std::string Key = Row.FrameName + "." + Row.VarName;
    if (Key == Typed) return Key;
    if (!Plain && Row.VarName == Typed) Plain = &Row;
  }
  return Plain ? Plain->FrameName + "." + Plain->VarName : std::string();
}
