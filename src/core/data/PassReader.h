#pragma once
// Reads a holder's data, word-swapped: the whole data at once (a big file
// in parts side by side) into an image of the pass's own that becomes the
// holder's image when the pass publishes it, or the pieces a streaming pass
// asks for into the holder's image. Keeps where the words pair anew after a
// resynchronisation.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "data/PacketFile.h"
#include "structure/MemoryStream.h"

// Copies the data's bytes from Offset on (before the word swap) into
// Target; the number copied, fewer at the end of the data, or -1 when the
// data cannot be read.
using TPieceReader = std::function<std::int64_t(std::int64_t Offset, std::span<std::uint8_t> Target)>;

// Logs "What paket file FileName." as an Error.
void LogReadFailure(const std::string& What, const std::string& FileName);

// How the bytes of the data pair into words: from 0 on, and anew from each
// position at which a resynchronisation changed the pairing.
class TWordPairing {
 public:
  // The first byte of the word that holds the data's byte at Position.
  std::int64_t WordStart(std::int64_t Position) const;
  // Swaps the words of Bytes, the data from Start on; a byte whose partner
  // lies outside Bytes stays.
  void Swap(std::span<std::uint8_t> Bytes, std::int64_t Start) const;
  // Where the last pairing starts (0 when none changed).
  std::int64_t LastStart() const { return Starts.empty() ? 0 : Starts.back(); }
  // Pairs anew from Position on, after the last start.
  void Add(std::int64_t Position) { Starts.push_back(Position); }
  void Clear() { Starts.clear(); }
  // The starts after From and before To.
  std::span<const std::int64_t> StartsWithin(std::int64_t From, std::int64_t To) const;
  // How the words from From (one's first byte) to before To pair: From and the starts within.
  TWordPairing Within(std::int64_t From, std::int64_t To) const;

 private:
  std::vector<std::int64_t> Starts;  // ascending; before the first, words pair from 0
};

class TPassReader {
 public:
  TPassReader(TMemoryStream& Image, const std::string& FileName) : Published(Image), FileName(FileName) {}

  // Forgets the pairings: the data is read from its start again.
  void Restart() { Pairing.Clear(); }
  // Frees the memory kept for the next whole read.
  void FreeSpare();
  // Makes the pass's image the word-swapped file, Size bytes of File, read in
  // up to Parts parts of at least PartBytes. False, with the message, the
  // images untouched, when it cannot be read.
  bool ReadWhole(const TPacketFile& File, std::int64_t Size, std::size_t Parts, std::int64_t PartBytes);
  // The same with Bytes, the data as read.
  bool TakeWhole(std::span<const std::uint8_t> Bytes);
  // The same with the data Read reads, up to its end or Max bytes, read
  // straight into the image.
  bool ReadAll(const TPieceReader& Read, std::int64_t Max);
  // Makes the image of the last whole read the holder's; the holder's image
  // before keeps its memory for the next read.
  void Publish();
  // Starts a pass over the DataEnd bytes Read reads (none: the image
  // holds all the data), its image the first Head bytes; false, with the
  // message, when they cannot be read.
  bool BeginPieces(const TPieceReader& Read, std::int64_t DataEnd, std::int64_t Head);
  // Starts a pass over the whole image.
  void BeginWhole();

  // Makes the image the words that hold the data's bytes [Start, Stop) (Stop
  // not beyond the data's end, which becomes that of the data read when it
  // ends before Stop); false, with the message, when they cannot be read.
  bool ReadWords(std::int64_t Start, std::int64_t Stop);
  bool Streaming() const { return Pieces != nullptr; }
  // The image the pass reads.
  const TMemoryStream& Image() const { return Unpublished ? Working : Published; }
  // The end of the pass's data.
  std::int64_t DataEnd() const { return End; }
  // The file position of the image's first byte.
  std::int64_t Origin() const { return ImageOrigin; }
  // Whether the image holds the data's bytes [First, Last) (those before 0
  // and from the data's end on aside).
  bool Holds(std::int64_t First, std::int64_t Last) const;
  // Whether a read of this pass failed.
  bool Failed() const { return ReadFailed; }

  // The first byte of the word that holds the data's byte at Position.
  std::int64_t WordStart(std::int64_t Position) const { return Pairing.WordStart(Position); }
  // The data's byte at Position (in the image) as the file holds it.
  std::uint8_t FileByte(std::int64_t Position) const;
  // How this pass pairs the words.
  const TWordPairing& Pairs() const { return Pairing; }
  // Pairs the words anew from Position on, which lies after the last pairing
  // start, in the image too; nothing changes where a word starts at Position.
  void PairFrom(std::int64_t Position);

 private:
  TMemoryStream& Current() { return Unpublished ? Working : Published; }
  // Makes the pass's image Size bytes long, with room to grow; false, with
  // the message, when there is not enough memory.
  bool SizeWorking(std::size_t Size);
  // Makes the image the word-swapped bytes [Start, Stop) of the data
  // (fewer when the data ends before Stop); false, with the message.
  bool ReadPiece(std::int64_t Start, std::int64_t Stop);
  // Logs the failure; the pass failed.
  void Fail(const std::string& What);

  TMemoryStream& Published;
  const std::string& FileName;
  // The image of a whole read; the holder's image before once published.
  TMemoryStream Working;
  bool Unpublished = false;
  TWordPairing Pairing;
  const TPieceReader* Pieces = nullptr;
  std::int64_t End = 0;
  std::int64_t ImageOrigin = 0;
  bool ReadFailed = false;
};
