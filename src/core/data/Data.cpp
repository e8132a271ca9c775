#include "data/Data.h"

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "common/Log.h"
#include "common/LoadProgress.h"
#include "structure/InstrumentNames.h"

namespace {

constexpr std::uint8_t BaseFrameId[4] = {0x1A, 0xCF, 0xFC, 0x1D};
constexpr std::int64_t MaxFileSize = std::int64_t{1} << 31;

bool HoldsBaseFrameId(const TMemoryStream& Image, std::int64_t Offset) {
  std::uint8_t Bytes[4];
  return Image.ReadAt(Offset, Bytes, 4) && std::memcmp(Bytes, BaseFrameId, 4) == 0;
}

// Modification time in days since 1899-12-30, or a negative value when the
// file cannot be looked at.
double FileTimeInDays(const std::string& FileName, std::int64_t& Size) {
  namespace fs = std::filesystem;
  std::error_code Error;
  const fs::file_time_type Time = fs::last_write_time(FileName, Error);
  if (Error) return -1;
  const std::uintmax_t Bytes = fs::file_size(FileName, Error);
  if (Error) return -1;
  Size = static_cast<std::int64_t>(Bytes);
  const auto Since1970 = std::chrono::file_clock::to_sys(Time).time_since_epoch();
  return std::chrono::duration<double>(Since1970).count() / 86400.0 + 25569.0;
}

void SwapWords(std::vector<std::uint8_t>& Bytes) {
  std::size_t I = 0;
  for (; I + 8 <= Bytes.size(); I += 8) {
    std::uint64_t Words;
    std::memcpy(&Words, Bytes.data() + I, 8);
    Words = (Words & 0x00FF00FF00FF00FFu) << 8 | (Words >> 8 & 0x00FF00FF00FF00FFu);
    std::memcpy(Bytes.data() + I, &Words, 8);
  }
  for (; I + 1 < Bytes.size(); I += 2) std::swap(Bytes[I], Bytes[I + 1]);
}

void NumberTree(TDecodedNode* List, std::int64_t& Serial) {
  for (TDecodedNode* Node = List; Node; Node = Node->Next) {
    NumberTree(Node->Child, Serial);
    Node->SerialNo = static_cast<std::int32_t>(Serial++);
  }
}

// Clears the busy flag however a pass ends.
class TBusyScope {
 public:
  explicit TBusyScope(TLoadProgress& Progress) : Progress(Progress) { Progress.Busy = true; }
  ~TBusyScope() { Progress.Busy = false; }
  TBusyScope(const TBusyScope&) = delete;
  TBusyScope& operator=(const TBusyScope&) = delete;

 private:
  TLoadProgress& Progress;
};

}  // namespace

TData::TData(const std::string& FileName, TFramesDefinition& Definition)
    : Definition(Definition), FileName(FileName), Timer(CreateTimer()) {
  Timer->SetEnabled(false);
  Timer->SetInterval(TrackingInterval);
  Timer->OnTimer = [this] { UpdateFromFile(); };
}

TData::~TData() { Timer->OnTimer = nullptr; }

void TData::StartTracking() {
  LastFileTime = 0;
  LastFileSize = -1;
  ProcessedSize = 0;
  UpdateFromFile();
  Timer->SetEnabled(true);
}

bool TData::BeginPass(std::int64_t Size) {
  AddEntry(llInfo, "Update on " + FileName);
  if (Size < MaxFileSize) return true;
  AddEntry(llError, "Paket file " + FileName + " is too large (2 GiB or more), not loaded.");
  return false;
}

bool TData::SizeSpareImage(std::size_t Size) {
  // The image before the last one lends its memory: a big file is not
  // read into fresh pages on every tick.
  try {
    // Room to grow, so that a file that grows a little needs no new memory.
    if (Size > SpareImage.capacity()) SpareImage.reserve(Size + Size / 8 + (std::size_t{1} << 20));
    SpareImage.resize(Size);
  } catch (const std::bad_alloc&) {
    AddEntry(llError, "Not enough memory to read paket file " + FileName + ".");
    return false;
  }
  return true;
}

void TData::InstallSpareImage() {
  SwapWords(SpareImage);
  Image.Bytes.swap(SpareImage);
}

bool TData::ReadImage(std::int64_t Size) {
  std::ifstream File(FileName, std::ios::binary);
  if (!File.is_open()) {
    AddEntry(llError, "Cannot read paket file " + FileName + ".");
    return false;
  }
  if (!SizeSpareImage(static_cast<std::size_t>(Size))) return false;
  File.read(reinterpret_cast<char*>(SpareImage.data()), Size);
  if (File.bad()) {
    AddEntry(llError, "Cannot read paket file " + FileName + ".");
    return false;
  }
  // A file that shrank since it was looked at gives what it still holds.
  SpareImage.resize(static_cast<std::size_t>(File.gcount()));
  InstallSpareImage();
  return true;
}

