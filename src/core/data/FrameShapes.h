#pragma once
// The shapes of decoded BaseFrames: the rows and sub-frames of a tree's
// nodes, in order and nesting. BaseFrames of one shape hold the same
// qualified names in the same places, whatever their values.
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "data/FrameRecord.h"
#include "structure/FrameLayout.h"
#include "structure/FramesDefinition.h"

// A node of a shape's trees.
struct TShapeField {
  std::int32_t Row = 0;
  std::uint32_t Place = 0;  // among its BaseFrame's nodes, as TFrameColumns numbers them
  std::int64_t Base = 0;    // of its frame, counted from its BaseFrame's first byte
};

class TFrameShapes {
 public:
  // The codes (8 bytes each) all shapes keep together at most: a layout
  // first met after that has no shape (-1), so that data whose layouts
  // rarely repeat does not keep a copy of every tree's layout.
  static constexpr std::size_t DefaultMaxCodes = std::size_t{1} << 22;

  explicit TFrameShapes(const TFramesDefinition& Definition, std::size_t MaxCodes = DefaultMaxCodes);

  // Sets the record's Shape (numbering a shape not met before), Time and
  // Nodes from the layout of the tree below its root.
  void Note(const TFrameLayout& Layout, TFrameRecord& Record);
  // Adds the shapes of Other that are new here; for each of Other's shape
  // numbers, its number here (-1 when there is no room).
  std::vector<std::int32_t> Merge(const TFrameShapes& Other);

  std::size_t Count() const { return Shapes.size(); }
  // The nodes of the shape's trees whose rows Wanted flags (per definition
  // row), in the order of their places. Other threads may ask while a pass
  // adds shapes.
  std::vector<TShapeField> Fields(std::int32_t Shape, const std::vector<char>& Wanted) const;

 private:
  // The LayoutCode of each node of the shape's trees, in pre-order.
  std::span<const std::uint64_t> Nodes(std::int32_t Shape) const { return Shapes[static_cast<std::size_t>(Shape)]; }
  // Of the nodes of a tree of that layout, the PLOT_TIME whose value sets
  // the BaseFrame's time: the last in a walk that meets sub-frame contents
  // before their node, as the plots walk; -1 when there is none.
  std::int32_t TimeNode(std::span<const std::uint64_t> Codes);
  std::int32_t Intern(std::span<const std::uint64_t> Codes);

  std::size_t MaxCodes;
  std::size_t KeptCodes = 0;
  std::vector<char> TimeRows;
  std::vector<std::optional<std::int64_t>> SubframeBytes;  // per row: a sub-frame's byte position
  mutable std::mutex Adding;                               // held while Shapes grows and while other threads read it
  std::vector<std::size_t> Open;                           // room for TimeNode
  std::vector<std::vector<std::uint64_t>> Shapes;
  std::vector<std::int32_t> TimeNodes;  // per shape
  std::unordered_multimap<std::uint64_t, std::int32_t> ByHash;
};
