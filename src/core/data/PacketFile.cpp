#include "data/PacketFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr std::int64_t MaxWholeFileSize = std::int64_t{1} << 31;

TFileLook LookOf(const struct stat& Status) {
  TFileLook Look;
  const timespec& Time = Status.st_mtim;
  Look.Time = (static_cast<double>(Time.tv_sec) + static_cast<double>(Time.tv_nsec) / 1e9) / 86400.0 + 25569.0;
  Look.Size = Status.st_size;
  Look.Device = Status.st_dev;
  Look.Inode = Status.st_ino;
  Look.Regular = S_ISREG(Status.st_mode);
  return Look;
}

}  // namespace

bool LookAtFile(const std::string& Name, TFileLook& Look) {
  struct stat Status {};
  if (stat(Name.c_str(), &Status) != 0) return false;
  Look = LookOf(Status);
  return true;
}

std::string PacketFileRefusal(const std::string& Name, const TFileLook& Look, bool ReadWhole) {
  if (!Look.Regular) return "Paket file " + Name + " is not a regular file, not loaded.";
  if (ReadWhole && Look.Size >= MaxWholeFileSize)
    return "Paket file " + Name + " is too large (2 GiB or more), not loaded.";
  return "";
}

TPacketFile::TPacketFile(const std::string& Name) {
  // Without O_NONBLOCK, opening a FIFO waits for a writer.
  const int File = open(Name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat Status {};
  if (File < 0) return;
  if (fstat(File, &Status) != 0) {
    close(File);
    return;
  }
  Descriptor = File;
  FLook = LookOf(Status);
}

TPacketFile::~TPacketFile() {
  if (Descriptor >= 0) close(Descriptor);
}

std::int64_t TPacketFile::ReadAt(std::uint8_t* Target, std::int64_t Count, std::int64_t Offset) const {
  std::int64_t Done = 0;
  while (Done < Count) {
    const ssize_t Read = pread(Descriptor, Target + Done, static_cast<std::size_t>(Count - Done), Offset + Done);
    if (Read < 0 && errno == EINTR) continue;
    if (Read < 0) return -1;
    if (Read == 0) break;
    Done += Read;
  }
  return Done;
}
