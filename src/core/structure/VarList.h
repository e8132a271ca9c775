#pragma once
// Values of the variables of the frame being decoded, matched by name hash.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "structure/EntryKind.h"

// 32-bit DJB string hash with the top bit cleared; "" hashes to 5381.
std::uint32_t DJBHash(std::string_view Text);

// The value of a name that is not in a list.
constexpr double MissingValue = -999.0;

struct TVarEntry {
  std::string Name;
  TEntryKind Kind = ekNumber;
  double Value = 0;
  std::uint32_t Hash = 0;
};

// Entries are added through AddHashed: the index from hash to entry follows
// them.
class TVarList {
 public:
  const std::vector<TVarEntry>& Entries() const { return FEntries; }
  // The index of the last lookup that found its name; may be stale after Clear.
  std::int32_t LastIndex() const { return FLastIndex; }

  // Appends the name unless a name of the same hash is there (the first value stays).
  void AddHashed(const std::string& Name, std::uint32_t Hash, TEntryKind Kind, double Value);
  void Clear();

  std::int32_t IndexOfHash(std::uint32_t Hash);
  bool ContainsHash(std::uint32_t Hash) { return IndexOfHash(Hash) >= 0; }

  // The value, or MissingValue when the name is not in the list.
  double ValueOfHash(std::uint32_t Hash);
  double Value(std::string_view Name) { return ValueOfHash(DJBHash(Name)); }

 private:
  // Open addressing: each slot holds an entry's index + 1, or 0 when free.
  // Names of the same hash are one variable, so a hash has at most one entry
  // and the first slot holding it answers as the scan from index 0 would.
  std::vector<std::int32_t> Slots;
  std::size_t Indexed = 0;  // entries in Slots
  std::vector<TVarEntry> FEntries;
  std::int32_t FLastIndex = 0;

  void Rebuild();
  void Insert(std::int32_t Index);
};
