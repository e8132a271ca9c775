#pragma once
// The packet data holder of one packet file: reads the file (or takes its
// bytes from memory), restores its byte order, cuts it into BaseFrames,
// decodes them and follows the file's growth.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/FileWatch.h"
#include "common/Timer.h"
#include "data/ChunkSink.h"
#include "data/PacketFile.h"
#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"
#include "structure/MemoryStream.h"

constexpr int TrackingInterval = 60000;
constexpr int DelayedUpdateIncrement = 10000;
constexpr std::int32_t SecondFileSerialBase = 100000000;

// A chunk's sink with its place among the chunks joined.
struct TChunkJoin {
  std::unique_ptr<TChunkSink> Sink;
  std::int64_t SerialBase = 0;
  std::int64_t Frames = 0;  // the BaseFrames it took
};

// How the updates of a holder ended, from the best to the worst.
enum class TPassResult {
  Complete,      // decoded to the end of the data (a partial BaseFrame waits for its rest)
  StoppedEarly,  // ended before the end of its data: a cross dependency, a failed hand-over
  Unreadable,    // the file could not be read, or was refused
};

class TData {
 public:
  TData(const std::string& FileName, TFramesDefinition& Definition);
  ~TData();
  TData(const TData&) = delete;
  TData& operator=(const TData&) = delete;

  TDecodedNode* Frames = nullptr;
  std::int32_t SerialBase = 0;
  std::function<void(TData& Sender)> OnNewFrames;
  TFramesDefinition& Definition;
  std::string FileName;
  double LastFileTime = 0;
  std::int64_t ProcessedSize = 0;
  TMemoryStream Image;
  std::unique_ptr<TTimer> Timer;
  // With the BaseFrame IDs checked: after an invalid BaseFrame, decode on
  // from the next synchronisation marker at any byte of the file (its words
  // paired from there), with one Warn entry for the bytes skipped, instead of
  // one per BaseFrame position. When the data ends before a marker, the next
  // pass looks again from the invalid BaseFrame. A BaseFrame whose next
  // marker comes before its length has lost bytes: it is skipped with a Warn
  // entry and decoding goes on at that marker.
  bool Resync = false;
  // Threads a whole-file pass over many new BaseFrames decodes them on, in
  // chunks joined in file order into exactly what one thread makes (not
  // while resynchronising); 0: one per core, for passes of at least 4096
  // BaseFrames per core.
  int Threads = 0;
  // Bytes a part of a whole-file read takes at least: a big file is read in
  // parts side by side, one per thread.
  std::int64_t ReadPartBytes = std::int64_t{4} << 20;

  // Reads the file once (whole, or in pieces while streaming), then enables
  // the timer.
  void StartTracking();
  // Stops the timer, ends the watch of the file and frees the memory kept
  // for the next read.
  void StopTracking();
  // While tracking, a change notification of the file (when the program
  // watches files) starts a pass as a tick of the timer does.
  void WatchFile();
  // One update pass; also the timer's tick.
  void UpdateFromFile();
  // The same pass over Bytes, the file's content as read (before the word
  // swap), instead of the file: the same BaseFrames, numbers, messages (which
  // name FileName) and notification; a longer content later goes on from
  // ProcessedSize as a grown file does. The timer is left as it is. False,
  // with the delay logged and nothing done, while another pass runs.
  bool UpdateFromBytes(std::span<const std::uint8_t> Bytes);
  // Streaming mode, while set: the passes read the data in pieces of about
  // StreamPieceBytes (whole BaseFrames and the bytes their decoding can reach)
  // instead of whole, with the same checks and messages. The BaseFrames,
  // decoded and numbered as the whole-file mode numbers them, are handed to
  // OnFrames in file order: those of a piece together when its BaseFrames are
  // decoded on several threads (as a whole-file pass would), else one by one.
  // Their nodes go back to the pool when OnFrames returns, so Frames stays
  // empty and the memory keeps its size. An exception from OnFrames is logged
  // and ends the pass after the BaseFrames handed over. OnNewFrames is still
  // called after every pass that reached the BaseFrame loop, once, after its
  // last BaseFrame. A pass goes on from ProcessedSize either way.
  std::function<void(std::span<TDecodedNode* const> Roots)> OnFrames;
  // When set, the BaseFrames a streaming pass decodes on several threads go
  // to a sink per chunk (made on the pass's thread) instead of to OnFrames:
  // taken on the chunk's thread, joined in file order.
  std::function<std::unique_ptr<TChunkSink>()> NewChunkSink;
  std::int64_t StreamPieceBytes = std::int64_t{4} << 20;
  // File position of Image's first byte: 0 in the whole-file mode; while
  // OnFrames runs, the bytes of a node lie at Position - ImageOrigin() in Image.
  std::int64_t ImageOrigin() const { return Origin; }

