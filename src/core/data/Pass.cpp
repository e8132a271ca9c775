#include "data/Pass.h"

#include <algorithm>
#include <optional>

#include "common/Log.h"
#include "data/BaseFrameStep.h"
#include "data/Data.h"
#include "structure/ByteBit.h"
#include "structure/InstrumentNames.h"

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

TPass::TPass(TData& Data, bool IdCheck, TPassProgress& Progress)
    : Data(Data),
      Progress(Progress),
      Sinks(Data.OnFrames, Data.FileName),
      IdCheck(IdCheck),
      MayParallel(!(IdCheck && Data.Resync)),
      // The image holds all the data unless streaming, so that Holds is always true.
      Reach(Data.Reader.Streaming() ? DecodingReach(Data.Definition) : TReach{}),
      MarkerReach(IdCheck && Data.Resync ? 4 : 0),
      RootDefIndex(static_cast<std::int16_t>(Data.Definition.FindFrame(BaseFrameName))),
      PoolMark(Data.Pool.Mark()) {
  End.Position = Data.ProcessedSize;
  TakeLength();
  if (MakesRecords(Streaming())) {
    Layout.MakesNodes = ReadsTrees(Streaming());
    Data.Definition.Layout = &Layout;
  }
}

TPass::~TPass() { Data.Definition.Layout = nullptr; }

TPassEnd TPass::Run() {
  const bool Parallel = !Streaming() && MayParallel && DecodeWholeInParallel();
  while (!Parallel && Data.Reader.DataEnd() - End.Position >= Length) {
    if (Progress.RefreshAsksStop(End.Position, End.Handled)) break;
    if (Streaming() && Data.Enough && Data.Enough()) {
      End.Enough = true;
      break;
    }
    if (!Holds(End.Position)) {
      const TPieceStep Step = ReadPiece();
      if (Step == TPieceStep::Stop) break;
      if (Step == TPieceStep::Next) continue;
    }
    if (!Sinks.JoinBehind() || !StepFrame()) break;
  }
  Sinks.JoinBehind();
  End.HandedOver = Sinks.HandedOver();
  // Also the nodes of a decoding that failed; the memory of a piece's trees
  // is not kept between passes.
  if (Streaming()) {
    Data.Pool.Rollback(PoolMark);
    Data.Pool.ReleaseUnused();
    Data.Decoder.EmptyStreamPools(true);
  }
  return End;
}

bool TPass::Streaming() const { return Data.Reader.Streaming(); }

bool TPass::MakesRecords(bool Streamed) const { return !Streamed || Data.IndexesPieces(); }

// Streamed BaseFrames that no one takes need no tree.
bool TPass::ReadsTrees(bool Streamed) const { return !Streamed || static_cast<bool>(Data.OnFrames); }

bool TPass::Holds(std::int64_t Frame) const { return Data.Reader.Holds(Frame + Reach.Before, Frame + ReachAfter()); }

std::int64_t TPass::ReachAfter() const { return std::max<std::int64_t>(Length + MarkerReach, Reach.After); }

void TPass::TakeLength() { Length = Data.Definition.GetFrameLength(BaseFrameName); }

TParallelRun TPass::ParallelRun(std::int64_t Stop, bool Streamed) const {
  return {.Position = End.Position,
          .End = Stop,
          .Length = Length,
          .IdCheck = IdCheck,
          .RootDefIndex = RootDefIndex,
          .Handled = End.Handled,
          .Threads = Data.Threads,
          .Streamed = Streamed,
          .Records = MakesRecords(Streamed),
          .TreesRead = ReadsTrees(Streamed),
          .NewSink = Streamed ? Data.NewChunkSink : nullptr};
}

bool TPass::DecodeWholeInParallel() {
  TParallelOutcome Outcome = Data.Decoder.Decode(ParallelRun(Data.Reader.DataEnd(), false), Progress, {});
  if (!Outcome.Decoded) return false;
  End.Position = Outcome.Position;
  End.Handled = Outcome.Handled;
  if (!Outcome.Roots.empty()) Data.AppendRoots(Outcome.Roots.front(), Outcome.Roots.back(), Outcome.Records);
  return true;
}

