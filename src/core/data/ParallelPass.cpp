// A whole-file pass over many new BaseFrames, decoded in chunks on several
// threads and joined in file order into what one thread would have made.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "common/Log.h"
#include "common/LoadProgress.h"
#include "common/Threads.h"
#include "data/BaseFrameStep.h"
#include "data/Data.h"

namespace {

// BaseFrames a chunk needs to be worth a thread of its own: with a number of
// threads asked for, a few; with one per core, enough that the unfilled end
// of the chunk's last node block (up to 2 MiB, kept as long as the holder)
// is small beside its nodes, also over the many passes of a tracked file.
constexpr std::int64_t MinChunkFrames = 8;
constexpr std::int64_t MinAutomaticChunkFrames = 4096;

// The BaseFrames [Start, End) of the data, decoded on a thread of their own.
struct TChunk {
  std::int64_t Start = 0;
  std::int64_t End = 0;
  std::vector<std::string> Messages;
  std::unique_ptr<TFramesDefinition> Definition;
  TNodePool* Pool = nullptr;
  std::unique_ptr<TNodePool> OwnPool;  // unless streamed
  std::vector<TDecodedNode*> Roots;  // without a sink
  std::unique_ptr<TChunkSink> Sink;  // takes the BaseFrames instead
  std::int64_t Taken = 0;            // by the sink
  std::int64_t Nodes = 0;            // decoded
  // The nodes of TEXT rows holding a message index, to be moved behind the
  // messages of the chunks before.
  std::vector<TDecodedNode*> TextNodes;
  std::vector<std::pair<TLogLevel, std::string>> Log;  // each text once
  std::vector<std::pair<std::string, std::int64_t>> Repeats;  // of texts in Log
  std::int64_t Reached = 0;  // where the chunk's BaseFrames ended
  bool Stopped = false;      // the pass ends at Reached
  std::atomic<std::int64_t> Handled = 0;
};

// What the threads share: the data, the BaseFrame layout and the earliest
// chunk that stopped, after which no chunk counts.
struct TParallelPass {
  TParallelPass(const TMemoryStream& Image, std::int64_t Origin, const std::string& FileName, std::int32_t Length,
                bool IdCheck, std::int16_t RootDefIndex, std::size_t Chunks)
      : Image(Image),
        Origin(Origin),
        FileName(FileName),
        Length(Length),
        IdCheck(IdCheck),
        RootDefIndex(RootDefIndex),
        FirstStopped(Chunks) {}

  const TMemoryStream& Image;
  std::int64_t Origin;  // the file position of Image's first byte
  const std::string& FileName;
  std::int32_t Length;
  bool IdCheck;
  std::int16_t RootDefIndex;
  std::atomic<std::size_t> FirstStopped;
  std::mutex Mutex;
  std::condition_variable ChunkDone;
  std::size_t Finished = 0;