  // Bytes of the blocks the decoded nodes live in.
  std::size_t NodeBytes() const { return Pool.ReservedBytes(); }
  // Number of BaseFrame roots decoded: those in Frames, and those handed to
  // OnFrames.
  std::int64_t FrameCount() const { return Count; }
  // The worst end of the updates since StartTracking (Complete before any).
  TPassResult Result() const { return Worst; }

 private:
  // Copies the file's bytes from Offset on (before the word swap) into
  // Target; the number copied, fewer at the end of the data, or -1 when the
  // data cannot be read.
  using TPieceReader = std::function<std::int64_t(std::int64_t Offset, std::span<std::uint8_t> Target)>;

  // Logs the pass; false, with the message, when the file seen by Look is
  // refused, or could not be opened (Look none).
  bool BeginPass(const TFileLook* Look);
  // Whether data of Size bytes holds no whole BaseFrame after ProcessedSize
  // and the last pass warned of that already: the look does nothing.
  bool WarnedOfRest(std::int64_t Size) const;
  // Takes the data starting with Start (as read, before the word swap), of
  // the file seen by Look (none for bytes in memory), as the data to go on
  // with. When it starts otherwise than the data the passes before read
  // (another inode: unless it starts the same; the same file: unless it
  // still starts so, as a file cut short does), it was replaced: logs so
  // and reads it from its start, numbering on after the BaseFrames before.
  void TakeData(std::span<const std::uint8_t> Start, const TFileLook* Look);
  // Logs "What paket file FileName." as an Error; the file is Unreadable.
  void ReadFailed(const std::string& What);
  // Keeps Ended when it is worse than the results before.
  void Note(TPassResult Ended) { Worst = std::max(Worst, Ended); }
  // Replaces Image with the word-swapped file, Size bytes from File; false,
  // Image untouched, when it cannot be read.
  bool ReadImage(const TPacketFile& File, std::int64_t Size);
  // Makes the spare image Size bytes long, with room to grow; false, with
  // the message, when there is not enough memory.
  bool SizeSpareImage(std::size_t Size);
  // Makes the spare image, word-swapped, the image; the image before
  // becomes the spare one.
  void InstallSpareImage();
  // Makes Image the word-swapped bytes [Start, End) of the data Pieces reads
  // (fewer when the data ends before End); false, with the message, when they
  // cannot be read.
  bool ReadPiece(const TPieceReader& Pieces, std::int64_t Start, std::int64_t End);
  // ReadPiece of [Start, End) widened to whole words (End not beyond
  // DataEnd); DataEnd becomes the end of the data read when the data ends
  // before End.
  bool ReadWords(const TPieceReader& Pieces, std::int64_t Start, std::int64_t End, std::int64_t& DataEnd);
  // The first byte of the word that holds the data's byte at Position.
  std::int64_t WordStart(std::int64_t Position) const;
  // Swaps the words of Bytes, the data from Start on; a byte whose partner
  // lies outside Bytes stays.
  void SwapPairs(std::span<std::uint8_t> Bytes, std::int64_t Start) const;
  // The first position from From on, before Before and DataEnd, where the
  // data holds the synchronisation marker, reading on through Pieces; -1 when
  // there is none.
  std::int64_t FindMarker(std::int64_t From, std::int64_t Before, std::int64_t& DataEnd, const TPieceReader* Pieces);
  // Pairs the words anew from Position on, which lies after the last pairing
  // start, in Image too; nothing changes where a word starts at Position.
  void PairFrom(std::int64_t Position);
  // Checks the BaseFrame length against the synchronisation marker in Image
  // (which holds the data's start), adjusting it where it can; true when the
  // BaseFrame IDs are to be checked.
  bool CheckFrameLength();
  // Checks the BaseFrame length, then decodes and numbers the whole
  // BaseFrames of the DataEnd bytes after ProcessedSize, appends them to
  // Frames (Pieces none: Image holds all the data) or reads them through
  // Pieces and hands them to OnFrames, and tells OnNewFrames. The timer is off
  // while it runs when PauseTimer is set, and on afterwards.
  void DecodePass(std::int64_t DataEnd, const TPieceReader* Pieces, bool PauseTimer);
  // Decodes the BaseFrames of Length bytes from Position on, up to DataEnd
  // (all in Image), on several threads into Roots, numbered; logs their
  // entries and adds their messages as one thread would. Position and
  // Handled advance as its loop would (Position stops before DataEnd where
  // the decoding stopped), and Show is told the progress now and then.
  // Streamed: the nodes go into StreamPools, which the caller empties, or
  // with NewChunkSink set, the BaseFrames to the sinks in Joins. False,
  // with nothing changed or logged, when they are to be decoded on one
  // thread: too few, a definition that cannot be copied, or a message index
  // used as a number. Meanwhile, when set, runs on the pass's thread while
  // the chunks decode; when it returns false, the chunks are forgotten and
  // the result is false too. When a stop is asked, the chunks end at once,
  // the first counting up to where it ended.
  bool DecodeInParallel(std::int64_t& Position, std::int64_t DataEnd, std::int32_t Length, bool IdCheck,
                        std::int16_t RootDefIndex, std::int64_t& Handled,
                        const std::function<void(std::int64_t Position, std::int64_t Handled)>& Show, bool Streamed,
                        std::vector<TDecodedNode*>& Roots, std::vector<TChunkJoin>& Joins,
                        const std::function<bool()>& Meanwhile = {});
  // Whether the progress display asks the pass to stop; then the next look
  // reads on though the file has not changed.
  bool StopAsked();
  // The root of the BaseFrame at the file position Position over Child;
  // numbered after its tree.
  TDecodedNode* NewRoot(std::int64_t Position, TDecodedNode* Child, std::int16_t DefIndex);
  void AppendRoot(TDecodedNode* Root);
  // Hands Roots to OnFrames and joins the sinks of Joins, the BaseFrames from
  // the file position From on; false, with the message, when one of them
  // failed.
  bool HandOver(std::int64_t From, std::span<TDecodedNode* const> Roots, std::span<TChunkJoin> Joins);

