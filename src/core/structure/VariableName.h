#pragma once
// A variable name as transforms and decoding ask for it, with its hashes
// computed once.
#include <cstdint>
#include <string>

#include "structure/NameHash.h"

struct TVariableName {
  explicit TVariableName(const std::string& AskedFor)
      : Name(AskedFor),
        Stripped(!AskedFor.empty() && AskedFor.back() == '&' ? AskedFor.substr(0, AskedFor.size() - 1) : AskedFor),
        ValueName(Stripped + "&"),
        Hash(DJBHash(Name)),
        StrippedHash(DJBHash(Stripped)),
        ValueHash(DJBHash(ValueName)) {}

  std::string Name;
  std::string Stripped;   // without a trailing "&": the name of the raw value
  std::string ValueName;  // Stripped + "&": the name of the transformed value
  std::uint32_t Hash;
  std::uint32_t StrippedHash;
  std::uint32_t ValueHash;
};