  void Decode(TChunk& Chunk, std::size_t Index) {
    TLogCapture Capture;
    TLogDedup Dedup;
    Chunk.Reached = Chunk.Start;
    // A sink's BaseFrames are numbered as they are decoded, from 0.
    std::int64_t Serial = 0;
    if (Chunk.Sink) {
      Chunk.Definition->Serials = &Serial;
      Chunk.Definition->TextNodes = nullptr;
    }
    try {
      for (; Chunk.Reached < Chunk.End && FirstStopped.load() > Index; Chunk.Reached += Length) {
        const std::size_t NodesBefore = Chunk.Pool->Size();
        TDecodedNode* Child = nullptr;
        const TFrameOutcome Outcome = DecodeBaseFrame(*Chunk.Definition, Image, Chunk.Reached - Origin, Chunk.Reached,
                                                      IdCheck, *Chunk.Pool, FileName, Child);
        if (Outcome == TFrameOutcome::Stopped) {
          Chunk.Stopped = true;
          break;
        }
        if (Outcome == TFrameOutcome::InvalidId) {
          WarnInvalidId(Chunk.Reached);
        } else {
          TDecodedNode* Root = Chunk.Pool->New();
          Root->Child = Child;
          Root->Position = static_cast<std::int32_t>(Chunk.Reached);
          Root->DefIndex = RootDefIndex;
          Chunk.Nodes += static_cast<std::int64_t>(Chunk.Pool->Size() - NodesBefore);
          if (!Chunk.Sink) {
            Chunk.Roots.push_back(Root);
          } else {
            Root->SerialNo = static_cast<std::int32_t>(Serial++);
            Chunk.Sink->Take(*Root, Chunk.Messages);
            ++Chunk.Taken;
            Chunk.Pool->Rollback(NodesBefore);
          }
        }
        ++Chunk.Handled;
      }
    } catch (const std::exception& Error) {
      AddEntry(llError, "Decoding stopped at BaseFrame position " + std::to_string(Chunk.Reached) + " of " + FileName +
                            ": " + Error.what());
      Chunk.Stopped = true;
    }
    if (Chunk.Stopped) {
      std::size_t Earliest = FirstStopped.load();
      while (Index < Earliest && !FirstStopped.compare_exchange_weak(Earliest, Index)) {
      }
    }
    Chunk.Definition->Serials = nullptr;
    Chunk.Repeats = Dedup.TakeRepeats();
    Chunk.Log = std::move(Capture.Entries);
    const std::lock_guard Lock(Mutex);
    ++Finished;
    ChunkDone.notify_one();
  }
};

// Numbers the nodes of List and their trees from Serial on, children before
// their node.
void NumberTree(TDecodedNode* List, std::int64_t& Serial) {
  for (TDecodedNode* Node = List; Node; Node = Node->Next) {
    NumberTree(Node->Child, Serial);
    Node->SerialNo = static_cast<std::int32_t>(Serial++);
  }
}

// Numbers the roots of the first Counted chunks and their trees, chunk I's
// from Bases[I] on, on a thread per chunk.
void NumberChunks(const std::vector<TChunk>& Chunks, std::size_t Counted, const std::vector<std::int64_t>& Bases) {
  RunParts(Counted, [&Chunks, &Bases](std::size_t I) {
    std::int64_t Serial = Bases[I];
    for (TDecodedNode* Root : Chunks[I].Roots) {
      NumberTree(Root->Child, Serial);
      Root->SerialNo = static_cast<std::int32_t>(Serial++);
    }
  });
}

}  // namespace

