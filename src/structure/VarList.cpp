#include "structure/VarList.h"

std::uint32_t DJBHash(std::string_view Text) {
  std::uint32_t H = 5381;
  for (const char C : Text) H = H * 33 + static_cast<std::uint8_t>(C);
  return H & 0x7FFFFFFF;
}

void TVarList::AddHashed(const std::string& Name, std::uint32_t Hash, TEntryKind Kind, double Value) {
  if (ContainsHash(Hash)) return;
  Entries.push_back({Name, Kind, Value, Hash});
}

std::unique_ptr<TVarList> TVarList::Clone() const {
  auto Copy = std::make_unique<TVarList>();
  Copy->Entries = Entries;
  return Copy;
}

std::int32_t TVarList::IndexOfHash(std::uint32_t Hash) {
  const auto Count = static_cast<std::int32_t>(Entries.size());
  if (LastIndex >= 0 && LastIndex < Count && Entries[static_cast<std::size_t>(LastIndex)].Hash == Hash) return LastIndex;
  for (std::int32_t I = 0; I < Count; ++I) {
    if (Entries[static_cast<std::size_t>(I)].Hash == Hash) {
      LastIndex = I;
      return I;
    }
  }
  return -1;
}

double TVarList::ValueOfHash(std::uint32_t Hash) {
  const std::int32_t I = IndexOfHash(Hash);
  return I >= 0 ? Entries[static_cast<std::size_t>(I)].Value : MissingValue;
}
