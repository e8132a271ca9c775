#include "data/BaseFrameStep.h"

#include <cstring>
#include <exception>

#include "common/Log.h"
#include "structure/InstrumentNames.h"

bool HoldsBaseFrameId(const TMemoryStream& Image, std::int64_t Offset) {
  std::uint8_t Bytes[4];
  return Image.ReadAt(Offset, Bytes, 4) && std::memcmp(Bytes, BaseFrameId, 4) == 0;
}

void WarnInvalidId(std::int64_t Position) {
  AddEntry(llWarn, "BaseFrame at Position " + std::to_string(Position) + " has invalid ID! Skipping...");
}

TFrameDecoding DecodeBaseFrame(TFramesDefinition& Definition, const TMemoryStream& Image, std::int64_t Offset,
                               std::int64_t Position, bool IdCheck, TNodePool& Pool, const std::string& FileName) {
  if (IdCheck && !HoldsBaseFrameId(Image, Offset)) return {TFrameOutcome::InvalidId};
  try {
    return {TFrameOutcome::Decoded, Definition.DecodeFrame(Image, Offset, BaseFrameName, Pool, Position - Offset)};
  } catch (const EDecodeAbort&) {
    return {TFrameOutcome::Stopped};
  } catch (const std::exception& Error) {
    // Out of memory, say: keep what is decoded, retry this BaseFrame next pass.
    AddEntry(llError, "Decoding stopped at BaseFrame position " + std::to_string(Position) + " of " + FileName + ": " +
                          Error.what());
    return {TFrameOutcome::Stopped};
  }
}
