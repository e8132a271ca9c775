#include "data/BaseFrameStep.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "common/Log.h"
#include "structure/ByteBit.h"
#include "structure/InstrumentNames.h"

bool HoldsBaseFrameId(const TMemoryStream& Image, std::int64_t Offset) {
  std::uint8_t Bytes[4];
  return Image.ReadAt(Offset, Bytes, 4) && std::memcmp(Bytes, BaseFrameId, 4) == 0;
}

void WarnInvalidId(std::int64_t Position) {
  AddEntry(llWarn, "BaseFrame at Position " + std::to_string(Position) + " has invalid ID! Skipping...");
}

TReach DecodingReach(const TFramesDefinition& Definition) {
  std::int64_t ReadFirst = 0, ReadEnd = 0, ShiftDown = 0, ShiftUp = 0;
  for (const TDefinitionEntry& Row : Definition.Entries) {
    if (Row.Kind == ekSubframe) {
      ShiftDown = std::min<std::int64_t>(ShiftDown, Row.BytePos);
      ShiftUp = std::max<std::int64_t>(ShiftUp, Row.BytePos);
    }
    if (Row.BytePos < 0) continue;
    TBitPos Start{Row.BytePos, Row.BitPos};
    TBitPos Length{Row.ByteLen, Row.BitLen};
    NormalizeBitPos(Start);
    NormalizeBitPos(Length);
    const std::int64_t Count = Row.Kind == ekText ? std::clamp(Length.Byte, 0, MaxMessageLength) : 2;
    ReadFirst = std::min<std::int64_t>(ReadFirst, Start.Byte);
    ReadEnd = std::max(ReadEnd, Start.Byte + Count);
  }
  return {MaxSubframeNesting * ShiftDown + ReadFirst, MaxSubframeNesting * ShiftUp + ReadEnd};
}

void ShiftPositions(TDecodedNode* List, std::int64_t Offset) {
  for (TDecodedNode* Node = List; Node; Node = Node->Next) {
    Node->Position = static_cast<std::int32_t>(static_cast<std::uint32_t>(Node->Position) +
                                               static_cast<std::uint32_t>(Offset));
    ShiftPositions(Node->Child, Offset);
  }
}

TFrameOutcome DecodeBaseFrame(TFramesDefinition& Definition, TMemoryStream& Image, std::int64_t Offset,
                              std::int64_t Position, bool IdCheck, TNodePool& Pool, const std::string& FileName,
                              TDecodedNode*& Child) {
  if (IdCheck && !HoldsBaseFrameId(Image, Offset)) return TFrameOutcome::InvalidId;
  Image.Position = Offset;
  try {
    Child = Definition.DecodeFrame(Image, BaseFrameName, Pool);
  } catch (const EDecodeAbort&) {
    return TFrameOutcome::Stopped;
  } catch (const std::exception& Error) {
    // Out of memory, say: keep what is decoded, retry this BaseFrame next pass.
    AddEntry(llError, "Decoding stopped at BaseFrame position " + std::to_string(Position) + " of " + FileName + ": " +
                          Error.what());
    return TFrameOutcome::Stopped;
  }
  return TFrameOutcome::Decoded;
}
