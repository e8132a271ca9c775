#include "data/Data.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "common/LoadProgress.h"
#include "common/Log.h"
#include "common/OffThread.h"
#include "common/Threads.h"
#include "data/BaseFrameStep.h"
#include "data/Pass.h"
#include "structure/InstrumentNames.h"
#include "structure/PlotTimeRow.h"

namespace {

// The data's start the BaseFrame length check looks at: an ID behind a
// BaseFrame of 280 or 282 bytes. It tells a replaced file, too.
constexpr std::int64_t SyncHeadBytes = 282 + 4;

// Lets the definition number the nodes it decodes while it lives.
class TSerialScope {
 public:
  TSerialScope(TFramesDefinition& Definition, TSerialCounter* Serials) : Definition(Definition) {
    Definition.Serials = Serials;
  }
  ~TSerialScope() { Definition.Serials = nullptr; }
  TSerialScope(const TSerialScope&) = delete;
  TSerialScope& operator=(const TSerialScope&) = delete;

 private:
  TFramesDefinition& Definition;
};

}  // namespace

TData::TData(const std::string& FileName, TFramesDefinition& Definition)
    : Definition(Definition), FileName(FileName), Timer(CreateTimer()) {
  Timer->SetEnabled(false);
  Timer->SetInterval(TrackingInterval);
  Timer->OnTimer = [this] { StartUpdate(); };
}

TData::~TData() {
  Watch.reset();
  Timer->OnTimer = nullptr;
  // A pass still running ends at its next look at the progress; its end
  // is not published.
  RunState->Cancel = true;
  std::unique_lock Lock(RunState->Mutex);
  RunState->Freed = true;
  RunState->Ended.wait(Lock, [this] { return !RunState->Working; });
  if (!Running) return;
  Definition.ReleaseMessages();
  if (Decoded) LoadProgress().HideProgress();
  LoadProgress().Busy = false;
}

void TData::ResetTracking() {
  LastFileTime = 0;
  LastLook.reset();
  ProcessedSize = 0;
  Reader.Restart();
  Framer.Restart();
  ReadFile.reset();
  Head.clear();
  WarnedAt = -1;
  Worst = TPassResult::Complete;
  Stopped = false;
}

TPassReport TData::StartTracking() {
  ResetTracking();
  TPassReport First = UpdateFromFile();
  Timer->SetEnabled(true);
  return First;
}

void TData::StartTracking(const TThen& Then) {
  ResetTracking();
  StartUpdate([this, Then](const TPassReport& First) {
    if (!Stopped) Timer->SetEnabled(true);
    if (Then) Then(First);
  });
}

void TData::StopTracking() {
  Stopped = true;
  Timer->SetEnabled(false);
  Watch.reset();
  // Only a tracked file reads into the image before the last one.
  Reader.FreeSpare();
}

void TData::WatchFile() {
  Watch = CreateFileWatch(FileName, [this] { StartUpdate(); });
}

bool TData::BeginPass(const TFileLook* Look) {
  AddEntry(llInfo, "Update on " + FileName);
  if (!Look) {
    ReadFailed("Cannot read");
    return false;
  }
  const std::string Refusal = PacketFileRefusal(FileName, *Look, !ReadsInPieces());
  if (Refusal.empty()) return true;
  AddEntry(llError, Refusal);
  Note(TPassResult::Unreadable);
  return false;
}

void TData::ReadFailed(const std::string& What) {
  LogReadFailure(What, FileName);
  Note(TPassResult::Unreadable);
}

void TData::Note(TPassResult Ended) {
  Worst = std::max(Worst, Ended);
  Report.Result = std::max(Report.Result, Ended);
}

bool TData::WarnedOfRest(std::int64_t Size) const {
  return WarnedAt == ProcessedSize && Size >= ProcessedSize && Size - ProcessedSize < WarnedLength;
}