  TNodePool Pool{&Image};
  // The pools the threads of a streaming pass decode into, one per chunk.
  std::vector<std::unique_ptr<TNodePool>> StreamPools;
  TImageBytes SpareImage;
  TDecodedNode* LastRoot = nullptr;
  std::int64_t NextSerial = 0;
  bool Numbered = false;
  std::int64_t Count = 0;
  std::int64_t Origin = 0;
  // The file as the last update saw it (with LastFileTime): a file that
  // changes within the resolution of its time stamp is still read again.
  std::optional<TFileLook> LastLook;
  // The file the passes read (none yet, or bytes in memory) and its first bytes.
  std::optional<TFileLook> ReadFile;
  std::vector<std::uint8_t> Head;
  // The ProcessedSize at which the last pass warned that the data held no
  // whole new BaseFrame; -1 after a pass that did not.
  std::int64_t WarnedAt = -1;
  TPassResult Worst = TPassResult::Complete;
  std::unique_ptr<TFileWatch> Watch;
  // Where the words of the data pair anew, ascending: each position after
  // the first (0) at which a resynchronisation changed the pairing.
  std::vector<std::int64_t> PairingStarts;
  // The invalid BaseFrame last reported with no marker after it.
  std::int64_t UnsyncedAt = -1;
};
