#pragma once
// Packet data that can only be read once, from its start on: standard input
// ("-") or a gzip file (a name ending in ".gz"), decompressed as it is read.
// A window of it serves the pieces a streaming pass asks for, at positions in
// the data as read (decompressed), keeping only the bytes a piece may read again.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Whether the packet file Name is standard input.
inline bool IsStandardInput(const std::string& Name) { return Name == "-"; }
// Whether the packet file Name is read as a stream.
bool IsPacketStream(const std::string& Name);

// The data of a stream that is read at most: its positions are those of a packet file.
constexpr std::int64_t MaxStreamBytes = std::int64_t{1} << 31;

class TPacketStream {
 public:
  // Opens Name; Failure() tells when it cannot be opened.
  explicit TPacketStream(const std::string& Name);
  ~TPacketStream();
  TPacketStream(const TPacketStream&) = delete;
  TPacketStream& operator=(const TPacketStream&) = delete;

  // Reads the data's bytes [Offset, Offset + Target.size()) into Target, the
  // number read: fewer at the end of the data, or where it is damaged (then
  // Failure() tells why). Bytes before the last Offset asked minus KeepBack
  // are forgotten; -1 for an Offset before those kept.
  std::int64_t ReadAt(std::int64_t Offset, std::span<std::uint8_t> Target);
  // Bytes before an Offset asked that a later read may ask again.
  std::int64_t KeepBack = 0;
  // Why it could not be opened or read on, or empty.
  const std::string& Failure() const { return FFailure; }
  // The bytes of the data read so far.
  std::int64_t Size() const { return KeptStart + static_cast<std::int64_t>(Kept.size()); }

 private:
  // Appends to Kept what one read of the source gives, up to Wanted bytes
  // or 1 MiB, whichever is more; Ended at its end or a failure.
  void Fill(std::size_t Wanted);

  int Descriptor = -1;     // standard input
  void* Zipped = nullptr;  // the gzFile of a .gz file
  std::vector<std::uint8_t> Kept;
  std::int64_t KeptStart = 0;  // the data position of Kept's first byte
  bool Ended = false;
  std::string FFailure;
};
