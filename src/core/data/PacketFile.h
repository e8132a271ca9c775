#pragma once
// A packet file as the passes see it: a look at its kind, size, time and
// identity, the reasons to refuse it, and a descriptor that reads it. Opening
// never waits (a FIFO does not block), and only a regular file is read (one
// read whole into memory, below 2 GiB).
#include <cstdint>
#include <string>

// What one look at a file sees.
struct TFileLook {
  double Time = 0;  // last modification, in days since 1899-12-30
  std::int64_t Size = 0;
  // Another file put under the name has another device or inode.
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  bool Regular = false;
  bool operator==(const TFileLook&) const = default;
  bool SameFile(const TFileLook& Other) const { return Device == Other.Device && Inode == Other.Inode; }
};

// Looks at the file Name (following links); false when it cannot be looked at.
bool LookAtFile(const std::string& Name, TFileLook& Look);

// The Error entry that refuses a file so seen as a packet file: not a
// regular file, or 2 GiB or more when it would be read whole; empty when it
// can be read.
std::string PacketFileRefusal(const std::string& Name, const TFileLook& Look, bool ReadWhole);

// A file open for reading while it lives, looked at through its descriptor.
class TPacketFile {
 public:
  explicit TPacketFile(const std::string& Name);
  ~TPacketFile();
  TPacketFile(const TPacketFile&) = delete;
  TPacketFile& operator=(const TPacketFile&) = delete;

  // Whether it could be opened and looked at.
  bool Opened() const { return Descriptor >= 0; }
  const TFileLook& Look() const { return FLook; }
  // Reads Count bytes from Offset on into Target; the number read, fewer at
  // the end of the file, or -1 when it cannot be read.
  std::int64_t ReadAt(std::uint8_t* Target, std::int64_t Count, std::int64_t Offset) const;

 private:
  int Descriptor = -1;
  TFileLook FLook;
};
