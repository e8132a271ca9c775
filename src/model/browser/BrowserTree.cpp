#include "browser/BrowserTree.h"

#include <algorithm>

#include "common/AsciiCase.h"

namespace {

std::int64_t SubtreeSize(const TDecodedNode& Node) {
  std::int64_t Size = 1;
  for (const TDecodedNode* Child = Node.Child; Child; Child = Child->Next) Size += SubtreeSize(*Child);
  return Size;
}

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
void AppendLastDescendant(const TDecodedNode* Node, TNodePath& Path) {
  while (Node->Child) {
    Node = Node->Child;
    while (Node->Next) Node = Node->Next;
    Path.push_back(Node);
  }
}

}  // namespace

TBrowserTree::TNewFrames TBrowserTree::TakeNewFrames(int Source, const TDecodedNode* First,
                                                     std::span<const TFrameRecord> Index) {
  TNewFrames New;
  if (!First || Source < 0 || Source >= MaxBrowserSources) return New;
  std::int32_t& Shown = ShownFrames[static_cast<std::size_t>(Source)];
  const auto Before = static_cast<std::size_t>(Shown);
  TRootCursor& Cursor = ShownCursors[static_cast<std::size_t>(Source)];
  for (const TDecodedNode* Root = Cursor.TakeRest(First, Shown); Root; Root = Root->Next) New.Roots.push_back(Root);
  Shown = static_cast<std::int32_t>(Cursor.Walked());
  if (Index.size() == static_cast<std::size_t>(Shown)) New.Records = Index.subspan(Before);
  return New;
}

void TBrowserTree::Append(int Source, const std::vector<const TDecodedNode*>& Roots,
                          std::span<const TFrameRecord> Records) {
  const std::size_t From = Top.size();
  for (std::size_t I = 0; I < Roots.size(); ++I) {
    const TDecodedNode* Root = Roots[I];
    const std::int32_t Shape = I < Records.size() ? Records[I].Shape : -1;
    TTopNode Node{Root, 0, false, false, Root->Child != nullptr, static_cast<std::uint8_t>(Source), Shape};
    UpdateKey(Node);
    Top.push_back(Node);
    if (Shape >= 0) ShapeFacts[ShapeKey(Node)].Nodes = Records[I].Nodes;
    Nodes += I < Records.size() ? Records[I].Nodes : TreeNodes(Node);
  }
  IndexRows(From);
}

void TBrowserTree::Clear() {
  Top.clear();
  Rows.clear();
  ShapeFacts.clear();
  Nodes = 0;
}

TBrowserTree::TShapeFacts* TBrowserTree::FactsOf(const TTopNode& Node) {
  if (Node.Shape < 0) return nullptr;
  const auto Found = ShapeFacts.find(ShapeKey(Node));
  return Found == ShapeFacts.end() ? nullptr : &Found->second;
}

std::int64_t TBrowserTree::TreeNodes(const TTopNode& Node) {
  const TShapeFacts* Facts = FactsOf(Node);
  return Facts ? Facts->Nodes : SubtreeSize(*Node.Node);
}

std::int64_t TBrowserTree::RowOf(const TDecodedNode* Root) const {
  const auto It = Rows.find(Root);
  return It == Rows.end() ? -1 : It->second;
}

void TBrowserTree::IndexRows(std::size_t From) {
  for (std::size_t Row = From; Row < Top.size(); ++Row) Rows[Top[Row].Node] = static_cast<std::int64_t>(Row);
}

void TBrowserTree::SetSortKey(const std::string& SortKey) {
  Key = SortKey;
  KeyRows.assign(Definition.Entries.size(), 0);
  if (!Key.empty())
    for (std::size_t Row = 0; Row < Definition.Entries.size(); ++Row)
      KeyRows[Row] = Definition.Entries[Row].FrameName + "." + Definition.Entries[Row].VarName == Key;
  for (auto& [Shape, Facts] : ShapeFacts) Facts.Keyless = false;
  for (TTopNode& Node : Top) UpdateKey(Node);
}

void TBrowserTree::UpdateKey(TTopNode& Top) {
  Top.HasKey = false;
  TShapeFacts* Facts = FactsOf(Top);
  if (Key.empty() || (Facts && Facts->Keyless)) return;
  if (const TDecodedNode* Found = FirstOfRows(Top.Node->Child, KeyRows)) {
    Top.HasKey = true;
    Top.Key = Found->Value;
  } else if (Facts) {
    Facts->Keyless = true;
  }
}

