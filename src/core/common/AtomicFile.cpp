#include "common/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>

namespace {

std::string FolderOf(const std::string& Path) {
  const std::size_t Slash = Path.rfind('/');
  if (Slash == std::string::npos) return ".";
  return Slash == 0 ? "/" : Path.substr(0, Slash);
}

// Makes a finished rename durable; a folder that cannot be synced is left as it is.
void SyncFolder(const std::string& Folder) {
  const int Fd = ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Fd < 0) return;
  ::fsync(Fd);
  ::close(Fd);
}

}  // namespace

// A write buffer over a file descriptor that remembers a failed write.
class TAtomicFile::TBuffer : public std::streambuf {
 public:
  explicit TBuffer(int Fd) : Fd(Fd) { setp(Data, Data + sizeof Data); }

 protected:
  int_type overflow(int_type C) override {
    if (!Drain()) return traits_type::eof();
    if (traits_type::eq_int_type(C, traits_type::eof())) return traits_type::not_eof(C);
    *pptr() = traits_type::to_char_type(C);
    pbump(1);
    return C;
  }
  int sync() override { return Drain() ? 0 : -1; }

 private:
  // Writes out the buffered bytes; after a failed write nothing more is written.
  bool Drain() {
    for (const char* At = pbase(); !Failed && At < pptr();) {
      const ssize_t Written = ::write(Fd, At, static_cast<std::size_t>(pptr() - At));
      if (Written > 0)
        At += Written;
      else if (Written == 0 || errno != EINTR)
        Failed = true;
    }
    setp(Data, Data + sizeof Data);
    return !Failed;
  }

  int Fd;
  bool Failed = false;
  char Data[65536];
};

TAtomicFile::TAtomicFile(const std::string& Path) : Path(Path), Target(Path) {
  struct stat Info {};
  const bool Exists = ::stat(Path.c_str(), &Info) == 0;
  if (Exists && !S_ISREG(Info.st_mode)) {
    // A folder fails here; a device or a pipe cannot be replaced.
    Fd = ::open(Path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  } else {
    if (char* Real = Exists ? ::realpath(Path.c_str(), nullptr) : nullptr) {
      Target = Real;
      std::free(Real);
    }
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::minstd_rand Random(std::random_device{}());
    std::uniform_int_distribution<std::size_t> Pick(0, sizeof Letters - 2);
    for (int Try = 0; Try < 100 && Fd < 0; ++Try) {
      Temp = Target + ".tmp";
      for (int K = 0; K < 6; ++K) Temp += Letters[Pick(Random)];
      Fd = ::open(Temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (Fd < 0 && errno != EEXIST) break;
    }
    if (Fd < 0) Temp.clear();
    // The new file keeps the permissions of the one it replaces.
    if (Fd >= 0 && Exists) ::fchmod(Fd, Info.st_mode & 07777);
  }
  if (Fd < 0) Fail();
  Buffer = std::make_unique<TBuffer>(Fd);
  Out = std::make_unique<std::ostream>(Buffer.get());
}

TAtomicFile::~TAtomicFile() { Discard(); }

std::ostream& TAtomicFile::Stream() { return *Out; }

void TAtomicFile::Commit() {
  if (Fd < 0) Fail();
  Out->flush();
  bool Written = Out->good();
  if (Written && !Temp.empty()) Written = ::fsync(Fd) == 0;
  Written = ::close(Fd) == 0 && Written;
  Fd = -1;
  if (Written && !Temp.empty()) Written = ::rename(Temp.c_str(), Target.c_str()) == 0;
  if (!Written) Fail();
  if (!Temp.empty()) SyncFolder(FolderOf(Target));
  Temp.clear();
}

void TAtomicFile::Fail() {
  Discard();
  throw EFileError("Cannot create file \"" + Path + "\".");
}

void TAtomicFile::Discard() {
  if (Fd >= 0) ::close(Fd);
  Fd = -1;
  if (!Temp.empty()) ::unlink(Temp.c_str());
  Temp.clear();
}