void TData::TakeData(std::span<const std::uint8_t> Start, const TFileLook* Look) {
  const std::size_t Common = std::min(Start.size(), Head.size());
  const bool SameStart = std::equal(Start.begin(), Start.begin() + static_cast<std::ptrdiff_t>(Common), Head.begin());
  // Another file goes on from where the one before was read only when it
  // starts as that one did (a copy that grew); the same file only when what
  // it holds still starts so: a shrink to a part of what was read is warned
  // of, a file written anew (also after a look while it was shorter) is read
  // from its start.
  const bool Other =
      Look && ReadFile && !Look->SameFile(*ReadFile) ? !SameStart || Start.size() < Head.size() : !SameStart;
  if (Look) ReadFile = *Look;
  if (Other || Start.size() > Head.size()) Head.assign(Start.begin(), Start.end());
  if (!Other) return;
  AddEntry(llWarn, FileName + " was replaced; reading it from the start.");
  ++Replaced;
  ProcessedSize = 0;
  Reader.Restart();
  Framer.Restart();
  WarnedAt = -1;
}

TPassReport TData::UpdateFromFile() {
  TPassReport Ended;
  Update(true, [&Ended](const TPassReport& Report) { Ended = Report; });
  return Ended;
}

void TData::StartUpdate(const TThen& Then) { Update(false, Then); }

void TData::Update(bool Here, const TThen& Then) {
  if (Running) {
    const TPassReport Late = Delayed(true);
    if (Then) Then(Late);
    return;
  }
  Report = {};
  Decoded = false;
  bool Changed = false;
  {
    TLogRecord Record;
    Changed = LookAtChange();
    Report.Entries = std::move(Record.Entries);
  }
  if (!Changed) {
    const TPassReport Ended = Report;
    if (Then) Then(Ended);
    return;
  }
  ChooseTransforms(true);
  RunPass(
      Here, true, [this] { ReadTheFile(); }, Then);
}

TPassReport TData::Delayed(bool File) {
  TPassReport Late;
  Late.Delayed = true;
  TLogRecord Record;
  if (File) Timer->SetInterval(Timer->Interval() + DelayedUpdateIncrement);
  AddEntry(llInfo, "Update on " + FileName + " delayed: other update in progress.");
  Late.Entries = std::move(Record.Entries);
  return Late;
}

bool TData::LookAtChange() {
  TFileLook Look;
  const bool Stream = ReadsStream();
  if (Stream && StreamRead) return false;
  if (!Stream && !LookAtFile(FileName, Look)) {
    ReadFailed("Cannot read");
    return false;
  }
  // Unchanged, or grown by less than the BaseFrame whose rest was warned of.
  if (!Stream && (Look == LastLook || (ReadFile && Look.SameFile(*ReadFile) && WarnedOfRest(Look.Size)))) {
    LastLook = Look;
    LastFileTime = Look.Time;
    Timer->SetEnabled(true);
    return false;
  }
  if (LoadProgress().Busy) {
    Report = Delayed(true);
    return false;
  }
  Seen = Look;
  StreamRead = Stream;
  return true;
}

void TData::RunPass(bool Here, bool PauseTimer, std::function<void()> Work, const TThen& Then) {
  Running = true;
  LoadProgress().Busy = true;
  const bool WasEnabled = Timer->Enabled();
  if (PauseTimer) Timer->SetEnabled(false);
  // The windows read the messages while the pass runs; streamed BaseFrames
  // are handed over with theirs.
  if (!OnFrames) Definition.HoldMessages();
  NewColumns = Columns.Fresh(static_cast<std::uint32_t>(Records.size()));
  const std::shared_ptr<TRunState> State = RunState;
  State->Working = true;
  const auto Run = [this, State, Work = std::move(Work)] {
    std::exception_ptr Failure;
    {
      TLogRecord Record;
      Failure = RunCatching(Work);
      Report.Entries.insert(Report.Entries.end(), Record.Entries.begin(), Record.Entries.end());
    }
    const std::lock_guard Lock(State->Mutex);
    State->Working = false;
    State->Ended.notify_all();
    if (Failure) std::rethrow_exception(Failure);
  };
  const auto Done = [this, State, PauseTimer, WasEnabled, Here, Then](const std::exception_ptr& Failure) {
    if (State->Freed) return;
    Finish(PauseTimer, WasEnabled, Failure, Here);
    const TPassReport Ended = Report;
    if (Then) Then(Ended);
  };
  if (Here) Done(RunCatching(Run));
  else RunOffThread(Run, Done);
}

void TData::ChooseTransforms(bool OverFile) {
  // BaseFrames handed over are read by their taker, whose choice it is.
  if (OnFrames) return;
  if (!OverFile || KeepTrees || ReadsStream()) {
    Definition.DeferNone();
    return;
  }
  std::vector<std::int32_t> Rows = Columns.RowsInUse();
  for (std::size_t Row = 0; Row < Definition.Entries.size(); ++Row)
    if (IsPlotTimeRow(Definition.Entries[Row])) Rows.push_back(static_cast<std::int32_t>(Row));
  Definition.DeferUnused(Rows);
}

