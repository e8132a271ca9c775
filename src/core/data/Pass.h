#pragma once
// The BaseFrame loop of one update pass of a packet data holder: decodes and
// numbers the whole BaseFrames of the reader's data after the holder's
// ProcessedSize, on one thread or several, appends them to the holder's
// roots or hands them to its sinks, and shows its progress.
#include <cstdint>
#include <vector>

#include "data/PassProgress.h"
#include "data/PassSinks.h"
#include "structure/FrameLayout.h"

class TData;

// Where a pass's BaseFrame loop ended.
struct TPassEnd {
  std::int64_t Position = 0;  // the first byte not processed
  std::int64_t Handled = 0;   // BaseFrame positions handled
  std::int32_t Length = 0;    // the BaseFrame length then
  // The data after an invalid BaseFrame holds no marker yet.
  bool Unsynced = false;
  bool HandedOver = true;  // no hand-over failed
  bool Enough = false;     // the holder's Enough ended it
};

// Bytes before and after a BaseFrame's first byte that its decoding may
// read: the furthest reads of any row, moved by the sub-frame offsets of
// every nesting level.
struct TReach {
  std::int64_t Before = 0;  // 0 or less
  std::int64_t After = 0;
};

TReach DecodingReach(const TFramesDefinition& Definition);

class TPass {
 public:
  TPass(TData& Data, bool IdCheck, TPassProgress& Progress);
  ~TPass();
  TPass(const TPass&) = delete;
  TPass& operator=(const TPass&) = delete;

  TPassEnd Run();

 private:
  // What the loop does after a piece was read.
  enum class TPieceStep { Stop, Next, OneThread };

  bool Streaming() const;
  // Whether the pass keeps the records of the BaseFrames it decodes (Streamed: handed over).
  bool MakesRecords(bool Streamed) const;
  // Whether the BaseFrames' trees are read after they are decoded.
  bool ReadsTrees(bool Streamed) const;
  // Whether the reader's image holds what the BaseFrame at Frame reaches.
  bool Holds(std::int64_t Frame) const;
  std::int64_t ReachAfter() const;
  void TakeLength();
  TParallelRun ParallelRun(std::int64_t Stop, bool Streamed) const;
  // The whole data decoded on several threads; false when it is to be
  // decoded on one.
  bool DecodeWholeInParallel();
  // Reads the piece from Position on, with the sinks behind joined.
  TPieceStep ReadPiece();
  // Decodes the BaseFrames the piece holds on several threads.
  TPieceStep DecodePiece();
  // Handles the BaseFrame at Position on this thread; false ends the loop.
  bool StepFrame();
  // Decodes the BaseFrame at Position; false when the decoding stopped.
  bool DecodeFrame();

  TData& Data;
  TPassProgress& Progress;
  TPassSinks Sinks;
  const bool IdCheck;
  // Resynchronising finds the BaseFrames one after the other.
  const bool MayParallel;
  const TReach Reach;
  // Resynchronising looks for a marker that starts within the BaseFrame.
  const std::int64_t MarkerReach;
  const std::int16_t RootDefIndex;
  const std::size_t PoolMark;
  std::int32_t& Length = End.Length;
  TPassEnd End;
  // Of the BaseFrame decoded last on this thread, while the pass makes records.
  TFrameLayout Layout;
};
