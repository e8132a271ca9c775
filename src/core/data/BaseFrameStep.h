#pragma once
// The decoding of one BaseFrame and the facts about the data around it that
// the one-thread, the streaming and the parallel passes share.
#include <cstdint>
#include <string>

#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"
#include "structure/MemoryStream.h"

// The synchronisation marker at the start of every BaseFrame.
inline constexpr std::uint8_t BaseFrameId[4] = {0x1A, 0xCF, 0xFC, 0x1D};

bool HoldsBaseFrameId(const TMemoryStream& Image, std::int64_t Offset);
void WarnInvalidId(std::int64_t Position);

// Bytes before and after a BaseFrame's first byte that its decoding may
// read: the furthest reads of any row, moved by the sub-frame offsets of
// every nesting level.
struct TReach {
  std::int64_t Before = 0;  // 0 or less
  std::int64_t After = 0;
};
TReach DecodingReach(const TFramesDefinition& Definition);

// Moves the positions of a decoded list and its trees by Offset, in the 32
// bits they wrap in.
void ShiftPositions(TDecodedNode* List, std::int64_t Offset);

enum class TFrameOutcome { Decoded, InvalidId, Stopped };

// Decodes the BaseFrame at Offset of Image, whose file position is Position,
// into Pool: Child gets its list. InvalidId, with nothing decoded or logged,
// when IdCheck finds no marker there; Stopped when a cross dependency aborted
// the decoding (the BaseFrame is decoded again by the next pass) or it failed
// (with the message, naming FileName).
TFrameOutcome DecodeBaseFrame(TFramesDefinition& Definition, TMemoryStream& Image, std::int64_t Offset,
                              std::int64_t Position, bool IdCheck, TNodePool& Pool, const std::string& FileName,
                              TDecodedNode*& Child);
