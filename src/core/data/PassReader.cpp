#include "data/PassReader.h"

#include <algorithm>
#include <cstring>

#include "common/Log.h"
#include "common/Threads.h"

namespace {

void SwapWords(std::span<std::uint8_t> Bytes) {
  std::size_t I = 0;
  for (; I + 8 <= Bytes.size(); I += 8) {
    std::uint64_t Words;
    std::memcpy(&Words, Bytes.data() + I, 8);
    Words = (Words & 0x00FF00FF00FF00FFu) << 8 | (Words >> 8 & 0x00FF00FF00FF00FFu);
    std::memcpy(Bytes.data() + I, &Words, 8);
  }
  for (; I + 1 < Bytes.size(); I += 2) std::swap(Bytes[I], Bytes[I + 1]);
}

}  // namespace

void LogReadFailure(const std::string& What, const std::string& FileName) {
  AddEntry(llError, What + " paket file " + FileName + ".");
}

void TPassReader::Fail(const std::string& What) {
  LogReadFailure(What, FileName);
  ReadFailed = true;
}

void TPassReader::FreeSpare() {
  if (!Unpublished) TImageBytes().swap(Working.Bytes);
}

bool TPassReader::SizeWorking(std::size_t Size) {
  TImageBytes& Spare = Working.Bytes;
  // The image before the last one lends its memory: a big file is not
  // read into fresh pages on every tick.
  try {
    // Room to grow, so that a file that grows a little needs no new memory.
    if (Size > Spare.capacity()) Spare.reserve(Size + Size / 8 + (std::size_t{1} << 20));
    Spare.resize(Size);
  } catch (const std::bad_alloc&) {
    Fail("Not enough memory to read");
    return false;
  }
  return true;
}

void TPassReader::Publish() {
  if (!Unpublished) return;
  Published.Bytes.swap(Working.Bytes);
  Unpublished = false;
}

bool TPassReader::ReadWhole(const TPacketFile& File, std::int64_t Size, std::size_t Parts, std::int64_t PartBytes) {
  ReadFailed = false;
  if (!SizeWorking(static_cast<std::size_t>(Size))) return false;
  TImageBytes& Spare = Working.Bytes;
  // A big file is read and word-swapped in parts side by side: the pages of
  // a fresh image fault in on every core.
  Parts = static_cast<std::size_t>(
      std::clamp<std::int64_t>(Size / std::max<std::int64_t>(1, PartBytes), 1, static_cast<std::int64_t>(Parts)));
  std::vector<std::int64_t> Starts(Parts + 1, Size), Read(Parts);
  for (std::size_t I = 0; I < Parts; ++I)
    Starts[I] = WordStart(Size * static_cast<std::int64_t>(I) / static_cast<std::int64_t>(Parts));
  RunParts(Parts, [&](std::size_t I) {
    const std::int64_t Start = Starts[I];
    Read[I] = File.ReadAt(Spare.data() + Start, Starts[I + 1] - Start, Start);
    if (Read[I] > 0) Pairing.Swap({Spare.data() + Start, static_cast<std::size_t>(Read[I])}, Start);
  });
  // A file that shrank since it was looked at gives what it still holds.
  std::int64_t Stop = Size;
  for (std::size_t I = 0; I < Parts && Stop == Size; ++I) {
    if (Read[I] < 0) {
      Fail("Cannot read");
      return false;
    }
    if (Read[I] < Starts[I + 1] - Starts[I]) Stop = Starts[I] + Read[I];
  }
  Spare.resize(static_cast<std::size_t>(Stop));
  Unpublished = true;
  ImageOrigin = 0;
  return true;
}

bool TPassReader::TakeWhole(std::span<const std::uint8_t> Bytes) {
  ReadFailed = false;
  if (!SizeWorking(Bytes.size())) return false;
  if (!Bytes.empty()) std::memcpy(Working.Bytes.data(), Bytes.data(), Bytes.size());
  Pairing.Swap(Working.Bytes, 0);
  Unpublished = true;
  ImageOrigin = 0;
  return true;
}

bool TPassReader::ReadAll(const TPieceReader& Read, std::int64_t Max) {
  ReadFailed = false;
  TImageBytes& Bytes = Working.Bytes;
  std::size_t Size = 0;
  try {
    // Grown a piece at a time; the vector's capacity grows geometrically.
    for (std::int64_t Got = 1; Got > 0 && static_cast<std::int64_t>(Size) < Max;) {
      Bytes.resize(Size + static_cast<std::size_t>(
                              std::min<std::int64_t>(std::int64_t{1} << 20, Max - static_cast<std::int64_t>(Size))));
      Got = std::max<std::int64_t>(0, Read(static_cast<std::int64_t>(Size), std::span(Bytes).subspan(Size)));
      Size += static_cast<std::size_t>(Got);
    }
  } catch (const std::bad_alloc&) {
    Fail("Not enough memory to read");
    return false;
  }
  Bytes.resize(Size);
  Pairing.Swap(Bytes, 0);
  Unpublished = true;
  ImageOrigin = 0;
  return true;
}

