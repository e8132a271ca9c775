#include "common/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <random>

#include "common/AsciiChars.h"

namespace {

// The folder of Path, "." for the current one.
std::string FolderOrCurrent(const std::string& Path) {
  const std::string Folder = FolderOf(Path);
  return Folder.empty() ? "." : Folder;
}

// Makes a finished rename durable; a folder that cannot be synced is left as it is.
void SyncFolder(const std::string& Folder) {
  const int Fd = ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Fd < 0) return;
  ::fsync(Fd);
  ::close(Fd);
}

constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr std::size_t TempSuffixLetters = 6;

// Whether Name is that of a temporary file of the target named Base.
bool IsTempName(const std::string& Name, const std::string& Base) {
  const std::string Prefix = Base + ".tmp";
  return Name.size() == Prefix.size() + TempSuffixLetters && Name.starts_with(Prefix) &&
         Name.find_first_not_of(Letters, Prefix.size()) == std::string::npos;
}

// Removes the temporary files of Target that nothing has written to for a
// minute: a save that crashed left them.
void RemoveStaleTemps(const std::string& Target) {
  namespace fs = std::filesystem;
  const std::string Base = fs::path(Target).filename().string();
  const auto Before = fs::file_time_type::clock::now() - std::chrono::minutes(1);
  std::error_code Failed;
  for (fs::directory_iterator It(FolderOrCurrent(Target), Failed), End; !Failed && It != End; It.increment(Failed)) {
    std::error_code Ignored;
    if (IsTempName(It->path().filename().string(), Base) &&
        It->symlink_status(Ignored).type() == fs::file_type::regular &&
        fs::last_write_time(It->path(), Ignored) < Before)
      fs::remove(It->path(), Ignored);
  }
}

// The temporary files being written, for the signal handler, which can
// neither allocate nor lock: a slot is free, claimed while its path is
// copied, or live.
enum : int { SlotFree, SlotClaimed, SlotLive };
struct TTempSlot {
  std::atomic<int> State = SlotFree;
  char Path[PATH_MAX];
};
TTempSlot TempSlots[16];

// The slot that now holds Path, or -1 when none is free (then a signal
// leaves the file, and a later save of the target removes it).
int RegisterTemp(const std::string& Path) {
  if (Path.size() >= PATH_MAX) return -1;
  for (std::size_t Index = 0; Index < std::size(TempSlots); ++Index) {
    TTempSlot& Slot = TempSlots[Index];
    int Free = SlotFree;
    if (!Slot.State.compare_exchange_strong(Free, SlotClaimed)) continue;
    Path.copy(Slot.Path, Path.size());
    Slot.Path[Path.size()] = '\0';
    Slot.State = SlotLive;
    return static_cast<int>(Index);
  }
  return -1;
}

extern "C" void RemoveTempsAndEnd(int Signal) {
  for (TTempSlot& Slot : TempSlots)
    if (Slot.State == SlotLive) ::unlink(Slot.Path);
  // The handler was reset: the signal, pending until it returns, ends the program as it would have.
  ::raise(Signal);
}

}  // namespace

void RemoveTemporaryFilesOnSignals() {
  for (const int Signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction Old {};
    if (::sigaction(Signal, nullptr, &Old) != 0 || Old.sa_handler != SIG_DFL) continue;
    struct sigaction New {};
    New.sa_handler = RemoveTempsAndEnd;
    New.sa_flags = SA_RESETHAND;
    sigemptyset(&New.sa_mask);
    ::sigaction(Signal, &New, nullptr);
  }
}

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
      if (Written > 0) At += Written;
      else if (Written == 0 || errno != EINTR) Failed = true;
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
    RemoveStaleTemps(Target);
    std::minstd_rand Random(std::random_device{}());
    std::uniform_int_distribution<std::size_t> Pick(0, sizeof Letters - 2);
    for (int Try = 0; Try < 100 && Fd < 0; ++Try) {
      Temp = Target + ".tmp";
      for (std::size_t K = 0; K < TempSuffixLetters; ++K) Temp += Letters[Pick(Random)];
      Fd = ::open(Temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (Fd < 0 && errno != EEXIST) break;
    }
    if (Fd < 0) Temp.clear();
    else Slot = RegisterTemp(Temp);
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
  if (!Temp.empty()) SyncFolder(FolderOrCurrent(Target));
  Temp.clear();
  Unregister();
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
  Unregister();
}

void TAtomicFile::Unregister() {
  if (Slot >= 0) TempSlots[Slot].State = SlotFree;
  Slot = -1;
}
