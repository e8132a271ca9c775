#include "structure/VarList.h"

#include <algorithm>

std::uint32_t DJBHash(std::string_view Text) {
  std::uint32_t H = 5381;
  for (const char C : Text) H = H * 33 + static_cast<std::uint8_t>(C);
  return H & 0x7FFFFFFF;
}

namespace {
constexpr std::size_t MinimumSlots = 64;
}

void TVarList::AddHashed(const std::string& Name, std::uint32_t Hash, TEntryKind Kind, double Value) {
  if (ContainsHash(Hash)) return;
  FEntries.push_back({Name, Kind, Value, Hash});
  // At most half the slots are taken, so every probe ends at a free slot.
  if (2 * FEntries.size() > Slots.size())
    Rebuild();
  else
    Insert(static_cast<std::int32_t>(FEntries.size() - 1));
}

void TVarList::Clear() {
  FEntries.clear();
  std::fill(Slots.begin(), Slots.end(), 0);
  Indexed = 0;
}

void TVarList::Rebuild() {
  std::size_t Size = MinimumSlots;
  while (Size < 2 * FEntries.size()) Size *= 2;
  Slots.assign(Size, 0);
  Indexed = 0;
  for (std::size_t I = 0; I < FEntries.size(); ++I) Insert(static_cast<std::int32_t>(I));
}

void TVarList::Insert(std::int32_t Index) {
  const std::size_t Mask = Slots.size() - 1;
  std::size_t Slot = FEntries[static_cast<std::size_t>(Index)].Hash & Mask;
  while (Slots[Slot] != 0) Slot = (Slot + 1) & Mask;
  Slots[Slot] = Index + 1;
  ++Indexed;
}

std::int32_t TVarList::IndexOfHash(std::uint32_t Hash) {
  const auto Count = static_cast<std::int32_t>(FEntries.size());
  if (FLastIndex >= 0 && FLastIndex < Count && FEntries[static_cast<std::size_t>(FLastIndex)].Hash == Hash) return FLastIndex;
  if (Indexed != FEntries.size()) Rebuild();
  if (Slots.empty()) return -1;
  const std::size_t Mask = Slots.size() - 1;
  for (std::size_t Slot = Hash & Mask; Slots[Slot] != 0; Slot = (Slot + 1) & Mask) {
    const std::int32_t I = Slots[Slot] - 1;
    if (FEntries[static_cast<std::size_t>(I)].Hash == Hash) {
      FLastIndex = I;
      return I;
    }
  }
  return -1;
}

double TVarList::ValueOfHash(std::uint32_t Hash) {
  const std::int32_t I = IndexOfHash(Hash);
  return I >= 0 ? FEntries[static_cast<std::size_t>(I)].Value : MissingValue;
}