void TData::Finish(bool PauseTimer, bool WasEnabled, const std::exception_ptr& Failure, bool Here) {
  TLogRecord Record;
  Publish();
  if (Failure && !Here) {
    try {
      std::rethrow_exception(Failure);
    } catch (const std::exception& Error) {
      AddEntry(llError, "Update on " + FileName + " failed: " + Error.what());
    } catch (...) {
      AddEntry(llError, "Update on " + FileName + " failed.");
    }
  }
  if (Decoded && !Failure && OnNewFrames) {
    try {
      OnNewFrames(*this);
    } catch (const std::exception& Error) {
      AddEntry(llError, "Handling the new BaseFrames of " + FileName + " failed: " + Error.what());
    }
  }
  if (Decoded) LoadProgress().HideProgress();
  if (PauseTimer && !Stopped && (Decoded || WasEnabled)) Timer->SetEnabled(true);
  LoadProgress().Busy = false;
  Running = false;
  Report.Entries.insert(Report.Entries.end(), Record.Entries.begin(), Record.Entries.end());
  if (Failure && Here) std::rethrow_exception(Failure);
}

void TData::Publish() {
  Reader.Publish();
  PublishedFile = ReadFile;
  PublishedReplaced = Replaced;
  Definition.ReleaseMessages();
  if (!NewRecords.empty()) RecordPass();
  PassFile.reset();
  if (Records.empty()) Records = std::move(NewRecords);
  else Records.insert(Records.end(), NewRecords.begin(), NewRecords.end());
  NewRecords = {};
  Columns.Append(NewColumns);
  NewColumns = TFrameColumns();
  Count += std::exchange(NewCount, 0);
  if (!NewFirst) return;
  if (LastRoot) LastRoot->Next = NewFirst;
  else Frames = NewFirst;
  LastRoot = NewLast;
  NewFirst = NewLast = nullptr;
}

void TData::RecordPass() {
  std::shared_ptr<const TPacketFile> Opened = ReadsInPieces() ? PassFile : nullptr;
  // One descriptor per file.
  if (Opened && !RecordedPasses.empty() && RecordedPasses.back().Opened &&
      RecordedPasses.back().Opened->Look().SameFile(Opened->Look()))
    Opened = RecordedPasses.back().Opened;
  RecordedPasses.push_back({.FirstRecord = Records.size(),
                            .DataEnd = Reader.DataEnd(),
                            .File = PassOverFile ? ReadFile : std::nullopt,
                            .Replaced = Replaced,
                            .Pieces = ReadsInPieces(),
                            .Opened = std::move(Opened),
                            .Pairing = Reader.Pairs()});
}

