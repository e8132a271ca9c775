#include "data/Data.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>

#include "common/Log.h"
#include "common/LoadProgress.h"
#include "common/Threads.h"
#include "data/BaseFrameStep.h"
#include "structure/ByteBit.h"
#include "structure/InstrumentNames.h"

namespace {

// The data's start the BaseFrame length check looks at: an ID behind a
// BaseFrame of 280 or 282 bytes. It tells a replaced file, too.
constexpr std::int64_t SyncHeadBytes = 282 + 4;

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

// Bytes before and after a BaseFrame's first byte that its decoding may
// read: the furthest reads of any row, moved by the sub-frame offsets of
// every nesting level.
struct TReach {
  std::int64_t Before = 0;  // 0 or less
  std::int64_t After = 0;
};

TReach DecodingReach(const TFramesDefinition& Definition) {
  std::int64_t ReadFirst = 0, ReadEnd = 0, ShiftDown = 0, ShiftUp = 0;
  for (const TDefinitionEntry& Row : Definition.Entries) {
    if (Row.Kind == ekSubframe) {
      ShiftDown = std::min<std::int64_t>(ShiftDown, Row.BytePos);
      ShiftUp = std::max<std::int64_t>(ShiftUp, Row.BytePos);
    }
    if (Row.BytePos < 0) continue;
    TBitPos Start{Row.BytePos, Row.BitPos};
    TBitPos Length{Row.ByteLen, Row.BitLen};
    NormalizeBitPos(Start);
    NormalizeBitPos(Length);
    const std::int64_t Count = Row.Kind == ekText ? std::clamp(Length.Byte, 0, MaxMessageLength) : 2;
    ReadFirst = std::min<std::int64_t>(ReadFirst, Start.Byte);
    ReadEnd = std::max(ReadEnd, Start.Byte + Count);
  }
  return {MaxSubframeNesting * ShiftDown + ReadFirst, MaxSubframeNesting * ShiftUp + ReadEnd};
}

// Lets the definition number the nodes it decodes while it lives.
class TSerialScope {
 public:
  TSerialScope(TFramesDefinition& Definition, std::int64_t& Serials) : Definition(Definition) {
    Definition.Serials = &Serials;
  }
  ~TSerialScope() { Definition.Serials = nullptr; }
  TSerialScope(const TSerialScope&) = delete;
  TSerialScope& operator=(const TSerialScope&) = delete;

