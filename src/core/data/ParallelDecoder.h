#pragma once
// Decodes a run of BaseFrames in chunks on several threads and joins them in
// file order into what one thread would have made.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/ChunkSink.h"
#include "data/FrameColumns.h"
#include "data/FrameRecord.h"
#include "data/FrameShapes.h"
#include "data/PassProgress.h"
#include "data/PassReader.h"
#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"

// A chunk's sink with its place among the chunks joined.
struct TChunkJoin {
  std::unique_ptr<TChunkSink> Sink;
  TSerialNumbering Serials;  // of the running numbers of its BaseFrames
  std::int64_t Frames = 0;   // the BaseFrames it took
};

// The BaseFrames to decode: those of Length bytes from Position on, up to
// End (all in the reader's image).
struct TParallelRun {
  std::int64_t Position = 0;
  std::int64_t End = 0;
  std::int32_t Length = 0;
  bool IdCheck = false;
  std::int16_t RootDefIndex = 0;
  std::int64_t Handled = 0;  // BaseFrame positions the pass handled before
  int Threads = 0;           // as TData::Threads
  // The nodes go into pools the caller empties (StreamPools), or with
  // NewSink set, the BaseFrames to a sink per chunk.
  bool Streamed = false;
  // Whether the records of the roots are made (never of a sink's BaseFrames).
  bool Records = true;
  // Whether the roots' nodes are read after the run: else each BaseFrame's
  // nodes are given back once its record is made, and no roots are kept.
  bool TreesRead = true;
  std::function<std::unique_ptr<TChunkSink>()> NewSink;
};

struct TParallelOutcome {
  bool Decoded = false;  // false: nothing changed, to be decoded on one thread
  // Where the pass goes on, as its loop would have (before End where the
  // decoding stopped), and the positions handled by then.
  std::int64_t Position = 0;
  std::int64_t Handled = 0;
  // Numbered, without sinks; linked in order unless streamed.
  std::vector<TDecodedNode*> Roots;
  // The BaseFrames decoded, without sinks'.
  std::int64_t Frames = 0;
  // Of each root, as the run asks.
  std::vector<TFrameRecord> Records;
  std::vector<TChunkJoin> Joins;
};

class TParallelDecoder {
 public:
  TParallelDecoder(TFramesDefinition& Definition, const TPassReader& Reader, const std::string& FileName,
                   TNodePool& Pool, TFrameShapes& Shapes, TFrameColumns& Columns)
      : Definition(Definition), Reader(Reader), FileName(FileName), Pool(Pool), Shapes(Shapes), Columns(Columns) {}

  // Decodes Run; logs the chunks' entries and adds their messages as one
  // thread would, numbering on from the definition's serial counter. Not
  // decoded, with nothing logged, when they are to be decoded on one thread:
  // too few, a definition that cannot be copied, or a message index used as
  // a number. Meanwhile, when set, runs on the calling thread while the
  // chunks decode; when it returns false, the chunks are forgotten and
  // nothing is decoded either. When a stop is asked, the chunks end at once,
  // the first counting up to where it ended. Every thread is joined before
  // it returns or throws; an exception of a thread is thrown here.
  TParallelOutcome Decode(const TParallelRun& Run, TPassProgress& Progress, const std::function<bool()>& Meanwhile);
  // Empties the pools a streamed run decoded into; with Release, their
  // memory goes back to the system as well.
  void EmptyStreamPools(bool Release = false);

 private:
  struct TChunk;
  class TChunkPass;
  // The chunks of Run, with their pools.
  std::vector<TChunk> MakeChunks(const TParallelRun& Run, std::size_t Count);
  // Runs the chunks on threads of their own until they end; false when
  // Meanwhile said no or no thread could be had (then none counts).
  bool RunChunks(TChunkPass& Pass, const TParallelRun& Run, TPassProgress& Progress,
                 const std::function<bool()>& Meanwhile);
  // Shows the progress of the chunks until all have ended.
  void Watch(TChunkPass& Pass, const TParallelRun& Run, TPassProgress& Progress);
  // Forgets the nodes of Chunk, which does not count.
  void Release(TChunk& Chunk, bool Streamed);
  // The outcome of the first Counted chunks, the others released.
  TParallelOutcome Collect(TChunkPass& Pass, const TParallelRun& Run, std::size_t Counted);

  TFramesDefinition& Definition;
  const TPassReader& Reader;
  const std::string& FileName;
  TNodePool& Pool;
  TFrameShapes& Shapes;    // of the records made
  TFrameColumns& Columns;  // of the records made
  // The pools the threads of a streaming pass decode into, one per chunk.
  std::vector<std::unique_ptr<TNodePool>> StreamPools;
};