void TData::ReadTheFile() {
  if (ReadsStream()) return ReadTheStream();
  PassOverFile = true;
  const auto Opened = std::make_shared<const TPacketFile>(FileName);
  const TPacketFile& File = *Opened;
  if (!BeginPass(File.Opened() ? &File.Look() : nullptr)) {
    // A file refused is refused again only once it changes.
    if (File.Opened()) LastLook = Seen;
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
  const TPieceReader Pieces = [&File](std::int64_t Offset, std::span<std::uint8_t> Target) {
    return File.ReadAt(Target.data(), static_cast<std::int64_t>(Target.size()), Offset);
  };
  const bool Read = ReadsInPieces() ? Reader.BeginPieces(Pieces, FileSize, SyncHeadBytes)
                                    : Reader.ReadWhole(File, FileSize, ThreadCount(Threads), ReadPartBytes);
  if (!Read) {
    Note(TPassResult::Unreadable);
    return;
  }
  if (!ReadsInPieces()) Reader.BeginWhole();
  else PassFile = Opened;
  LastLook = Seen;
  LastFileTime = Seen.Time;
  DecodePass();
}

bool TData::UpdateFromBytes(std::span<const std::uint8_t> Bytes) { return !PassOverBytes(Bytes).Delayed; }

TPassReport TData::PassOverBytes(std::span<const std::uint8_t> Bytes) {
  if (WarnedOfRest(static_cast<std::int64_t>(Bytes.size()))) return {};
  if (Running || LoadProgress().Busy) return Delayed(false);
  Report = {};
  Decoded = false;
  TPassReport Ended;
  ChooseTransforms(false);
  RunPass(
      true, false, [this, Bytes] { ReadTheBytes(Bytes); }, [&Ended](const TPassReport& Passed) { Ended = Passed; });
  return Ended;
}

void TData::ReadTheBytes(std::span<const std::uint8_t> Bytes) {
  PassOverFile = false;
  const auto Size = static_cast<std::int64_t>(Bytes.size());
  const TFileLook Look{.Size = Size, .Regular = true};
  if (!BeginPass(&Look)) return;
  TakeData(Bytes.first(std::min(Bytes.size(), static_cast<std::size_t>(SyncHeadBytes))), nullptr);
  const TPieceReader Pieces = [Bytes](std::int64_t Offset, std::span<std::uint8_t> Target) -> std::int64_t {
    const std::span<const std::uint8_t> Rest = Bytes.subspan(std::min(static_cast<std::size_t>(Offset), Bytes.size()));
    const std::size_t Count = std::min(Rest.size(), Target.size());
    if (Count > 0) std::memcpy(Target.data(), Rest.data(), Count);
    return static_cast<std::int64_t>(Count);
  };
  DecodeRead(Pieces, Size, [this, Bytes] { return Reader.TakeWhole(Bytes); });
}

bool TData::DecodeRead(const TPieceReader& Pieces, std::int64_t DataEnd, const std::function<bool()>& ReadWhole) {
  const bool Read = ReadsInPieces() ? Reader.BeginPieces(Pieces, DataEnd, SyncHeadBytes) : ReadWhole();
  if (!Read) {
    Note(TPassResult::Unreadable);
    return false;
  }
  if (!ReadsInPieces()) Reader.BeginWhole();
  DecodePass();
  return true;
}

void TData::ReadTheStream() {
  PassOverFile = false;
  TPacketStream Stream(FileName);
  const TFileLook Look{.Regular = true};
  if (!BeginPass(Stream.Failure().empty() ? &Look : nullptr)) return;
  // A piece starts at most a word before the decoding reach of the BaseFrame
  // at the furthest position asked before.
  Stream.KeepBack = 2 - DecodingReach(Definition).Before;
  const TPieceReader Pieces = [this, &Stream, Logged = false](std::int64_t Offset,
                                                              std::span<std::uint8_t> Target) mutable {
    const std::int64_t Read = Stream.ReadAt(Offset, Target);
    if (!Stream.Failure().empty() && !std::exchange(Logged, true)) {
      const std::string Ends =
          Stream.Size() > 0 ? ": its data ends after " + std::to_string(Stream.Size()) + " bytes" : "";
      AddEntry(llError, "Paket file " + FileName + " " + Stream.Failure() + Ends + ".");
      Note(TPassResult::Unreadable);
    }
    return Read;
  };
  std::uint8_t Start[SyncHeadBytes];
  const std::int64_t StartBytes = Pieces(0, Start);
  if (StartBytes <= 0) {
    if (Stream.Failure().empty()) AddEntry(llError, "Paket file " + FileName + " holds no data.");
    Note(TPassResult::Unreadable);
    return;
  }
  TakeData({Start, static_cast<std::size_t>(StartBytes)}, nullptr);
  // The data's end is known once it is read: until then, the furthest a stream is read.
  const std::int64_t DataEnd = StartBytes < SyncHeadBytes ? StartBytes : MaxStreamBytes;
  // Without streaming, the pass takes the whole data.
  if (!DecodeRead(Pieces, DataEnd, [this, &Pieces] { return Reader.ReadAll(Pieces, MaxStreamBytes); })) return;
  std::uint8_t After = 0;
  if (Stream.Size() >= MaxStreamBytes && Stream.ReadAt(MaxStreamBytes, {&After, 1}) > 0) {
    AddEntry(llError, "Paket file " + FileName + " is too large (2 GiB or more): its data after " +
                          std::to_string(MaxStreamBytes) + " bytes is not read.");
    Note(TPassResult::Unreadable);
  }
}

void TData::DecodePass() {
  const bool IdCheck = Framer.CheckFrameLength();
  const std::int32_t Length = Definition.GetFrameLength(BaseFrameName);
  if (Reader.DataEnd() - ProcessedSize < Length) {
    AddEntry(llWarn, "File " + FileName + " has changed, but has not grown for at least the size of the BaseFrame.");
    AddEntry(llWarn, "No data appended!");
    // The rest of a partial BaseFrame is waited for without more warnings;
    // a shrunk file is warned of at every change.
    WarnedAt = Reader.DataEnd() >= ProcessedSize ? ProcessedSize : -1;
    WarnedLength = Length;
    return;
  }
  if (Length < 1) {
    AddEntry(llError, "Invalid BaseFrame length " + std::to_string(Length) + ", no data decoded.");
    Note(TPassResult::StoppedEarly);
    Report.Stop = TPassStop::InvalidLength;
    return;
  }
  // Each text is logged once per pass, its repeats counted at the end.
  TLogDedup Dedup;
  TPassProgress Progress(LoadProgress(), RunState->Cancel);
  // The end of a stream is not known before it is read: no progress to show.
  Progress.Begin(ReadsStream() ? 0 : Reader.DataEnd());
  Decoded = true;
  // Nodes are numbered as they are decoded, children before their node,
  // from SerialBase on over all passes.
  if (!Numbered) Serials = {SerialBase, TSerialNumbering::OfFile(SerialBase, SerialLimit)};
  Numbered = true;
  const TSerialScope Numbering(Definition, &Serials);
  const std::int64_t FramesBefore = Count;
  // Room for the records of as many BaseFrames as the file holds and a
  // quarter more, so that growing leaves no garbage behind and the passes
  // that follow a growing file append without moving them all. The pages
  // of a large block take memory only once written.
  if (!ReadsStream() && (!ReadsInPieces() || IndexesPieces())) {
    const std::int64_t Expected = (Reader.DataEnd() - ProcessedSize) / Length;
    NewRecords.reserve(
        static_cast<std::size_t>(std::min<std::int64_t>(Expected + Expected / 4, std::int64_t{1} << 24)));
  }
  const TPassEnd End = TPass(*this, IdCheck, Progress).Run();
  if (!SerialsMoved && Serials.Next > SerialLimit) {
    SerialsMoved = true;
    AddEntry(llWarn, "Serial numbers of " + FileName + " reached " + std::to_string(SerialLimit) +
                         ", where those of the next packet file begin: its further nodes are numbered from " +
                         std::to_string(Serials.Numbering(SerialLimit)) + ".");
  }
  Dedup.Finish();
  Progress.Show(End.Position, End.Handled);
  // The next look reads on though the file has not changed.
  if (Progress.Asked()) LastLook.reset();
  // A read that failed has made the pass Unreadable already.
  if ((!End.Unsynced && !End.Enough && Reader.DataEnd() - End.Position >= End.Length) || !End.HandedOver) {
    Note(TPassResult::StoppedEarly);
    Report.Stop = !End.HandedOver ? TPassStop::HandOver : Progress.Asked() ? TPassStop::Asked : TPassStop::Decoding;
  }
  Report.Frames = Count + NewCount - FramesBefore;
  Report.Handled = End.Handled;
  Report.Bytes = End.Position - ProcessedSize;
  // Only whole BaseFrames count as processed: the rest is decoded once complete.
  ProcessedSize = End.Position;
}

TDecodedNode* TData::NewRoot(std::int64_t Position, TDecodedNode* Child, std::int16_t DefIndex) {
  TDecodedNode* Root = Pool.New();
  Root->SerialNo = Serials.Take();
  Root->Child = Child;
  Root->Position = Position;
  Root->DefIndex = DefIndex;
  return Root;
}

void TData::AppendRoots(TDecodedNode* First, TDecodedNode* Last, std::span<const TFrameRecord> Records) {
  if (NewLast) NewLast->Next = First;
  else NewFirst = First;
  NewLast = Last;
  NewCount += static_cast<std::int64_t>(Records.size());
  NewRecords.insert(NewRecords.end(), Records.begin(), Records.end());
}

TDecodedAgain TData::DecodeAgain(std::size_t Frame) const {
  if (Frame >= Records.size()) return {};
  const std::unique_ptr<TDecodingCopy> Copy = CopyForDecodingAgain();
  TDecodedAgain Again;
  return DecodeAgain(Frame, *Copy, Again) ? std::move(Again) : TDecodedAgain();
}

std::vector<const TFrameColumn*> TData::ColumnsOf(std::span<const std::int32_t> Rows, std::uint32_t From) {
  for (const std::int32_t Row : Rows) Columns.Use(Row, From);
  // The columns that lag as far, filled up together.
  for (std::vector<std::int32_t> Behind = Columns.Behind(); !Behind.empty();) {
    const std::uint32_t From = Columns.Column(Behind.front())->Covered;
    std::vector<std::int32_t> Together;
    std::erase_if(Behind, [&](std::int32_t Row) {
      if (Columns.Column(Row)->Covered != From) return false;
      Together.push_back(Row);
      return true;
    });
    FillColumns(Together, From);
  }
  std::vector<const TFrameColumn*> Taken;
  for (const std::int32_t Row : Rows)
    if (const TFrameColumn* Column = Columns.Column(Row)) Taken.push_back(Column);
  return Taken;
}

void TData::FillColumns(const std::vector<std::int32_t>& Rows, std::uint32_t From) {
  for (const TFrameColumns& Part : DecodeColumns(Rows, From, Columns.Next())) Columns.Append(Part, Part.First());
}

std::vector<TFrameColumns> TData::DecodeColumns(const std::vector<std::int32_t>& Rows, std::uint32_t From,
                                                std::uint32_t To) const {
  // Parts of at least FillPartFrames BaseFrames, one per thread.
  const std::vector<std::size_t> Starts = PartStarts(From, To, FillPartFrames, Threads);
  const std::size_t Count = Starts.size() - 1;
  std::vector<TFrameColumns> Parts(Count);
  RunParts(Count, [&](std::size_t Part) {
    const std::unique_ptr<TDecodingCopy> Copy = CopyForDecodingAgain();
    if (Copy->Definition) Copy->Definition->DeferUnused(Rows);
    TDecodedAgain Again;
    // Rows that read alone take their values without the trees.
    TRowsAlone Alone;
    if (Copy->Definition &&
        std::ranges::all_of(Rows, [&](std::int32_t Row) { return Copy->Definition->ReadsAlone(Row); })) {
      Alone.Wanted.resize(Definition.Entries.size());
      for (const std::int32_t Row : Rows) Alone.Wanted[static_cast<std::size_t>(Row)] = 1;
    }
    // Made and filled on this thread: the parts lie side by side, and
    // writing them in place would pass their cache lines between the cores.
    TFrameColumns Taken = Columns.Fresh(static_cast<std::uint32_t>(Starts[Part]), &Rows);
    while (Taken.Next() < Starts[Part + 1]) {
      if (!Alone.Wanted.empty() && ReadAlone(Taken.Next(), Alone, *Copy)) {
        Taken.TakeValues(Alone.Values);
        continue;
      }
      bool Decoded = false;
      try {
        Decoded = DecodeAgain(Taken.Next(), *Copy, Again);
      } catch (const std::exception&) {
        // Out of memory, say: the BaseFrame gives no values, the others do.
      }
      Taken.Take(Decoded ? Again.Root : nullptr);
    }
    Parts[Part] = std::move(Taken);
  });
  return Parts;
}

std::int64_t TData::SerialOf(std::uint32_t Frame, std::uint32_t Place) const {
  return Frame < Records.size() ? Serials.Numbering(Records[Frame].FirstSerial + Place) : 0;
}

std::unique_ptr<TData::TDecodingCopy> TData::CopyForDecodingAgain() const {
  auto Copy = std::make_unique<TDecodingCopy>();
  if (Definition.Copyable()) Copy->Definition = Definition.CopyFor(Copy->Messages);
  // The trees decoded again hold every value, whatever the pass left.
  if (Copy->Definition) Copy->Definition->DeferNone();
  Copy->Reach = DecodingReach(Definition);
  Copy->Length = Definition.GetFrameLength(BaseFrameName);
  Copy->RootRow = static_cast<std::int16_t>(Definition.FindFrame(BaseFrameName));
  return Copy;
}

bool TData::DecodeAgain(std::size_t Frame, TDecodingCopy& Copy, TDecodedAgain& Into) const {
  Into.Root = nullptr;
  if (Frame >= Records.size() || !Copy.Definition) return false;
  TFramesDefinition& Decoder = *Copy.Definition;
  // The messages of the BaseFrames before would shift the numbers of its own.
  Copy.Messages.clear();
  const TFrameRecord& Record = Records[Frame];
  if (!ReadAgain(Record.Position, PassOf(Frame), Copy, Into)) return false;
  TSerialCounter Serial{Record.FirstSerial, Serials.Numbering};
  TSerialCounter* const Numbering = Decoder.Serials;
  Decoder.Serials = &Serial;
  Decoder.NumberMessagesFrom(static_cast<std::size_t>(Record.FirstMessage));
  if (Into.Pool) Into.Pool->Rollback(0);
  else Into.Pool = std::make_unique<TNodePool>(Into.Image.get(), true);
  const TLogCapture Silent;
  const TFrameDecoding Decoding = DecodeBaseFrame(Decoder, *Into.Image, Record.Position - Into.Origin, Record.Position,
                                                  false, *Into.Pool, FileName);
  Decoder.Serials = Numbering;
  if (Decoding.Outcome != TFrameOutcome::Decoded) return false;
  Into.Root = Into.Pool->New();
  Into.Root->SerialNo = Serial.Take();
  Into.Root->Child = Decoding.Child;
  Into.Root->Position = Record.Position;
  Into.Root->DefIndex = Copy.RootRow;
  return true;
}

const TData::TRecordedPass& TData::PassOf(std::size_t Frame) const {
  return *(std::upper_bound(RecordedPasses.begin(), RecordedPasses.end(), Frame,
                            [](std::size_t At, const TRecordedPass& Next) { return At < Next.FirstRecord; }) -
           1);
}

bool TData::ReadAlone(std::uint32_t Frame, TRowsAlone& Rows, TDecodingCopy& Copy) const {
  if (Frame >= Records.size()) return false;
  const TFrameRecord& Record = Records[Frame];
  if (Record.Shape < 0) return false;
  const auto Shape = static_cast<std::size_t>(Record.Shape);
  if (Rows.Fields.size() <= Shape) Rows.Fields.resize(Shape + 1);
  std::optional<std::vector<TShapeField>>& Fields = Rows.Fields[Shape];
  if (!Fields) Fields = FrameShapes.Fields(Record.Shape, Rows.Wanted);
  Rows.Values.clear();
  // A BaseFrame without those rows gives no values, read or not.
  if (Fields->empty()) return true;
  const std::optional<TDataWindow> Window = WindowAgain(Record.Position, PassOf(Frame), Copy);
  if (!Window) return false;
  const std::int64_t Base = Record.Position - Window->Origin;
  for (const TShapeField& Field : *Fields) {
    const std::optional<double> Value =
        Copy.Definition->ValueAlone(Window->Bytes, Base + Field.Base, Field.Row, Rows.Known);
    if (!Value) return false;
    Rows.Values.push_back({Field.Row, Field.Place, *Value});
  }
  return true;
}

bool TData::ReadAgain(std::int64_t Position, const TRecordedPass& Pass, TDecodingCopy& Copy,
                      TDecodedAgain& Again) const {
  const std::optional<TDataWindow> Window = WindowAgain(Position, Pass, Copy);
  if (!Window) return false;
  if (!Again.Image) Again.Image = std::make_unique<TMemoryStream>();
  Again.Origin = Window->Origin;
  Again.Image->Bytes.assign(Window->Bytes.begin(), Window->Bytes.end());
  return true;
}

std::optional<TData::TDataWindow> TData::WindowAgain(std::int64_t Position, const TRecordedPass& Pass,
                                                     TDecodingCopy& Copy) const {
  // The data then: the image or the file may have grown or been replaced since.
  const bool Same =
      Pass.Replaced == PublishedReplaced && (!Pass.File || (PublishedFile && Pass.File->SameFile(*PublishedFile)));
  // A file read in pieces is kept open: its bytes stay as they were unless
  // it was written anew under its name.
  const bool Rewritten = !Same && PublishedFile && Pass.Opened && Pass.Opened->Look().SameFile(*PublishedFile);
  if (Pass.Pieces ? !Pass.Opened || Rewritten : !Same) return std::nullopt;
  const auto [Start, Stop] =
      WholeWords(Pass, Position + Copy.Reach.Before, Position + std::max(Copy.Length, Copy.Reach.After));
  const std::int64_t Count = std::max<std::int64_t>(0, Stop - Start);
  // The whole-file mode's image holds the data as read, word-swapped.
  if (!Pass.Pieces) {
    if (Stop < Start || Stop > Image.Size()) return std::nullopt;
    return TDataWindow{std::span(Image.Bytes).subspan(static_cast<std::size_t>(Start), static_cast<std::size_t>(Count)),
                       Start};
  }
  const std::optional<std::span<const std::uint8_t>> Held = ReadAhead(Pass, Start, Count, Copy);
  if (!Held) return std::nullopt;
  return TDataWindow{*Held, Start};
}

std::pair<std::int64_t, std::int64_t> TData::WholeWords(const TRecordedPass& Pass, std::int64_t Start,
                                                        std::int64_t Stop) {
  Stop = std::min(Pass.DataEnd, Stop);
  if (Stop < Pass.DataEnd && Pass.Pairing.WordStart(Stop) != Stop) ++Stop;
  return {Pass.Pairing.WordStart(std::max<std::int64_t>(0, Start)), Stop};
}

bool TData::ReadPassWords(const TRecordedPass& Pass, std::int64_t Start, std::span<std::uint8_t> Bytes) {
  const auto Count = static_cast<std::int64_t>(Bytes.size());
  if (!Pass.Opened || Pass.Opened->ReadAt(Bytes.data(), Count, Start) != Count) return false;
  Pass.Pairing.Swap(Bytes, Start);
  return true;
}

std::optional<std::span<const std::uint8_t>> TData::ReadAhead(const TRecordedPass& Pass, std::int64_t Start,
                                                              std::int64_t Count, TDecodingCopy& Copy) {
  if (!Pass.Opened) return std::nullopt;
  const auto Held = [&] {
    const auto AheadEnd = Copy.AheadStart + static_cast<std::int64_t>(Copy.Ahead.size());
    if (Copy.AheadFile != Pass.Opened || Start < Copy.AheadStart || Start + Count > AheadEnd) return false;
    // Passes may pair the same bytes differently (after a stray byte that
    // only a later one found) and end their data elsewhere (a last byte
    // without its partner stays as it is).
    const TWordPairing& Swapped = Copy.AheadPairing;
    const std::int64_t Stop = Start + Count;
    return Swapped.WordStart(Start) == Start && (Stop == AheadEnd || Swapped.WordStart(Stop) == Stop) &&
           std::ranges::equal(Swapped.StartsWithin(Start, Stop), Pass.Pairing.StartsWithin(Start, Stop));
  };
  if (!Held()) {
    constexpr std::int64_t AheadBytes = std::int64_t{1} << 18;
    Copy.Ahead.resize(static_cast<std::size_t>(std::max(Count, std::min(AheadBytes, Pass.DataEnd - Start))));
    const std::int64_t Read =
        Pass.Opened->ReadAt(Copy.Ahead.data(), static_cast<std::int64_t>(Copy.Ahead.size()), Start);
    Copy.Ahead.resize(static_cast<std::size_t>(std::max<std::int64_t>(0, Read)));
    // Swapped once, also when cut short: the words of a part from a word
    // start pair as they would alone.
    Pass.Pairing.Swap(Copy.Ahead, Start);
    Copy.AheadStart = Start;
    Copy.AheadFile = Pass.Opened;
    Copy.AheadPairing = Pass.Pairing.Within(Start, Start + static_cast<std::int64_t>(Copy.Ahead.size()));
    if (!Held()) return std::nullopt;
  }
  return std::span<const std::uint8_t>(Copy.Ahead)
      .subspan(static_cast<std::size_t>(Start - Copy.AheadStart), static_cast<std::size_t>(Count));
}

bool TData::ReadData(std::int64_t Start, std::span<std::uint8_t> Into) const {
  const auto Stop = Start + static_cast<std::int64_t>(Into.size());
  if (RecordedPasses.empty() || !RecordedPasses.back().Pieces) return Image.ReadAt(Start, Into.data(), Stop - Start);
  const TRecordedPass& Last = RecordedPasses.back();
  if (Start < 0 || Stop > Last.DataEnd) return false;
  // Whole words, so that the bytes pair as the pass paired them.
  const auto [From, To] = WholeWords(Last, Start, Stop);
  std::vector<std::uint8_t> Words(static_cast<std::size_t>(To - From));
  if (!ReadPassWords(Last, From, Words)) return false;
  std::copy_n(Words.begin() + (Start - From), Into.size(), Into.begin());
  return true;
}
