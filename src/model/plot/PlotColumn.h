#pragma once
// What the BaseFrames of one list give a plot series, kept compactly: per
// BaseFrame its sort key (when sorted), its last PLOT_TIME and how many
// points it holds; the points in BaseFrame order.
#include <cstdint>
#include <string>
#include <vector>

#include "data/Data.h"
#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"

// Value of the first variable with that name (whose hash is NameHash) in a
// decoded list, its sub-frames searched first where they come; MissingValue
// when none.
double FindValue(const TFramesDefinition& Definition, const TDecodedNode* List, const std::string& Name,
                 std::uint32_t NameHash);

// The variable a series plots and its sort criterion, with their name hashes.
struct TPlotNames {
  std::string FrameName, VarName, SortVar;
  std::uint32_t FrameHash = 0, NameHash = 0, SortHash = 0;
};

class TPlotColumn {
 public:
  // A point as its BaseFrame gives it; before the BaseFrame's first
  // PLOT_TIME its time is the one the BaseFrames before left.
  struct TPoint {
    double Value;
    double Time;
    std::int64_t SerialNo;
    bool OwnTime;
  };

  // Appends what the BaseFrame whose nodes are List gives.
  void Take(const TFramesDefinition& Definition, const TPlotNames& Names, const TDecodedNode* List);
  // Appends what the BaseFrames of Data's index from Frames() on give, read
  // from its columns as Take reads the trees (a sub-frame's own node never
  // gives the key).
  void TakeColumns(const TFramesDefinition& Definition, const TPlotNames& Names, TData& Data);

  std::size_t Frames() const { return Starts.size() - 1; }
  const std::vector<TPoint>& Points() const { return FramePoints; }
  // Of BaseFrame Frame: its first point and number of points, its sort
  // criterion's value (0 unsorted) and, when it holds a PLOT_TIME, the last one's value.
  std::uint32_t FirstPoint(std::size_t Frame) const { return Starts[Frame]; }
  std::uint32_t PointCount(std::size_t Frame) const { return Starts[Frame + 1] - Starts[Frame]; }
  double Key(std::size_t Frame) const { return Keys.empty() ? 0 : Keys[Frame]; }
  bool SetsTime(std::size_t Frame) const { return TimeSet[Frame]; }
  double LastTime(std::size_t Frame) const { return LastTimes[Frame]; }

 private:
  // A first fill of Points points of NewFrames BaseFrames (with their sort
  // keys when Sorted) takes its room at once.
  void ReserveFirstFill(std::size_t Points, std::size_t NewFrames, bool Sorted);

  std::vector<TPoint> FramePoints;
  // Per BaseFrame, where its points start, and the end of the last one's.
  std::vector<std::uint32_t> Starts{0};
  std::vector<double> Keys;  // only when sorted
  std::vector<double> LastTimes;
  std::vector<bool> TimeSet;

  // A node met in a BaseFrame: a PLOT_TIME (TimeRow) sets the time, then a
  // node of the series (Point) is a point; the first node of the sort
  // criterion is the key.
  void Meet(bool TimeRow, bool Point, double Value, std::int64_t SerialNo, bool& SetsTime, double& Time);
  // What the BaseFrame gives once its nodes were met.
  void EndFrame(bool SetsTime, double Time);
};
