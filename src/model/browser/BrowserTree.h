#pragma once
// A browser's content without the window: the BaseFrames it shows in display
// order (their trees decoded again when asked for), sorting, filters, and
// the walks the keys and commands need.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "browser/FrameTrees.h"
#include "data/Data.h"
#include "data/FrameRecord.h"
#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"

// A node and its ancestors, the BaseFrame root first, in the tree of a
// BaseFrame, which the path holds.
struct TNodePath {
  TFrameId Frame;
  TTreeHandle Tree;
  std::vector<const TDecodedNode*> Nodes;

  bool empty() const { return Nodes.empty(); }
  std::size_t size() const { return Nodes.size(); }
  const TDecodedNode* front() const { return Nodes.front(); }
  const TDecodedNode* back() const { return Nodes.back(); }
  const TDecodedNode* operator[](std::size_t I) const { return Nodes[I]; }
  // Through the same BaseFrame to nodes of the same numbers, in whichever
  // decoding of its tree; all empty paths are equal.
  bool operator==(const TNodePath& Other) const;
};

class TBrowserTree {
 public:
  explicit TBrowserTree(const TFramesDefinition& Definition) : Definition(Definition) {}

  // Per source, the BaseFrames of its holder's index already appended.
  std::array<std::int32_t, MaxBrowserSources> ShownFrames{};

  // The records of the BaseFrames of Data, source Source, not handed over
  // yet; they count as shown from now on, numbered from the first not shown.
  struct TNewFrames {
    std::uint32_t First = 0;
    std::span<const TFrameRecord> Records;
  };
  TNewFrames TakeNewFrames(int Source, const TData& Data);
  // Adds BaseFrames First, First + 1 ... of source Source after the last
  // top-level node, one per record: the filters judge each shape of the
  // source once instead of every BaseFrame.
  void Append(int Source, const TNewFrames& New);
  // Removes every node; ShownFrames is kept.
  void Clear();

  std::size_t FrameCount() const { return Top.size(); }
  TFrameId FrameId(std::size_t Row) const { return {Top[Row].Frame, Top[Row].Source}; }
  // The tree of the BaseFrame in that row, decoded again when it is not at
  // hand; empty when it cannot be.
  TTreeHandle Frame(std::size_t Row) const { return Trees.Tree(FrameId(Row)); }
  int FrameSource(std::size_t Row) const { return Top[Row].Source; }
  // Read from the row, not the tree: views ask this of every row they lay out.
  bool FrameHasChildren(std::size_t Row) const { return Top[Row].HasChildren; }
  // Row of a BaseFrame, -1 when it is not shown.
  std::int64_t RowOf(TFrameId Id) const;
  // All nodes of all levels.
  std::int64_t NodeCount() const { return Nodes; }
  // Where the trees come from.
  TFrameTrees& FrameTrees() const { return Trees; }

  // "Frame.Variable"; empty leaves the order alone.
  const std::string& SortKey() const { return Key; }
  void SetSortKey(const std::string& SortKey);
  // Ascending by key value; BaseFrames with equal values reverse their order.
  void Sort();

  const std::vector<std::string>& FilterIn() const { return In; }
  const std::vector<std::string>& FilterOut() const { return Out; }
  // New filters apply to every BaseFrame at the next ApplyFilters.
  void SetFilters(const std::vector<std::string>& FilterIn, const std::vector<std::string>& FilterOut);
  // Removes the BaseFrames the filters exclude; true when any was removed.
  bool ApplyFilters() { return RemoveRows(ExcludedRows()); }
  // The rows of the BaseFrames the filters exclude, ascending.
  std::vector<std::size_t> ExcludedRows();
  // Removes the BaseFrames of these rows (ascending); true when there were any.
  bool RemoveRows(const std::vector<std::size_t>& Excluded);

