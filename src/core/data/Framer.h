#pragma once
// Finds the BaseFrames in a holder's data: checks the BaseFrame length
// against the synchronisation marker and, when resynchronising, skips the
// bytes of invalid and short BaseFrames up to the next marker.
#include <cstdint>

#include "data/PassReader.h"
#include "structure/FramesDefinition.h"

class TFramer {
 public:
  TFramer(TPassReader& Reader, TFramesDefinition& Definition) : Reader(Reader), Definition(Definition) {}

  // Forgets the invalid BaseFrame reported last: the data is read anew.
  void Restart() { UnsyncedAt = -1; }
  // Checks the BaseFrame length against the marker in the image (which
  // holds the data's start), adjusting it where it can; true when the
  // BaseFrame IDs are to be checked.
  bool CheckFrameLength();
  // The next marker after the invalid BaseFrame at Position, logged as the
  // bytes skipped, its words paired from there; -1 when the data holds none
  // yet (logged once per such BaseFrame: the next pass looks again from it).
  // A streaming pass reads on in pieces of PieceBytes.
  std::int64_t Resynchronise(std::int64_t Position, std::int64_t PieceBytes);
  // The marker within the BaseFrame at Position, Length bytes, which makes
  // it short: logged, its words paired from there; -1 when there is none.
  std::int64_t ShortFrameEnd(std::int64_t Position, std::int32_t Length, std::int64_t PieceBytes);

 private:
  // The first position from From on, before Before and the data's end, where
  // the data holds the marker; -1 when there is none.
  std::int64_t FindMarker(std::int64_t From, std::int64_t Before, std::int64_t PieceBytes);

  TPassReader& Reader;
  TFramesDefinition& Definition;
  // The invalid BaseFrame last reported with no marker after it.
  std::int64_t UnsyncedAt = -1;
};
