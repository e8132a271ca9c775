#pragma once
// The semicolon-separated export of BaseFrame trees in display order.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"

struct TExportDimension {
  std::int64_t Columns = 0;
  std::int64_t Lines = 0;
};

// Writes the header and the data lines (CR LF ends) of the BaseFrames whose
// root nodes are Roots, in that order; stops early when a write to Out fails.
TExportDimension WriteBrowserExport(std::ostream& Out, const TFramesDefinition& Definition,
                                    const std::vector<const TDecodedNode*>& Roots);

// "Export of current browser to <file> successful." CR LF "Matrix dimension is C x L."
std::string ExportMessage(const std::string& FileName, const TExportDimension& Dimension);
