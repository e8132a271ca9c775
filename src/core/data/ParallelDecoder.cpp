#include "data/ParallelDecoder.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

#include "common/Log.h"
#include "common/Threads.h"
#include "data/BaseFrameStep.h"

namespace {

// BaseFrames a chunk needs to be worth a thread of its own: with a number of
// threads asked for, a few; with one per core, enough that the unfilled end
// of the chunk's last node block (up to 2 MiB, kept as long as the holder)
// is small beside its nodes, also over the many passes of a tracked file.
constexpr std::int64_t MinChunkFrames = 8;
constexpr std::int64_t MinAutomaticChunkFrames = 4096;

}  // namespace

// The BaseFrames [Start, End) of the data, decoded on a thread of their own.
// On cache lines of its own: each thread writes its chunk for every BaseFrame.
struct alignas(64) TParallelDecoder::TChunk {
  std::int64_t Start = 0;
  std::int64_t End = 0;
  std::vector<std::string> Messages;
  std::unique_ptr<TFramesDefinition> Definition;  // copied on its thread
  TNodePool* Pool = nullptr;
  std::size_t FirstNode = 0;             // of the chunk in Pool
  std::unique_ptr<TNodePool> OwnPool;    // unless streamed
  std::vector<TDecodedNode*> Roots;      // without a sink
  std::vector<TFrameRecord> Records;     // of Roots as the run asks, numbered from 0
  std::unique_ptr<TFrameShapes> Shapes;  // of Records, numbered from 0
  TFrameColumns Columns;                 // of Records, numbered from 0
  std::unique_ptr<TChunkSink> Sink;      // takes the BaseFrames instead
  std::int64_t Taken = 0;                // by the sink
  std::int64_t Frames = 0;               // decoded, not taken by the sink
  TSerialCounter Serials;                // of the nodes decoded, numbered from 0
  // The nodes of TEXT rows holding a message index, to be moved behind the
  // messages of the chunks before.
  std::vector<TDecodedNode*> TextNodes;
  TFrameLayout Layout;                                        // of the BaseFrame decoded last, for its record
  std::vector<std::pair<TLogLevel, std::string>> Log;         // each text once
  std::vector<std::pair<std::string, std::int64_t>> Repeats;  // of texts in Log
  std::int64_t Reached = 0;                                   // where the chunk's BaseFrames ended
  bool Stopped = false;                                       // the pass ends at Reached
  std::exception_ptr Failure;                                 // of its thread, thrown on the pass's thread
  std::atomic<std::int64_t> Handled = 0;
};

// What the threads share: the chunks, the data, the BaseFrame layout and
// the earliest chunk that stopped, after which no chunk counts.
class TParallelDecoder::TChunkPass {
 public:
  TChunkPass(std::vector<TChunk> Chunks, const TFramesDefinition& Definition, const TPassReader& Reader,
             const std::string& FileName, const TParallelRun& Run)
      : Chunks(std::move(Chunks)),
        Definition(Definition),
        Reader(Reader),
        FileName(FileName),
        Run(Run),
        FirstStopped(this->Chunks.size()) {}

  std::vector<TChunk> Chunks;
  const TFramesDefinition& Definition;  // copied by each chunk
  const TPassReader& Reader;
  const std::string& FileName;
  const TParallelRun& Run;
  std::atomic<std::size_t> FirstStopped;
  std::mutex Mutex;
  std::condition_variable ChunkDone;
  std::size_t Finished = 0;

  // Decodes chunk Index, on its thread.
  void Decode(std::size_t Index) {
    TChunk& Chunk = Chunks[Index];
    {
      TLogCapture Capture;
      TLogDedup Dedup;
      try {
        CopyAndDecode(Chunk, Index);
      } catch (...) {
        Chunk.Failure = std::current_exception();
        Chunk.Stopped = true;
      }
      if (Chunk.Stopped) NoteStop(Index);
      Chunk.Repeats = Dedup.TakeRepeats();
      Chunk.Log = std::move(Capture.Entries);
    }
    const std::lock_guard Lock(Mutex);
    ++Finished;
    ChunkDone.notify_one();
  }