TPass::TPieceStep TPass::ReadPiece() {
  // The next piece: about StreamPieceBytes of whole BaseFrames from Position
  // on (more when one's reach is longer) and the bytes their decoding
  // reaches, in whole words.
  const std::int64_t DataEnd = Data.Reader.DataEnd();
  const std::int64_t Frames = std::clamp<std::int64_t>(
      std::max(Data.StreamPieceBytes, Reach.After - Reach.Before) / Length, 1, DataEnd / Length + 1);
  const std::int64_t PieceEnd = std::min(DataEnd, End.Position + (Frames - 1) * Length + ReachAfter());
  // With joins behind, the entries of a read that fails come after them, as
  // without; a join that fails ends the pass before the read.
  std::optional<TLogCapture> ReadLog;
  if (Sinks.Deferred()) ReadLog.emplace();
  const bool Read = Streaming() && Data.Reader.ReadWords(End.Position + Reach.Before, PieceEnd);
  if (ReadLog) {
    const std::vector<std::pair<TLogLevel, std::string>> Entries = std::move(ReadLog->Entries);
    ReadLog.reset();
    if (!Read && !Sinks.JoinBehind()) return TPieceStep::Stop;
    for (const auto& [Level, Text] : Entries) AddEntry(Level, Text);
  }
  if (!Read || Data.Reader.DataEnd() - End.Position < Length) return TPieceStep::Stop;
  return MayParallel ? DecodePiece() : TPieceStep::OneThread;
}

TPass::TPieceStep TPass::DecodePiece() {
  // The BaseFrames whose decoding the piece holds.
  std::int64_t PieceEnd = End.Position;
  while (Data.Reader.DataEnd() - PieceEnd >= Length && Holds(PieceEnd)) PieceEnd += Length;
  const std::int64_t From = End.Position;
  TParallelOutcome Outcome =
      Data.Decoder.Decode(ParallelRun(PieceEnd, true), Progress, [this] { return Sinks.JoinBehind(); });
  // Its chunks were forgotten when the joins before failed.
  if (!Outcome.Decoded) return Sinks.HandedOver() ? TPieceStep::OneThread : TPieceStep::Stop;
  End.Position = Outcome.Position;
  End.Handled = Outcome.Handled;
  Data.NewCount += Outcome.Frames;
  Data.NewRecords.insert(Data.NewRecords.end(), Outcome.Records.begin(), Outcome.Records.end());
  for (const TChunkJoin& Join : Outcome.Joins) Data.NewCount += Join.Frames;
  if (Data.Reader.DataEnd() - End.Position >= Length && End.Position == PieceEnd && TPassSinks::MayDefer(Outcome.Joins))
    Sinks.Defer(From, std::move(Outcome.Joins));
  else Sinks.HandOver(From, Outcome.Roots, Outcome.Joins);
  Data.Decoder.EmptyStreamPools();
  Data.Pool.Rollback(PoolMark);
  // A chunk stopped where Position stands.
  if (!Sinks.HandedOver() || End.Position < PieceEnd) return TPieceStep::Stop;
  TakeLength();
  return TPieceStep::Next;
}

bool TPass::StepFrame() {
  const std::int64_t Position = End.Position;
  std::int64_t Next = Position + Length;
  if (IdCheck && !HoldsBaseFrameId(Data.Reader.Image(), Position - Data.Reader.Origin())) {
    if (!Data.Resync) {
      WarnInvalidId(Position);
    } else {
      Next = Data.Framer.Resynchronise(Position, Data.StreamPieceBytes);
      End.Unsynced = Next < 0;
      if (End.Unsynced) return false;
    }
  } else if (const std::int64_t Marker =
                 MarkerReach > 0 ? Data.Framer.ShortFrameEnd(Position, Length, Data.StreamPieceBytes) : -1;
             Marker >= 0) {
    Next = Marker;
  } else if (!DecodeFrame()) {
    return false;
  }
  ++End.Handled;
  End.Position = Next;
  TakeLength();
  return Sinks.HandedOver();
}

bool TPass::DecodeFrame() {
  const std::int64_t Position = End.Position;
  TFrameRecord Record{Position, Data.Serials.Next, static_cast<std::int64_t>(Data.Definition.DecodedMessages())};
  Layout.Clear();
  const auto [Outcome, Child] = DecodeBaseFrame(Data.Definition, Data.Reader.Image(), Position - Data.Reader.Origin(),
                                                Position, IdCheck, Data.Pool, Data.FileName);
  if (Outcome == TFrameOutcome::Stopped) return false;
  TDecodedNode* Root = Data.NewRoot(Position, Child, RootDefIndex);
  if (MakesRecords(Streaming())) {
    Data.FrameShapes.Note(Layout, Record);
    Data.NewColumns.Take(Layout, RootDefIndex);
  }
  if (!Streaming()) {
    Data.AppendRoots(Root, Root, {&Record, 1});
    return true;
  }
  ++Data.NewCount;
  if (Data.IndexesPieces()) Data.NewRecords.push_back(Record);
  Sinks.HandOver(Position, {&Root, 1}, {});
  Data.Pool.Rollback(PoolMark);
  return true;
}