bool TData::DecodeInParallel(std::int64_t& Position, std::int64_t DataEnd, std::int32_t Length, bool IdCheck,
                             std::int16_t RootDefIndex, std::int64_t& Handled,
                             const std::function<void(std::int64_t, std::int64_t)>& Show, bool Streamed,
                             std::vector<TDecodedNode*>& Roots, std::vector<TChunkJoin>& Joins,
                             const std::function<bool()>& Meanwhile) {
  const std::int64_t Frames = (DataEnd - Position) / Length;
  const auto Cores = static_cast<std::int64_t>(ThreadCount(Threads));
  const std::int64_t MinFrames = Threads > 0 ? MinChunkFrames : MinAutomaticChunkFrames;
  const std::size_t Count = static_cast<std::size_t>(std::min(Cores, Frames / MinFrames));
  if (Count < 2) return false;
  std::vector<TChunk> Chunks(Count);
  TParallelPass Pass(Image, Origin, FileName, Length, IdCheck, RootDefIndex, Count);
  // The nodes of a chunk that does not count are forgotten.
  const auto Release = [this, Streamed](TChunk& Chunk) {
    if (Streamed)
      Chunk.Pool->Rollback(0);
    else
      Pool.Reuse(*Chunk.Pool);
  };
  for (std::size_t I = 0; I < Count; ++I) {
    TChunk& Chunk = Chunks[I];
    Chunk.Start = Position + Frames * static_cast<std::int64_t>(I) / static_cast<std::int64_t>(Count) * Length;
    Chunk.End = Position + Frames * static_cast<std::int64_t>(I + 1) / static_cast<std::int64_t>(Count) * Length;
    Chunk.Definition = Definition.CopyFor(Chunk.Messages);
    if (!Chunk.Definition) return false;
    Chunk.Definition->TextNodes = &Chunk.TextNodes;
    if (!Streamed) {
      Chunk.OwnPool = std::make_unique<TNodePool>(Pool);
      Chunk.Pool = Chunk.OwnPool.get();
    } else {
      if (StreamPools.size() == I) StreamPools.push_back(std::make_unique<TNodePool>(Pool));
      Chunk.Pool = StreamPools[I].get();
      if (NewChunkSink) Chunk.Sink = NewChunkSink();
    }
  }
  Show(Position, Handled);
  std::vector<std::thread> Workers;
  // The chunks started stop at once and none counts.
  const auto Abandon = [&] {
    Pass.FirstStopped = 0;
    for (std::thread& Worker : Workers) Worker.join();
    for (TChunk& Chunk : Chunks) Release(Chunk);
  };
  try {
    for (std::size_t I = 0; I < Count; ++I) Workers.emplace_back([&Pass, &Chunks, I] { Pass.Decode(Chunks[I], I); });
  } catch (const std::system_error&) {
    // Too few threads to be had.
    Abandon();
    return false;
  }
  // The chunks stop at once when Meanwhile says no; then none counts.
  bool GoOn = true;
  try {
    GoOn = !Meanwhile || Meanwhile();
  } catch (...) {
    Abandon();
    throw;
  }
  if (!GoOn) Pass.FirstStopped = 0;
  // The position shown is that of as many BaseFrames as the chunks handled.
  const std::chrono::milliseconds Refresh = std::max(LoadProgress().RefreshInterval(), std::chrono::milliseconds(10));
  std::int64_t Shown = Handled;
  for (std::unique_lock Lock(Pass.Mutex); Pass.Finished < Count;) {
    Pass.ChunkDone.wait_for(Lock, Refresh);
    std::int64_t Done = Handled;
    for (const TChunk& Chunk : Chunks) Done += Chunk.Handled.load();
    if (Done == Shown || Pass.Finished == Count) continue;
    Shown = Done;
    Lock.unlock();
    Show(Position + (Done - Handled) * Length, Done);
    if (StopAsked()) Pass.FirstStopped = 0;
    Lock.lock();
  }
  for (std::thread& Worker : Workers) Worker.join();

  // Chunks up to the first that stopped count; the memory of the others is
  // used again.
  std::size_t Counted = GoOn ? std::min(Count, Pass.FirstStopped.load() + 1) : 0;
  for (std::size_t I = 0; I < Counted; ++I)
    if (Chunks[I].Definition->TextIndexUsed()) Counted = 0;
  for (std::size_t I = Counted; I < Count; ++I) Release(Chunks[I]);
  if (Counted == 0) return false;
  // The serial numbers follow from the node counts of the chunks before.
  std::vector<std::int64_t> Bases;
  for (std::size_t I = 0; I < Counted; ++I) {
    TChunk& Chunk = Chunks[I];
    const std::size_t FirstMessage = Definition.AppendMessages(Chunk.Messages);
    for (TDecodedNode* Node : Chunk.TextNodes) Node->RawValue += static_cast<double>(FirstMessage);
    for (const auto& [Level, Text] : Chunk.Log) AddEntry(Level, Text);
    for (const auto& [Text, Repeats] : Chunk.Repeats) AddRepeats(Text, Repeats);
    Roots.insert(Roots.end(), Chunk.Roots.begin(), Chunk.Roots.end());
    if (Chunk.Sink) Joins.push_back({std::move(Chunk.Sink), NextSerial, Chunk.Taken});
    Handled += Chunk.Handled.load();
    Position = Chunk.Reached;
    Bases.push_back(NextSerial);
    NextSerial += Chunk.Nodes;
  }
  // A sink's BaseFrames were numbered as they were decoded.
  if (!Streamed || !NewChunkSink) NumberChunks(Chunks, Counted, Bases);
  return true;
}
