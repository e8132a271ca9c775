#pragma once
// One row of the structure definition table: a frame header or a variable.
#include <cstdint>
#include <string>

#include "structure/EntryKind.h"

// Texts of a row are cut to this many characters when stored.
constexpr std::size_t MaxEntryText = 255;

struct TDefinitionEntry {
  std::int32_t BytePos = 0;  // below 0: a computed variable, not read from the frame
  std::int32_t BitPos = 0;
  std::int32_t ByteLen = 0;  // the frame length for a header row
  std::int32_t BitLen = 0;
  std::string FrameName;
  std::string VarName;
  std::string Transform;
  std::string DisplayName;
  std::uint32_t FrameHash = 0;
  std::uint32_t NameHash = 0;
  TEntryKind Kind = ekNumber;
  std::int32_t Mode = -1;
  bool IsIdentity = false;
  bool IsHex = false;
  bool IsTime = false;
  // DJBHash of VarName + "&", the name of the transformed value.
  std::uint32_t ValueHash = 0;
  std::int32_t Line = 0;  // of the structure file

  bool operator==(const TDefinitionEntry&) const = default;
};