void TData::UpdateFromFile() {
  std::int64_t FileSize = 0;
  const double FileTime = FileTimeInDays(FileName, FileSize);
  if (FileTime < 0) {
    AddEntry(llError, "Cannot read paket file " + FileName + ".");
    return;
  }
  if (FileTime == LastFileTime && FileSize == LastFileSize) {
    Timer->SetEnabled(true);
    return;
  }
  TLoadProgress& Progress = LoadProgress();
  if (Progress.Busy) {
    Timer->SetInterval(Timer->Interval() + DelayedUpdateIncrement);
    AddEntry(llInfo, "Update on " + FileName + " delayed: other update in progress.");
    return;
  }
  const TBusyScope BusyScope(Progress);
  if (!BeginPass(FileSize) || !ReadImage(FileSize)) return;
  LastFileTime = FileTime;
  LastFileSize = FileSize;
  DecodeImage(true);
}

bool TData::UpdateFromBytes(std::span<const std::uint8_t> Bytes) {
  TLoadProgress& Progress = LoadProgress();
  if (Progress.Busy) {
    AddEntry(llInfo, "Update on " + FileName + " delayed: other update in progress.");
    return false;
  }
  const TBusyScope BusyScope(Progress);
  if (!BeginPass(static_cast<std::int64_t>(Bytes.size())) || !SizeSpareImage(Bytes.size())) return true;
  if (!Bytes.empty()) std::memcpy(SpareImage.data(), Bytes.data(), Bytes.size());
  InstallSpareImage();
  DecodeImage(false);
  return true;
}

void TData::DecodeImage(bool PauseTimer) {
  TLoadProgress& Progress = LoadProgress();
  std::int32_t Length = Definition.GetFrameLength(BaseFrameName);
  const bool IdCheck = Length == 280 || Length == 282;
  if (IdCheck) {
    const std::int32_t Other = Length == 280 ? 282 : 280;
    if (!HoldsBaseFrameId(Image, Length) && HoldsBaseFrameId(Image, Other)) {
      AddEntry(llInfo, "Auto adjusting base frame length successful. New length: " + std::to_string(Other));
      Definition.SetFrameLength(BaseFrameName, Other);
    }
  } else {
    AddEntry(llInfo, "No automatic BaseFrame synchronization. BF is " + std::to_string(Length));
  }

  Length = Definition.GetFrameLength(BaseFrameName);
  if (Image.Size() - ProcessedSize < Length) {
    AddEntry(llWarn, "File " + FileName + " has changed, but has not grown for at least the size of the BaseFrame.");
    AddEntry(llWarn, "No data appended!");
    return;
  }
  if (Length < 1) {
    AddEntry(llError, "Invalid BaseFrame length " + std::to_string(Length) + ", no data decoded.");
    return;
  }

  std::int64_t Position = ProcessedSize;
  Progress.SetMaximum(Image.Size());
  Progress.ShowProgress();
  if (PauseTimer) Timer->SetEnabled(false);
  const auto RootDefIndex = static_cast<std::int16_t>(Definition.FindFrame(BaseFrameName));
  std::int64_t Handled = 0;
  const auto ShowPosition = [&] {
    Progress.SetPosition(Position);
    Progress.SetCounter(std::to_string(Handled));
  };
  const std::chrono::milliseconds RefreshInterval = Progress.RefreshInterval();
  auto NextRefresh = std::chrono::steady_clock::now();
  while (Image.Size() - Position >= Length) {
    if (RefreshInterval.count() == 0 || std::chrono::steady_clock::now() >= NextRefresh) {
      ShowPosition();
      Progress.ProcessMessages();
      NextRefresh = std::chrono::steady_clock::now() + RefreshInterval;
    }
    if (IdCheck && !HoldsBaseFrameId(Image, Position)) {
      AddEntry(llWarn, "BaseFrame at Position " + std::to_string(Position) + " has invalid ID! Skipping...");
    } else {
      Image.Position = Position;
      TDecodedNode* Child = nullptr;
      try {
        Child = Definition.DecodeFrame(Image, BaseFrameName, Pool);
      } catch (const EDecodeAbort&) {
        // The aborted BaseFrame is decoded again by the next pass.
        break;
      } catch (const std::exception& Error) {
        // Out of memory, say: keep what is decoded, retry this BaseFrame next pass.
        AddEntry(llError, "Decoding stopped at BaseFrame position " + std::to_string(Position) + " of " + FileName +
                              ": " + Error.what());
        break;
      }
      TDecodedNode* Root = Pool.New();
      Root->Child = Child;
      Root->Position = static_cast<std::int32_t>(Position);
      Root->DefIndex = RootDefIndex;
      AppendRoot(Root);
    }
    ++Handled;
    Position += Length;
    Length = Definition.GetFrameLength(BaseFrameName);
  }
  ShowPosition();
  // Only whole BaseFrames count as processed: the rest is decoded once complete.
  ProcessedSize = Position;
  NumberNodes();
  if (OnNewFrames) {
    try {
      OnNewFrames(*this);
    } catch (const std::exception& Error) {
      AddEntry(llError, "Handling the new BaseFrames of " + FileName + " failed: " + Error.what());
    }
  }
  Progress.HideProgress();
  if (PauseTimer) Timer->SetEnabled(true);
}

void TData::AppendRoot(TDecodedNode* Root) {
  (LastRoot ? LastRoot->Next : Frames) = Root;
  LastRoot = Root;
  if (!FirstUnnumbered) FirstUnnumbered = Root;
  ++Count;
}

void TData::NumberNodes() {
  if (!FirstUnnumbered) return;
  if (FirstUnnumbered == Frames) NextSerial = SerialBase;
  NumberTree(FirstUnnumbered, NextSerial);
  FirstUnnumbered = nullptr;
}
