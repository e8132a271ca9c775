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

void TFrameShapes::Note(const TFrameLayout& Layout, TFrameRecord& Record) {
  Record.Shape = Intern(Layout.Codes);
  const std::int32_t Time =
      Record.Shape >= 0 ? TimeNodes[static_cast<std::size_t>(Record.Shape)] : TimeNode(Layout.Codes);
  Record.Time = Time >= 0 ? Layout.Values[static_cast<std::size_t>(Time)] : NoFrameTime;
  Record.Nodes = static_cast<std::int32_t>(Layout.Size() + 1);
}

std::int32_t TFrameShapes::TimeNode(std::span<const std::uint64_t> Codes) {
  std::int32_t Last = -1;
  InWalkOrder(Codes, Open, [&](std::size_t Code) {
    const std::size_t Row = LayoutRow(Codes[Code]);
    if (Row < TimeRows.size() && TimeRows[Row]) Last = static_cast<std::int32_t>(Code);
  });
  return Last;
}

std::int32_t TFrameShapes::Intern(std::span<const std::uint64_t> Codes) {
  const std::uint64_t Hash = HashOf(Codes);
  const auto [First, Last] = ByHash.equal_range(Hash);
  for (auto Found = First; Found != Last; ++Found)
    if (std::ranges::equal(Nodes(Found->second), Codes)) return Found->second;
  if (Codes.size() > MaxCodes - KeptCodes) return -1;
  KeptCodes += Codes.size();
  const std::int32_t Time = TimeNode(Codes);
  const std::lock_guard Lock(Adding);
  const auto Shape = static_cast<std::int32_t>(Shapes.size());
  Shapes.emplace_back(Codes.begin(), Codes.end());
  TimeNodes.push_back(Time);
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
  // A node's place follows those of the nodes below it, as TFrameColumns walks.
  std::vector<std::uint32_t> Places(Layout.size());
  std::uint32_t Place = 0;
  std::vector<std::size_t> Open;
  InWalkOrder(Layout, Open, [&](std::size_t Code) { Places[Code] = Place++; });
  std::vector<std::int64_t> Bases{0};  // per depth: where its frame starts
  for (std::size_t Code = 0; Code < Layout.size(); ++Code) {
    const auto Depth = static_cast<std::size_t>(LayoutDepth(Layout[Code]));
    const std::size_t Row = LayoutRow(Layout[Code]);
    Bases.resize(Depth + 2);
    if (Row < SubframeBytes.size() && SubframeBytes[Row]) Bases[Depth + 1] = Bases[Depth] + *SubframeBytes[Row];
    if (Row < Wanted.size() && Wanted[Row]) {
      Fields.push_back({static_cast<std::int32_t>(Row), 0, Bases[Depth]});
      FieldCodes.push_back(Code);
    }
  }
  for (std::size_t Field = 0; Field < Fields.size(); ++Field) Fields[Field].Place = Places[FieldCodes[Field]];
  std::ranges::sort(Fields, {}, &TShapeField::Place);
  return Fields;
}
