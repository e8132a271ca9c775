#pragma once
// The decoding of one BaseFrame, which the one-thread, the streaming and the
// parallel passes share.
#include <cstdint>
#include <string>

#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"
#include "structure/MemoryStream.h"

// The synchronisation marker at the start of every BaseFrame.
inline constexpr std::uint8_t BaseFrameId[4] = {0x1A, 0xCF, 0xFC, 0x1D};

bool HoldsBaseFrameId(const TMemoryStream& Image, std::int64_t Offset);
void WarnInvalidId(std::int64_t Position);

enum class TFrameOutcome { Decoded, InvalidId, Stopped };

struct TFrameDecoding {
  TFrameOutcome Outcome = TFrameOutcome::Decoded;
  TDecodedNode* Child = nullptr;  // the BaseFrame's list, when decoded
};

// Decodes the BaseFrame at Offset of Image, whose file position is Position,
// into Pool, with file positions. InvalidId, with
// nothing decoded or logged, when IdCheck finds no marker there; Stopped when
// a cross dependency aborted the decoding (the BaseFrame is decoded again by
// the next pass) or it failed (with the message, naming FileName).
TFrameDecoding DecodeBaseFrame(TFramesDefinition& Definition, const TMemoryStream& Image, std::int64_t Offset,
                               std::int64_t Position, bool IdCheck, TNodePool& Pool, const std::string& FileName);
