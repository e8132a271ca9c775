#pragma once
// The values of chosen definition rows without the trees: per row, every
// node of that row in the order the trees are walked (a node's children
// before it), as its value, its BaseFrame's number in the index and its
// place among its BaseFrame's nodes in that order, which is the order they
// are numbered in.
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "structure/DecodedNode.h"
#include "structure/FrameLayout.h"

struct TFrameColumn {
  std::vector<double> Values;
  std::vector<std::uint32_t> Frames;
  std::vector<std::uint32_t> Places;
  // The BaseFrames from Begin to before Covered are those whose nodes it holds.
  std::uint32_t Begin = 0;
  std::uint32_t Covered = 0;

  std::size_t Size() const { return Values.size(); }
  // The first of its nodes in BaseFrame Frame or after it.
  std::size_t FirstOf(std::uint32_t Frame) const;
};

// A value of a node of a row, at its place among its BaseFrame's nodes.
struct TPlacedValue {
  std::int32_t Row = 0;
  std::uint32_t Place = 0;
  double Value = 0;
};

class TFrameColumns {
 public:
  // Columns of the rows of a definition of Rows rows, taking BaseFrames from
  // number First on.
  explicit TFrameColumns(std::size_t Rows = 0, std::uint32_t First = 0);

  // Takes the nodes of Row from now on. Its column is to cover the
  // BaseFrames from From on (at most Next()): those taken before are taken
  // again for it (TakeBehind). A column that begins after From begins anew.
  void Use(std::int32_t Row, std::uint32_t From = 0);
  // Ends the columns of the rows that Keep does not flag (per definition row).
  void KeepOnly(const std::vector<char>& Keep);
  std::vector<std::int32_t> RowsInUse() const;
  // The rows in use whose columns do not cover the BaseFrames taken so far.
  std::vector<std::int32_t> Behind() const;
  // The column of Row; none when it is not in use.
  const TFrameColumn* Column(std::int32_t Row) const;
  // The number of the first and of the next BaseFrame to take.
  std::uint32_t First() const { return FirstFrame; }
  std::uint32_t Next() const { return NextFrame; }

  // Takes the nodes of the BaseFrame below Root, numbered Next(), into the
  // columns that cover the BaseFrames before it (none when Root is none).
  void Take(const TDecodedNode* Root);
  // The same for a BaseFrame decoded into Layout, whose root is of row RootRow.
  void Take(const TFrameLayout& Layout, std::int32_t RootRow);
  // Takes the nodes of BaseFrame Frame (before Next()) below Root into the
  // columns that reach just up to it; none is taken when Root is none.
  void TakeBehind(std::uint32_t Frame, const TDecodedNode* Root);
  // Takes the values of the nodes of BaseFrame Next() read without its tree,
  // in the order of their places, as Take would take them from the tree.
  void TakeValues(std::span<const TPlacedValue> Values);
  // Empty columns of the same rows (of Rows alone, when given), taking
  // BaseFrames from First on.
  TFrameColumns Fresh(std::uint32_t First, const std::vector<std::int32_t>* Rows = nullptr) const;
  // Appends the BaseFrames Other took, as BaseFrames from At on (by default
  // Next()), to the columns of the same rows that reach just up to At.
  void Append(const TFrameColumns& Other) { Append(Other, NextFrame); }
  void Append(const TFrameColumns& Other, std::uint32_t At);

 private:
  void Walk(const TDecodedNode* List, std::uint32_t Frame, std::uint32_t& Place);
  void TakeValue(std::int32_t Row, std::uint32_t Frame, std::uint32_t Place, double Value);
  // The columns that reached up to Frame reach past it.
  void EndFrame(std::uint32_t Frame);

  std::vector<std::int32_t> Slots;  // per definition row: its column, -1
  std::vector<std::size_t> Open;    // room for walking a layout
  std::vector<std::pair<std::int32_t, TFrameColumn>> Columns;
  std::uint32_t FirstFrame = 0;
  std::uint32_t NextFrame = 0;
};
