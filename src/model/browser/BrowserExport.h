#pragma once
// The semicolon-separated export of BaseFrame trees in display order.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "browser/BrowserTree.h"
#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"

struct TExportDimension {
  std::int64_t Columns = 0;
  std::int64_t Lines = 0;
};

// The export in two runs over the BaseFrames, so that they need not be kept:
// the first takes the columns (the NUMBER and BOOLEAN rows that occur), the
// second writes the header and a data line (CR LF ends) per BaseFrame, more
// where a row recurs in it; writing stops when a write to Out fails.
class TBrowserExport {
 public:
  explicit TBrowserExport(const TFramesDefinition& Definition);
  void TakeColumns(const TDecodedNode* Root);
  void WriteHeader(std::ostream& Out);
  void WriteFrame(std::ostream& Out, const TDecodedNode* Root);
  // Ends the export: an empty data line when it had no BaseFrame.
  TExportDimension Finish(std::ostream& Out);

 private:
  void WriteLine(std::ostream& Out);
  const TFramesDefinition& Definition;
  // Column of every row, -1 for rows that are not exported.
  std::vector<std::int32_t> ColumnOfRow;
  std::vector<const TDecodedNode*> Slots;
  // The line in which each row was last placed; a row is in the current line
  // when it equals LineStamp, so starting a line needs no clearing.
  std::vector<std::uint64_t> PlacedInLine;
  std::uint64_t LineStamp = 0;
  std::int64_t Counter = 0;
  std::vector<const TDecodedNode*> Pending;
  std::string Line;
  TExportDimension Dimension;
};

// Writes the header and the data lines of the BaseFrames whose root nodes
// are Roots, in that order.
TExportDimension WriteBrowserExport(std::ostream& Out, const TFramesDefinition& Definition,
                                    const std::vector<const TDecodedNode*>& Roots);
// The same of the BaseFrames a browser shows, in its order; those that cannot
// be decoded again are left out.
TExportDimension WriteBrowserExport(std::ostream& Out, const TFramesDefinition& Definition, const TBrowserTree& Tree);

// "Export of current browser to <file> successful." CR LF "Matrix dimension is C x L."
std::string ExportMessage(const std::string& FileName, const TExportDimension& Dimension);
