#include "data/Framer.h"

#include <algorithm>

#include "common/Log.h"
#include "data/BaseFrameStep.h"
#include "structure/InstrumentNames.h"

bool TFramer::CheckFrameLength() {
  const std::int32_t Length = Definition.GetFrameLength(BaseFrameName);
  const bool IdCheck = Length == 280 || Length == 282;
  if (!IdCheck) {
    AddEntry(llInfo, "No automatic BaseFrame synchronization. BF is " + std::to_string(Length));
    return false;
  }
  const std::int32_t Other = Length == 280 ? 282 : 280;
  const TMemoryStream& Image = Reader.Image();
  if (!HoldsBaseFrameId(Image, Length) && HoldsBaseFrameId(Image, Other)) {
    AddEntry(llInfo, "Auto adjusting base frame length successful. New length: " + std::to_string(Other));
    Definition.SetFrameLength(BaseFrameName, Other);
  }
  return true;
}

std::int64_t TFramer::Resynchronise(std::int64_t Position, std::int64_t PieceBytes) {
  const std::int64_t Next = FindMarker(Position + 1, Reader.DataEnd(), PieceBytes);
  if (Next < 0) {
    if (UnsyncedAt != Position)
      AddEntry(llWarn, "No synchronisation marker after position " + std::to_string(Position) + ".");
    UnsyncedAt = Position;
    return -1;
  }
  AddEntry(llWarn, "Skipped " + std::to_string(Next - Position) + " bytes, resynchronised at position " +
                       std::to_string(Next) + ".");
  Reader.PairFrom(Next);
  return Next;
}

std::int64_t TFramer::ShortFrameEnd(std::int64_t Position, std::int32_t Length, std::int64_t PieceBytes) {
  const std::int64_t Marker = FindMarker(Position + 1, Position + Length, PieceBytes);
  if (Marker < 0) return -1;
  AddEntry(llWarn, "BaseFrame at position " + std::to_string(Position) + " is short (" +
                       std::to_string(Marker - Position) + " bytes); skipped.");
  Reader.PairFrom(Marker);
  return Marker;
}

std::int64_t TFramer::FindMarker(std::int64_t From, std::int64_t Before, std::int64_t PieceBytes) {
  for (std::int64_t At = From; Reader.DataEnd() - At >= 4 && At < Before; ++At) {
    // The marker's bytes and the other bytes of their words.
    const std::int64_t Held = Reader.Origin() + Reader.Image().Size();
    if (Reader.Streaming() && At + 5 > Held && Held < Reader.DataEnd()) {
      if (!Reader.ReadWords(At, std::min(Reader.DataEnd(), At + std::max<std::int64_t>(PieceBytes, 5)))) return -1;
      if (Reader.DataEnd() - At < 4) break;
    }
    // The file holds the ID with the bytes of each word swapped.
    const auto Matches = [&](int K) { return Reader.FileByte(At + K) == BaseFrameId[K ^ 1]; };
    if (Matches(0) && Matches(1) && Matches(2) && Matches(3)) return At;
  }
  return -1;
}