  // Numbers the nodes of the first Counted chunks, each numbered from 0, by
  // Numberings[I] for chunk I; each thread takes a share of every chunk, in
  // memory order.
  void RenumberSerials(std::size_t Counted, const std::vector<TSerialNumbering>& Numberings) {
    const std::size_t Parts = Chunks.size();
    RunParts(Parts, [this, Counted, &Numberings, Parts](std::size_t Part) {
      for (std::size_t I = 0; I < Counted; ++I) {
        const TChunk& Chunk = Chunks[I];
        const TSerialNumbering& Numbering = Numberings[I];
        if (Numbering.From == 0 && Chunk.Serials.Next <= Numbering.Limit) continue;  // numbered already
        const std::size_t Nodes = Chunk.Pool->Size() - Chunk.FirstNode;
        Chunk.Pool->RenumberSerials(Chunk.FirstNode + Nodes * Part / Parts,
                                    Chunk.FirstNode + Nodes * (Part + 1) / Parts, Numbering);
      }
    });
  }

  // The BaseFrame positions handled by the chunks so far.
  std::int64_t Handled() const {
    std::int64_t Done = 0;
    for (const TChunk& Chunk : Chunks) Done += Chunk.Handled.load();
    return Done;
  }

 private:
  // Decodes the chunk with a copy of the definition made on its own thread,
  // so that the copy's memory lies apart from the other threads'.
  void CopyAndDecode(TChunk& Chunk, std::size_t Index) {
    Chunk.Reached = Chunk.Start;
    Chunk.Definition = Definition.CopyFor(Chunk.Messages);
    Chunk.Definition->Serials = &Chunk.Serials;
    Chunk.Definition->TextNodes = Chunk.Sink || !Run.TreesRead ? nullptr : &Chunk.TextNodes;
    if (Run.Records) Chunk.Shapes = std::make_unique<TFrameShapes>(*Chunk.Definition);
    if (Run.Records && !Chunk.Sink) {
      Chunk.Layout.MakesNodes = Run.TreesRead;
      Chunk.Definition->Layout = &Chunk.Layout;
    }
    try {
      DecodeFrames(Chunk, Index);
    } catch (const std::exception& Error) {
      AddEntry(llError, "Decoding stopped at BaseFrame position " + std::to_string(Chunk.Reached) + " of " + FileName +
                            ": " + Error.what());
      Chunk.Stopped = true;
    }
  }

  void DecodeFrames(TChunk& Chunk, std::size_t Index) {
    for (; Chunk.Reached < Chunk.End && FirstStopped.load() > Index; Chunk.Reached += Run.Length) {
      const std::size_t NodesBefore = Chunk.Pool->Size();
      Chunk.Layout.Clear();
      TFrameRecord Record{Chunk.Reached, Chunk.Serials.Next,
                          static_cast<std::int64_t>(Chunk.Definition->DecodedMessages())};
      const auto [Outcome, Child] = DecodeBaseFrame(*Chunk.Definition, Reader.Image(), Chunk.Reached - Reader.Origin(),
                                                    Chunk.Reached, Run.IdCheck, *Chunk.Pool, FileName);
      if (Outcome == TFrameOutcome::Stopped) {
        Chunk.Stopped = true;
        return;
      }
      if (Outcome == TFrameOutcome::InvalidId) WarnInvalidId(Chunk.Reached);
      else if (Chunk.Sink) HandToSink(Chunk, NewRoot(Chunk, Child), NodesBefore);
      else Keep(Chunk, Record, NewRoot(Chunk, Child), NodesBefore);
      ++Chunk.Handled;
    }
  }

  TDecodedNode* NewRoot(TChunk& Chunk, TDecodedNode* Child) const {
    TDecodedNode* Root = Chunk.Pool->New();
    Root->Child = Child;
    Root->Position = Chunk.Reached;
    Root->DefIndex = Run.RootDefIndex;
    Root->SerialNo = Chunk.Serials.Take();
    return Root;
  }

  void Keep(TChunk& Chunk, TFrameRecord& Record, TDecodedNode* Root, std::size_t NodesBefore) const {
    if (Run.Records) {
      Chunk.Shapes->Note(Chunk.Layout, Record);
      Chunk.Columns.Take(Chunk.Layout, Run.RootDefIndex);
      Chunk.Records.push_back(Record);
    }
    ++Chunk.Frames;
    if (Run.TreesRead) {
      // Linked here, while the roots are in the cache; streamed roots are
      // handed over one by one.
      if (!Run.Streamed && !Chunk.Roots.empty()) Chunk.Roots.back()->Next = Root;
      Chunk.Roots.push_back(Root);
    } else {
      // Its nodes are used again, still in the cache, by the next BaseFrame.
      Chunk.Pool->Rollback(NodesBefore);
    }
  }