 private:
  TFramesDefinition& Definition;
};

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

TData::~TData() {
  Watch.reset();
  Timer->OnTimer = nullptr;
}

void TData::StartTracking() {
  LastFileTime = 0;
  LastLook.reset();
  ProcessedSize = 0;
  PairingStarts.clear();
  UnsyncedAt = -1;
  ReadFile.reset();
  Head.clear();
  WarnedAt = -1;
  Worst = TPassResult::Complete;
  UpdateFromFile();
  Timer->SetEnabled(true);
}

void TData::StopTracking() {
  Timer->SetEnabled(false);
  Watch.reset();
  // Only a tracked file reads into the image before the last one.
  TImageBytes().swap(SpareImage);
}

void TData::WatchFile() { Watch = CreateFileWatch(FileName, [this] { UpdateFromFile(); }); }

bool TData::BeginPass(const TFileLook* Look) {
  AddEntry(llInfo, "Update on " + FileName);
  if (!Look) {
    ReadFailed("Cannot read");
    return false;
  }
  const std::string Refusal = PacketFileRefusal(FileName, *Look);
  if (Refusal.empty()) return true;
  AddEntry(llError, Refusal);
  Note(TPassResult::Unreadable);
  return false;
}

void TData::ReadFailed(const std::string& What) {
  AddEntry(llError, What + " paket file " + FileName + ".");
  Note(TPassResult::Unreadable);
}

bool TData::WarnedOfRest(std::int64_t Size) const {
  return WarnedAt == ProcessedSize && Size >= ProcessedSize &&
         Size - ProcessedSize < Definition.GetFrameLength(BaseFrameName);
}

void TData::TakeData(std::span<const std::uint8_t> Start, const TFileLook* Look) {
  const std::size_t Common = std::min(Start.size(), Head.size());
  const bool SameStart = std::equal(Start.begin(), Start.begin() + static_cast<std::ptrdiff_t>(Common), Head.begin());
  // Another file goes on from where the one before was read only when it
  // starts as that one did (a copy that grew); the same file only when what
  // it holds still starts so: a shrink to a part of what was read is warned
  // of, a file written anew (also after a look while it was shorter) is read
  // from its start.
  const bool Other = Look && ReadFile && !Look->SameFile(*ReadFile) ? !SameStart || Start.size() < Head.size()
                                                                    : !SameStart;
  if (Look) ReadFile = *Look;
  if (Other || Start.size() > Head.size()) Head.assign(Start.begin(), Start.end());
  if (!Other) return;
  AddEntry(llWarn, FileName + " was replaced; reading it from the start.");
  ProcessedSize = 0;
  PairingStarts.clear();
  UnsyncedAt = -1;
  WarnedAt = -1;
}

bool TData::SizeSpareImage(std::size_t Size) {
  // The image before the last one lends its memory: a big file is not
  // read into fresh pages on every tick.
  try {
    // Room to grow, so that a file that grows a little needs no new memory.
    if (Size > SpareImage.capacity()) SpareImage.reserve(Size + Size / 8 + (std::size_t{1} << 20));
    SpareImage.resize(Size);
  } catch (const std::bad_alloc&) {
    ReadFailed("Not enough memory to read");
    return false;
  }
  return true;
}

void TData::InstallSpareImage() {
  Image.Bytes.swap(SpareImage);
  Origin = 0;
}

bool TData::ReadImage(const TPacketFile& File, std::int64_t Size) {
  if (!SizeSpareImage(static_cast<std::size_t>(Size))) return false;
  // A big file is read and word-swapped in parts side by side: the pages of
  // a fresh image fault in on every core.
  const auto Parts = static_cast<std::size_t>(std::clamp<std::int64_t>(
      Size / std::max<std::int64_t>(1, ReadPartBytes), 1, static_cast<std::int64_t>(ThreadCount(Threads))));
  std::vector<std::int64_t> Starts(Parts + 1, Size), Read(Parts);
  for (std::size_t I = 0; I < Parts; ++I)
    Starts[I] = WordStart(Size * static_cast<std::int64_t>(I) / static_cast<std::int64_t>(Parts));
  RunParts(Parts, [&](std::size_t I) {
    const std::int64_t Start = Starts[I];
    Read[I] = File.ReadAt(SpareImage.data() + Start, Starts[I + 1] - Start, Start);
    if (Read[I] > 0) {
      const std::span<std::uint8_t> Part(SpareImage.data() + Start, static_cast<std::size_t>(Read[I]));
      SwapPairs(Part, Start);
    }
  });
  // A file that shrank since it was looked at gives what it still holds.
  std::int64_t End = Size;
  for (std::size_t I = 0; I < Parts && End == Size; ++I) {
    if (Read[I] < 0) {
      ReadFailed("Cannot read");
      return false;
    }
    if (Read[I] < Starts[I + 1] - Starts[I]) End = Starts[I] + Read[I];
  }
  SpareImage.resize(static_cast<std::size_t>(End));
  InstallSpareImage();
  return true;
}

void TData::UpdateFromFile() {
  TFileLook Look;
  if (!LookAtFile(FileName, Look)) {
    ReadFailed("Cannot read");
    return;
  }
  // Unchanged, or grown by less than the BaseFrame whose rest was warned of.
  if (Look == LastLook || (ReadFile && Look.SameFile(*ReadFile) && WarnedOfRest(Look.Size))) {
    LastLook = Look;
    LastFileTime = Look.Time;
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
  const TPacketFile File(FileName);
  if (!BeginPass(File.Opened() ? &File.Look() : nullptr)) {
    // A file refused is refused again only once it changes.
    if (File.Opened()) LastLook = Look;
    return;
  }
  const std::int64_t FileSize = File.Look().Size;
  std::uint8_t Start[SyncHeadBytes];
  const std::int64_t StartBytes = File.ReadAt(Start, std::min(FileSize, SyncHeadBytes), 0);
  if (StartBytes < 0) {
    ReadFailed("Cannot read");
    return;
  }
  TakeData({Start, static_cast<std::size_t>(StartBytes)}, &File.Look());
  const bool Streaming = static_cast<bool>(OnFrames);
  const TPieceReader Pieces = [&File](std::int64_t Offset, std::span<std::uint8_t> Target) {
    return File.ReadAt(Target.data(), static_cast<std::int64_t>(Target.size()), Offset);
  };
  if (Streaming ? !ReadPiece(Pieces, 0, std::min(FileSize, SyncHeadBytes)) : !ReadImage(File, FileSize)) return;
  LastLook = Look;
  LastFileTime = Look.Time;
  DecodePass(Streaming ? FileSize : Image.Size(), Streaming ? &Pieces : nullptr, true);
}

bool TData::UpdateFromBytes(std::span<const std::uint8_t> Bytes) {
  const auto Size = static_cast<std::int64_t>(Bytes.size());
  if (WarnedOfRest(Size)) return true;
  TLoadProgress& Progress = LoadProgress();
  if (Progress.Busy) {
    AddEntry(llInfo, "Update on " + FileName + " delayed: other update in progress.");
    return false;
  }
  const TBusyScope BusyScope(Progress);
  const TFileLook Look{.Size = Size, .Regular = true};
  if (!BeginPass(&Look)) return true;
  TakeData(Bytes.first(std::min(Bytes.size(), static_cast<std::size_t>(SyncHeadBytes))), nullptr);
  if (OnFrames) {
    const TPieceReader Pieces = [Bytes](std::int64_t Offset, std::span<std::uint8_t> Target) -> std::int64_t {
      const std::span<const std::uint8_t> Rest = Bytes.subspan(std::min(static_cast<std::size_t>(Offset), Bytes.size()));
      const std::size_t Count = std::min(Rest.size(), Target.size());
      if (Count > 0) std::memcpy(Target.data(), Rest.data(), Count);
      return static_cast<std::int64_t>(Count);
    };
    if (ReadPiece(Pieces, 0, std::min(Size, SyncHeadBytes))) DecodePass(Size, &Pieces, false);
    return true;
  }
  if (!SizeSpareImage(Bytes.size())) return true;
  if (!Bytes.empty()) std::memcpy(SpareImage.data(), Bytes.data(), Bytes.size());
  SwapPairs(SpareImage, 0);
  InstallSpareImage();
  DecodePass(Image.Size(), nullptr, false);
  return true;
}

bool TData::ReadPiece(const TPieceReader& Pieces, std::int64_t Start, std::int64_t End) {
  Origin = Start;
  try {
    Image.Bytes.resize(static_cast<std::size_t>(End - Start));
  } catch (const std::bad_alloc&) {
    Image.Bytes.clear();
    ReadFailed("Not enough memory to read");
    return false;
  }
  const std::int64_t Read = Pieces(Start, Image.Bytes);
  if (Read < 0) {
    Image.Bytes.clear();
    ReadFailed("Cannot read");
    return false;
  }
  Image.Bytes.resize(static_cast<std::size_t>(Read));
  SwapPairs(Image.Bytes, Start);
  return true;
}

bool TData::ReadWords(const TPieceReader& Pieces, std::int64_t Start, std::int64_t End, std::int64_t& DataEnd) {
  Start = WordStart(std::max<std::int64_t>(0, Start));
  if (End < DataEnd && WordStart(End) != End) ++End;
  if (!ReadPiece(Pieces, Start, End)) return false;
  // A file that shrank while it is read ends where it ends now.
  if (Image.Size() < End - Start) DataEnd = Start + Image.Size();
  return true;
}

std::int64_t TData::WordStart(std::int64_t Position) const {
  const auto After = std::upper_bound(PairingStarts.begin(), PairingStarts.end(), Position);
  const std::int64_t Anchor = After == PairingStarts.begin() ? 0 : *(After - 1);
  return Position - (Position - Anchor) % 2;
}

void TData::SwapPairs(std::span<std::uint8_t> Bytes, std::int64_t Start) const {
  const std::int64_t End = Start + static_cast<std::int64_t>(Bytes.size());
  auto Next = std::upper_bound(PairingStarts.begin(), PairingStarts.end(), Start);
  std::int64_t From = WordStart(Start) == Start ? Start : Start + 1;
  // One run of words per pairing start; a run's odd last byte stays.
  while (From < End) {
    const std::int64_t To = Next == PairingStarts.end() ? End : std::min(End, *Next++);
    SwapWords(Bytes.subspan(static_cast<std::size_t>(From - Start), static_cast<std::size_t>(To - From)));
    From = To;
  }
}

std::int64_t TData::FindMarker(std::int64_t From, std::int64_t Before, std::int64_t& DataEnd,
                               const TPieceReader* Pieces) {
  // From lies after the last pairing start: the words pair from its parity on.
  const std::int64_t Anchor = PairingStarts.empty() ? 0 : PairingStarts.back();
  const auto FileByte = [&](std::int64_t At) {
    const std::int64_t Other = (At - Anchor) % 2 == 0 ? At + 1 : At - 1;
    // The data's odd last byte is not swapped.
    return Image.Bytes[static_cast<std::size_t>((Other < Origin + Image.Size() ? Other : At) - Origin)];
  };
  for (std::int64_t At = From; DataEnd - At >= 4 && At < Before; ++At) {
    // The marker's bytes and the other bytes of their words.
    const std::int64_t Held = Origin + Image.Size();
    if (Pieces && At + 5 > Held && Held < DataEnd) {
      if (!ReadWords(*Pieces, At, std::min(DataEnd, At + std::max<std::int64_t>(StreamPieceBytes, 5)), DataEnd))
        return -1;
      if (DataEnd - At < 4) break;
    }
    // The file holds the ID with the bytes of each word swapped.
    const auto Matches = [&](int K) { return FileByte(At + K) == BaseFrameId[K ^ 1]; };
    if (Matches(0) && Matches(1) && Matches(2) && Matches(3)) return At;
  }
  return -1;
}

void TData::PairFrom(std::int64_t Position) {
  if (WordStart(Position) == Position) return;
  // Back to the data's order from the word that held Position, then paired from Position.
  const std::span<std::uint8_t> Rest = std::span(Image.Bytes).subspan(static_cast<std::size_t>(Position - 1 - Origin));
  SwapWords(Rest);
  PairingStarts.push_back(Position);
  SwapWords(Rest.subspan(1));
}

bool TData::CheckFrameLength() {
  const std::int32_t Length = Definition.GetFrameLength(BaseFrameName);
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
  return IdCheck;
}

void TData::DecodePass(std::int64_t DataEnd, const TPieceReader* Pieces, bool PauseTimer) {
  TLoadProgress& Progress = LoadProgress();
  const bool IdCheck = CheckFrameLength();
  std::int32_t Length = Definition.GetFrameLength(BaseFrameName);
  if (DataEnd - ProcessedSize < Length) {
    AddEntry(llWarn, "File " + FileName + " has changed, but has not grown for at least the size of the BaseFrame.");
    AddEntry(llWarn, "No data appended!");
    // The rest of a partial BaseFrame is waited for without more warnings;
    // a shrunk file is warned of at every change.
    WarnedAt = DataEnd >= ProcessedSize ? ProcessedSize : -1;
    return;
  }
  if (Length < 1) {
    AddEntry(llError, "Invalid BaseFrame length " + std::to_string(Length) + ", no data decoded.");
    Note(TPassResult::StoppedEarly);
    return;
  }

  // Each text is logged once per pass, its repeats counted at the end.
  TLogDedup Dedup;
  std::int64_t Position = ProcessedSize;
  Progress.SetMaximum(DataEnd);
  Progress.ShowProgress();
  if (PauseTimer) Timer->SetEnabled(false);
  const auto RootDefIndex = static_cast<std::int16_t>(Definition.FindFrame(BaseFrameName));
  std::int64_t Handled = 0;
  const auto Show = [&Progress](std::int64_t At, std::int64_t Frames) {
    Progress.SetPosition(At);
    Progress.SetCounter(std::to_string(Frames));
  };
  const std::chrono::milliseconds RefreshInterval = Progress.RefreshInterval();
  auto NextRefresh = std::chrono::steady_clock::now();
  // Image holds all the data without Pieces, so that Holds is always true.
  const TReach Reach = Pieces ? DecodingReach(Definition) : TReach{};
  // Resynchronising looks for a marker that starts within the BaseFrame.
  const std::int64_t MarkerReach = IdCheck && Resync ? 4 : 0;
  const auto ReachAfter = [&] { return std::max<std::int64_t>(Length + MarkerReach, Reach.After); };
  const auto Holds = [&](std::int64_t Frame) {
    return Origin <= std::max<std::int64_t>(0, Frame + Reach.Before) &&
           std::min(DataEnd, Frame + ReachAfter()) <= Origin + Image.Size();
  };
  const std::size_t PoolMark = Pool.Mark();
  bool HandedOver = true;
  // The pass decodes to the end of the data, unless the data after a
  // BaseFrame without marker holds no marker yet.
  bool Unsynced = false;
  // Nodes are numbered as they are decoded, children before their node,
  // from SerialBase on over all passes.
  if (!Numbered) NextSerial = SerialBase;
  Numbered = true;
  const TSerialScope Serials(Definition, NextSerial);
  const auto ShowAndRunEvents = [&](std::int64_t At, std::int64_t Frames) {
    Show(At, Frames);
    // What the events log is no part of the pass.
    const TLogDedup::TPause Undeduplicated;
    Progress.ProcessMessages();
  };
  // Resynchronising finds the BaseFrames one after the other.
  const bool MayParallel = !(IdCheck && Resync);
  std::vector<TDecodedNode*> Roots;
  std::vector<TChunkJoin> Joins;
  // The joins of the piece before, done while the chunks of the next one
  // decode when every sink allows it; then the BaseFrames from BehindFrom on
  // are handed over.
  std::vector<TChunkJoin> Behind;
  std::int64_t BehindFrom = 0;
  const auto JoinBehind = [&] {
    if (Behind.empty()) return true;
    HandedOver = HandOver(BehindFrom, {}, Behind);
    Behind.clear();
    return HandedOver;
  };
  // Also when an exception ends the pass: the rows were decoded.
  const struct TJoinAtEnd {
    const decltype(JoinBehind)& Join;
    ~TJoinAtEnd() { Join(); }
  } JoinAtEnd{JoinBehind};
  const bool Parallel = !Pieces && MayParallel &&
                        DecodeInParallel(Position, DataEnd, Length, IdCheck, RootDefIndex, Handled, ShowAndRunEvents,
                                         false, Roots, Joins);
  for (TDecodedNode* Root : Roots) AppendRoot(Root);
  while (!Parallel && DataEnd - Position >= Length) {
    if (RefreshInterval.count() == 0 || std::chrono::steady_clock::now() >= NextRefresh) {
      ShowAndRunEvents(Position, Handled);
      NextRefresh = std::chrono::steady_clock::now() + RefreshInterval;
      if (StopAsked()) break;
    }
    if (!Holds(Position)) {
      // The next piece: about StreamPieceBytes of whole BaseFrames from
      // Position on (more when one's reach is longer) and the bytes their
      // decoding reaches, in whole words.
      const std::int64_t Frames = std::clamp<std::int64_t>(
          std::max(StreamPieceBytes, Reach.After - Reach.Before) / Length, 1, DataEnd / Length + 1);
      const std::int64_t End =
          std::min(DataEnd, Position + (Frames - 1) * Length + ReachAfter());
      // With joins behind, the entries of a read that fails come after
      // them, as without; a join that fails ends the pass before the read.
      std::optional<TLogCapture> ReadLog;
      if (!Behind.empty()) ReadLog.emplace();
      const bool Read = Pieces && ReadWords(*Pieces, Position + Reach.Before, End, DataEnd);
      if (ReadLog) {
        const std::vector<std::pair<TLogLevel, std::string>> Entries = std::move(ReadLog->Entries);
        ReadLog.reset();
        if (!Read && !JoinBehind()) break;
        for (const auto& [Level, Text] : Entries) AddEntry(Level, Text);
      }
      if (!Read) break;
      if (DataEnd - Position < Length) break;
      if (MayParallel) {
        // The BaseFrames whose decoding the piece holds.
        std::int64_t PieceEnd = Position;
        while (DataEnd - PieceEnd >= Length && Holds(PieceEnd)) PieceEnd += Length;
        Roots.clear();
        Joins.clear();
        const std::int64_t From = Position;
        if (DecodeInParallel(Position, PieceEnd, Length, IdCheck, RootDefIndex, Handled, ShowAndRunEvents, true,
                             Roots, Joins, JoinBehind)) {
          Count += static_cast<std::int64_t>(Roots.size());
          for (const TChunkJoin& Join : Joins) Count += Join.Frames;
          const bool Later = DataEnd - Position >= Length && Position == PieceEnd && !Joins.empty() &&
                             std::all_of(Joins.begin(), Joins.end(), [](const TChunkJoin& Join) {
                               return Join.Sink->JoinsBesideTakes();
                             });
          if (Later) {
            Behind = std::move(Joins);
            BehindFrom = From;
          } else {
            HandedOver = HandOver(From, Roots, Joins);
          }
          for (const std::unique_ptr<TNodePool>& Chunk : StreamPools) Chunk->Rollback(0);
          Pool.Rollback(PoolMark);
          // A chunk stopped where Position stands.
          if (!HandedOver || Position < PieceEnd) break;
          Length = Definition.GetFrameLength(BaseFrameName);
          continue;
        }
        // Its chunks were forgotten: the joins before failed.
        if (!HandedOver) break;
      }
    }
    if (!JoinBehind()) break;
    std::int64_t Next = Position + Length;
    if (IdCheck && !HoldsBaseFrameId(Image, Position - Origin)) {
      if (!Resync) {
        WarnInvalidId(Position);
      } else {
        Next = FindMarker(Position + 1, DataEnd, DataEnd, Pieces);
        if (Next < 0) {
          // The next pass looks again from here, in the data that has come by then.
          if (UnsyncedAt != Position)
            AddEntry(llWarn, "No synchronisation marker after position " + std::to_string(Position) + ".");
          UnsyncedAt = Position;
          Unsynced = true;
          break;
        }
        AddEntry(llWarn, "Skipped " + std::to_string(Next - Position) + " bytes, resynchronised at position " +
                             std::to_string(Next) + ".");
        PairFrom(Next);
      }
    } else if (const std::int64_t Marker =
                   IdCheck && Resync ? FindMarker(Position + 1, Position + Length, DataEnd, Pieces) : -1;
               Marker >= 0) {
      AddEntry(llWarn, "BaseFrame at position " + std::to_string(Position) + " is short (" +
                           std::to_string(Marker - Position) + " bytes); skipped.");
      PairFrom(Marker);
      Next = Marker;
    } else {
      TDecodedNode* Child = nullptr;
      const TFrameOutcome Outcome =
          DecodeBaseFrame(Definition, Image, Position - Origin, Position, IdCheck, Pool, FileName, Child);
      if (Outcome == TFrameOutcome::Stopped) break;
      TDecodedNode* Root = NewRoot(Position, Child, RootDefIndex);
      if (!Pieces) {
        AppendRoot(Root);
      } else {
        ++Count;
        HandedOver = HandOver(Position, {&Root, 1}, {});
        Pool.Rollback(PoolMark);
      }
    }
    ++Handled;
    Position = Next;
    Length = Definition.GetFrameLength(BaseFrameName);
    if (!HandedOver) break;
  }
  JoinBehind();
  Dedup.Finish();
  // Also the nodes of a decoding that failed.
  if (Pieces) Pool.Rollback(PoolMark);
  Show(Position, Handled);
  // A read that failed has made the pass Unreadable already.
  if ((!Unsynced && DataEnd - Position >= Length) || !HandedOver) Note(TPassResult::StoppedEarly);
  // Only whole BaseFrames count as processed: the rest is decoded once complete.
  ProcessedSize = Position;
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

bool TData::StopAsked() {
  if (!LoadProgress().StopRequested()) return false;
  LastLook.reset();
  return true;
}

TDecodedNode* TData::NewRoot(std::int64_t Position, TDecodedNode* Child, std::int16_t DefIndex) {
  TDecodedNode* Root = Pool.New();
  Root->SerialNo = static_cast<std::int32_t>(NextSerial++);
  Root->Child = Child;
  Root->Position = static_cast<std::int32_t>(Position);
  Root->DefIndex = DefIndex;
  return Root;
}

bool TData::HandOver(std::int64_t From, std::span<TDecodedNode* const> Roots, std::span<TChunkJoin> Joins) {
  try {
    if (OnFrames && !Roots.empty()) OnFrames(Roots);
    for (TChunkJoin& Join : Joins) Join.Sink->Join(Join.SerialBase);
  } catch (const std::exception& Error) {
    const bool One = Roots.size() == 1 && Joins.empty();
    AddEntry(llError, "Handling " + std::string(One ? "the BaseFrame at position " : "the BaseFrames from position ") +
                          std::to_string(From) + " of " + FileName + " failed: " + Error.what());
    return false;
  }
  return true;
}

void TData::AppendRoot(TDecodedNode* Root) {
  if (LastRoot)
    LastRoot->Next = Root;
  else
    Frames = Root;
  LastRoot = Root;
  ++Count;
}
