#include "table/TableRows.h"

#include "common/Rounding.h"

std::int64_t MessageIndex(const TDecodedNode& Node, const std::vector<std::string>& Messages) {
  const std::int64_t Index = RoundHalfEven(Node.RawValue);
  return Index >= 0 && static_cast<std::uint64_t>(Index) < Messages.size() ? Index : -1;
}

bool IsTextNode(const TFramesDefinition& Definition, const TDecodedNode& Node) {
  const TDefinitionEntry* Row = Definition.RowAt(Node.DefIndex);
  return Row && Row->Kind == ekText;
}

void ForEachSelectedVariable(const TFramesDefinition& Definition, const TTableColumns& Columns,
                             const TDecodedNode* List,
                             const std::function<void(const TDecodedNode& Node, const std::string& Name)>& Visit) {
  for (const TDecodedNode* Node = List; Node; Node = Node->Next) {
    if (Node->Child) {
      ForEachSelectedVariable(Definition, Columns, Node->Child, Visit);
      continue;
    }
    const TDefinitionEntry* Row = Definition.RowAt(Node->DefIndex);
    if (!Row || Row->Kind == ekSubframe || Row->Kind == ekFrame) continue;
    const std::string Name = Definition.NodeQualifiedName(*Node);
    if (Columns.Selected(Name)) Visit(*Node, Name);
  }
}