  static void HandToSink(TChunk& Chunk, TDecodedNode* Root, std::size_t NodesBefore) {
    Chunk.Sink->Take(*Root, Chunk.Messages);
    ++Chunk.Taken;
    Chunk.Pool->Rollback(NodesBefore);
  }

  void NoteStop(std::size_t Index) {
    std::size_t Earliest = FirstStopped.load();
    while (Index < Earliest && !FirstStopped.compare_exchange_weak(Earliest, Index)) {
    }
  }
};

namespace {

// The threads of the chunks: on every way out, the chunks still running are
// told to stop and every thread is joined.
class TChunkThreads {
 public:
  explicit TChunkThreads(std::atomic<std::size_t>& FirstStopped) : FirstStopped(FirstStopped) {}
  ~TChunkThreads() {
    if (!Joined) FirstStopped = 0;
  }
  TChunkThreads(const TChunkThreads&) = delete;
  TChunkThreads& operator=(const TChunkThreads&) = delete;

  void Start(std::function<void()> Work) { Workers.emplace_back(std::move(Work)); }
  void Join() {
    for (std::jthread& Worker : Workers) Worker.join();
    Joined = true;
  }

 private:
  std::atomic<std::size_t>& FirstStopped;
  bool Joined = false;
  // Joined by their destructors after the stop above.
  std::vector<std::jthread> Workers;
};

}  // namespace

TParallelOutcome TParallelDecoder::Decode(const TParallelRun& Run, TPassProgress& Progress,
                                          const std::function<bool()>& Meanwhile) {
  const std::int64_t Frames = (Run.End - Run.Position) / Run.Length;
  const auto Cores = static_cast<std::int64_t>(ThreadCount(Run.Threads));
  const std::int64_t MinFrames = Run.Threads > 0 ? MinChunkFrames : MinAutomaticChunkFrames;
  const auto Count = static_cast<std::size_t>(std::min(Cores, Frames / MinFrames));
  if (Count < 2 || !Definition.Copyable()) return {};
  TChunkPass Pass(MakeChunks(Run, Count), Definition, Reader, FileName, Run);
  Progress.Refresh(Run.Position, Run.Handled);
  bool Counts = false;
  try {
    Counts = RunChunks(Pass, Run, Progress, Meanwhile);
  } catch (...) {
    for (TChunk& Chunk : Pass.Chunks) Release(Chunk, Run.Streamed);
    throw;
  }
  for (const TChunk& Chunk : Pass.Chunks)
    if (Chunk.Failure) {
      for (TChunk& Each : Pass.Chunks) Release(Each, Run.Streamed);
      std::rethrow_exception(Chunk.Failure);
    }
  // Chunks up to the first that stopped count; the memory of the others is
  // used again.
  std::size_t Counted = Counts ? std::min(Count, Pass.FirstStopped.load() + 1) : 0;
  for (std::size_t I = 0; I < Counted; ++I)
    if (Pass.Chunks[I].Definition->TextIndexUsed()) Counted = 0;
  return Collect(Pass, Run, Counted);
}

std::vector<TParallelDecoder::TChunk> TParallelDecoder::MakeChunks(const TParallelRun& Run, std::size_t Count) {
  const std::int64_t Frames = (Run.End - Run.Position) / Run.Length;
  std::vector<TChunk> Chunks(Count);
  for (std::size_t I = 0; I < Count; ++I) {
    TChunk& Chunk = Chunks[I];
    const auto Part = [&](std::size_t At) {
      return Run.Position + Frames * static_cast<std::int64_t>(At) / static_cast<std::int64_t>(Count) * Run.Length;
    };
    Chunk.Start = Part(I);
    Chunk.End = Part(I + 1);
    if (Run.Records) Chunk.Columns = Columns.Fresh(0);
    if (!Run.Streamed) {
      Chunk.OwnPool = std::make_unique<TNodePool>(Pool);
      Chunk.Pool = Chunk.OwnPool.get();
    } else {
      if (StreamPools.size() == I) StreamPools.push_back(std::make_unique<TNodePool>(Pool));
      Chunk.Pool = StreamPools[I].get();
      if (Run.NewSink) Chunk.Sink = Run.NewSink();
    }
    Chunk.FirstNode = Chunk.Pool->Size();
  }
  return Chunks;
}

