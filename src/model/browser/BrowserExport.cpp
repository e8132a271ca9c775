#include "browser/BrowserExport.h"

#include <algorithm>
#include <charconv>

#include "common/FloatText.h"

namespace {

// Calls Visit for every node below Root in pre-order, without recursion;
// Pending is scratch space kept by the caller.
template <typename TVisit>
void ForEachBelow(const TDecodedNode& Root, std::vector<const TDecodedNode*>& Pending, TVisit&& Visit) {
  Pending.clear();
  const TDecodedNode* Node = Root.Child;
  while (Node) {
    Visit(*Node);
    if (Node->Child) {
      if (Node->Next) Pending.push_back(Node->Next);
      Node = Node->Child;
      continue;
    }
    Node = Node->Next;
    if (!Node && !Pending.empty()) {
      Node = Pending.back();
      Pending.pop_back();
    }
  }
}

bool IsRow(const TFramesDefinition& Definition, std::int16_t Row) {
  return Row >= 0 && static_cast<std::size_t>(Row) < Definition.Entries.size();
}

void AppendDecimal(std::string& Text, std::int64_t Value) {
  char Digits[24];
  Text.append(Digits, std::to_chars(Digits, Digits + sizeof Digits, Value).ptr);
}

}  // namespace

TExportDimension WriteBrowserExport(std::ostream& Out, const TFramesDefinition& Definition,
                                    const std::vector<const TDecodedNode*>& Roots) {
  const std::vector<TDefinitionEntry>& Entries = Definition.Entries;
  std::vector<const TDecodedNode*> Pending;

  // Column of every row, -1 for rows that are not exported.
  std::vector<std::int32_t> ColumnOfRow(Entries.size(), -1);
  for (const TDecodedNode* Root : Roots) {
    if (!Root) continue;
    ForEachBelow(*Root, Pending, [&](const TDecodedNode& Node) {
      if (!IsRow(Definition, Node.DefIndex)) return;
      const TEntryKind Kind = Entries[static_cast<std::size_t>(Node.DefIndex)].Kind;
      if (Kind == ekNumber || Kind == ekBoolean) ColumnOfRow[static_cast<std::size_t>(Node.DefIndex)] = 0;
    });
  }
  std::int32_t Columns = 0;
  std::string Line = "FrameNo;";
  for (std::size_t Row = 0; Row < Entries.size(); ++Row) {
    if (ColumnOfRow[Row] < 0) continue;
    ColumnOfRow[Row] = Columns++;
    Line += Entries[Row].VarName;
    Line += ';';
  }
  Line += "\r\n";
  Out.write(Line.data(), static_cast<std::streamsize>(Line.size()));

  TExportDimension Dimension;
  Dimension.Columns = Columns;
  std::vector<const TDecodedNode*> Slots(static_cast<std::size_t>(Columns));
  // The line in which each row was last placed; a row is in the current line
  // when it equals LineStamp, so starting a line needs no clearing.
  std::vector<std::uint64_t> PlacedInLine(Entries.size(), 0);
  std::uint64_t LineStamp = 0;
  std::int64_t Counter = 0;

  const auto WriteLine = [&] {
    Line.clear();
    AppendDecimal(Line, Counter);
    Line += ';';
    for (const TDecodedNode* Node : Slots) {
      if (Node) AppendFixedScientificText(Line, Node->Value);
      Line += ';';
    }
    Line += "\r\n";
    Out.write(Line.data(), static_cast<std::streamsize>(Line.size()));
    ++Dimension.Lines;
    ++LineStamp;
  };

  if (Roots.empty()) {
    WriteLine();
    return Dimension;
  }
  for (const TDecodedNode* Root : Roots) {
    if (!Out) break;  // a failed write ends the export
    ++Counter;
    std::fill(Slots.begin(), Slots.end(), nullptr);
    ++LineStamp;
    if (Root) {
      ForEachBelow(*Root, Pending, [&](const TDecodedNode& Node) {
        if (!IsRow(Definition, Node.DefIndex)) return;
        const auto Row = static_cast<std::size_t>(Node.DefIndex);
        if (PlacedInLine[Row] == LineStamp) WriteLine();
        PlacedInLine[Row] = LineStamp;
        if (ColumnOfRow[Row] >= 0) Slots[static_cast<std::size_t>(ColumnOfRow[Row])] = &Node;
      });
    }
    WriteLine();
  }
  return Dimension;
}

std::string ExportMessage(const std::string& FileName, const TExportDimension& Dimension) {
  return "Export of current browser to " + FileName + " successful.\r\nMatrix dimension is " +
         std::to_string(Dimension.Columns) + " x " + std::to_string(Dimension.Lines) + ".";
}
