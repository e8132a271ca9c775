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

TBrowserExport::TBrowserExport(const TFramesDefinition& Definition)
    : Definition(Definition), ColumnOfRow(Definition.Entries.size(), -1), PlacedInLine(Definition.Entries.size(), 0) {}

void TBrowserExport::TakeColumns(const TDecodedNode* Root) {
  if (!Root) return;
  ForEachBelow(*Root, Pending, [&](const TDecodedNode& Node) {
    if (!IsRow(Definition, Node.DefIndex)) return;
    const TEntryKind Kind = Definition.Entries[static_cast<std::size_t>(Node.DefIndex)].Kind;
    if (Kind == ekNumber || Kind == ekBoolean) ColumnOfRow[static_cast<std::size_t>(Node.DefIndex)] = 0;
  });
}

void TBrowserExport::WriteHeader(std::ostream& Out) {
  std::int32_t Columns = 0;
  Line = "FrameNo;";
  for (std::size_t Row = 0; Row < Definition.Entries.size(); ++Row) {
    if (ColumnOfRow[Row] < 0) continue;
    ColumnOfRow[Row] = Columns++;
    Line += Definition.Entries[Row].VarName;
    Line += ';';
  }
  Line += "\r\n";
  Out.write(Line.data(), static_cast<std::streamsize>(Line.size()));
  Dimension.Columns = Columns;
  Slots.assign(static_cast<std::size_t>(Columns), nullptr);
}

void TBrowserExport::WriteLine(std::ostream& Out) {
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
}

void TBrowserExport::WriteFrame(std::ostream& Out, const TDecodedNode* Root) {
  if (!Out) return;  // a failed write ends the export
  ++Counter;
  std::fill(Slots.begin(), Slots.end(), nullptr);
  ++LineStamp;
  if (Root) {
    ForEachBelow(*Root, Pending, [&](const TDecodedNode& Node) {
      if (!IsRow(Definition, Node.DefIndex)) return;
      const auto Row = static_cast<std::size_t>(Node.DefIndex);
      if (PlacedInLine[Row] == LineStamp) WriteLine(Out);
      PlacedInLine[Row] = LineStamp;
      if (ColumnOfRow[Row] >= 0) Slots[static_cast<std::size_t>(ColumnOfRow[Row])] = &Node;
    });
  }
  WriteLine(Out);
}

TExportDimension TBrowserExport::Finish(std::ostream& Out) {
  // Without BaseFrames, one empty line.
  if (Counter == 0) WriteLine(Out);
  return Dimension;
}

namespace {

// The export of Count BaseFrames whose roots RootAt gives (none: left out),
// asked for once per run.
template <class TRootAt>
TExportDimension WriteExport(std::ostream& Out, const TFramesDefinition& Definition, std::size_t Count,
                             const TRootAt& RootAt) {
  TBrowserExport Export(Definition);
  for (std::size_t Frame = 0; Frame < Count; ++Frame)
    if (const TDecodedNode* Root = RootAt(Frame)) Export.TakeColumns(Root);
  Export.WriteHeader(Out);
  for (std::size_t Frame = 0; Frame < Count; ++Frame)
    if (const TDecodedNode* Root = RootAt(Frame)) Export.WriteFrame(Out, Root);
  return Export.Finish(Out);
}

}  // namespace

TExportDimension WriteBrowserExport(std::ostream& Out, const TFramesDefinition& Definition,
                                    const std::vector<const TDecodedNode*>& Roots) {
  return WriteExport(Out, Definition, Roots.size(), [&](std::size_t Frame) { return Roots[Frame]; });
}

TExportDimension WriteBrowserExport(std::ostream& Out, const TFramesDefinition& Definition, const TBrowserTree& Tree) {
  return WriteExport(Out, Definition, Tree.FrameCount(),
                     [&](std::size_t Row) { return Tree.FrameTrees().Peek(Tree.FrameId(Row)); });
}

std::string ExportMessage(const std::string& FileName, const TExportDimension& Dimension) {
  return "Export of current browser to " + FileName + " successful.\r\nMatrix dimension is " +
         std::to_string(Dimension.Columns) + " x " + std::to_string(Dimension.Lines) + ".";
}
