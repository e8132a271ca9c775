#pragma once
// A browser's content without the window: the BaseFrames it shows in display
// order, the decoded trees below them (by reference), sorting, filters, and
// the walks the keys and commands need.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/FrameRecord.h"
#include "data/RootCursor.h"
#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"

constexpr int MaxBrowserSources = 101;

// A node and its ancestors, the BaseFrame root first.
using TNodePath = std::vector<const TDecodedNode*>;

class TBrowserTree {
 public:
  explicit TBrowserTree(const TFramesDefinition& Definition) : Definition(Definition) {}

  // Per source, the BaseFrames of its list already appended.
  std::array<std::int32_t, MaxBrowserSources> ShownFrames{};

  // The roots of the list from First on that source Source has not handed
  // over yet; they count as shown from now on. Their Records come from Index,
  // the list's index, when it holds one per root of the list.
  struct TNewFrames {
    std::vector<const TDecodedNode*> Roots;
    std::span<const TFrameRecord> Records;
  };
  TNewFrames TakeNewFrames(int Source, const TDecodedNode* First, std::span<const TFrameRecord> Index = {});
  // Adds BaseFrames of source Source after the last top-level node. Records,
  // when given, are theirs (one each, in order): the filters then judge each
  // shape of the source once instead of every BaseFrame.
  void Append(int Source, const std::vector<const TDecodedNode*>& Roots, std::span<const TFrameRecord> Records = {});
  // Removes every node; ShownFrames is kept.
  void Clear();

  std::size_t FrameCount() const { return Top.size(); }
  const TDecodedNode* Frame(std::size_t Row) const { return Top[Row].Node; }
  int FrameSource(std::size_t Row) const { return Top[Row].Source; }
  // Read from the row, not the node: views ask this of every row they lay out.
  bool FrameHasChildren(std::size_t Row) const { return Top[Row].HasChildren; }
  // Row of a top-level node, -1 for any other node.
  std::int64_t RowOf(const TDecodedNode* Root) const;
  // All nodes of all levels.
  std::int64_t NodeCount() const { return Nodes; }

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

  // Moves Path one node on in pre-order through the shown BaseFrames; false
  // after the last node.
  bool StepForward(TNodePath& Path) const;
  // The next / previous node in pre-order whose variable name is VarName;
  // empty when the walk reaches the end.
  TNodePath NextWithName(TNodePath From, const std::string& VarName) const;
  TNodePath PreviousWithName(TNodePath From, const std::string& VarName) const;
  // The first node in pre-order with that serial number; empty when none.
  TNodePath FindSerial(std::int64_t SerialNo) const;
  // The shown BaseFrame of Stream that starts next after (After) or last
  // before Start in file order; none when there is none.
  const TDecodedNode* NeighbourFrame(const TMemoryStream* Stream, std::int64_t Start, bool After) const;
  // Whether a node of the BaseFrame, the root included, has a qualified name
  // equal to one of Lines without regard to case.
  bool ContainsName(const TDecodedNode& Root, const std::vector<std::string>& Lines) const;

 private:
  std::array<TRootCursor, MaxBrowserSources> ShownCursors;
  struct TTopNode {
    const TDecodedNode* Node;
    double Key;
    bool HasKey;
    bool Checked;  // passed the filters in force
    bool HasChildren;
    std::uint8_t Source;
    std::int32_t Shape;  // of its file's index; -1: not known
  };
  void UpdateKey(TTopNode& Top);
  // Whether the filters in force exclude the BaseFrame.
  bool FilteredOut(const TTopNode& Node);
  void IndexRows(std::size_t From);
  bool StepBack(TNodePath& Path) const;
  bool NamesMatch(const TDecodedNode* List, const std::string& Prefix, const std::vector<std::string>& Lines) const;

  const TFramesDefinition& Definition;
  std::vector<TTopNode> Top;
  std::unordered_map<const TDecodedNode*, std::int64_t> Rows;
  std::int64_t Nodes = 0;
  std::string Key;
  std::vector<char> KeyRows;  // rows whose "Frame.Variable" is the sort key
  std::vector<std::string> In, Out;
  // What holds for every BaseFrame of a shape of a source, from the records
  // and from judging one of them: its nodes, whether the filters in force
  // exclude it (unknown until judged) and whether it lacks the sort key.
  struct TShapeFacts {
    std::int32_t Nodes = 0;
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
  // The nodes of the BaseFrame's tree, its root counted.
  std::int64_t TreeNodes(const TTopNode& Node);
};

// The sort key ("Frame.Variable") a typed name stands for: a NUMBER row's
// "Frame.Variable" as typed, or else the first NUMBER row, in table order, of
// that variable name; empty when no NUMBER row has it.
std::string SortKeyOfTypedName(const TFramesDefinition& Definition, const std::string& Typed);