void TPassReader::BeginWhole() {
  Pieces = nullptr;
  End = Image().Size();
}

bool TPassReader::BeginPieces(const TPieceReader& Read, std::int64_t DataEnd, std::int64_t Head) {
  ReadFailed = false;
  Pieces = &Read;
  End = DataEnd;
  return ReadPiece(0, std::min(DataEnd, Head));
}

bool TPassReader::ReadPiece(std::int64_t Start, std::int64_t Stop) {
  // Pieces go to the holder's image, where the hand-over finds them.
  Publish();
  TMemoryStream& Target = Published;
  ImageOrigin = Start;
  try {
    Target.Bytes.resize(static_cast<std::size_t>(Stop - Start));
  } catch (const std::bad_alloc&) {
    Target.Bytes.clear();
    Fail("Not enough memory to read");
    return false;
  }
  const std::int64_t Read = (*Pieces)(Start, Target.Bytes);
  if (Read < 0) {
    Target.Bytes.clear();
    Fail("Cannot read");
    return false;
  }
  Target.Bytes.resize(static_cast<std::size_t>(Read));
  Pairing.Swap(Target.Bytes, Start);
  return true;
}

bool TPassReader::ReadWords(std::int64_t Start, std::int64_t Stop) {
  Start = WordStart(std::max<std::int64_t>(0, Start));
  if (Stop < End && WordStart(Stop) != Stop) ++Stop;
  if (!ReadPiece(Start, Stop)) return false;
  // A file that shrank while it is read ends where it ends now.
  if (Image().Size() < Stop - Start) End = Start + Image().Size();
  return true;
}

bool TPassReader::Holds(std::int64_t First, std::int64_t Last) const {
  return ImageOrigin <= std::max<std::int64_t>(0, First) && std::min(End, Last) <= ImageOrigin + Image().Size();
}

std::int64_t TWordPairing::WordStart(std::int64_t Position) const {
  const auto After = std::upper_bound(Starts.begin(), Starts.end(), Position);
  const std::int64_t Anchor = After == Starts.begin() ? 0 : *(After - 1);
  return Position - (Position - Anchor) % 2;
}

std::span<const std::int64_t> TWordPairing::StartsWithin(std::int64_t From, std::int64_t To) const {
  const auto First = std::upper_bound(Starts.begin(), Starts.end(), From);
  return {First, std::lower_bound(First, Starts.end(), std::max(From, To))};
}

TWordPairing TWordPairing::Within(std::int64_t From, std::int64_t To) const {
  TWordPairing Part;
  Part.Starts.push_back(From);
  const std::span<const std::int64_t> Inside = StartsWithin(From, To);
  Part.Starts.insert(Part.Starts.end(), Inside.begin(), Inside.end());
  return Part;
}

void TWordPairing::Swap(std::span<std::uint8_t> Bytes, std::int64_t Start) const {
  const std::int64_t Stop = Start + static_cast<std::int64_t>(Bytes.size());
  auto Next = std::upper_bound(Starts.begin(), Starts.end(), Start);
  std::int64_t From = WordStart(Start) == Start ? Start : Start + 1;
  // One run of words per pairing start; a run's odd last byte stays.
  while (From < Stop) {
    const std::int64_t To = Next == Starts.end() ? Stop : std::min(Stop, *Next++);
    SwapWords(Bytes.subspan(static_cast<std::size_t>(From - Start), static_cast<std::size_t>(To - From)));
    From = To;
  }
}

std::uint8_t TPassReader::FileByte(std::int64_t Position) const {
  // Position lies after the last pairing start: the words pair from its parity on.
  const std::int64_t Anchor = Pairing.LastStart();
  const std::int64_t Other = (Position - Anchor) % 2 == 0 ? Position + 1 : Position - 1;
  // The data's odd last byte is not swapped.
  const TMemoryStream& Target = Image();
  return Target.Bytes[static_cast<std::size_t>((Other < ImageOrigin + Target.Size() ? Other : Position) - ImageOrigin)];
}

void TPassReader::PairFrom(std::int64_t Position) {
  if (WordStart(Position) == Position) return;
  // Back to the data's order from the word that held Position, then paired from Position.
  const std::span<std::uint8_t> Rest =
      std::span(Current().Bytes).subspan(static_cast<std::size_t>(Position - 1 - ImageOrigin));
  SwapWords(Rest);
  Pairing.Add(Position);
  SwapWords(Rest.subspan(1));
}