  // The path of the root of the BaseFrame in that row.
  TNodePath RootPath(std::size_t Row) const;
  // The path of the root of the first BaseFrame from that row on that can be
  // decoded and that PassOver (when given) does not pass over; empty when
  // there is none.
  TNodePath FirstRootFrom(std::size_t Row, const std::function<bool(TFrameId)>& PassOver = {}) const;
  // Moves Path one node on in pre-order through the shown BaseFrames, those
  // PassOver passes over left out; false after the last node.
  bool StepForward(TNodePath& Path, const std::function<bool(TFrameId)>& PassOver = {}) const;
  // The next / previous node in pre-order whose variable name is VarName;
  // empty when the walk reaches the end.
  TNodePath NextWithName(TNodePath From, const std::string& VarName) const;
  TNodePath PreviousWithName(TNodePath From, const std::string& VarName) const;
  // The first node in pre-order with that serial number; empty when none.
  TNodePath FindSerial(std::int64_t SerialNo) const;
  // The position of the shown BaseFrame of Source that starts next after
  // (After) or last before Start in file order; -1 when there is none.
  std::int64_t NeighbourFrame(int Source, std::int64_t Start, bool After) const;
  // Whether a node of the BaseFrame, the root included, has a qualified name
  // equal to one of Lines without regard to case.
  bool ContainsName(const TDecodedNode& Root, const std::vector<std::string>& Lines) const;

 private:
  struct TTopNode {
    double Key;
    std::uint32_t Frame;  // in its source's index
    std::int32_t Shape;   // of its file's index; -1: not known
    std::int32_t Nodes;   // of its tree, its root counted
    std::uint8_t Source;
    bool HasKey;
    bool Checked;  // passed the filters in force
    bool HasChildren;
  };
  void UpdateKey(TTopNode& Top);
  // The sort key of every BaseFrame of the holders at once, from columns;
  // left to FindKey when a key row is a sub-frame's.
  void FillKeyColumns();
  // Whether the BaseFrame holds the sort key (TKeyColumn's states), and its value.
  std::uint8_t FindKey(const TTopNode& Top, double& Value);
  // Whether the filters in force exclude the BaseFrame.
  bool FilteredOut(const TTopNode& Node);
  void IndexRows(std::size_t From);
  bool StepBack(TNodePath& Path) const;
  bool NamesMatch(const TDecodedNode* List, const std::string& Prefix, const std::vector<std::string>& Lines) const;

  const TFramesDefinition& Definition;
  mutable TFrameTrees Trees;
  std::vector<TTopNode> Top;
  std::size_t Unchecked = 0;       // rows of Top not Checked
  std::size_t FirstUnchecked = 0;  // every row above it is Checked
  // Per source, the row of each of its BaseFrames, -1 when not shown.
  std::array<std::vector<std::int32_t>, MaxBrowserSources> Rows;
  std::int64_t Nodes = 0;
  std::string Key;
  std::vector<char> KeyRows;  // rows whose "Frame.Variable" is the sort key
  // Per source, what each BaseFrame's tree gave for the sort key, kept while
  // the key and the source's holder stay: a rebuild needs no tree again.
  struct TKeyColumn {
    enum : std::uint8_t { Unknown, Keyed, Keyless };
    std::vector<std::uint8_t> State;
    std::vector<double> Values;
  };
  std::array<TKeyColumn, MaxBrowserSources> KeyColumns;
  std::vector<std::string> In, Out;
  // What holds for every BaseFrame of a shape of a source, from judging one
  // of them: whether the filters in force exclude it (unknown until judged)
  // and whether it lacks the sort key.
  struct TShapeFacts {
    std::optional<bool> Excluded;
    bool Keyless = false;
  };
  // By ShapeKey.
  std::unordered_map<std::uint64_t, TShapeFacts> ShapeFacts;
  // Of the BaseFrame's shape; none when its shape is not known.
  TShapeFacts* FactsOf(const TTopNode& Node);
  static std::uint64_t ShapeKey(const TTopNode& Node) {
    return std::uint64_t{Node.Source} << 32 | static_cast<std::uint32_t>(Node.Shape);
  }
};

// The sort key ("Frame.Variable") a typed name stands for: a NUMBER row's
// "Frame.Variable" as typed, or else the first NUMBER row, in table order, of
// that variable name; empty when no NUMBER row has it.
std::string SortKeyOfTypedName(const TFramesDefinition& Definition, const std::string& Typed);