void TBrowserTree::Sort() {
  // BaseFrames without the key follow the sorted ones, in their order.
  const auto Keyed = std::stable_partition(Top.begin(), Top.end(), [](const TTopNode& Node) { return Node.HasKey; });
  std::vector<TTopNode> Buffer;
  Buffer.reserve(Top.size());
  SplitMergeSort(Top, 0, static_cast<std::size_t>(Keyed - Top.begin()), Buffer,
                 [](const TTopNode& A, const TTopNode& B) { return A.Key < B.Key ? -1 : 1; });
  IndexRows(0);
}

void TBrowserTree::SetFilters(const std::vector<std::string>& FilterIn, const std::vector<std::string>& FilterOut) {
  In = FilterIn;
  Out = FilterOut;
  for (auto& [Shape, Facts] : ShapeFacts) Facts.Excluded.reset();
  for (TTopNode& Node : Top) Node.Checked = false;
}

std::vector<std::size_t> TBrowserTree::ExcludedRows() {
  std::vector<std::size_t> Excluded;
  for (std::size_t Row = 0; Row < Top.size(); ++Row) {
    TTopNode& Node = Top[Row];
    if (Node.Checked) continue;
    if (FilteredOut(Node)) Excluded.push_back(Row);
    else Node.Checked = true;
  }
  return Excluded;
}

bool TBrowserTree::FilteredOut(const TTopNode& Node) {
  // Filter out wins: a BaseFrame with a filter-out name goes whatever else it holds.
  const auto Judge = [&] {
    return (!Out.empty() && ContainsName(*Node.Node, Out)) || (!In.empty() && !ContainsName(*Node.Node, In));
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
      Nodes -= TreeNodes(Top[Row]);
      Rows.erase(Top[Row].Node);
    } else {
      Kept.push_back(Top[Row]);
    }
  }
  Top = std::move(Kept);
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

bool TBrowserTree::StepForward(TNodePath& Path) const {
  if (Path.back()->Child) {
    Path.push_back(Path.back()->Child);
    return true;
  }
  while (Path.size() > 1) {
    if (Path.back()->Next) {
      Path.back() = Path.back()->Next;
      return true;
    }
    Path.pop_back();
  }
  const std::int64_t Row = RowOf(Path.front());
  if (Row < 0 || static_cast<std::size_t>(Row) + 1 >= Top.size()) return false;
  Path.front() = Top[static_cast<std::size_t>(Row) + 1].Node;
  return true;
}

bool TBrowserTree::StepBack(TNodePath& Path) const {
  if (Path.size() == 1) {
    const std::int64_t Row = RowOf(Path.front());
    if (Row <= 0) return false;
    Path.front() = Top[static_cast<std::size_t>(Row) - 1].Node;
    AppendLastDescendant(Path.front(), Path);
    return true;
  }
  const TDecodedNode* Node = Path.back();
  const TDecodedNode* Previous = nullptr;
  for (const TDecodedNode* Sibling = Path[Path.size() - 2]->Child; Sibling && Sibling != Node; Sibling = Sibling->Next)
    Previous = Sibling;
  Path.pop_back();
  if (Previous) {
    Path.push_back(Previous);
    AppendLastDescendant(Previous, Path);
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
bool FindBelow(const TDecodedNode* Node, std::int64_t SerialNo, TNodePath& Path) {
  Path.push_back(Node);
  if (Node->SerialNo == SerialNo) return true;
  for (const TDecodedNode* Child = Node->Child; Child; Child = Child->Next)
    if (FindBelow(Child, SerialNo, Path)) return true;
  Path.pop_back();
  return false;
}

}  // namespace

TNodePath TBrowserTree::FindSerial(std::int64_t SerialNo) const {
  // A tree's nodes are numbered before its root, so the node lies in the
  // BaseFrame with the least root number not below it, unless its file's
  // numbers moved on in the middle of that BaseFrame: then every one is looked at.
  const TDecodedNode* Nearest = nullptr;
  for (const TTopNode& Node : Top)
    if (Node.Node->SerialNo >= SerialNo && (!Nearest || Node.Node->SerialNo < Nearest->SerialNo)) Nearest = Node.Node;
  TNodePath Path;
  if (!Nearest || FindBelow(Nearest, SerialNo, Path)) return Path;
  for (const TTopNode& Node : Top)
    if (Node.Node != Nearest && FindBelow(Node.Node, SerialNo, Path)) return Path;
  return {};
}

const TDecodedNode* TBrowserTree::NeighbourFrame(const TMemoryStream* Stream, std::int64_t Start, bool After) const {
  const TDecodedNode* Nearest = nullptr;
  for (const TTopNode& Node : Top) {
    const std::int64_t Position = Node.Node->Position;
    if (Node.Node->Stream() != Stream || (After ? Position <= Start : Position >= Start)) continue;
    if (!Nearest || (After ? Position < Nearest->Position : Position > Nearest->Position)) Nearest = Node.Node;
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