bool TParallelDecoder::RunChunks(TChunkPass& Pass, const TParallelRun& Run, TPassProgress& Progress,
                                 const std::function<bool()>& Meanwhile) {
  TChunkThreads Threads(Pass.FirstStopped);
  try {
    for (std::size_t I = 0; I < Pass.Chunks.size(); ++I) Threads.Start([&Pass, I] { Pass.Decode(I); });
  } catch (const std::system_error&) {
    // Too few threads to be had: the chunks started stop at once.
    return false;
  }
  // The chunks stop at once when Meanwhile says no.
  const bool GoOn = !Meanwhile || Meanwhile();
  if (!GoOn) Pass.FirstStopped = 0;
  Watch(Pass, Run, Progress);
  Threads.Join();
  return GoOn;
}

void TParallelDecoder::Watch(TChunkPass& Pass, const TParallelRun& Run, TPassProgress& Progress) {
  // The position shown is that of as many BaseFrames as the chunks handled.
  std::int64_t Shown = 0;
  for (std::unique_lock Lock(Pass.Mutex); Pass.Finished < Pass.Chunks.size();) {
    Pass.ChunkDone.wait_for(Lock, Progress.ThreadRefresh());
    const std::int64_t Done = Pass.Handled();
    if (Done == Shown || Pass.Finished == Pass.Chunks.size()) continue;
    Shown = Done;
    Lock.unlock();
    Progress.Refresh(Run.Position + Done * Run.Length, Run.Handled + Done);
    if (Progress.StopAsked()) Pass.FirstStopped = 0;
    Lock.lock();
  }
}

void TParallelDecoder::Release(TChunk& Chunk, bool Streamed) {
  if (!Chunk.Pool) return;
  if (Streamed) Chunk.Pool->Rollback(0);
  else Pool.Reuse(*Chunk.Pool);
  Chunk.Pool = nullptr;
}

TParallelOutcome TParallelDecoder::Collect(TChunkPass& Pass, const TParallelRun& Run, std::size_t Counted) {
  for (std::size_t I = Counted; I < Pass.Chunks.size(); ++I) Release(Pass.Chunks[I], Run.Streamed);
  TParallelOutcome Outcome;
  Outcome.Decoded = Counted > 0;
  Outcome.Position = Run.Position;
  Outcome.Handled = Run.Handled;
  TSerialCounter& Serials = *Definition.Serials;
  // The serial numbers follow from the node counts of the chunks before.
  std::vector<TSerialNumbering> Numberings;
  for (std::size_t I = 0; I < Counted; ++I) {
    TChunk& Chunk = Pass.Chunks[I];
    const std::size_t FirstMessage = Definition.AppendMessages(Chunk.Messages);
    for (TDecodedNode* Node : Chunk.TextNodes) Node->RawValue += static_cast<double>(FirstMessage);
    for (const auto& [Level, Text] : Chunk.Log) AddEntry(Level, Text);
    for (const auto& [Text, Repeats] : Chunk.Repeats) AddRepeats(Text, Repeats);
    if (!Run.Streamed && !Outcome.Roots.empty() && !Chunk.Roots.empty())
      Outcome.Roots.back()->Next = Chunk.Roots.front();
    Outcome.Roots.insert(Outcome.Roots.end(), Chunk.Roots.begin(), Chunk.Roots.end());
    Outcome.Frames += Chunk.Frames;
    const std::vector<std::int32_t> Shapes =
        Chunk.Records.empty() ? std::vector<std::int32_t>{} : this->Shapes.Merge(*Chunk.Shapes);
    Columns.Append(Chunk.Columns);
    for (TFrameRecord Record : Chunk.Records) {
      Record.FirstSerial += Serials.Next;
      if (Record.Shape >= 0) Record.Shape = Shapes[static_cast<std::size_t>(Record.Shape)];
      Record.FirstMessage += static_cast<std::int64_t>(FirstMessage);
      Outcome.Records.push_back(Record);
    }
    if (Chunk.Sink)
      Outcome.Joins.push_back({std::move(Chunk.Sink), Serials.Numbering.After(Serials.Next), Chunk.Taken});
    Outcome.Handled += Chunk.Handled.load();
    Outcome.Position = Chunk.Reached;
    Numberings.push_back(Serials.Numbering.After(Serials.Next));
    Serials.Next += Chunk.Serials.Next;
  }
  // A sink's BaseFrames are numbered when it is joined.
  if (Run.TreesRead && (!Run.Streamed || !Run.NewSink)) Pass.RenumberSerials(Counted, Numberings);
  return Outcome;
}

void TParallelDecoder::EmptyStreamPools(bool Release) {
  for (const std::unique_ptr<TNodePool>& Chunk : StreamPools) {
    Chunk->Rollback(0);
    if (Release) Chunk->ReleaseUnused();
  }
}
