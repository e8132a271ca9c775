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
  for (const TDefinitionEntry& Row : Definition.Entries) TimeRows.push_back(IsPlotTimeRow(Row));
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
