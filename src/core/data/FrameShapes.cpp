#include "data/FrameShapes.h"

#include <algorithm>

#include "structure/PlotTimeRow.h"

namespace {

std::uint64_t HashOf(std::span<const std::uint64_t> Nodes) {
  std::uint64_t Hash = 0xcbf29ce484222325ULL;
  for (const std::uint64_t Code : Nodes) Hash = (Hash ^ Code) * 0x100000001b3ULL;
  return Hash;
}

}  // namespace

TFrameShapes::TFrameShapes(const TFramesDefinition& Definition, std::size_t MaxCodes) : MaxCodes(MaxCodes) {
  for (const TDefinitionEntry& Row : Definition.Entries) {
    TimeRows.push_back(IsPlotTimeRow(Row));
    SubframeBytes.push_back(Row.Kind == ekSubframe ? std::optional<std::int64_t>(Row.BytePos) : std::nullopt);
  }
}

void TFrameShapes::Note(const TDecodedNode& Root, TFrameRecord& Record) {
  Codes.clear();
  double Time = NoFrameTime;
  Walk(Root.Child, 0, Time);
  Record.Shape = Intern(Codes);
  Record.Time = Time;
  Record.Nodes = static_cast<std::int32_t>(Codes.size() + 1);
}

void TFrameShapes::Walk(const TDecodedNode* List, std::uint64_t Depth, double& Time) {
  for (const TDecodedNode* Node = List; Node; Node = Node->Next) {
    Codes.push_back(Depth << 32 | std::uint64_t{static_cast<std::uint16_t>(Node->DefIndex)} << 16 |
                    static_cast<std::uint16_t>(Node->FrameIndex));
    if (Node->Child) Walk(Node->Child, Depth + 1, Time);
    const auto Row = static_cast<std::size_t>(Node->DefIndex);
    if (Row < TimeRows.size() && TimeRows[Row]) Time = Node->Value;
  }
}

std::int32_t TFrameShapes::Intern(std::span<const std::uint64_t> Codes) {
  const std::uint64_t Hash = HashOf(Codes);
  const auto [First, Last] = ByHash.equal_range(Hash);
  for (auto Found = First; Found != Last; ++Found)
    if (std::ranges::equal(Nodes(Found->second), Codes)) return Found->second;
  if (Codes.size() > MaxCodes - KeptCodes) return -1;
  KeptCodes += Codes.size();
  const std::lock_guard Lock(Adding);
  const auto Shape = static_cast<std::int32_t>(Shapes.size());
  Shapes.emplace_back(Codes.begin(), Codes.end());
  ByHash.emplace(Hash, Shape);
  return Shape;
}

std::vector<std::int32_t> TFrameShapes::Merge(const TFrameShapes& Other) {
  std::vector<std::int32_t> Numbers;
  Numbers.reserve(Other.Shapes.size());
  for (const std::vector<std::uint64_t>& Shape : Other.Shapes) Numbers.push_back(Intern(Shape));
  return Numbers;
}

std::vector<TShapeField> TFrameShapes::Fields(std::int32_t Shape, const std::vector<char>& Wanted) const {
  std::vector<std::uint64_t> Layout;
  {
    const std::lock_guard Lock(Adding);
    if (Shape < 0 || static_cast<std::size_t>(Shape) >= Shapes.size()) return {};
    Layout = Shapes[static_cast<std::size_t>(Shape)];
  }
  std::vector<TShapeField> Fields;
  std::vector<std::size_t> FieldCodes;  // of Fields, in Layout
  std::vector<std::uint32_t> Places(Layout.size());
  std::uint32_t Place = 0;
  // The codes come in pre-order; a node's place follows those of the nodes
  // below it, as TFrameColumns walks.
  std::vector<std::size_t> Open;
  const auto DepthOf = [&](std::size_t Code) { return static_cast<std::size_t>(Layout[Code] >> 32); };
  std::vector<std::int64_t> Bases{0};  // per depth: where its frame starts
  for (std::size_t Code = 0; Code < Layout.size(); ++Code) {
    const std::size_t Depth = DepthOf(Code);
    for (; !Open.empty() && DepthOf(Open.back()) >= Depth; Open.pop_back()) Places[Open.back()] = Place++;
    Open.push_back(Code);
    const auto Row = static_cast<std::size_t>(Layout[Code] >> 16 & 0xFFFF);
    Bases.resize(Depth + 2);
    if (Row < SubframeBytes.size() && SubframeBytes[Row]) Bases[Depth + 1] = Bases[Depth] + *SubframeBytes[Row];
    if (Row < Wanted.size() && Wanted[Row]) {
      Fields.push_back({static_cast<std::int32_t>(Row), 0, Bases[Depth]});
      FieldCodes.push_back(Code);
    }
  }
  for (; !Open.empty(); Open.pop_back()) Places[Open.back()] = Place++;
  for (std::size_t Field = 0; Field < Fields.size(); ++Field) Fields[Field].Place = Places[FieldCodes[Field]];
  std::ranges::sort(Fields, {}, &TShapeField::Place);
  return Fields;
}
