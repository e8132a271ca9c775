#include "data/FrameColumns.h"

#include <algorithm>

std::size_t TFrameColumn::FirstOf(std::uint32_t Frame) const {
  return static_cast<std::size_t>(std::ranges::lower_bound(Frames, Frame) - Frames.begin());
}

TFrameColumns::TFrameColumns(std::size_t Rows, std::uint32_t First)
    : Slots(Rows, -1), FirstFrame(First), NextFrame(First) {}

void TFrameColumns::Use(std::int32_t Row, std::uint32_t From) {
  if (Row < 0 || static_cast<std::size_t>(Row) >= Slots.size()) return;
  From = std::min(From, NextFrame);
  std::int32_t& Slot = Slots[static_cast<std::size_t>(Row)];
  if (Slot < 0) {
    Slot = static_cast<std::int32_t>(Columns.size());
    Columns.emplace_back(Row, TFrameColumn{});
  } else if (Columns[static_cast<std::size_t>(Slot)].second.Begin <= From) {
    return;
  }
  TFrameColumn& Column = Columns[static_cast<std::size_t>(Slot)].second;
  Column = TFrameColumn{};
  Column.Begin = Column.Covered = From;
}

void TFrameColumns::KeepOnly(const std::vector<char>& Keep) {
  std::erase_if(Columns, [&](const auto& Entry) {
    const auto Row = static_cast<std::size_t>(Entry.first);
    return Row >= Keep.size() || !Keep[Row];
  });
  std::ranges::fill(Slots, -1);
  for (std::size_t Slot = 0; Slot < Columns.size(); ++Slot)
    Slots[static_cast<std::size_t>(Columns[Slot].first)] = static_cast<std::int32_t>(Slot);
}

std::vector<std::int32_t> TFrameColumns::RowsInUse() const {
  std::vector<std::int32_t> Rows;
  for (const auto& [Row, Column] : Columns) Rows.push_back(Row);
  return Rows;
}

std::vector<std::int32_t> TFrameColumns::Behind() const {
  std::vector<std::int32_t> Rows;
  for (const auto& [Row, Column] : Columns)
    if (Column.Covered < NextFrame) Rows.push_back(Row);
  return Rows;
}

const TFrameColumn* TFrameColumns::Column(std::int32_t Row) const {
  if (Row < 0 || static_cast<std::size_t>(Row) >= Slots.size()) return nullptr;
  const std::int32_t Slot = Slots[static_cast<std::size_t>(Row)];
  return Slot < 0 ? nullptr : &Columns[static_cast<std::size_t>(Slot)].second;
}

void TFrameColumns::Take(const TDecodedNode* Root) { TakeBehind(NextFrame++, Root); }

void TFrameColumns::Take(const TFrameLayout& Layout, std::int32_t RootRow) {
  const std::uint32_t Frame = NextFrame++;
  if (Columns.empty()) return;
  std::uint32_t Place = 0;
  InWalkOrder(Layout.Codes, Open, [&](std::size_t Code) {
    TakeValue(static_cast<std::int32_t>(LayoutRow(Layout.Codes[Code])), Frame, Place++, Layout.Values[Code]);
  });
  TakeValue(RootRow, Frame, Place, 0);
  EndFrame(Frame);
}

void TFrameColumns::TakeBehind(std::uint32_t Frame, const TDecodedNode* Root) {
  if (Columns.empty()) return;
  // The columns standing at Frame take its nodes: those behind stand before
  // it, those ahead after it.
  if (Root) {
    std::uint32_t Place = 0;
    Walk(Root->Child, Frame, Place);
    TakeValue(Root->DefIndex, Frame, Place, Root->Value);
  }
  EndFrame(Frame);
}

void TFrameColumns::TakeValues(std::span<const TPlacedValue> Values) {
  const std::uint32_t Frame = NextFrame++;
  for (const TPlacedValue& Each : Values) TakeValue(Each.Row, Frame, Each.Place, Each.Value);
  EndFrame(Frame);
}

void TFrameColumns::EndFrame(std::uint32_t Frame) {
  for (auto& [Row, Column] : Columns)
    if (Column.Covered == Frame) ++Column.Covered;
}

void TFrameColumns::Walk(const TDecodedNode* List, std::uint32_t Frame, std::uint32_t& Place) {
  for (const TDecodedNode* Node = List; Node; Node = Node->Next) {
    // Nesting is bounded by the decoder, so the recursion depth is too.
    if (Node->Child) Walk(Node->Child, Frame, Place);
    TakeValue(Node->DefIndex, Frame, Place++, Node->Value);
  }
}

void TFrameColumns::TakeValue(std::int32_t Row, std::uint32_t Frame, std::uint32_t Place, double Value) {
  const auto At = static_cast<std::size_t>(Row);
  if (At >= Slots.size() || Slots[At] < 0) return;
  TFrameColumn& Column = Columns[static_cast<std::size_t>(Slots[At])].second;
  if (Column.Covered != Frame) return;
  Column.Values.push_back(Value);
  Column.Frames.push_back(Frame);
  Column.Places.push_back(Place);
}

TFrameColumns TFrameColumns::Fresh(std::uint32_t First, const std::vector<std::int32_t>* Rows) const {
  TFrameColumns Empty(Slots.size(), First);
  for (const std::int32_t Row : Rows ? *Rows : RowsInUse()) Empty.Use(Row, First);
  return Empty;
}

void TFrameColumns::Append(const TFrameColumns& Other, std::uint32_t At) {
  const std::uint32_t Shift = At - Other.FirstFrame;
  for (const auto& [Row, From] : Other.Columns) {
    const std::int32_t Slot = static_cast<std::size_t>(Row) < Slots.size() ? Slots[static_cast<std::size_t>(Row)] : -1;
    if (Slot < 0) continue;
    TFrameColumn& Into = Columns[static_cast<std::size_t>(Slot)].second;
    if (Into.Covered != At) continue;
    Into.Values.insert(Into.Values.end(), From.Values.begin(), From.Values.end());
    for (const std::uint32_t Frame : From.Frames) Into.Frames.push_back(Frame + Shift);
    Into.Places.insert(Into.Places.end(), From.Places.begin(), From.Places.end());
    Into.Covered = From.Covered + Shift;
  }
  NextFrame = std::max(NextFrame, Other.NextFrame + Shift);
}
